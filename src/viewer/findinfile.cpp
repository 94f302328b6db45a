#include "viewer/findinfile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <utility>

#include "viewer/codepages.h"
#include "viewer/fileaccess.h"

// The file is read in blocks of 32 chunks of 8192 bytes (fewer, larger reads
// cost far less than the search itself). The last (length - 1) bytes of the
// data seen so far are carried to the front of the buffer before the next read,
// so a match across a block boundary is found, and texts of any length are
// searched whole. Candidates are found with memchr for the two case forms of
// the text's rarest byte (by the usual frequency of bytes in text), so the
// scan runs at memchr's speed over most files; texts of 32 bytes or more skip
// through the data with Horspool's table built over both case forms instead.

namespace zarn {
namespace {

constexpr qint64 kChunkBytes = 8192;
constexpr qint64 kReadBytes = 32 * kChunkBytes;
constexpr qint64 kBytesBetweenEvents = 101 * kChunkBytes;
constexpr qsizetype kSkipFromLength = 32;
constexpr qint64 kPageBytes = 4096;

// How common a byte is in text, 0 (rare) to 255: letters by their frequency in
// English, Cyrillic letters, digits, blanks, line ends and NUL (binary files).
int Commonness(unsigned char byte) {
  static const std::array<unsigned char, 256> table = [] {
    std::array<unsigned char, 256> made{};
    made.fill(10);
    const char* byFrequency = "etaoinshrdlcumwfgypbvkjxqz";
    for (int rank = 0; byFrequency[rank] != 0; ++rank) {
      const auto letter = static_cast<unsigned char>(byFrequency[rank]);
      made[letter] = static_cast<unsigned char>(250 - 9 * rank);
      made[letter - 0x20] = static_cast<unsigned char>(90 - 3 * rank);
    }
    for (int byte = 0xE0; byte <= 0xFF; ++byte) made[byte] = 140;
    for (int byte = 0xC0; byte <= 0xDF; ++byte) made[byte] = 60;
    for (int byte = '0'; byte <= '9'; ++byte) made[byte] = 100;
    for (const unsigned char byte : {' ', '\n', '\r', '.', ',', '\0', '\x04'}) made[byte] = 230;
    return made;
  }();
  return table[byte];
}

// Byte i of a match equals Upper[i] or Lower[i], and Accept, when there is
// one, takes the bytes for the text.
struct TCaseForms {
  explicit TCaseForms(const TSearchForms& forms)
      : Upper(forms.Upper), Lower(forms.Lower), Accept(forms.Accept), Text(forms.Text) {
    const qint64 length = Upper.size();
    Shift.fill(length);
    for (qint64 index = 0; index + 1 < length; ++index) {
      Shift[static_cast<unsigned char>(Upper[index])] = length - 1 - index;
      Shift[static_cast<unsigned char>(Lower[index])] = length - 1 - index;
    }
    int rarest = 1000;
    for (qsizetype index = 0; index < Upper.size(); ++index) {
      const auto upper = static_cast<unsigned char>(Upper[index]);
      const auto lower = static_cast<unsigned char>(Lower[index]);
      const int commonness = Commonness(upper) + (upper == lower ? 0 : Commonness(lower));
      if (commonness < rarest) {
        rarest = commonness;
        RarePosition = index;
      }
    }
  }
  bool MatchesFrom(const char* data, qsizetype first) const {
    for (qsizetype index = first; index < Upper.size(); ++index) {
      if (data[index] != Upper[index] && data[index] != Lower[index]) return false;
    }
    return Accept == nullptr || Accept(data, Upper.size(), Text);
  }
  QByteArray Upper;
  QByteArray Lower;
  bool (*Accept)(const char* match, qsizetype length, const QString& text);
  QString Text;
  std::array<qint64, 256> Shift{};
  qsizetype RarePosition = 0;  // the byte candidates are looked for by
};

class TCandidateScanner {
 public:
  TCandidateScanner(const char* data, qint64 end, char upper, char lower)
      : Data_(data), End_(end), Upper_(upper), Lower_(lower) {}

  // The next position at or after `from` below the end holding either form, or -1.
  qint64 Next(qint64 from) {
    if (from >= End_) return -1;
    if (Upper_ == Lower_) return Find(Upper_, from);
    if (NextUpper_ != -1 && NextUpper_ < from) NextUpper_ = -2;
    if (NextLower_ != -1 && NextLower_ < from) NextLower_ = -2;
    if (NextUpper_ == -2) NextUpper_ = Find(Upper_, from);
    if (NextLower_ == -2) NextLower_ = Find(Lower_, from);
    if (NextUpper_ == -1) return NextLower_;
    if (NextLower_ == -1) return NextUpper_;
    return std::min(NextUpper_, NextLower_);
  }

