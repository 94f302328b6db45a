// jpeg-fit: a 6000 x 4000 JPEG shown in the image viewer's 617 x 464 area.
// Our side times LoadPictureFile in this process, decoding the file at the
// viewer's fitted size; the peer is djpeg -scale M/8 (output to /dev/null),
// timed as a whole process from spawn to exit with nothing subtracted, where
// M/8 is the smallest scale whose output is not smaller than our decoded size.
// png-bomb: a 20000 x 20000 PNG of zeros (1.5 MB) shown in that area, against
// zlib alone inflating the same picture data into a buffer of one row: the
// floor of any reader built on zlib, since every row must be inflated (the
// reader inflates with ISA-L and has libpng copy the result).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <zlib.h>

#include <cstdio>
#include <vector>

#include "benchutil.h"
#include "pictures/pictureloader.h"
#include "pictures/pngreader.h"
#include "pngbomb.h"

namespace {

constexpr int kPhotoWidth = 6000;
constexpr int kPhotoHeight = 4000;

// A photograph-like picture: smooth gradients, a fine texture and sensor-like
// noise, so the file has the size of a real 24-megapixel photo (several
// megabytes), not that of a flat test card or of pure noise.
QImage PhotoLikeImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  quint32 seed = 1;
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      const int noise = int(seed >> 28) - 8;
      const int texture = ((x / 3 + y / 5) % 16) - 8;
      row[x] = qRgb(std::clamp(x * 255 / width + noise + texture, 0, 255),
                    std::clamp(y * 255 / height + noise, 0, 255),
                    std::clamp(((x + y) / 8 & 255) + noise - texture, 0, 255));
    }
  }
  return image;
}

bool WritePicture(const QString& path) {
  QImageWriter writer(path, "jpg");
  writer.setQuality(85);
  return writer.write(PhotoLikeImage(kPhotoWidth, kPhotoHeight));
}

QSize Decode(const QString& path, const QSize& area) {
  auto picture = zarn::LoadPictureFile(path, area);
  if (picture.IsError()) zarn::bench::Fail(picture.Error().Text());
  return picture.Value().DecodedSize();
}

// The smallest M for which djpeg -scale M/8 yields at least `decoded`.
int DjpegEighths(const QSize& decoded) {
  for (int eighths = 1; eighths < 8; ++eighths) {
    const int width = (kPhotoWidth * eighths + 7) / 8, height = (kPhotoHeight * eighths + 7) / 8;
    if (width >= decoded.width() && height >= decoded.height()) return eighths;
  }
  return 8;
}

void BenchJpegFit(const QString& path) {
  const QSize area(617, 464);
  const QSize decoded = Decode(path, area);
  const QStringList djpeg = {"djpeg", QStringLiteral("-scale"), QStringLiteral("%1/8").arg(DjpegEighths(decoded)), path};
  zarn::bench::TimeProgram(djpeg);  // fails the benchmark unless djpeg reads the file
  const auto times = zarn::bench::AlternateMedians(
      7, {},
      [&] {
        if (Decode(path, area) != decoded) zarn::bench::Fail("the fitted decode changed size");
      },
      [&] { return zarn::bench::TimeProgram(djpeg); });
  zarn::bench::PrintRatio("jpeg-fit", times);
}

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "bench: %s\n", what);
  std::exit(1);
}

// The IDAT chunk's data: the bomb has exactly one.
QByteArray PictureData(const QByteArray& png) {
  const qsizetype type = png.indexOf("IDAT");
  if (type < 4) Fail("the bomb has no picture data");
  const quint32 length = qFromBigEndian<quint32>(png.constData() + type - 4);
  return png.mid(type + 4, qsizetype(length));
}

// Inflates the deflate data of zlib `stream` row by row, as libpng does, and
// like the reader without the Adler-32 check; returns the bytes inflated.
qint64 InflateRows(const QByteArray& stream, qsizetype rowBytes) {
  constexpr qsizetype kHeaderBytes = 2;
  constexpr qsizetype kAdlerBytes = 4;
  z_stream inflater{};
  if (inflateInit2(&inflater, -MAX_WBITS) != Z_OK) Fail("inflateInit2");
  std::vector<unsigned char> row(static_cast<size_t>(rowBytes));
  inflater.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.constData() + kHeaderBytes));
  inflater.avail_in = uInt(stream.size() - kHeaderBytes - kAdlerBytes);
  qint64 total = 0;
  int status = Z_OK;
  while (status == Z_OK) {
    inflater.next_out = row.data();
    inflater.avail_out = uInt(row.size());
    status = inflate(&inflater, Z_NO_FLUSH);
    total += qint64(row.size()) - inflater.avail_out;
  }
  inflateEnd(&inflater);
  if (status != Z_STREAM_END) Fail("the bomb's picture data does not inflate");
  return total;
}

void BenchPngBomb() {
  constexpr quint32 kSide = 20000;
  const QByteArray bomb = zarn::test::ZeroRgbaPng(kSide, kSide);
  const QSize area(617, 464);
  const QByteArray data = PictureData(bomb);
  const qint64 expected = zarn::test::pngbomb::RawBytes(kSide, kSide, false);
  const auto reader = [&] {
    auto picture = zarn::ReadPngPicture(bomb, area);
    if (picture.IsError()) Fail(qPrintable(picture.Error().Text()));
    if (picture.Value().DecodedSize() != QSize(464, 464) || picture.Value().Image().pixel(232, 232) != 0) {
      Fail("the bomb was not decoded into the size shown");
    }
  };
  // Both sides are in-process, the bomb already in memory.
  const auto zlibAlone = [&] {
    QElapsedTimer timer;
    timer.start();
    if (InflateRows(data, 1 + qsizetype(kSide) * 4) != expected) Fail("zlib inflated a different amount");
    return double(timer.nsecsElapsed()) / 1e9;
  };
  zarn::bench::PrintRatio("png-bomb", zarn::bench::AlternateMedians(3, {}, reader, zlibAlone));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const QString path = zarn::bench::ScratchFolder("pictures") + "/photo.jpg";
  if (!WritePicture(path)) {
    std::fprintf(stderr, "bench: cannot write %s\n", qPrintable(path));
    return 1;
  }
  BenchJpegFit(path);
  zarn::bench::PrintValue("jpeg-fit-file", double(QFile(path).size()) / (1 << 20), "MiB");
  BenchPngBomb();
  return 0;
}
