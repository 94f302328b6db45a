#include "viewer/codepages.h"

#include <algorithm>
#include <array>

#include "viewer/utf8text.h"

namespace zarn {
namespace {

// Bytes 0x80..0xFF of each code page as Unicode.
constexpr char16_t kCp1251High[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 0x88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 0x98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // 0xA0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // 0xA8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // 0xB0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // 0xB8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 0xC0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 0xC8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 0xD0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 0xD8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // 0xE0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // 0xE8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // 0xF0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // 0xF8
};

constexpr char16_t kCp866High[128] = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 0x80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 0x88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 0x90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 0x98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // 0xA0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // 0xA8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // 0xB0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // 0xB8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // 0xC0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // 0xC8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // 0xD0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // 0xD8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // 0xE0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // 0xE8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // 0xF0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // 0xF8
};

constexpr char16_t kKoi8rHigh[128] = {
    0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524,  // 0x80
    0x252C, 0x2534, 0x253C, 0x2580, 0x2584, 0x2588, 0x258C, 0x2590,  // 0x88
    0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248,  // 0x90
    0x2264, 0x2265, 0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7,  // 0x98
    0x2550, 0x2551, 0x2552, 0x0451, 0x2553, 0x2554, 0x2555, 0x2556,  // 0xA0
    0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E,  // 0xA8
    0x255F, 0x2560, 0x2561, 0x0401, 0x2562, 0x2563, 0x2564, 0x2565,  // 0xB0
    0x2566, 0x2567, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x00A9,  // 0xB8
    0x044E, 0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433,  // 0xC0
    0x0445, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E,  // 0xC8
    0x043F, 0x044F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0436, 0x0432,  // 0xD0
    0x044C, 0x044B, 0x0437, 0x0448, 0x044D, 0x0449, 0x0447, 0x044A,  // 0xD8
    0x042E, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413,  // 0xE0
    0x0425, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E,  // 0xE8
    0x041F, 0x042F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0416, 0x0412,  // 0xF0
    0x042C, 0x042B, 0x0417, 0x0428, 0x042D, 0x0429, 0x0427, 0x042A,  // 0xF8
};

// DOS to Windows: the 866 letters at their 1251 places, the pseudographics as
// ASCII look-alikes ('|', '-', '+', '#').
constexpr unsigned char kOemToAnsiHigh[128] = {
    0xC0, 0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF,  // 0x80
    0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xDB, 0xDC, 0xDD, 0xDE, 0xDF,  // 0x90
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,  // 0xA0
    0x23, 0x23, 0x23, 0x7C, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x7C, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B,  // 0xB0
    0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2D, 0x2B, 0x2B,  // 0xC0
    0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x2B, 0x23, 0x23, 0x23, 0x23, 0x23,  // 0xD0
    0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 0xFE, 0xFF,  // 0xE0
    0xA8, 0xB8, 0xAA, 0xBA, 0xAF, 0xBF, 0xA1, 0xA2, 0xB0, 0xB7, 0xB7, 0x76, 0xB9, 0xA4, 0x23, 0xA0,  // 0xF0
};

constexpr unsigned char kAnsiToOemHigh[128] = {
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,  // 0x80
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F,  // 0x90
    0xFF, 0xF6, 0xF7, 0xA3, 0xFD, 0xA5, 0xA6, 0xA7, 0xF0, 0xA9, 0xF2, 0xAB, 0xAC, 0xAD, 0xAE, 0xF4,  // 0xA0
    0xF8, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xFA, 0xF1, 0xFC, 0xF3, 0xBB, 0xBC, 0xBD, 0xBE, 0xF5,  // 0xB0
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8A, 0x8B, 0x8C, 0x8D, 0x8E, 0x8F,  // 0xC0
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0x9B, 0x9C, 0x9D, 0x9E, 0x9F,  // 0xD0
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,  // 0xE0
    0xE0, 0xE1, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xEB, 0xEC, 0xED, 0xEE, 0xEF,  // 0xF0
};

// Pairs of 1251 letters beyond A..Z and 0xC0..0xDF: upper case, lower case.
constexpr unsigned char kExtraCasePairs[][2] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D}, {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2},
    {0xA3, 0xBC}, {0xA5, 0xB4}, {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};

struct CaseTables {
  std::array<unsigned char, 256> Lower{};
  std::array<unsigned char, 256> Upper{};
};

CaseTables MakeCaseTables() {
  CaseTables tables;
  for (int byte = 0; byte < 256; ++byte) {
    tables.Lower[byte] = static_cast<unsigned char>(byte);
    tables.Upper[byte] = static_cast<unsigned char>(byte);
  }
  auto pair = [&tables](int upper, int lower) {
    tables.Lower[upper] = static_cast<unsigned char>(lower);
    tables.Upper[lower] = static_cast<unsigned char>(upper);
  };
  for (int byte = 'A'; byte <= 'Z'; ++byte) pair(byte, byte + 0x20);
  for (int byte = 0xC0; byte <= 0xDF; ++byte) pair(byte, byte + 0x20);
  for (const auto& extra : kExtraCasePairs) pair(extra[0], extra[1]);
  return tables;
}

