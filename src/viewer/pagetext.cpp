#include "viewer/pagetext.h"

#include "viewer/utf8text.h"

namespace zarn {
namespace {

// The DOS glyphs of the control characters, so a control byte is visible.
constexpr char16_t kControlGlyphs[32] = {
    u'\u25BA', u'\u263A', u'\u263B', u'\u2665', u'\u2666', u'\u2663', u'\u2660', u'\u2022',
    u'\u25D8', u'\u25BA', u'\u25D9', u'\u2642', u'\u2640', u'\u25BA', u'\u266B', u'\u263C',
    kMarkSymbol, u'\u25C4', u'\u2195', u'\u203C', u'\u00B6', u'\u00A7', u'\u25AC', u'\u21A8',
    u'\u2191', u'\u2193', u'\u2192', u'\u2190', u'\u221F', u'\u2194', u'\u25B2', u'\u25BC',
};

enum class Breaks { Keep, Glyph };

// Replaces control characters by visible glyphs; with Breaks::Keep, tabs stay
// and CR LF, LF and a lone CR each become one line feed.
QString Visible(const QString& text, Breaks breaks) {
  QString result;
  result.reserve(text.size());
  for (qsizetype index = 0; index < text.size(); ++index) {
    const char16_t character = text[index].unicode();
    if (breaks == Breaks::Keep && (character == u'\t' || character == u'\n')) {
      result.append(QChar(character));
    } else if (breaks == Breaks::Keep && character == u'\r') {
      result.append(QChar(u'\n'));
      if (index + 1 < text.size() && text[index + 1] == QChar(u'\n')) ++index;
    } else if (character < 0x20) {
      result.append(QChar(kControlGlyphs[character]));
    } else if (character == 0x7F) {
      result.append(QChar(u'\u2302'));
    } else if (character >= 0x80 && character < 0xA0) {
      result.append(QChar(u'\uFFFD'));  // the one unassigned byte of 1251
    } else {
      result.append(QChar(character));
    }
  }
  return result;
}

bool InWideUnits(CodePage page) { return CodePageInfo(page).Units == TextUnits::Utf16LittleEndian; }

// A Cyrillic unit U+04xx in 1251, or '?' when 1251 lacks it.
char CyrillicAs1251(unsigned char low) {
  unsigned char byte = '?';
  UnicodeToCp1251(static_cast<char16_t>(0x0400 | low), &byte);
  return static_cast<char>(byte);
}

char HexDigit(int value) { return "0123456789ABCDEF"[value & 0xF]; }

}  // namespace

QString WholeFileText(const QByteArray& bytes, CodePage page) {
  if (InWideUnits(page)) return Visible(DecodeCodePage(WideUnitsAs1251(bytes), CodePage::Win), Breaks::Keep);
  QByteArray text;
  text.reserve(bytes.size() + bytes.size() / 8);
  for (const char byte : bytes) {
    if (byte == 0) {
      text.append(kMarkByte);
    } else {
      text.append(byte);
      if (byte == '\t') text.append("    ");
    }
  }
  return Visible(DecodeCodePage(text, page), Breaks::Keep);
}

QString TextPageText(const QByteArray& bytes, CodePage page) {
  if (InWideUnits(page)) return Visible(DecodeCodePage(WideUnitsAs1251(bytes), CodePage::Win), Breaks::Keep);
  QByteArray text = bytes;
  for (char& byte : text) {
    if (byte == 0 || byte == '\t') byte = kMarkByte;
  }
  return Visible(DecodeCodePage(text, page), Breaks::Keep);
}

QByteArray WideUnitsAs1251(const QByteArray& bytes) {
  QByteArray text;
  text.reserve(bytes.size());
  bool afterReturn = false;
  for (qsizetype index = 0; index + 1 < bytes.size(); index += 2) {
    const auto low = static_cast<unsigned char>(bytes[index]);
    const auto high = static_cast<unsigned char>(bytes[index + 1]);
    const bool lineFeedAfterReturn = afterReturn && high == 0 && low == '\n';
    afterReturn = high == 0 && low == '\r';
    if (high == 0) {
      if (low == '\r') text.append("\r\n");
      else if (low != 0 && !lineFeedAfterReturn) text.append(static_cast<char>(low));
    } else if (high == 4) {
      if (low != 0) text.append(CyrillicAs1251(low));
    } else {
      for (const unsigned char byte : {low, high}) {
        text.append(byte == 0 || byte == '\t' ? kMarkByte : static_cast<char>(byte));
      }
    }
  }
  return text;
}

QByteArray WideColumn(const char* data, int count) {
  QByteArray column;
  for (int index = 0; index + 1 < count; index += 2) {
    const auto low = static_cast<unsigned char>(data[index]);
    const auto high = static_cast<unsigned char>(data[index + 1]);
    if (high == 0) {
      column.append(static_cast<char>(low));
    } else if (high == 4) {
      column.append(CyrillicAs1251(low));
    } else {
      column.append(static_cast<char>(low));
      column.append(static_cast<char>(high));
    }
  }
  // An odd last byte of a short final line is shown as a unit with high byte 0.
  if (count % 2 == 1) column.append(data[count - 1]);
  return column;
}

namespace {

// The offset and hex columns of a line and the "| " before its characters.
QString HexColumns(const char* data, int count, quint64 offset) {
  QString line = QString::number(offset, 16).toUpper().rightJustified(8, QLatin1Char('0'));
  line.append(QLatin1String(": "));
  for (int index = 0; index < count; ++index) {
    const auto byte = static_cast<unsigned char>(data[index]);
    line.append(QLatin1Char(HexDigit(byte >> 4)));
    line.append(QLatin1Char(HexDigit(byte)));
    line.append(QLatin1Char(index == 7 ? '|' : ' '));
  }
  line.append(QString(3 * (kHexLineBytes - count), QLatin1Char(' ')));
  line.append(QLatin1String("| "));
  return line;
}

// A UTF-8 page's lines: the character column is made for the whole page, so
// that a character may begin on one line and end on the next.
QStringList Utf8HexPageLines(const QByteArray& bytes, quint64 offset, bool atFileEnd) {
  const QStringList cells = Utf8ByteCells(bytes, atFileEnd);
  QStringList lines;
  for (qsizetype start = 0; start < bytes.size(); start += kHexLineBytes) {
    const int count = static_cast<int>(std::min<qsizetype>(kHexLineBytes, bytes.size() - start));
    QString line = HexColumns(bytes.constData() + start, count, offset + static_cast<quint64>(start));
    QString column;
    for (int index = 0; index < count; ++index) column += cells[start + index];
    line.append(Visible(column, Breaks::Glyph));
    lines.append(line);
  }
  return lines;
}

}  // namespace

QString HexLine(const char* data, int count, quint64 offset, CodePage page) {
  QString line = HexColumns(data, count, offset);
  if (CodePageInfo(page).Units == TextUnits::Utf8) {
    line.append(Visible(Utf8ByteCells(QByteArray(data, count), true).join(QString()), Breaks::Glyph));
    return line;
  }
  if (InWideUnits(page)) {
    line.append(Visible(DecodeCodePage(WideColumn(data, count), CodePage::Win), Breaks::Glyph));
    return line;
  }
  QByteArray column(data, count);
  for (char& byte : column) {
    if (byte == 0 || byte == '\t' || byte == '\r') byte = kMarkByte;
  }
  line.append(Visible(DecodeCodePage(column, page), Breaks::Glyph));
  return line;
}

QStringList HexPageLines(const QByteArray& bytes, quint64 offset, CodePage page, bool atFileEnd) {
  if (CodePageInfo(page).Units == TextUnits::Utf8) return Utf8HexPageLines(bytes, offset, atFileEnd);
  QStringList lines;
  lines.reserve(bytes.size() / kHexLineBytes + 1);
  for (qsizetype start = 0; start < bytes.size(); start += kHexLineBytes) {
    const int count = static_cast<int>(std::min<qsizetype>(kHexLineBytes, bytes.size() - start));
    lines.append(HexLine(bytes.constData() + start, count, offset + static_cast<quint64>(start), page));
  }
  return lines;
}

QString LineLabel(quint64 offset) {
  return QString::number(offset & ~quint64(0xF), 16).toUpper().rightJustified(8, QLatin1Char('0'));
}

}  // namespace zarn
