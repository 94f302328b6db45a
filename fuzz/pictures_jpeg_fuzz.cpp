// Fuzzes the JPEG reader, at full size and at the viewer's reduced size.
#include "picturefuzz.h"
#include "pictures/jpegreader.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  zarn::fuzz::StartApplication(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = zarn::fuzz::Input(data, size);
  const bool reduced = size > 0 && (data[size - 1] & 1) != 0;
  zarn::fuzz::DrawIfDecoded(zarn::ReadJpegPicture(bytes, reduced ? QSize(61, 46) : QSize()));
  return 0;
}
