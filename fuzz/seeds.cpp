// Writes the seed corpus of the picture fuzz targets: small valid files of
// every format and a few damaged ones, one folder per target under argv[1].
#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

#include "picturesamples.h"

namespace {

using zarn::test::EncodeGif;
using zarn::test::EncodeIcon;
using zarn::test::EncodeImage;
using zarn::test::NoisyQuadrantImage;
using zarn::test::QuadrantImage;
using zarn::test::TWmfBuilder;

bool Write(const QString& folder, const QString& name, const QByteArray& bytes) {
  QDir().mkpath(folder);
  QFile file(folder + "/" + name);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Half(const QByteArray& bytes) { return bytes.left(bytes.size() / 2); }

QList<QPair<QString, QByteArray>> MetafileSeeds() {
  TWmfBuilder shapes;
  shapes.Add(0x02FA, {0, 2, 0, 0xff, 0}).Add(0x012D, {0});
  shapes.SolidBrush(qRgb(0, 200, 0)).Add(0x012D, {1});
  shapes.Add(0x0324, {3, 0, 0, 50, 0, 25, 40}).Add(0x0418, {40, 40, 10, 10});
  shapes.Add(0x0538, {2, 3, 3, 0, 0, 9, 0, 0, 9, 20, 20, 29, 20, 20, 29});
  shapes.Add(0x0817, {0, 30, 30, 0, 40, 40, 0, 0}).Add(0x001E, {}).Add(0x0127, {-1});
  shapes.Add(0x0214, {1, 1}).Add(0x0213, {30, 30}).Add(0x061C, {5, 5, 30, 30, 0, 0});
  TWmfBuilder text;
  text.Add(0x020B, {0, 0}).Add(0x020C, {-100, 100});
  text.Add(0x02FB, {-12, 0, 0, 0, 700, 0x0000, 0xCC00, 0, 0, 'A' | ('r' << 8), 'i' | ('a' << 8), 'l'});
  text.Add(0x012D, {0}).Add(0x0209, {0xff, 0}).Add(0x012E, {24});
  text.Add(0x0521, {3, 'a' | (0xE0 << 8), 'b', -50, 10});
  text.Add(0x0A32, {-30, 10, 2, 2, 0, 0, 20, -20, 'o' | ('k' << 8)});
  return {{"two-colours.wmf", zarn::test::TwoColourMetafile()},
          {"shapes.wmf", shapes.Build(QRect(0, 0, 50, 50), 96)},
          {"text.wmf", text.Build()},
          {"cut.wmf", Half(shapes.Build(QRect(0, 0, 50, 50)))}};
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: fuzz_seeds FOLDER\n");
    return 2;
  }
  const QString root = QString::fromLocal8Bit(argv[1]);
  const QImage quadrants = QuadrantImage(24, 16);
  const QImage noisy = NoisyQuadrantImage(32, 32);
  const QByteArray jpeg = EncodeImage(noisy, "jpg", 80);
  const QByteArray png = EncodeImage(quadrants.convertToFormat(QImage::Format_ARGB32), "png");
  const QList<QPair<QString, QList<QPair<QString, QByteArray>>>> seeds = {
      {"pictures_jpeg_fuzz",
       {{"baseline.jpg", jpeg},
        {"progressive.jpg", EncodeImage(noisy, "jpg", 80, true)},
        {"gray.jpg", EncodeImage(quadrants.convertToFormat(QImage::Format_Grayscale8), "jpg")},
        {"cut.jpg", Half(jpeg)}}},
      {"pictures_png_fuzz",
       {{"rgba.png", png},
        {"gray.png", EncodeImage(quadrants.convertToFormat(QImage::Format_Grayscale8), "png")},
        {"palette.png", EncodeImage(quadrants.convertToFormat(QImage::Format_Indexed8), "png")},
        {"deep.png", EncodeImage(quadrants.convertToFormat(QImage::Format_RGBA64), "png")},
        {"cut.png", Half(EncodeImage(noisy, "png"))}}},
      {"pictures_gif_fuzz", {{"quadrants.gif", EncodeGif(quadrants)}, {"cut.gif", Half(EncodeGif(quadrants))}}},
      {"pictures_bmp_fuzz",
       {{"rgb.bmp", EncodeImage(quadrants, "bmp")},
        {"palette.bmp", EncodeImage(quadrants.convertToFormat(QImage::Format_Indexed8), "bmp")},
        {"cut.bmp", Half(EncodeImage(quadrants, "bmp"))}}},
      {"pictures_ico_fuzz",
       {{"single.ico", EncodeImage(QuadrantImage(16, 16, QImage::Format_ARGB32), "ico")},
        {"several.ico", EncodeIcon({QuadrantImage(8, 8), QuadrantImage(16, 16)})}}},
      {"pictures_wmf_fuzz", MetafileSeeds()},
  };
  for (const auto& [target, files] : seeds) {
    for (const auto& [name, bytes] : files) {
      if (!Write(root + "/" + target, name, bytes)) {
        std::fprintf(stderr, "fuzz_seeds: cannot write %s/%s\n", qPrintable(target), qPrintable(name));
        return 1;
      }
    }
  }
  return 0;
}
