#include "viewer/findinfile.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "viewer/codepages.h"
#include "viewer/fileaccess.h"

// The file is read in chunks of 8192 bytes. The last (length - 1) bytes of the
// data seen so far are carried to the front of the buffer before the next read,
// so a match across a chunk boundary is found, and texts of any length (also
// longer than a chunk) are searched whole. Candidates are found with memchr for
// the two case forms of the first byte; only they are compared further.

namespace zarn {
namespace {

constexpr qint64 kChunkBytes = 8192;
constexpr int kChunksBetweenEvents = 101;

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

bool MatchesAt(const char* data, const QByteArray& upper, const QByteArray& lower) {
  for (qsizetype index = 1; index < upper.size(); ++index) {
    if (data[index] != upper[index] && data[index] != lower[index]) return false;
  }
  return true;
}

// The first match start in data[0, filled - length], or -1.
qint64 FindInBuffer(const char* data, qint64 filled, const QByteArray& upper, const QByteArray& lower) {
  const qint64 lastStart = filled - upper.size();
  if (lastStart < 0) return -1;
  TCandidateScanner scanner(data, lastStart + 1, upper[0], lower[0]);
  for (qint64 position = scanner.Next(0); position != -1; position = scanner.Next(position + 1)) {
    if (MatchesAt(data + position, upper, lower)) return position;
  }
  return -1;
}

bool Stopped(const FindProgress& progress) {
  return progress.Stop != nullptr && progress.Stop->load(std::memory_order_relaxed);
}

}  // namespace

ErrorOr<qint64> FindCaseFormsInFile(const QString& path, const QByteArray& upper, const QByteArray& lower,
                                    qint64 start, const FindProgress& progress) {
  if (path.isEmpty() || upper.isEmpty() || upper.size() != lower.size()) return qint64(-1);
  auto opened = TRegularFile::Open(path);
  if (opened.IsError()) return opened.Error();
  const TRegularFile file = opened.TakeValue();
  const qint64 length = upper.size();
  std::vector<char> buffer(static_cast<size_t>(length - 1 + kChunkBytes));
  qint64 bufferStart = std::max<qint64>(start, 0);  // file offset of buffer[0]
  qint64 carried = 0;
  int chunks = 0;
  for (;;) {
    auto got = file.ReadInto(static_cast<quint64>(bufferStart + carried), buffer.data() + carried, kChunkBytes);
    if (got.IsError()) return got.Error();
    if (got.Value() == 0 || Stopped(progress)) return qint64(-1);
    const qint64 filled = carried + got.Value();
    const qint64 found = FindInBuffer(buffer.data(), filled, upper, lower);
    if (found != -1) return bufferStart + found;
    if (++chunks >= kChunksBetweenEvents) {
      chunks = 0;
      if (progress.ProcessEvents) progress.ProcessEvents();
      if (Stopped(progress)) return qint64(-1);
    }
    carried = std::min(filled, length - 1);
    std::memmove(buffer.data(), buffer.data() + filled - carried, static_cast<size_t>(carried));
    bufferStart += filled - carried;
  }
}

ErrorOr<qint64> FindInFileOrError(const QString& path, const QByteArray& text, qint64 start,
                                  const FindProgress& progress) {
  return FindCaseFormsInFile(path, UpperCase1251(text), LowerCase1251(text), start, progress);
}

namespace {

QByteArray Utf16LittleEndian(const QString& text) {
  QByteArray bytes(text.size() * 2, Qt::Uninitialized);
  for (qsizetype index = 0; index < text.size(); ++index) {
    const char16_t unit = text[index].unicode();
    bytes[2 * index] = static_cast<char>(unit & 0xFF);
    bytes[2 * index + 1] = static_cast<char>(unit >> 8);
  }
  return bytes;
}

}  // namespace

ErrorOr<qint64> FindTextInFile(const QString& path, const QString& text, CodePage page, qint64 start,
                               const FindProgress& progress) {
  if (page == CodePage::Ucode) {
    const QString upper = text.toUpper();
    const QString lower = text.toLower();
    // Letters whose case forms differ in length (German sharp s) keep the text as typed.
    const bool sameLength = upper.size() == text.size() && lower.size() == text.size();
    return FindCaseFormsInFile(path, Utf16LittleEndian(sameLength ? upper : text),
                               Utf16LittleEndian(sameLength ? lower : text), start, progress);
  }
  const QByteArray bytes = EncodeCp1251(text);
  if (page == CodePage::Dos) {
    return FindCaseFormsInFile(path, AnsiToOem(UpperCase1251(bytes)), AnsiToOem(LowerCase1251(bytes)), start,
                               progress);
  }
  return FindInFileOrError(path, bytes, start, progress);
}

qint64 FindInFile(const QString& path, const QByteArray& text, qint64 start, const FindProgress& progress) {
  auto result = FindInFileOrError(path, text, start, progress);
  return result.IsError() ? -1 : result.Value();
}

}  // namespace zarn
