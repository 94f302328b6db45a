#pragma once
// Archives in the namespace: an archive's folders listed, sorted and entered
// like those of the disk. Each archive's index is read once and kept while the
// user is inside it (a few recent archives stay open); an archive whose file
// changed is read again.

#include <QByteArray>

#include <memory>
#include <optional>
#include <vector>

#include "platform/shellnamespace.h"

namespace zarn {

class TArchiveIndex;

// Hands the namespace the means to enter archives. Once, at start.
void RegisterArchiveFolders();

// True when the file's type is one of the archives and compressed files that
// open as folders: by its name and contents, or by its name alone (an entry
// of an archive).
bool LooksLikeArchive(const QString& path, bool byNameOnly);

// The index of the archive a location is in (its innermost archive).
ErrorOr<std::shared_ptr<const TArchiveIndex>> ArchiveIndexAt(const ShellLocation& location);

// The names of the archive a location is in that are in the code page of the
// system that wrote them (a sample of a few hundred), and their decoding anew
// through a byte map of the code-page table (Cp866ToUnicode and the like).
// GUI thread only: the index is shared with its folders.
std::vector<QByteArray> LegacyArchiveNames(const ShellLocation& location);
ErrorOrDone DecodeArchiveNames(const ShellLocation& location, char16_t (*byteToUnicode)(unsigned char byte));

// An entry of an archive, as the commands that read archives need it.
struct TArchiveItem {
  std::shared_ptr<const TArchiveIndex> Index;
  QByteArray Path;  // inside the archive
};
// The entry a child of `folder` names; nothing when `folder` is not in an archive.
std::optional<TArchiveItem> ArchiveItemOf(const ShellFolder& folder, ConstItemIdList child);

}  // namespace zarn