const CaseTables& Cases() {
  static const CaseTables tables = MakeCaseTables();
  return tables;
}

// Unicode to 1251 for the characters above 0x7F, built once from the forward table.
struct ReverseTable {
  std::array<unsigned char, 0x10000> Byte{};  // 0 where 1251 has no such character
};

const ReverseTable& Reverse1251() {
  static const ReverseTable table = [] {
    ReverseTable made;
    for (int index = 0; index < 128; ++index) made.Byte[kCp1251High[index]] = static_cast<unsigned char>(0x80 + index);
    return made;
  }();
  return table;
}

template <typename Map>
QByteArray MapBytes(const QByteArray& text, Map map) {
  QByteArray result(text.size(), Qt::Uninitialized);
  for (qsizetype index = 0; index < text.size(); ++index) {
    result[index] = static_cast<char>(map(static_cast<unsigned char>(text[index])));
  }
  return result;
}

}  // namespace

QString CodePageName(CodePage page) { return CodePageInfo(page).Name; }
CodePage NextCodePage(CodePage page) { return CodePageInfo(page).Next; }

QByteArray OemToAnsi(const QByteArray& text) {
  return MapBytes(text, [](unsigned char byte) { return byte < 0x80 ? byte : kOemToAnsiHigh[byte - 0x80]; });
}

QByteArray AnsiToOem(const QByteArray& text) {
  return MapBytes(text, [](unsigned char byte) { return byte < 0x80 ? byte : kAnsiToOemHigh[byte - 0x80]; });
}

char LowerByte1251(char byte) { return static_cast<char>(Cases().Lower[static_cast<unsigned char>(byte)]); }
char UpperByte1251(char byte) { return static_cast<char>(Cases().Upper[static_cast<unsigned char>(byte)]); }

QByteArray LowerCase1251(const QByteArray& text) {
  return MapBytes(text, [](unsigned char byte) { return Cases().Lower[byte]; });
}

QByteArray UpperCase1251(const QByteArray& text) {
  return MapBytes(text, [](unsigned char byte) { return Cases().Upper[byte]; });
}

char16_t Cp1251ToUnicode(unsigned char byte) { return byte < 0x80 ? byte : kCp1251High[byte - 0x80]; }
char16_t Cp866ToUnicode(unsigned char byte) { return byte < 0x80 ? byte : kCp866High[byte - 0x80]; }

char16_t Koi8rToUnicode(unsigned char byte) { return byte < 0x80 ? byte : kKoi8rHigh[byte - 0x80]; }

QString DecodeCodePage(const QByteArray& bytes, CodePage page) {
  const TCodePageInfo& info = CodePageInfo(page);
  if (info.Units == TextUnits::Utf8) return DecodeUtf8Lossy(bytes);
  if (info.Units == TextUnits::Utf16LittleEndian) {
    QString text(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype unit = 0; unit < text.size(); ++unit) {
      const auto low = static_cast<unsigned char>(bytes[2 * unit]);
      const auto high = static_cast<unsigned char>(bytes[2 * unit + 1]);
      text[unit] = QChar(static_cast<char16_t>(low | (high << 8)));
    }
    return text;
  }
  return DecodeSingleBytes(bytes, info.ByteToUnicode);
}

QString DecodeSingleBytes(const QByteArray& bytes, char16_t (*byteToUnicode)(unsigned char byte)) {
  QString text(bytes.size(), Qt::Uninitialized);
  auto* out = text.data();
  for (qsizetype index = 0; index < bytes.size(); ++index) {
    out[index] = QChar(byteToUnicode(static_cast<unsigned char>(bytes[index])));
  }
  return text;
}

QByteArray EncodeUtf16LittleEndian(const QString& text) {
  QByteArray bytes(text.size() * 2, Qt::Uninitialized);
  for (qsizetype index = 0; index < text.size(); ++index) {
    const char16_t unit = text[index].unicode();
    bytes[2 * index] = static_cast<char>(unit & 0xFF);
    bytes[2 * index + 1] = static_cast<char>(unit >> 8);
  }
  return bytes;
}

bool UnicodeToCp1251(char16_t character, unsigned char* byte) {
  if (character < 0x80) {
    *byte = static_cast<unsigned char>(character);
    return true;
  }
  const unsigned char mapped = Reverse1251().Byte[character];
  if (mapped == 0) return false;
  *byte = mapped;
  return true;
}

