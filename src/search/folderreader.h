#pragma once
// Reads the entries of one folder straight from the file system (getdents64 on
// a directory descriptor), names as bytes, "." and ".." included, in the order
// the file system gives them. QDir is not used: it drops names that are not
// UTF-8. Qt Core only; one reader per thread, reusable for folder after folder.

#include <QByteArray>

#include <memory>

namespace zarn {

enum class EntryType : unsigned char { Folder, File, Link, Other, Unknown };

struct TFolderEntry {
  const char* Name = nullptr;  // valid until the next call of Next or Open
  qsizetype Length = 0;
  EntryType Type = EntryType::Unknown;  // as the listing reports it (Unknown on some file systems)
};

enum class LinkPolicy { Follow, DoNotFollow };

class TFolderReader {
 public:
  TFolderReader();
  ~TFolderReader();
  TFolderReader(const TFolderReader&) = delete;
  TFolderReader& operator=(const TFolderReader&) = delete;

  // Opens `path` (bytes; empty means "/"). With DoNotFollow a link in place of
  // the folder is refused. False with Error() set when it cannot be opened.
  bool Open(const QByteArray& path, LinkPolicy links);
  // The next entry, or false at the end (or on a read error, with Error() set).
  bool Next(TFolderEntry& entry);
  void Close();

  // The descriptor of the open folder, for fstatat on its entries.
  int Descriptor() const { return Descriptor_; }
  // errno of the last failure, 0 when none.
  int Error() const { return Error_; }

  // What an entry is, asking the file system when the listing did not say:
  // with Follow a link reports what it points to (Other when it dangles).
  EntryType ResolveType(const TFolderEntry& entry, LinkPolicy links) const;
  // Device and inode of the open folder; false when fstat fails.
  bool Identity(quint64* device, quint64* inode) const;

 private:
  bool Fill();
  int Descriptor_ = -1;
  int Error_ = 0;
  std::unique_ptr<char[]> Buffer_;
  long Filled_ = 0;
  long Position_ = 0;
};

// True for names that begin with "." (hidden on Linux; "." and ".." too).
inline bool IsHiddenName(const char* name, qsizetype length) { return length > 0 && name[0] == '.'; }

}  // namespace zarn
