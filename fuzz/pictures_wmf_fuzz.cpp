// Fuzzes the metafile parser and player.
#include "picturefuzz.h"
#include "pictures/metafile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  zarn::fuzz::StartApplication(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto metafile = zarn::ParseMetafile(zarn::fuzz::Input(data, size));
  if (metafile.IsError()) return 0;
  QImage canvas(64, 48, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  metafile.Value().Play(painter, canvas.rect());
  return 0;
}
