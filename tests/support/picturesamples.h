#pragma once
// Small pictures made in memory for the picture tests: encoded files of every
// format the viewer reads, hand-built metafiles, and helpers to damage them.

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>
#include <QList>
#include <QPainter>
#include <QRect>
#include <QtEndian>

#include <algorithm>
#include <initializer_list>
#include <optional>

namespace zarn::test {

// A picture with four coloured quadrants (red, green, blue, white), so that
// orientation and scaling can be checked by pixels.
inline QImage QuadrantImage(int width, int height, QImage::Format format = QImage::Format_RGB32) {
  QImage image(width, height, format);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
  painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
  painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
  return image;
}

// The quadrants with pixel noise, so that encoded files are mostly picture data.
inline QImage NoisyQuadrantImage(int width, int height) {
  QImage image = QuadrantImage(width, height);
  quint32 seed = 12345;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      seed = seed * 1103515245u + 12345u;
      const int noise = int((seed >> 16) % 41) - 20;
      const QRgb pixel = image.pixel(x, y);
      image.setPixel(x, y, qRgb(std::clamp(qRed(pixel) + noise, 0, 255), std::clamp(qGreen(pixel) + noise, 0, 255),
                                std::clamp(qBlue(pixel) + noise, 0, 255)));
    }
  }
  return image;
}

// A GIF of an image with at most 256 colours. Qt reads GIF but cannot write it;
// the picture data is stored as literal codes with a clear code often enough
// that the code size never grows.
inline QByteArray EncodeGif(const QImage& source) {
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  QList<QRgb> palette;
  QByteArray indexes;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y) | 0xff000000u;
      qsizetype index = palette.indexOf(pixel);
      if (index < 0 && palette.size() < 256) {
        palette << pixel;
        index = palette.size() - 1;
      }
      indexes += char(std::max<qsizetype>(index, 0));
    }
  }
  palette.resize(256, qRgb(0, 0, 0));
  QByteArray gif("GIF89a");
  const auto word = [&gif](int value) {
    gif += char(value & 0xff);
    gif += char(value >> 8);
  };
  word(image.width());
  word(image.height());
  gif += char(0xF7);  // global colour table of 256 entries
  gif += char(0);
  gif += char(0);
  for (QRgb colour : palette) {
    gif += char(qRed(colour));
    gif += char(qGreen(colour));
    gif += char(qBlue(colour));
  }
  gif += char(0x2C);
  word(0);
  word(0);
  word(image.width());
  word(image.height());
  gif += char(0);
  gif += char(8);  // minimum code size
  QByteArray data;
  quint32 bits = 0;
  int bitCount = 0;
  const auto code = [&](int value) {
    bits |= quint32(value) << bitCount;
    bitCount += 9;
    while (bitCount >= 8) {
      data += char(bits & 0xff);
      bits >>= 8;
      bitCount -= 8;
    }
  };
  constexpr int kClear = 256, kEnd = 257;
  for (qsizetype index = 0; index < indexes.size(); ++index) {
    if (index % 200 == 0) code(kClear);
    code(uchar(indexes[index]));
  }
  code(kEnd);
  if (bitCount > 0) data += char(bits & 0xff);
  for (qsizetype offset = 0; offset < data.size(); offset += 255) {
    const QByteArray block = data.mid(offset, 255);
    gif += char(block.size());
    gif += block;
  }
  gif += char(0);
  gif += char(0x3B);
  return gif;
}

inline QByteArray EncodeImage(const QImage& image, const char* format, int quality = 90, bool progressive = false) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  writer.setQuality(quality);
  if (progressive) writer.setProgressiveScanWrite(true);
  writer.write(image);
  return bytes;
}

