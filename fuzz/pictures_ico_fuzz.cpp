// Fuzzes the ICO reader, at full size and at the viewer's reduced size.
#include "picturefuzz.h"
#include "pictures/qtpicturereaders.h"

ZARN_PICTURE_READER_FUZZER(zarn::ReadIconPicture)
