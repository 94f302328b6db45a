#pragma once
// PNG files whose pixels are all zero, made in milliseconds however large they
// claim to be. Their picture data is deflated at deflate's best ratio (about
// 1000:1, matches of distance one, the slowest kind to inflate), so a
// 20000 x 20000 RGBA picture, 1.6 GB of pixels, is a file of 1.5 MB: the shape
// of a "decompression bomb".

#include <QByteArray>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>

namespace zarn::test {

namespace pngbomb {

inline QByteArray BigEndian32(quint32 value) {
  QByteArray bytes(4, '\0');
  qToBigEndian(value, bytes.data());
  return bytes;
}

inline QByteArray Chunk(const char* type, const QByteArray& data) {
  const QByteArray typeAndData = QByteArray(type, 4) + data;
  const auto crc = quint32(crc32(0, reinterpret_cast<const Bytef*>(typeAndData.constData()), uInt(typeAndData.size())));
  return BigEndian32(quint32(data.size())) + typeAndData + BigEndian32(crc);
}

// `count` zero bytes as raw deflate blocks ending on a full flush: such runs of
// blocks can follow one another in one stream, since none refers back past its start.
inline QByteArray FlushedZeros(qsizetype count) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  const QByteArray zeros(count, '\0');
  QByteArray out(qsizetype(deflateBound(&stream, uLong(count))) + 64, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.constData()));
  stream.avail_in = uInt(count);
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = uInt(out.size());
  deflate(&stream, Z_FULL_FLUSH);
  out.resize(out.size() - qsizetype(stream.avail_out));
  deflateEnd(&stream);
  return out;
}

// A zlib stream of `total` zero bytes.
inline QByteArray DeflatedZeros(qint64 total) {
  constexpr qint64 kRun = qint64(8) << 20;
  const QByteArray run = FlushedZeros(qsizetype(std::min(total, kRun)));
  QByteArray stream("\x78\xDA", 2);
  for (qint64 left = total; left > 0; left -= kRun) stream += left >= kRun ? run : FlushedZeros(qsizetype(left));
  stream += QByteArray("\x03\x00", 2);  // the final block, empty
  // Zeros leave Adler-32's first sum at 1 and add it to the second once a byte.
  return stream + BigEndian32(quint32(total % 65521) << 16 | 1u);
}

// Bytes of picture data, filter bytes included, for each pass (one pass, or Adam7's seven).
inline qint64 RawBytes(quint32 width, quint32 height, bool interlaced) {
  struct TPass {
    quint32 X, Y, Dx, Dy;
  };
  const TPass adam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  const TPass whole[] = {{0, 0, 1, 1}};
  const TPass* first = interlaced ? adam7 : whole;
  const TPass* end = interlaced ? adam7 + 7 : whole + 1;
  qint64 total = 0;
  for (const TPass* each = first; each < end; ++each) {
    const TPass& pass = *each;
    const qint64 columns = width > pass.X ? (width - pass.X + pass.Dx - 1) / pass.Dx : 0;
    const qint64 rows = height > pass.Y ? (height - pass.Y + pass.Dy - 1) / pass.Dy : 0;
    if (columns > 0 && rows > 0) total += rows * (1 + columns * 4);
  }
  return total;
}

}  // namespace pngbomb

// An 8-bit RGBA PNG of `width` x `height` transparent black pixels.
inline QByteArray ZeroRgbaPng(quint32 width, quint32 height, bool interlaced = false) {
  using namespace pngbomb;
  QByteArray header = BigEndian32(width) + BigEndian32(height);
  header += QByteArray("\x08\x06\x00\x00", 4);  // 8 bits, RGBA, deflate, adaptive filters
  header += char(interlaced ? 1 : 0);
  return QByteArray("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) +
         Chunk("IDAT", DeflatedZeros(RawBytes(width, height, interlaced))) + Chunk("IEND", {});
}

}  // namespace zarn::test