namespace {

bool EncodeAs1251(const QString& text, QByteArray& bytes) {
  bytes.resize(text.size());
  bool whole = true;
  for (qsizetype index = 0; index < text.size(); ++index) {
    unsigned char byte = '?';
    if (!UnicodeToCp1251(text[index].unicode(), &byte)) whole = false;
    bytes[index] = static_cast<char>(byte);
  }
  return whole;
}

bool EncodeAs866(const QString& text, QByteArray& bytes) {
  const bool whole = EncodeAs1251(text, bytes);
  bytes = AnsiToOem(bytes);
  return whole;
}

bool EncodeAsUtf16(const QString& text, QByteArray& bytes) {
  bytes = EncodeUtf16LittleEndian(text);
  return true;
}

bool EncodeAsUtf8(const QString& text, QByteArray& bytes) {
  bytes = text.toUtf8();
  return true;
}

bool IsUtf8Text(const char* match, qsizetype length, const QString& text) {
  return QString::fromUtf8(match, length).compare(text, Qt::CaseInsensitive) == 0;
}

TSearchForms FormsIn1251(const QString& text) {
  const QByteArray bytes = EncodeCp1251(text);
  return {UpperCase1251(bytes), LowerCase1251(bytes), nullptr, {}};
}

// The case forms are taken in 1251 and then moved to their 866 places.
TSearchForms FormsIn866(const QString& text) {
  const TSearchForms forms = FormsIn1251(text);
  return {AnsiToOem(forms.Upper), AnsiToOem(forms.Lower), nullptr, {}};
}

TSearchForms FormsInUtf16(const QString& text) {
  const QString upper = text.toUpper();
  const QString lower = text.toLower();
  // Letters whose case forms differ in length (German sharp s) keep the text as typed.
  const bool sameLength = upper.size() == text.size() && lower.size() == text.size();
  return {EncodeUtf16LittleEndian(sameLength ? upper : text), EncodeUtf16LittleEndian(sameLength ? lower : text),
          nullptr, {}};
}

}  // namespace

TSearchForms Utf8SearchForms(const QString& text) {
  TSearchForms forms;
  // Mixed forms of a multi-byte letter may make another letter; ASCII cannot.
  if (std::any_of(text.begin(), text.end(), [](QChar unit) { return unit.unicode() >= 0x80; })) {
    forms.Accept = IsUtf8Text;
    forms.Text = text;
  }
  for (qsizetype index = 0; index < text.size();) {
    // A character beyond U+FFFF is a pair of units; its case stays as typed.
    const qsizetype units = text[index].isHighSurrogate() && index + 1 < text.size() ? 2 : 1;
    const QString typed = text.mid(index, units);
    const QByteArray upper = typed.toUpper().toUtf8();
    const QByteArray lower = typed.toLower().toUtf8();
    const bool sameLength = upper.size() == lower.size();
    forms.Upper += sameLength ? upper : typed.toUtf8();
    forms.Lower += sameLength ? lower : typed.toUtf8();
    index += units;
  }
  return forms;
}

std::vector<TSearchForms> FormsInEveryCodePage(const QString& text, CodePage first) {
  std::vector<TSearchForms> all;
  for (const CodePage page : {first, CodePage::Win, CodePage::Dos, CodePage::Utf8, CodePage::Ucode}) {
    const TCodePageInfo& info = CodePageInfo(page);
    QByteArray bytes;
    if (text.isEmpty() || !info.Encode(text, bytes)) continue;
    TSearchForms forms = info.SearchForms(text);
    if (std::find(all.begin(), all.end(), forms) == all.end()) all.push_back(std::move(forms));
  }
  return all;
}

QByteArray EncodeCp1251(const QString& text) {
  QByteArray bytes;
  EncodeAs1251(text, bytes);
  return bytes;
}

const TCodePageInfo& CodePageInfo(CodePage page) {
  static const TCodePageInfo win{CodePage::Win,    QStringLiteral("WIN"), QStringLiteral("UTF-8 DOS"),
                                 CodePage::Dos,    TextUnits::Bytes,      Cp1251ToUnicode,
                                 EncodeAs1251,     FormsIn1251};
  static const TCodePageInfo dos{CodePage::Dos,    QStringLiteral("DOS"), QStringLiteral("WIN UCODE"),
                                 CodePage::Ucode,  TextUnits::Bytes,      Cp866ToUnicode,
                                 EncodeAs866,      FormsIn866};
  static const TCodePageInfo ucode{CodePage::Ucode, QStringLiteral("UCODE"), QStringLiteral("DOS UTF-8"),
                                   CodePage::Utf8,  TextUnits::Utf16LittleEndian, nullptr,
                                   EncodeAsUtf16,   FormsInUtf16};
  static const TCodePageInfo utf8{CodePage::Utf8, QStringLiteral("UTF-8"), QStringLiteral("UCODE WIN"),
                                  CodePage::Win,  TextUnits::Utf8,           nullptr,
                                  EncodeAsUtf8,   Utf8SearchForms};
  switch (page) {
    case CodePage::Win: return win;
    case CodePage::Dos: return dos;
    case CodePage::Ucode: return ucode;
    case CodePage::Utf8: return utf8;
  }
  return win;
}

}  // namespace zarn