// An icon file holding the given images (each stored as a PNG entry is not
// needed: Qt writes a single-image icon, so entries are joined by hand).
inline QByteArray EncodeIcon(std::initializer_list<QImage> images) {
  QByteArray directory;
  QByteArray data;
  const auto word = [](QByteArray& out, quint16 value) {
    value = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&value), 2);
  };
  const auto doubleWord = [](QByteArray& out, quint32 value) {
    value = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&value), 4);
  };
  word(directory, 0);
  word(directory, 1);
  word(directory, quint16(images.size()));
  const quint32 firstData = 6 + 16 * quint32(images.size());
  for (const QImage& image : images) {
    const QByteArray png = EncodeImage(image.convertToFormat(QImage::Format_ARGB32), "png");
    directory.append(char(image.width() >= 256 ? 0 : image.width()));
    directory.append(char(image.height() >= 256 ? 0 : image.height()));
    directory.append(char(0));
    directory.append(char(0));
    word(directory, 1);
    word(directory, 32);
    doubleWord(directory, quint32(png.size()));
    doubleWord(directory, firstData + quint32(data.size()));
    data.append(png);
  }
  return directory + data;
}

// Builds a Windows metafile record by record.
class TWmfBuilder {
 public:
  // Parameter words as the file stores them.
  TWmfBuilder& Add(quint16 function, std::initializer_list<int> words) {
    DoubleWord(Records_, quint32(3 + words.size()));
    Word(Records_, function);
    for (int value : words) Word(Records_, quint16(value));
    ++Count_;
    return *this;
  }
  TWmfBuilder& AddRaw(quint32 sizeWords, quint16 function, const QByteArray& parameters) {
    DoubleWord(Records_, sizeWords);
    Word(Records_, function);
    Records_.append(parameters);
    return *this;
  }
  TWmfBuilder& Colour(quint16 function, QRgb colour) {
    const quint32 ref = quint32(qRed(colour)) | (quint32(qGreen(colour)) << 8) | (quint32(qBlue(colour)) << 16);
    return Add(function, {int(ref & 0xffff), int(ref >> 16)});
  }
  // A solid brush; pen style 5 is "no pen".
  TWmfBuilder& SolidBrush(QRgb colour) {
    const quint32 ref = quint32(qRed(colour)) | (quint32(qGreen(colour)) << 8) | (quint32(qBlue(colour)) << 16);
    return Add(0x02FC, {0, int(ref & 0xffff), int(ref >> 16), 0});
  }
  TWmfBuilder& NullPen() { return Add(0x02FA, {5, 0, 0, 0, 0}); }

  // The whole file; `frame` adds the placeable header (1440 units per inch by default).
  QByteArray Build(std::optional<QRect> frame = std::nullopt, int unitsPerInch = 1440, bool endRecord = true,
                   int objects = 16) const {
    QByteArray file;
    if (frame) {
      DoubleWord(file, 0x9AC6CDD7);
      Word(file, 0);
      Word(file, quint16(frame->left()));
      Word(file, quint16(frame->top()));
      Word(file, quint16(frame->left() + frame->width()));
      Word(file, quint16(frame->top() + frame->height()));
      Word(file, quint16(unitsPerInch));
      DoubleWord(file, 0);
      Word(file, 0);
    }
    QByteArray records = Records_;
    if (endRecord) {
      DoubleWord(records, 3);
      Word(records, 0);
    }
    Word(file, 1);
    Word(file, 9);
    Word(file, 0x0300);
    DoubleWord(file, quint32(9 + records.size() / 2));
    Word(file, quint16(objects));
    DoubleWord(file, 64);
    Word(file, 0);
    return file + records;
  }

 private:
  static void Word(QByteArray& out, quint16 value) {
    value = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&value), 2);
  }
  static void DoubleWord(QByteArray& out, quint32 value) {
    value = qToLittleEndian(value);
    out.append(reinterpret_cast<const char*>(&value), 4);
  }
  QByteArray Records_;
  int Count_ = 0;
};

// A metafile of a red rectangle on the left half of a 200 x 100 frame, blue on the right.
inline QByteArray TwoColourMetafile() {
  TWmfBuilder builder;
  builder.NullPen().Add(0x012D, {0});
  builder.SolidBrush(qRgb(255, 0, 0)).Add(0x012D, {1});
  builder.Add(0x041B, {100, 100, 0, 0});  // bottom, right, top, left
  builder.SolidBrush(qRgb(0, 0, 255)).Add(0x012D, {2});
  builder.Add(0x041B, {100, 200, 0, 100});
  return builder.Build(QRect(0, 0, 200, 100), 96);
}

}  // namespace zarn::test