 private:
  qint64 Find(char byte, qint64 from) const {
    const void* hit = std::memchr(Data_ + from, byte, static_cast<size_t>(End_ - from));
    return hit ? static_cast<const char*>(hit) - Data_ : -1;
  }

  const char* Data_;
  qint64 End_;
  char Upper_;
  char Lower_;
  qint64 NextUpper_ = -2;  // -2: not looked for yet, -1: none left
  qint64 NextLower_ = -2;
};

qint64 FindByRareByte(const char* data, qint64 lastStart, const TCaseForms& forms) {
  const qsizetype rare = forms.RarePosition;
  TCandidateScanner scanner(data + rare, lastStart + 1, forms.Upper[rare], forms.Lower[rare]);
  for (qint64 position = scanner.Next(0); position != -1; position = scanner.Next(position + 1)) {
    if (forms.MatchesFrom(data + position, 0)) return position;
  }
  return -1;
}

qint64 FindBySkipping(const char* data, qint64 lastStart, const TCaseForms& forms) {
  const qsizetype last = forms.Upper.size() - 1;
  const char upperLast = forms.Upper[last];
  const char lowerLast = forms.Lower[last];
  for (qint64 position = 0; position <= lastStart;) {
    const char byte = data[position + last];
    if ((byte == upperLast || byte == lowerLast) && forms.MatchesFrom(data + position, 0)) return position;
    position += forms.Shift[static_cast<unsigned char>(byte)];
  }
  return -1;
}

// The first match start in data[0, filled - length], or -1.
qint64 FindInBuffer(const char* data, qint64 filled, const TCaseForms& forms) {
  const qint64 lastStart = filled - forms.Upper.size();
  if (lastStart < 0) return -1;
  if (forms.Upper.size() >= kSkipFromLength) return FindBySkipping(data, lastStart, forms);
  return FindByRareByte(data, lastStart, forms);
}

// Forms whose rarest bytes are the same pair (a Latin text and its UTF-16
// units) share one scan for that byte.
struct TFormGroup {
  char Upper = 0;
  char Lower = 0;
  std::vector<const TCaseForms*> Forms;
  qsizetype MaxRarePosition = 0;
};

std::vector<TFormGroup> GroupForms(const std::vector<TCaseForms>& all) {
  std::vector<TFormGroup> groups;
  for (const TCaseForms& forms : all) {
    const char upper = forms.Upper[forms.RarePosition];
    const char lower = forms.Lower[forms.RarePosition];
    auto group = std::find_if(groups.begin(), groups.end(), [&](const TFormGroup& each) {
      return forms.Upper.size() < kSkipFromLength && each.Upper == upper && each.Lower == lower;
    });
    if (group == groups.end() || forms.Upper.size() >= kSkipFromLength) {
      groups.push_back({upper, lower, {}, 0});
      group = groups.end() - 1;
    }
    group->Forms.push_back(&forms);
    group->MaxRarePosition = std::max(group->MaxRarePosition, forms.RarePosition);
  }
  return groups;
}

// The first match start of a group's forms in data[0, filled), or -1.
qint64 FindGroupInBuffer(const char* data, qint64 filled, const TFormGroup& group) {
  if (group.Forms.size() == 1) return FindInBuffer(data, filled, *group.Forms.front());
  TCandidateScanner scanner(data, filled, group.Upper, group.Lower);
  qint64 best = -1;
  for (qint64 rare = scanner.Next(0); rare != -1; rare = scanner.Next(rare + 1)) {
    // Every later candidate starts a match after the best one.
    if (best != -1 && rare - group.MaxRarePosition > best) break;
    for (const TCaseForms* forms : group.Forms) {
      const qint64 start = rare - forms->RarePosition;
      if (start < 0 || start + forms->Upper.size() > filled || (best != -1 && start >= best)) continue;
      if (forms->MatchesFrom(data + start, 0)) best = start;
    }
  }
  return best;
}

// The first start of a match of any of the forms, or -1. The buffer is small
// enough to stay in the processor's cache while every group looks through it.
qint64 FindAnyInBuffer(const char* data, qint64 filled, const std::vector<TFormGroup>& groups) {
  qint64 first = -1;
  for (const TFormGroup& group : groups) {
    const qint64 found = FindGroupInBuffer(data, filled, group);
    if (found != -1 && (first == -1 || found < first)) first = found;
  }
  return first;
}

bool Searchable(const TSearchForms& forms) { return !forms.Upper.isEmpty() && forms.Upper.size() == forms.Lower.size(); }

qint64 RoundUpToPage(qint64 bytes) { return (bytes + kPageBytes - 1) / kPageBytes * kPageBytes; }

// A file smaller than one block is read into a buffer just large enough for it
// and the read that meets its end; a file that reports no size may still hold
// text, as /proc files do.
qint64 ReadBytesFor(quint64 reportedSize) {
  if (reportedSize == 0 || reportedSize >= quint64(kReadBytes)) return kReadBytes;
  return std::min(kReadBytes, RoundUpToPage(qint64(reportedSize) + 1));
}

// A file is searched as far as its size at the open, so a small file takes one
// read and not a second one that finds nothing; a file that reports no size
// (the /proc kind) is read to its end.
qint64 BytesToRead(const TRegularFile& file, qint64 offset, qint64 capacity) {
  const auto size = qint64(file.ReportedSize());
  return size > offset ? std::min(capacity, size - offset) : capacity;
}

bool AtReportedEnd(const TRegularFile& file, qint64 offset) {
  return file.ReportedSize() > 0 && offset == qint64(file.ReportedSize());
}

bool Stopped(const FindProgress& progress) {
  return progress.Stop != nullptr && progress.Stop->load(std::memory_order_relaxed);
}

}  // namespace

ErrorOr<qint64> FindFormsInFile(const QString& path, const TSearchForms& forms, qint64 start,
                                const FindProgress& progress) {
  if (path.isEmpty() || !Searchable(forms)) return qint64(-1);
  auto opened = TRegularFile::Open(path);
  if (opened.IsError()) return opened.Error();
  return FindAnyFormInOpenFile(opened.Value(), {forms}, start, progress);
}

ErrorOr<qint64> FindCaseFormsInFile(const QString& path, const QByteArray& upper, const QByteArray& lower,
                                    qint64 start, const FindProgress& progress) {
  return FindFormsInFile(path, TSearchForms{upper, lower, nullptr, {}}, start, progress);
}

ErrorOr<qint64> FindAnyFormInOpenFile(const TRegularFile& file, const std::vector<TSearchForms>& wanted,
                                      qint64 start, const FindProgress& progress) {
  std::vector<TCaseForms> all;
  qint64 length = 0;
  for (const TSearchForms& forms : wanted) {
    if (!Searchable(forms)) continue;
    all.emplace_back(forms);
    length = std::max<qint64>(length, forms.Upper.size());
  }
  if (all.empty()) return qint64(-1);
  const std::vector<TFormGroup> groups = GroupForms(all);
  // New data is read to a page-aligned place behind room for the carried bytes:
  // the kernel copies to an aligned buffer several times faster.
  const qint64 room = RoundUpToPage(length - 1);
  const qint64 readBytes = ReadBytesFor(file.ReportedSize());
  // Not zeroed: a search of many small files would spend its time clearing buffers.
  const auto storage = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(room + readBytes + kPageBytes));
  const auto address = reinterpret_cast<std::uintptr_t>(storage.get());
  char* readPlace = storage.get() + (kPageBytes - address % kPageBytes) % kPageBytes + room;
  qint64 readOffset = std::max<qint64>(start, 0);  // file offset of readPlace[0]
  qint64 carried = 0;
  qint64 sinceEvents = 0;
  for (;;) {
    auto got = file.ReadInto(static_cast<quint64>(readOffset), readPlace, BytesToRead(file, readOffset, readBytes));
    if (got.IsError()) return got.Error();
    if (got.Value() == 0 || Stopped(progress)) return qint64(-1);
    const char* data = readPlace - carried;
    const qint64 filled = carried + got.Value();
    const qint64 found = FindAnyInBuffer(data, filled, groups);
    if (found != -1) return readOffset - carried + found;
    if (AtReportedEnd(file, readOffset + got.Value())) return qint64(-1);
    for (sinceEvents += got.Value(); sinceEvents >= kBytesBetweenEvents; sinceEvents -= kBytesBetweenEvents) {
      if (progress.ProcessEvents) progress.ProcessEvents();
      if (Stopped(progress)) return qint64(-1);
    }
    const qint64 keep = std::min(filled, length - 1);
    std::memmove(readPlace - keep, data + filled - keep, static_cast<size_t>(keep));
    carried = keep;
    readOffset += got.Value();
  }
}

ErrorOr<qint64> FindInFileOrError(const QString& path, const QByteArray& text, qint64 start,
                                  const FindProgress& progress) {
  return FindCaseFormsInFile(path, UpperCase1251(text), LowerCase1251(text), start, progress);
}

ErrorOr<qint64> FindTextInFile(const QString& path, const QString& text, CodePage page, qint64 start,
                               const FindProgress& progress) {
  return FindFormsInFile(path, CodePageInfo(page).SearchForms(text), start, progress);
}

qint64 FindInFile(const QString& path, const QByteArray& text, qint64 start, const FindProgress& progress) {
  auto result = FindInFileOrError(path, text, start, progress);
  return result.IsError() ? -1 : result.Value();
}

}  // namespace zarn
