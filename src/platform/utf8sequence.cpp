#include "platform/utf8sequence.h"

namespace zarn {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Overlong forms, surrogates and values beyond U+10FFFF show in the value the
// lead and the second byte make.
bool SecondByteFits(int length, char32_t value) {
  if (length == 3) return value >= 0x20 && !(value >= 0x360 && value <= 0x37F);
  if (length == 4) return value >= 0x10 && value <= 0x10F;
  return true;
}

}  // namespace

int Utf8SequenceLength(const char* data, qsizetype available, char32_t* codePoint) {
  if (available <= 0) return 0;
  const auto lead = static_cast<unsigned char>(data[0]);
  int length = 0;
  char32_t value = 0;
  if (lead < 0x80) {
    length = 1;
    value = lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;  // a continuation byte, an overlong lead (C0, C1) or beyond F4
  }
  for (int index = 1; index < length; ++index) {
    if (index >= available) return -1;
    const auto byte = static_cast<unsigned char>(data[index]);
    if (!IsContinuation(byte)) return 0;
    value = (value << 6) | (byte & 0x3F);
    if (index == 1 && !SecondByteFits(length, value)) return 0;
  }
  if (codePoint) *codePoint = value;
  return length;
}

}  // namespace zarn
