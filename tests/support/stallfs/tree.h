#pragma once
// The fixed tree the test file system serves, shared by its server and by the
// tests that check what they read from it. Plain C++: the server links libfuse
// only.
//
//   docs/          folder
//   docs/a.txt     ATextContent
//   docs/sub/      empty folder
//   big.bin        BigSize bytes, byte i is BigByte(i)
//   empty          0 bytes

#include <cstdint>
#include <ctime>
#include <string_view>

namespace zarn::test::stallfs {

// The type name the mount table shows ("fuse." + this) and its source.
inline constexpr std::string_view FileSystemName = "zarn_stallfs";

inline constexpr std::string_view ATextContent = "The known text of docs/a.txt.\n";
inline constexpr std::int64_t BigSize = 4 * 1024 * 1024;

// Differs from page to page as well as from byte to byte, so a block served at
// the wrong offset does not go unnoticed.
inline constexpr unsigned char BigByte(std::int64_t offset) {
  return static_cast<unsigned char>((offset * 31 + offset / 4096) % 251);
}

// Every entry's modification, access and change time: 2021-03-04 05:06:07 UTC.
inline constexpr std::time_t EntryTime = 1614834367;

// What statvfs answers: a 1 GiB volume with a quarter free.
inline constexpr unsigned long BlockSize = 4096;
inline constexpr unsigned long TotalBlocks = 262144;
inline constexpr unsigned long FreeBlocks = 65536;
inline constexpr unsigned long TotalFiles = 1000;
inline constexpr unsigned long FreeFiles = 994;

}  // namespace zarn::test::stallfs
