// The viewer's page builders on any bytes: hex lines, text pages and whole
// texts in every code page, with the shape of every hex line checked, and the
// cuts of UTF-8 pages between characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include <algorithm>

#include "viewer/pagetext.h"
#include "viewer/utf8text.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void CheckHexLines(const QByteArray& bytes, quint64 offset, zarn::CodePage page) {
  const QStringList lines = zarn::HexPageLines(bytes, offset, page);
  Check(lines.size() == (bytes.size() + 15) / 16);
  for (const QString& line : lines) {
    Check(!line.contains(QLatin1Char('\n')));
    const qsizetype colon = line.indexOf(QLatin1String(": "));
    Check(colon >= 8);
    // Offset, ": ", 48 characters of hex column, "| ".
    Check(line.mid(colon + 2 + 48, 2) == QLatin1String("| "));
  }
}

void CheckUtf8Cuts(const QByteArray& bytes) {
  Check(zarn::Utf8ByteCells(bytes, false).size() == bytes.size());
  Check(zarn::Utf8ByteCells(bytes, true).size() == bytes.size());
  Check(zarn::DecodeUtf8Lossy(bytes).size() <= 2 * bytes.size());
  for (qsizetype begin = 0; begin <= std::min<qsizetype>(bytes.size(), 4); ++begin) {
    for (const bool atEnd : {false, true}) {
      const zarn::TUtf8Slice slice = zarn::WholeCharacters(bytes, begin, atEnd);
      Check(slice.Begin <= begin && slice.Begin >= begin - 3 && slice.Begin <= slice.End);
      Check(slice.End <= bytes.size() && (!atEnd || slice.End == bytes.size()));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 70000) return 0;
  const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  // The first eight bytes (when present) choose the file offset of the page.
  quint64 offset = 0;
  for (size_t index = 0; index < 8 && index < size; ++index) offset = (offset << 8) | data[index];
  CheckUtf8Cuts(bytes);
  for (const auto page : {zarn::CodePage::Win, zarn::CodePage::Dos, zarn::CodePage::Ucode, zarn::CodePage::Utf8}) {
    CheckHexLines(bytes, offset & ~quint64(0xF), page);
    const QString text = zarn::TextPageText(bytes, page);
    Check(!text.contains(QLatin1Char('\r')));
    const QString whole = zarn::WholeFileText(bytes, page);
    Check(!whole.contains(QChar(0)));
  }
  return 0;
}
