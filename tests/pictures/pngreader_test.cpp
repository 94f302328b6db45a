#include "pictures/pngreader.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

#include <zlib.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "picturesamples.h"
#include "pngbomb.h"

namespace zarn {
namespace {

using test::EncodeImage;
using test::QuadrantImage;

QByteArray BigEndian32(quint32 value) {
  QByteArray bytes(4, '\0');
  qToBigEndian(value, bytes.data());
  return bytes;
}

QByteArray Chunk(const char* type, const QByteArray& data) {
  const QByteArray typeAndData = QByteArray(type, 4) + data;
  const auto crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(typeAndData.constData()), uInt(typeAndData.size())));
  return BigEndian32(quint32(data.size())) + typeAndData + BigEndian32(crc);
}

// An 8-bit gray PNG of the given size whose picture data is `idat`.
QByteArray GrayPng(quint32 width, quint32 height, const QByteArray& idat) {
  QByteArray header = BigEndian32(width) + BigEndian32(height);
  header += QByteArray("\x08\x00\x00\x00\x00", 5);
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("IDAT", idat) + Chunk("IEND", {});
}

QByteArray Deflated(const QByteArray& raw) {
  uLongf length = compressBound(uLong(raw.size()));
  QByteArray out(qsizetype(length), '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(raw.constData()),
           uLong(raw.size()));
  out.resize(qsizetype(length));
  return out;
}

// Unfiltered rows of a 256 x 256 gray picture of noise whose first column
// holds the row's number.
QByteArray NoiseRows(quint32 seed) {
  QByteArray raw;
  for (int row = 0; row < 256; ++row) {
    raw += '\0';
    for (int column = 0; column < 256; ++column) {
      seed = seed * 1103515245u + 12345u;
      raw += column == 0 ? char(row) : char(seed >> 16);
    }
  }
  return raw;
}

TEST(PngReader, DecodesEveryColourTypeToMatchingPixels) {
  const QImage source = QuadrantImage(32, 16, QImage::Format_ARGB32);
  const std::vector<QImage::Format> formats = {QImage::Format_ARGB32, QImage::Format_RGB32, QImage::Format_Grayscale8,
                                               QImage::Format_Indexed8, QImage::Format_Mono, QImage::Format_RGBA64};
  for (QImage::Format format : formats) {
    const QImage converted = source.convertToFormat(format);
    auto picture = ReadPngPicture(EncodeImage(converted, "png"), {});
    ASSERT_FALSE(picture.IsError()) << format << ": " << picture.Error().Text().toStdString();
    const QImage& image = picture.Value().Image();
    ASSERT_EQ(image.size(), QSize(32, 16)) << format;
    for (const QPoint point : {QPoint(2, 2), QPoint(30, 2), QPoint(2, 14), QPoint(30, 14)}) {
      EXPECT_EQ(image.pixel(point), converted.convertToFormat(QImage::Format_ARGB32).pixel(point)) << format;
    }
  }
}

TEST(PngReader, KeepsTransparency) {
  QImage source(4, 4, QImage::Format_ARGB32);
  source.fill(qRgba(10, 20, 30, 0));
  source.setPixel(1, 1, qRgba(200, 100, 50, 255));
  auto picture = ReadPngPicture(EncodeImage(source, "png"), {});
  ASSERT_FALSE(picture.IsError());
  EXPECT_EQ(qAlpha(picture.Value().Image().pixel(0, 0)), 0);
  EXPECT_EQ(picture.Value().Image().pixel(1, 1), qRgba(200, 100, 50, 255));
}

TEST(PngReader, TruncatedPictureShowsItsRowsAsDamaged) {
  // Noise does not compress, so the picture data is far longer than libpng's read size.
  const QByteArray raw = NoiseRows(7);
  const QByteArray whole = GrayPng(256, 256, Deflated(raw));
  auto complete = ReadPngPicture(whole, {});
  ASSERT_FALSE(complete.IsError());
  EXPECT_FALSE(complete.Value().IsDamaged());

  auto cut = ReadPngPicture(whole.left(whole.size() / 2), {});
  ASSERT_FALSE(cut.IsError()) << cut.Error().Text().toStdString();
  EXPECT_TRUE(cut.Value().IsDamaged());
  EXPECT_EQ(qGray(cut.Value().Image().pixel(0, 3)), 3);

  auto noEnd = ReadPngPicture(whole.left(whole.size() - 12), {});
  ASSERT_FALSE(noEnd.IsError());
  EXPECT_TRUE(noEnd.Value().IsDamaged());
}

// A gray picture of noise whose picture data is split into chunks of `pieces`
// bytes, the last piece holding the rest.
QByteArray NoisePngInPieces(const QByteArray& idat, const std::vector<qsizetype>& pieces) {
  QByteArray chunks;
  qsizetype position = 0;
  for (qsizetype piece : pieces) {
    chunks += Chunk("IDAT", idat.mid(position, piece));
    position += piece;
  }
  chunks += Chunk("IDAT", idat.mid(position));
  const QByteArray whole = GrayPng(256, 256, {});
  const qsizetype emptyIdat = whole.indexOf("IDAT") - 4;
  return whole.left(emptyIdat) + chunks + whole.mid(emptyIdat + 12);
}

