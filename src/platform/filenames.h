#pragma once
// File names on Linux are bytes, not text. Names that are not valid UTF-8 still
// have to be listed, navigated, copied and opened by their true bytes, so every
// conversion between a name and a QString goes through these two functions.
//
// Decoding uses the "surrogate escape" scheme: each byte that is not part of a
// valid UTF-8 sequence becomes the lone surrogate U+DC00 + byte. Such a string
// displays lossily (the surrogate draws as a replacement glyph) and encodes back
// to exactly the original bytes. Never use QFile::encodeName/decodeName for names.

#include <QByteArray>
#include <QString>

namespace zarn {

QString FromNativeName(const QByteArray& bytes);
QString FromNativeName(const char* bytes, qsizetype length);
QByteArray ToNativeName(const QString& name);

// True when the bytes are valid UTF-8 (so the name displays as it is).
bool IsValidUtf8(const char* bytes, qsizetype length);

}  // namespace zarn
