// Fuzzes the JPEG reader, at full size and at the viewer's reduced size.
#include "picturefuzz.h"
#include "pictures/jpegreader.h"

ZARN_PICTURE_READER_FUZZER(zarn::ReadJpegPicture)