TEST(PngReader, PictureDataInManyChunksOrBrokenMidwayDecodesAsFarAsItGoes) {
  const QByteArray raw = NoiseRows(11);
  const QByteArray idat = Deflated(raw);
  auto whole = ReadPngPicture(GrayPng(256, 256, idat), {});
  ASSERT_FALSE(whole.IsError());
  auto pieces = ReadPngPicture(NoisePngInPieces(idat, {1, 1, 3, 70000, 0, 9}), {});
  ASSERT_FALSE(pieces.IsError()) << pieces.Error().Text().toStdString();
  EXPECT_FALSE(pieces.Value().IsDamaged());
  EXPECT_EQ(pieces.Value().Image(), whole.Value().Image());

  // Stored blocks of noise: a broken block length halfway, under sound CRCs.
  uLongf length = compressBound(uLong(raw.size()));
  QByteArray stored(qsizetype(length), '\0');
  compress2(reinterpret_cast<Bytef*>(stored.data()), &length, reinterpret_cast<const Bytef*>(raw.constData()),
            uLong(raw.size()), 0);
  stored.resize(qsizetype(length));
  const int firstBlockBytes = quint8(stored[3]) | quint8(stored[4]) << 8;
  const qsizetype secondBlock = 2 + 5 + firstBlockBytes;
  stored[secondBlock + 3] = char(stored[secondBlock + 3] ^ 0xff);
  auto broken = ReadPngPicture(GrayPng(256, 256, stored), {});
  ASSERT_FALSE(broken.IsError()) << broken.Error().Text().toStdString();
  EXPECT_TRUE(broken.Value().IsDamaged());
  const int lastWholeRow = firstBlockBytes / 257 - 1;
  ASSERT_GT(lastWholeRow, 10);
  EXPECT_EQ(qGray(broken.Value().Image().pixel(0, lastWholeRow)), lastWholeRow);
  EXPECT_EQ(qGray(broken.Value().Image().pixel(0, 255)), 0);
}

TEST(PngReader, CorruptFilesAreErrors) {
  const QByteArray good = EncodeImage(QuadrantImage(16, 16), "png");
  QByteArray badCrc = good;
  badCrc[29] = char(badCrc[29] ^ 0x55);  // inside the header chunk's CRC
  const std::vector<QByteArray> broken = {QByteArray("\x89PNG\r\n\x1a\n", 8), good.left(20), badCrc,
                                          QByteArray(300, '\x89'), GrayPng(16, 16, QByteArray(40, 'z'))};
  for (const QByteArray& bytes : broken) EXPECT_TRUE(ReadPngPicture(bytes, {}).IsError());
}

TEST(PngReader, RefusesOversizedPicturesAndBombs) {
  auto tooTall = ReadPngPicture(GrayPng(10, 20001, Deflated(QByteArray(11, '\0'))), {});
  ASSERT_TRUE(tooTall.IsError());
  EXPECT_TRUE(tooTall.Error().Text().contains("20001"));
  // 20000 x 20000 gray is 400 MB of pixels, claimed by a file of a few hundred bytes.
  auto bomb = ReadPngPicture(GrayPng(20000, 20000, Deflated(QByteArray(20001 * 10, '\0'))), {});
  ASSERT_TRUE(bomb.IsError());
  EXPECT_TRUE(bomb.Error().Text().contains(QString::fromUtf8("бомб")));
}

// A figure from /proc/self/status, in kB ("VmRSS", "VmHWM", "VmSize").
qint64 StatusKilobytes(const char* field) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (!line.startsWith(QByteArray(field) + ':')) continue;
    return line.mid(qsizetype(std::strlen(field)) + 1).trimmed().split(' ')[0].toLongLong();
  }
  return -1;
}

// Runs `body` in a forked child whose address space may grow by `extraBytes`
// at most (unless AddressSanitizer, which reserves terabytes, runs), and whose
// resident size must not grow by more than that either. Returns the child's
// exit status: body's result, or 100 + n when a memory check n failed.
template <typename Body>
int RunWithLittleMemory(qint64 extraBytes, Body body) {
  const pid_t child = ::fork();
  if (child == 0) {
#if !defined(__SANITIZE_ADDRESS__)
    const rlim_t limit = rlim_t(StatusKilobytes("VmSize") * 1024 + extraBytes);
    const rlimit space{limit, limit};
    if (::setrlimit(RLIMIT_AS, &space) != 0) ::_exit(101);
#endif
    const qint64 residentBefore = StatusKilobytes("VmRSS");
    const int result = body();
    if (result == 0 && (StatusKilobytes("VmHWM") - residentBefore) * 1024 > extraBytes) ::_exit(102);
    ::_exit(result);
  }
  int status = 0;
  if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 200 + WTERMSIG(status);
}

