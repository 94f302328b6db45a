#pragma once
// One UTF-8 sequence checked byte by byte, for every reader of UTF-8 bytes in
// the program (names, the viewer, the search). Overlong forms, surrogates and
// values beyond U+10FFFF are invalid. Qt Core only.

#include <QtGlobal>

namespace zarn {

// What stands at `data` (with `available` bytes readable): the length (1 to 4)
// of a valid sequence, 0 for an invalid byte, -1 for the valid beginning of a
// sequence that the available bytes cut short (seen as soon as a byte cannot
// continue it). A valid sequence's value goes to `codePoint` when given.
int Utf8SequenceLength(const char* data, qsizetype available, char32_t* codePoint = nullptr);

}  // namespace zarn
