#pragma once
// Building what the viewer's text area shows from a file's bytes: the whole
// text of a small file, a text page and hex lines, in the code pages "WIN"
// (1251), "DOS" (866), "UCODE" (16-bit little-endian) and "UTF-8". Qt Core
// only; the functions are pure and cost O(bytes).
//
// Bytes the viewer replaces by the character 0x10 are drawn as the visible
// symbol U+25BA, and other control characters as the DOS glyphs of their byte
// values, so nothing in a page is invisible. Line breaks in text are CR LF, LF
// or a lone CR, each shown as one break.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "viewer/codepages.h"

namespace zarn {

// Files below this size are shown whole as text; larger ones page by page.
inline constexpr qint64 kWholeFileLimit = 64000;
inline constexpr int kHexLineBytes = 16;
inline constexpr int kTextLineBytes = 64;
// The character that stands for bytes 0, 9 and 13, and how it is drawn.
inline constexpr char kMarkByte = 0x10;
inline constexpr char16_t kMarkSymbol = u'\u25BA';

// A small file's whole text: byte 0 becomes the mark, a tab is followed by
// four blanks. In "UCODE" the bytes are read as 16-bit units.
QString WholeFileText(const QByteArray& bytes, CodePage page);
// A text page: bytes 0 and 9 become the mark.
QString TextPageText(const QByteArray& bytes, CodePage page);
// Hex lines of 16 bytes; the first line starts at file offset `offset`.
// `atFileEnd` tells whether the bytes end where the file does (a UTF-8
// character they cut short is then invalid, not continued on the next page).
QStringList HexPageLines(const QByteArray& bytes, quint64 offset, CodePage page, bool atFileEnd = true);
// One hex line of 1..16 bytes.
QString HexLine(const char* data, int count, quint64 offset, CodePage page);

// The 16-bit units of `bytes` as 1251 bytes for text: a CR unit ends the line,
// Cyrillic units take their 1251 places, other units show their two bytes.
QByteArray WideUnitsAs1251(const QByteArray& bytes);
// The character column of a hex line in "UCODE", as 1251 bytes.
QByteArray WideColumn(const char* data, int count);

// The label of the line holding `offset` as the hex page prints it ("00001230").
QString LineLabel(quint64 offset);

}  // namespace zarn
