#pragma once
// The shell namespace: the tree of everything the program can browse, named by
// identifier lists (platform/idlist.h).
//
//   desktop (the empty list)
//   ├── the user's home folder          -> its file-system folders and files
//   └── "Компьютер" (the computer)      -> the mounted volumes
//                                           -> file-system folders and files
//                                              -> an archive opened as a folder
//                                                 -> its folders and files
//
// A child identifier holds one item: a kind byte and the item's raw name bytes
// (a volume's and the home folder's items hold their absolute path). Names are
// kept as bytes, so names that are not valid UTF-8 are listed, navigated and
// opened by their true bytes. Parsing a path always descends from the volume
// "/" component by component, so going up from /home/user lists /home, then /,
// then the computer's volumes.
//
// Folders are listed through the folder walker (platform/folderwalk.h), not
// with QDir, which silently drops names that are not valid UTF-8.

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/errors.h"
#include "platform/idlist.h"
#include "platform/sortkeys.h"

namespace zarn {

// Enumeration flags.
inline constexpr std::uint32_t SHCONTF_FOLDERS = 0x20;
inline constexpr std::uint32_t SHCONTF_NONFOLDERS = 0x40;
inline constexpr std::uint32_t SHCONTF_INCLUDEHIDDEN = 0x80;
// Attribute bits of GetAttributesOf.
inline constexpr std::uint32_t SFGAO_FOLDER = 0x20000000;
inline constexpr std::uint32_t SFGAO_FILESYSTEM = 0x40000000;
// Name forms of GetDisplayNameOf.
inline constexpr std::uint32_t SHGDN_NORMAL = 0;
inline constexpr std::uint32_t SHGDN_FORPARSING = 0x8000;
// File attribute bits of the find data.
inline constexpr std::uint32_t FILE_ATTRIBUTE_READONLY = 0x01;
inline constexpr std::uint32_t FILE_ATTRIBUTE_HIDDEN = 0x02;
inline constexpr std::uint32_t FILE_ATTRIBUTE_SYSTEM = 0x04;
inline constexpr std::uint32_t FILE_ATTRIBUTE_DIRECTORY = 0x10;
inline constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
// Sort columns of CompareIDs.
inline constexpr int SortByName = 0;
inline constexpr int SortBySize = 1;
inline constexpr int SortByType = 2;
inline constexpr int SortByModified = 3;

// The computer's parsing name: what the path box shows for the volume list and
// what ParseDisplayName accepts back.
inline const QString ComputerParsingName = QStringLiteral("computer:///");
inline const QString ComputerDisplayName = QStringLiteral("Компьютер");
inline const QString HomeDisplayName = QStringLiteral("Домашняя папка");

enum class ItemKind : std::uint8_t {
  Home = 'H',
  Computer = 'C',
  Volume = 'V',
  Folder = 'D',
  FolderLink = 'L',  // a symbolic link to a folder: browsable
  File = 'F',        // everything else: files, links to files, dangling links, FIFOs, devices
  Archive = 'A',        // an archive file (or an archive inside one) opened as a folder
  ArchiveFolder = 'a',  // a folder inside an archive
  ArchiveFile = 'f',    // anything else inside an archive
};

// The kind and the name bytes of a child identifier's first item.
ItemKind ChildKind(ConstItemIdList child);
QByteArray ChildNameBytes(ConstItemIdList child);
// A one-item list for a child.
IdListPtr MakeShellChild(ItemKind kind, const QByteArray& name);

// What the shell knows about a file-system item (zero when it knows nothing).
struct FindData {
  std::uint32_t Attributes = 0;
  std::uint32_t SizeHigh = 0;
  std::uint32_t SizeLow = 0;
  qint64 LastWriteSeconds = 0;  // since the epoch, UTC; 0 when unknown
  std::int32_t LastWriteNanoseconds = 0;
};

// Where an absolute identifier list leads.
struct ShellLocation {
  enum class Kind { Desktop, Computer, FileSystem, Archive } Type = Kind::Desktop;
  // For FileSystem: absolute, no trailing "/" except the root. For Archive: the
  // file-system path of the outermost archive.
  QByteArray Path;
  // For Archive: one path per archive entered, each inside the one before,
  // the last naming the folder shown: {""} is the root of the archive at Path,
  // {"inner.tar", "docs"} is docs in the archive inner.tar stored in it.
  QList<QByteArray> Inside;
};
ErrorOr<ShellLocation> ResolveIdList(ConstItemIdList absolute);

class IdEnumerator {
 public:
  virtual ~IdEnumerator() = default;
  // The next child (owned by the caller), or nullptr when the folder is done.
  virtual IdListPtr Next() = 0;
};

// A fixed list of children (the desktop's, the computer's, an archive folder's).
class ListIdEnumerator final : public IdEnumerator {
 public:
  explicit ListIdEnumerator(std::vector<IdListPtr> children) : Children_(std::move(children)) {}
  IdListPtr Next() override;

