#include "viewer/utf8text.h"

namespace zarn {
namespace {

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

}  // namespace

QString DecodeUtf8Lossy(const QByteArray& bytes) {
  QString text;
  text.reserve(bytes.size());
  qsizetype runBegin = 0;  // the valid bytes not yet decoded begin here
  for (qsizetype index = 0; index < bytes.size();) {
    const int length = Utf8SequenceLength(bytes.constData() + index, bytes.size() - index);
    if (length > 0) {
      index += length;
      continue;
    }
    text.append(QString::fromUtf8(bytes.constData() + runBegin, index - runBegin));
    text.append(QChar(QChar::ReplacementCharacter));
    runBegin = ++index;
  }
  text.append(QString::fromUtf8(bytes.constData() + runBegin, bytes.size() - runBegin));
  return text;
}

bool LooksLikeUtf8(const QByteArray& bytes, bool cut) {
  bool nonAscii = false;
  for (qsizetype index = 0; index < bytes.size();) {
    const int length = Utf8SequenceLength(bytes.constData() + index, bytes.size() - index);
    if (length == -1) return cut && nonAscii;
    if (length == 0) return false;
    nonAscii = nonAscii || length > 1;
    index += length;
  }
  return nonAscii;
}

TUtf8Slice WholeCharacters(const QByteArray& bytes, qsizetype pageBegin, bool atFileEnd) {
  TUtf8Slice slice{pageBegin, pageBegin};
  for (qsizetype lead = pageBegin - 1; lead >= 0 && lead >= pageBegin - 3; --lead) {
    if (IsContinuation(static_cast<unsigned char>(bytes[lead]))) continue;
    if (Utf8SequenceLength(bytes.constData() + lead, bytes.size() - lead) > pageBegin - lead) slice.Begin = lead;
    break;
  }
  qsizetype index = slice.Begin;
  while (index < bytes.size()) {
    const int length = Utf8SequenceLength(bytes.constData() + index, bytes.size() - index);
    if (length == -1) {
      if (atFileEnd) index = bytes.size();
      break;
    }
    index += length == 0 ? 1 : length;
  }
  slice.End = index;
  return slice;
}

QStringList Utf8ByteCells(const QByteArray& bytes, bool atFileEnd) {
  const QString continuation{QChar(kUtf8Continuation)};
  const QString invalid{QChar(QChar::ReplacementCharacter)};
  QStringList cells;
  cells.reserve(bytes.size());
  qsizetype index = 0;
  // The tail of a character that began before these bytes.
  while (index < bytes.size() && index < 3 && IsContinuation(static_cast<unsigned char>(bytes[index]))) {
    cells.append(continuation);
    ++index;
  }
  while (index < bytes.size()) {
    const int length = Utf8SequenceLength(bytes.constData() + index, bytes.size() - index);
    if (length == -1) {
      for (; index < bytes.size(); ++index) cells.append(atFileEnd ? invalid : continuation);
      break;
    }
    if (length == 0) {
      cells.append(invalid);
      ++index;
      continue;
    }
    cells.append(QString::fromUtf8(bytes.constData() + index, length));
    for (int rest = 1; rest < length; ++rest) cells.append(continuation);
    index += length;
  }
  return cells;
}

}  // namespace zarn
