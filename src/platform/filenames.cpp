#include "platform/filenames.h"

#include "platform/utf8sequence.h"

namespace zarn {
namespace {

constexpr char16_t EscapeBase = 0xDC00;

void AppendCodePoint(QString& text, char32_t codePoint) {
  if (codePoint < 0x10000) {
    text.append(QChar(char16_t(codePoint)));
  } else {
    text.append(QChar::highSurrogate(codePoint));
    text.append(QChar::lowSurrogate(codePoint));
  }
}

void AppendUtf8(QByteArray& bytes, char32_t codePoint) {
  if (codePoint < 0x80) {
    bytes.append(char(codePoint));
  } else if (codePoint < 0x800) {
    bytes.append(char(0xC0 | (codePoint >> 6)));
    bytes.append(char(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    bytes.append(char(0xE0 | (codePoint >> 12)));
    bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
    bytes.append(char(0x80 | (codePoint & 0x3F)));
  } else {
    bytes.append(char(0xF0 | (codePoint >> 18)));
    bytes.append(char(0x80 | ((codePoint >> 12) & 0x3F)));
    bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
    bytes.append(char(0x80 | (codePoint & 0x3F)));
  }
}

}  // namespace

bool IsValidUtf8(const char* bytes, qsizetype length) {
  qsizetype position = 0;
  char32_t codePoint = 0;
  while (position < length) {
    const int step = Utf8SequenceLength(bytes + position, length - position, &codePoint);
    if (step <= 0) return false;
    position += step;
  }
  return true;
}

QString FromNativeName(const char* bytes, qsizetype length) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes);
  // Pure ASCII and valid UTF-8 are by far the common case: let Qt decode them.
  if (IsValidUtf8(bytes, length)) return QString::fromUtf8(bytes, length);
  QString text;
  text.reserve(length);
  qsizetype position = 0;
  while (position < length) {
    char32_t codePoint = 0;
    const int step = Utf8SequenceLength(bytes + position, length - position, &codePoint);
    if (step <= 0) {
      text.append(QChar(char16_t(EscapeBase + data[position])));
      ++position;
    } else {
      AppendCodePoint(text, codePoint);
      position += step;
    }
  }
  return text;
}

QString FromNativeName(const QByteArray& bytes) { return FromNativeName(bytes.constData(), bytes.size()); }

QByteArray ToNativeName(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size() * 2);
  const qsizetype length = name.size();
  for (qsizetype i = 0; i < length; ++i) {
    const char16_t unit = name.at(i).unicode();
    if (QChar::isHighSurrogate(unit) && i + 1 < length && QChar::isLowSurrogate(name.at(i + 1).unicode())) {
      AppendUtf8(bytes, QChar::surrogateToUcs4(unit, name.at(i + 1).unicode()));
      ++i;
    } else if (unit >= EscapeBase + 0x80 && unit <= EscapeBase + 0xFF) {
      bytes.append(char(unit - EscapeBase));
    } else if (QChar::isSurrogate(unit)) {
      AppendUtf8(bytes, 0xFFFD);  // a stray surrogate that no decoded name can hold
    } else {
      AppendUtf8(bytes, unit);
    }
  }
  return bytes;
}

}  // namespace zarn
