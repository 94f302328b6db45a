#pragma once
// The viewer's code pages and the byte maps between them. Every map is an
// explicit table (no locale or iconv at run time), so the viewer shows the same
// characters on every machine. Qt Core only.

#include <QByteArray>
#include <QString>

#include <vector>

namespace zarn {

enum class CodePage { Win, Dos, Ucode, Utf8 };

// How a code page's text is made of bytes.
enum class TextUnits { Bytes, Utf16LittleEndian, Utf8 };

// The bytes a search looks for: byte i of a match equals Upper[i] or Lower[i].
// Where the two forms of one character differ in more than one byte (UTF-8),
// mixing them could make another character: such a match is taken only when
// `Accept` says the bytes are the text.
struct TSearchForms {
  QByteArray Upper;
  QByteArray Lower;
  bool (*Accept)(const char* match, qsizetype length, const QString& text) = nullptr;
  QString Text;

  friend bool operator==(const TSearchForms&, const TSearchForms&) = default;
};

// Everything the viewer, its search and the file search take from a code
// page, as one row of one table (CodePageInfo). A new code page is a new
// enumerator, its row, and the functions the row names.
struct TCodePageInfo {
  CodePage Page;
  QString Name;        // the viewer's label of the current code page: "WIN"
  QString OtherNames;  // the viewer's reminder of the others once this one is current
  CodePage Next;       // the viewer's cycle of code pages
  TextUnits Units;
  // One byte as Unicode (Bytes only; nullptr for 16-bit units).
  char16_t (*ByteToUnicode)(unsigned char byte);
  // `text` as this code page holds it; false when the code page lacks a
  // character (it then stands as '?').
  bool (*Encode)(const QString& text, QByteArray& bytes);
  // The case forms of a text typed into the viewer's search.
  TSearchForms (*SearchForms)(const QString& text);
};

// The row of a code page. O(1).
const TCodePageInfo& CodePageInfo(CodePage page);

// The forms of a text in every code page that can hold it, those of `first`
// first, each form once (an ASCII text is one form in all byte code pages).
// Empty when no code page holds the text.
std::vector<TSearchForms> FormsInEveryCodePage(const QString& text, CodePage first);

// The label text of a code page: "WIN", "DOS", "UCODE".
QString CodePageName(CodePage page);
// The next code page of the cycle WIN -> DOS -> UCODE -> WIN.
CodePage NextCodePage(CodePage page);

// DOS (866) to Windows (1251), byte for byte, same length. Box-drawing and
// block characters that 1251 lacks become their nearest ASCII look-alike.
QByteArray OemToAnsi(const QByteArray& text);
// Windows (1251) to DOS (866), byte for byte; bytes without a 866 place stay.
QByteArray AnsiToOem(const QByteArray& text);

// Letter case in code page 1251, byte for byte (Latin and Cyrillic letters).
QByteArray LowerCase1251(const QByteArray& text);
QByteArray UpperCase1251(const QByteArray& text);
char LowerByte1251(char byte);
char UpperByte1251(char byte);

// The case forms of a search text in each of its characters' UTF-8 bytes
// (a character whose forms differ in length keeps the form typed).
TSearchForms Utf8SearchForms(const QString& text);

// One byte of 1251 or 866 as Unicode. Byte 0x98, unassigned in 1251, maps to
// U+0098 so that every byte round-trips.
char16_t Cp1251ToUnicode(unsigned char byte);
char16_t Cp866ToUnicode(unsigned char byte);
// KOI8-R, which the viewer does not offer: names written on old Unix systems.
char16_t Koi8rToUnicode(unsigned char byte);

// Bytes as Unicode text: "WIN" as 1251, "DOS" as 866, "UCODE" as UTF-16
// little-endian (an odd last byte is dropped), "UTF-8" with each invalid byte
// a replacement mark.
QString DecodeCodePage(const QByteArray& bytes, CodePage page);
// Bytes of a one-byte code page through its byte map (Cp1251ToUnicode and the like).
QString DecodeSingleBytes(const QByteArray& bytes, char16_t (*byteToUnicode)(unsigned char byte));
// UTF-16 little-endian units of a text.
QByteArray EncodeUtf16LittleEndian(const QString& text);

// Unicode text as 1251 bytes; characters 1251 lacks become '?'.
QByteArray EncodeCp1251(const QString& text);
// One character as a 1251 byte; false when 1251 lacks it.
bool UnicodeToCp1251(char16_t character, unsigned char* byte);

}  // namespace zarn