TEST(PngReader, ABombIsDecodedRowByRowIntoTheSizeShown) {
  // 1.6 GB of pixels at full size, in a file of 1.5 MB.
  const QByteArray bomb = test::ZeroRgbaPng(20000, 20000);
  ASSERT_LT(bomb.size(), 2 << 20);
  QElapsedTimer timer;
  timer.start();
  const int status = RunWithLittleMemory(qint64(64) << 20, [&bomb] {
    auto picture = ReadPngPicture(bomb, QSize(617, 464));
    if (picture.IsError()) return 1;
    const TPicture& shown = picture.Value();
    if (shown.Size() != QSize(20000, 20000) || shown.DecodedSize() != QSize(464, 464) || shown.IsDamaged()) return 2;
    if (shown.Image().pixel(0, 0) != 0 || shown.Image().pixel(463, 463) != 0) return 3;
    return 0;
  });
  EXPECT_EQ(status, 0);
  // Measured, not asserted (the png-bomb benchmark reports it): inflating 1.6 GB, which no reader can skip.
  std::printf("20000 x 20000 PNG decoded into 464 x 464 in %lld ms\n", static_cast<long long>(timer.elapsed()));
  RecordProperty("decode_ms", int(timer.elapsed()));
}

TEST(PngReader, ACancelledDecodeStopsBetweenRows) {
  const QByteArray bomb = test::ZeroRgbaPng(20000, 20000);
  TDecodeCancel cancel(false);
  std::thread canceller([&cancel] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    cancel = true;
  });
  auto picture = ReadPngPicture(bomb, QSize(617, 464), cancel);
  canceller.join();
  ASSERT_TRUE(picture.IsError());
  EXPECT_EQ(picture.Error().Code(), ECANCELED);
}

TEST(PngReader, ReducedPicturesAverageThePixelsTheyCover) {
  // Columns of opaque red and transparent green: halved, each pixel is red at
  // half cover, without green bleeding in from the transparent pixels.
  QImage columns(8, 4, QImage::Format_ARGB32);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 8; ++x) columns.setPixel(x, y, x % 2 == 0 ? qRgba(255, 0, 0, 255) : qRgba(0, 255, 0, 0));
  }
  auto halved = ReadPngPicture(EncodeImage(columns, "png"), QSize(4, 2));
  ASSERT_FALSE(halved.IsError());
  EXPECT_EQ(halved.Value().Size(), QSize(8, 4));
  ASSERT_EQ(halved.Value().DecodedSize(), QSize(4, 2));
  for (int x = 0; x < 4; ++x) {
    const QRgb pixel = qUnpremultiply(halved.Value().Image().pixel(x, 1));
    EXPECT_EQ(qAlpha(pixel), 128);
    EXPECT_GE(qRed(pixel), 254);
    EXPECT_EQ(qGreen(pixel), 0);
  }
  // Rows of black and white, four to a reduced row: the mean gray.
  QImage rows(2, 8, QImage::Format_Grayscale8);
  for (int y = 0; y < 8; ++y) std::memset(rows.scanLine(y), y % 2 == 0 ? 0 : 255, 2);
  auto gray = ReadPngPicture(EncodeImage(rows, "png"), QSize(1, 2));
  ASSERT_FALSE(gray.IsError());
  ASSERT_EQ(gray.Value().DecodedSize(), QSize(1, 2));
  EXPECT_EQ(qGray(gray.Value().Image().pixel(0, 0)), 128);
  // Flat quadrants keep their colours, and a larger area asks for a sharper decode.
  auto quadrants = ReadPngPicture(EncodeImage(QuadrantImage(200, 100), "png"), QSize(50, 50));
  ASSERT_FALSE(quadrants.IsError());
  const QImage& image = quadrants.Value().Image();
  ASSERT_EQ(image.size(), QSize(50, 25));
  EXPECT_EQ(image.pixel(5, 5), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(45, 5), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(5, 20), qRgb(0, 0, 255));
  EXPECT_EQ(image.pixel(45, 20), qRgb(255, 255, 255));
  EXPECT_TRUE(quadrants.Value().NeedsSharperDecode(QSize(100, 50)));
}

TEST(PngReader, InterlacedPicturesAreReducedAfterwardsOrRefusedOverTheBudget) {
  auto small = ReadPngPicture(test::ZeroRgbaPng(64, 32, true), QSize(16, 16));
  ASSERT_FALSE(small.IsError()) << small.Error().Text().toStdString();
  EXPECT_EQ(small.Value().Size(), QSize(64, 32));
  EXPECT_EQ(small.Value().DecodedSize(), QSize(16, 8));
  auto huge = ReadPngPicture(test::ZeroRgbaPng(20000, 20000, true), QSize(617, 464));
  ASSERT_TRUE(huge.IsError());
  EXPECT_TRUE(huge.Error().Text().contains(QString::fromUtf8("Чересстрочное"))) << huge.Error().Text().toStdString();
}

}  // namespace
}  // namespace zarn
