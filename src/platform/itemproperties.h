#pragma once
// What the properties dialog shows about one item: read with lstat (a link is
// described as the link), owner and group by name, the type as the folder
// list names it. Widget-free; any thread except for TypeName, which uses the
// namespace's type names (GUI thread).

#include <QDateTime>
#include <QString>

#include <sys/types.h>

#include "platform/errors.h"

namespace zarn {

enum class ItemFileType { File, Folder, Link, Fifo, CharDevice, BlockDevice, Socket };

struct ItemProperties {
  QString Path;      // the item, FromNativeName form, no trailing "/"
  QString Name;      // the last component ("/" for the root)
  QString Location;  // the folder that holds it ("" for the root)
  QString TypeName;  // as the list's Type column shows it
  ItemFileType FileType = ItemFileType::File;
  QString LinkTarget;  // for a link, what it points to
  qint64 Size = 0;     // bytes (a folder: its own entry; the tree is counted apart)
  QDateTime Modified;
  QDateTime Accessed;
  uid_t OwnerId = 0;
  gid_t GroupId = 0;
  QString Owner;  // user name, or the number when it has no name
  QString Group;
  mode_t Permissions = 0;  // the twelve permission bits
  // True when the user may change the permissions (owns it, or is root); a
  // link's own permissions cannot be changed on Linux.
  bool PermissionsEditable = false;
};

ErrorOr<ItemProperties> ReadItemProperties(const QString& path);

// chmod; only the twelve permission bits of `mode` are used.
ErrorOrDone SetPermissions(const QString& path, mode_t mode);

// "rwxr-x---" style text of the nine access bits, with s/t for the special ones.
QString PermissionsText(mode_t mode);

// "1 234 567 байт" for a byte count, digits grouped.
QString SizeText(qint64 bytes);

}  // namespace zarn
