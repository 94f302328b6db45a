// Fuzzes the PNG reader, at full size and at the viewer's reduced size.
#include "picturefuzz.h"
#include "pictures/pngreader.h"

ZARN_PICTURE_READER_FUZZER(zarn::ReadPngPicture)
