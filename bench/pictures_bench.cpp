// jpeg-fit: a 6000 x 4000 JPEG shown in the image viewer's 617 x 464 area,
// against the full-size decode of the same file by the same reader.
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageWriter>

#include <cstdio>

#include "benchutil.h"
#include "pictures/pictureloader.h"

namespace {

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
  return writer.write(PhotoLikeImage(6000, 4000));
}

void Decode(const QString& path, const QSize& area) {
  auto picture = zarn::LoadPictureFile(path, area);
  if (picture.IsError()) {
    std::fprintf(stderr, "bench: %s\n", qPrintable(picture.Error().Text()));
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const QString path = zarn::bench::ScratchFolder("pictures") + "/photo.jpg";
  if (!WritePicture(path)) {
    std::fprintf(stderr, "bench: cannot write %s\n", qPrintable(path));
    return 1;
  }
  Decode(path, {});  // page cache and library warm-up
  const double fitted = zarn::bench::MedianSeconds(7, [&] { Decode(path, QSize(617, 464)); });
  const double full = zarn::bench::MedianSeconds(5, [&] { Decode(path, {}); });
  zarn::bench::PrintRatio("jpeg-fit", fitted, full);
  zarn::bench::PrintValue("jpeg-fit-file", double(QFile(path).size()) / (1 << 20), "MiB");
  return 0;
}
