#include "platform/sortkeys.h"

#include <QLocale>

#include <unicode/ucol.h>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <numeric>

namespace zarn {
namespace {

// The ICU locale of the user's collation setting; the root collation for the
// C and POSIX locales.
QByteArray CollationLocale() {
  const char* setting = std::setlocale(LC_COLLATE, nullptr);
  QByteArray name = setting ? QByteArray(setting) : QByteArray();
  if (name.isEmpty() || name == "C" || name == "POSIX" || name.startsWith("C.")) {
    const QString system = QLocale::system().name();
    name = (system == QLatin1String("C")) ? QByteArray() : system.toLatin1();
  }
  const qsizetype dot = name.indexOf('.');
  if (dot >= 0) name.truncate(dot);
  if (name == "C" || name == "POSIX") name.clear();
  return name;
}

}  // namespace

struct NameCollator::Impl {
  UCollator* Collator = nullptr;
  std::vector<uint8_t> Buffer = std::vector<uint8_t>(256);
};

NameCollator::NameCollator() : Impl_(std::make_unique<Impl>()) {
  UErrorCode status = U_ZERO_ERROR;
  const QByteArray locale = CollationLocale();
  Impl_->Collator = ucol_open(locale.constData(), &status);
  if (U_FAILURE(status)) {
    status = U_ZERO_ERROR;
    Impl_->Collator = ucol_open("", &status);
  }
  if (Impl_->Collator) {
    // Secondary strength ignores case; numeric collation orders digit runs by value.
    ucol_setStrength(Impl_->Collator, UCOL_SECONDARY);
    status = U_ZERO_ERROR;
    ucol_setAttribute(Impl_->Collator, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
  }
}

NameCollator::~NameCollator() {
  if (Impl_->Collator) ucol_close(Impl_->Collator);
}

void NameCollator::AppendKey(const QString& text, std::string& out) {
  if (!Impl_->Collator) {
    const QByteArray folded = text.toCaseFolded().toUtf8();
    out.append(folded.constData(), size_t(folded.size()));
    out.push_back('\0');
    return;
  }
  const auto* units = reinterpret_cast<const UChar*>(text.utf16());
  auto& buffer = Impl_->Buffer;
  int32_t length = ucol_getSortKey(Impl_->Collator, units, int32_t(text.size()), buffer.data(), int32_t(buffer.size()));
  if (length > int32_t(buffer.size())) {
    buffer.resize(size_t(length));
    length = ucol_getSortKey(Impl_->Collator, units, int32_t(text.size()), buffer.data(), int32_t(buffer.size()));
  }
  // ICU keys end with their own 0 byte and hold none inside.
  out.append(reinterpret_cast<const char*>(buffer.data()), size_t(length));
}

void SortKeys::Reserve(std::size_t items, std::size_t bytes) {
  Offsets_.reserve(items + 1);
  Bytes_.reserve(bytes);
}

void SortKeys::Add(const std::string& key) {
  Bytes_.append(key);
  Offsets_.push_back(std::uint32_t(Bytes_.size()));
}

int SortKeys::Compare(const SortKeys& a, std::size_t i, const SortKeys& b, std::size_t j) {
  const std::uint32_t aStart = a.Offsets_[i], aLength = a.Offsets_[i + 1] - aStart;
  const std::uint32_t bStart = b.Offsets_[j], bLength = b.Offsets_[j + 1] - bStart;
  const int order = std::memcmp(a.Bytes_.data() + aStart, b.Bytes_.data() + bStart, std::min(aLength, bLength));
  if (order != 0) return order;
  return aLength < bLength ? -1 : (aLength > bLength ? 1 : 0);
}

std::size_t SortKeys::CommonPrefixLength() const {
  const std::size_t count = Count();
  if (count == 0) return 0;
  std::size_t common = Offsets_[1];
  const char* first = Bytes_.data();
  for (std::size_t i = 1; i < count && common > 0; ++i) {
    const char* key = Bytes_.data() + Offsets_[i];
    common = std::min<std::size_t>(common, Offsets_[i + 1] - Offsets_[i]);
    common = std::size_t(std::mismatch(first, first + common, key).first - first);
  }
  return common;
}

std::uint64_t SortKeys::Head(std::size_t i, std::size_t skip) const {
  const std::uint32_t start = Offsets_[i] + std::uint32_t(skip);
  const std::uint32_t end = std::min<std::uint32_t>(Offsets_[i + 1], start + 8);
  std::uint64_t head = 0;
  for (std::uint32_t at = start; at < start + 8; ++at) {
    head = (head << 8) | (at < end ? std::uint8_t(Bytes_[at]) : 0u);
  }
  return head;
}

// Comparing keys in place means a cache miss or two per comparison; most
// comparisons are settled by eight key bytes kept beside each position, taken
// after the prefix all keys share (the folder flag, a common name start).
std::vector<std::uint32_t> SortKeys::SortedOrder() const {
  struct Entry {
    std::uint64_t Head;
    std::uint32_t Position;
  };
  const std::size_t skip = CommonPrefixLength();
  std::vector<Entry> entries(Count());
  for (std::size_t i = 0; i < entries.size(); ++i) entries[i] = {Head(i, skip), std::uint32_t(i)};
  std::sort(entries.begin(), entries.end(), [this](const Entry& a, const Entry& b) {
    if (a.Head != b.Head) return a.Head < b.Head;
    return Compare(a.Position, b.Position) < 0;
  });
  std::vector<std::uint32_t> order(entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) order[i] = entries[i].Position;
  return order;
}

void AppendNameKey(NameCollator& collator, const QString& displayName, const QByteArray& rawName, std::string& key) {
  collator.AppendKey(displayName, key);
  key.append(rawName.constData(), size_t(rawName.size()));
}

void AppendBigEndian(std::string& key, std::uint64_t value) {
  for (int shift = 56; shift >= 0; shift -= 8) key.push_back(char((value >> shift) & 0xFF));
}

}  // namespace zarn