 private:
  std::vector<IdListPtr> Children_;
  std::size_t Index_ = 0;
};

class ShellFolder {
 public:
  virtual ~ShellFolder() = default;

  // An enumerator of the children the flags ask for, or the system's error.
  virtual ErrorOr<std::unique_ptr<IdEnumerator>> EnumObjects(std::uint32_t flags) = 0;
  // Negative, zero or positive: a before, equal to or after b for the column.
  // Folders come before files in every column.
  int CompareIDs(int column, ConstItemIdList a, ConstItemIdList b);
  // Fills `keys` with one key per child, in the order of `children`; keys order
  // exactly as CompareIDs does. Use this to sort many children.
  virtual void MakeSortKeys(int column, const std::vector<ConstItemIdList>& children, SortKeys& keys);
  // The requested attribute bits of a child (SFGAO_FOLDER, SFGAO_FILESYSTEM).
  std::uint32_t GetAttributesOf(ConstItemIdList child, std::uint32_t mask) const;
  // The child's name: its display form, or with SHGDN_FORPARSING its full path.
  // The desktop also answers for absolute lists of several items.
  virtual QString GetDisplayNameOf(ConstItemIdList relative, std::uint32_t flags) const = 0;
  // The find data of a child of this folder.
  virtual FindData GetFindData(ConstItemIdList child) const;
  // Parses a path text into an identifier list relative to this folder (the
  // desktop: an absolute list).
  virtual ErrorOr<IdListPtr> ParseDisplayName(const QString& text) const;
  // The folder named by a list relative to this one.
  virtual ErrorOr<std::unique_ptr<ShellFolder>> BindToObject(ConstItemIdList relative) const = 0;

  // The location of this folder.
  virtual ShellLocation Location() const = 0;
};

// Archives opened as folders live in their own library, which hands the
// namespace these at start (archives/archivefolder.h).
struct ArchiveNamespace {
  // The folder at an Archive location, or the error. Its ParseDisplayName
  // takes a path inside it ("docs/a.txt").
  ErrorOr<std::unique_ptr<ShellFolder>> (*Bind)(const ShellLocation& location) = nullptr;
  // The location's path as text, each name inside an archive as the archive's
  // index decodes it (names in an old code page); empty when it cannot say.
  QString (*ParsingName)(const ShellLocation& location) = nullptr;
};
void SetArchiveNamespace(const ArchiveNamespace& archives);
// True when the location is inside an archive, which is opened read-only.
bool IsArchiveLocation(ConstItemIdList absolute);

// The namespace root.
std::unique_ptr<ShellFolder> SHGetDesktopFolder();
// The absolute list of the computer's volume list.
IdListPtr ComputerIdList();

// Details of an item named by an absolute list.
QString ShellTypeName(ConstItemIdList absolute);
int ShellIconIndex(ConstItemIdList absolute, bool large = false, bool open = false);
// The full path of an absolute list, or its virtual parsing name.
QString ShellParsingName(ConstItemIdList absolute);
// An archive location's path: the archive's path, then the paths inside it,
// their names decoded as the archive's listing shows them.
QString ArchiveParsingName(const ShellLocation& location);
// The file-system path (bytes) of an absolute list; empty for virtual folders.
QByteArray ShellFileSystemPath(ConstItemIdList absolute);
// The display name of the last item of an absolute list ("" for the desktop).
QString ShellDisplayName(ConstItemIdList absolute);

// True when the path names an existing directory (links followed).
bool DirectoryExists(const QString& path);
bool DirectoryExistsBytes(const QByteArray& path);

}  // namespace zarn
