#pragma once
// Sort keys for listings. A listing of a million names must sort fast, so every
// item gets one byte key, computed once, and items are ordered by comparing keys
// bytewise; there is no locale comparison per pair.
//
// Names collate in the user's locale (ICU), case-insensitively, with numbers in
// names in natural order (file2 before file10) in every locale, LANG=C included.
// Keys end with the name's raw bytes, so names that collate equal (A0, A00,
// "a" and "A") still get a fixed order.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zarn {

// One ICU collator for the user's locale; not thread-safe, cheap to create.
class NameCollator {
 public:
  NameCollator();
  ~NameCollator();
  NameCollator(const NameCollator&) = delete;
  NameCollator& operator=(const NameCollator&) = delete;

  // Appends the collation key of `text` (no zero bytes inside) and a 0 byte.
  void AppendKey(const QString& text, std::string& out);

 private:
  struct Impl;
  std::unique_ptr<Impl> Impl_;
};

// Keys of many items in one block, so that a million keys cost two allocations.
class SortKeys {
 public:
  void Reserve(std::size_t items, std::size_t bytes);
  // Appends one finished key.
  void Add(const std::string& key);
  std::size_t Count() const { return Offsets_.empty() ? 0 : Offsets_.size() - 1; }
  // Negative, zero or positive as key i orders before, with or after key j.
  int Compare(std::size_t i, std::size_t j) const { return Compare(*this, i, *this, j); }
  // The same for key i of `a` and key j of `b`.
  static int Compare(const SortKeys& a, std::size_t i, const SortKeys& b, std::size_t j);
  // The item positions in ascending key order.
  std::vector<std::uint32_t> SortedOrder() const;

 private:
  // The length of the prefix every key shares.
  std::size_t CommonPrefixLength() const;
  // Key bytes [skip, skip + 8) of key i as a big-endian number, 0 past the key's end.
  std::uint64_t Head(std::size_t i, std::size_t skip) const;

  std::string Bytes_;
  std::vector<std::uint32_t> Offsets_{0};
};

// The name part of every listing's key: the collation key of the name as
// shown, then its raw bytes, so that names collating equal keep a fixed order.
// The main list, the tree and the second panel all order names by it.
void AppendNameKey(NameCollator& collator, const QString& displayName, const QByteArray& rawName, std::string& key);

// Helpers for composing keys.
void AppendBigEndian(std::string& key, std::uint64_t value);
// Maps a signed value to an unsigned one of the same order.
inline std::uint64_t OrderedBits(std::int64_t value) { return std::uint64_t(value) ^ (std::uint64_t(1) << 63); }

}  // namespace zarn
