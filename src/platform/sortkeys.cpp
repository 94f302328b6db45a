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

int SortKeys::Compare(std::size_t i, std::size_t j) const {
  const std::uint32_t aStart = Offsets_[i], aLength = Offsets_[i + 1] - aStart;
  const std::uint32_t bStart = Offsets_[j], bLength = Offsets_[j + 1] - bStart;
  const int order = std::memcmp(Bytes_.data() + aStart, Bytes_.data() + bStart, std::min(aLength, bLength));
  if (order != 0) return order;
  return aLength < bLength ? -1 : (aLength > bLength ? 1 : 0);
}

std::vector<std::uint32_t> SortKeys::SortedOrder() const {
  std::vector<std::uint32_t> order(Count());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [this](std::uint32_t a, std::uint32_t b) { return Compare(a, b) < 0; });
  return order;
}

void AppendBigEndian(std::string& key, std::uint64_t value) {
  for (int shift = 56; shift >= 0; shift -= 8) key.push_back(char((value >> shift) & 0xFF));
}

}  // namespace zarn
