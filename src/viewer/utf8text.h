#pragma once
// UTF-8 as the viewer reads it: every invalid byte shown as one replacement
// mark in its own place, and pages cut only between characters. Qt Core only; every function is O(bytes).

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "platform/utf8sequence.h"

namespace zarn {

// The text, each invalid byte (and each byte of a cut sequence) a U+FFFD.
QString DecodeUtf8Lossy(const QByteArray& bytes);

// True when `bytes` hold non-ASCII bytes and every sequence is valid; with
// `cut`, the bytes are the start of something longer, and a sequence cut at
// their end counts as valid.
bool LooksLikeUtf8(const QByteArray& bytes, bool cut);

// The part of a page read with a few bytes before it, made of whole
// characters: it begins at the character holding byte `pageBegin` and ends
// before a character the bytes cut short (kept, as invalid, at the file's end).
struct TUtf8Slice {
  qsizetype Begin = 0;
  qsizetype End = 0;
};
TUtf8Slice WholeCharacters(const QByteArray& bytes, qsizetype pageBegin, bool atFileEnd);

// What each byte shows in a hex page's character column: a character at its
// first byte, kUtf8Continuation at the others, U+FFFD at an invalid byte.
// Bytes of a character begun before `bytes` or cut off at their end show as
// continuations too, unless `atFileEnd` makes the cut one invalid.
inline constexpr char16_t kUtf8Continuation = u'\u00B7';
QStringList Utf8ByteCells(const QByteArray& bytes, bool atFileEnd);

}  // namespace zarn
