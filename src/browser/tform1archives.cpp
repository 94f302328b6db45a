// The main window inside archives: entering one as a folder, reading its
// files through temporary copies, copying entries out into the second
// panel's folder, and refusing what would change it.

#include <QFileInfo>

#include "archives/archivefolder.h"
#include "archives/archiveindex.h"
#include "archives/archivetempcopy.h"
#include "browser/folderitems.h"
#include "browser/maincommandhost.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "ops/commandhost.h"
#include "ops/filecommands.h"
#include "ops/filecommands_texts.h"
#include "ops/shellfileop.h"
#include "ops/launchcommands.h"
#include "ops/namerepairdialog.h"
#include "viewer/codepages.h"
#include "platform/filenames.h"
#include "platform/guard.h"
#include "platform/pathtext.h"
#include "platform/prompter.h"

namespace zarn {
namespace {

inline const QString ReadOnlyArchiveText = QStringLiteral("Архив открыт только для чтения: ");

QString FailuresText(const FileOpResult& result) {
  constexpr int kShown = 10;
  QStringList lines;
  for (const OsError& failure : result.Failures.mid(0, kShown)) lines << failure.Text();
  if (result.Failures.size() > kShown) {
    lines << QStringLiteral("… и ещё %1").arg(result.Failures.size() - kShown);
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

bool TForm1::InArchive() const { return Items_->CurrentFolder() && IsArchiveLocation(CurrentIdList()); }

bool TForm1::RefuseInArchive() {
  if (!InArchive()) return false;
  const ShellLocation location = Items_->CurrentFolder()->Location();
  Prompter().ShowMessage(ReadOnlyArchiveText + FromNativeName(location.Path));
  return true;
}

void TForm1::OpenAsFolder(int row) {
  if (row < 0 || row >= Items_->Count() || Items_->IsFolderRow(row)) return;
  const ItemKind kind = ChildKind(Items_->GetItem(row).IdList);
  if (kind != ItemKind::File && kind != ItemKind::ArchiveFile) return;
  SetStatus(QStringLiteral("Чтение архива..."));
  IdListPtr archive = MakeShellChild(ItemKind::Archive, ChildNameBytes(Items_->GetItem(row).IdList));
  SetFolder(IdListPtr(ConcatIdLists(CurrentIdList(), archive.get())));
}

std::optional<TArchiveItem> TForm1::ArchiveRow(int row) const {
  if (!Items_->CurrentFolder() || row < 0 || row >= Items_->Count()) return std::nullopt;
  return ArchiveItemOf(*Items_->CurrentFolder(), Items_->GetItem(row).IdList);
}

std::optional<std::int64_t> TForm1::ArchiveRowBytes(int row) const {
  const std::optional<TArchiveItem> item = ArchiveRow(row);
  if (!item) return std::nullopt;
  const TArchiveEntry* entry = item->Index->Find(item->Path);
  if (!entry) return 0;
  if (entry->Type == ArchiveEntryType::Folder) return item->Index->FolderSize(item->Path).Bytes;
  return std::max<qint64>(entry->Size, 0);
}

QString TForm1::ReadableRowPath(int row, std::unique_ptr<TArchiveTempCopy>& keeper) {
  const std::optional<TArchiveItem> item = ArchiveRow(row);
  if (!item) return RowPath(row);
  SetStatus(QStringLiteral("Извлечение из архива..."));
  keeper = ValueOrRaise(TArchiveTempCopy::Extract(item->Index, item->Path));
  return keeper->FilePath();
}

void TForm1::OpenArchiveFile(int row) {
  std::unique_ptr<TArchiveTempCopy> copy;
  const QString path = ReadableRowPath(row, copy);
  OpenFileRow(path, QFileInfo(path).path() + QLatin1Char('/'));
  // The program may read the copy at any time: it stays until the program ends.
  OpenedCopies_.push_back(std::move(copy));
}

// The whole archive is read in the code page chosen; nothing on the disk changes.
void TForm1::RepairArchiveNames() {
  const ShellLocation location = Items_->CurrentFolder()->Location();
  const std::optional<NameSource> source = ChooseNameRepair(LegacyArchiveNames(location));
  if (!source) return;
  char16_t (*byteMap)(unsigned char) = *source == NameSource::Cp1251 ? Cp1251ToUnicode
                                       : *source == NameSource::Koi8r ? Koi8rToUnicode
                                                                      : Cp866ToUnicode;
  ValueOrRaise(DecodeArchiveNames(location, byteMap));
  SetPath(PathText());
}

void TForm1::CopyOutOfArchive() {
  if (ListView->CurrentRow() < 0) {
    Prompter().ShowMessage(QStringLiteral("Ничего не выбрано"));
    return;
  }
  SetStatus(QStringLiteral(" Копирование..."));
  TCommandHost& host = Commands_->Host;
  host.ShowPanel();
  const QString panelPath = host.PanelPath();
  if (panelPath.isEmpty()) return Prompter().ShowMessage(NoPanelFolderText);
  TExtractRequest request;
  QStringList shown;
  for (int row = 0; row < Items_->Count(); ++row) {
    if (!Items_->GetItem(row).Marked) continue;
    request.Entries << ArchiveRow(row)->Path;
    shown << RowPath(row);
  }
  if (request.Entries.isEmpty()) {
    request.Entries << ArchiveRow(ListView->CurrentRow())->Path;
    shown << RowPath(ListView->CurrentRow());
  }
  if (request.Entries.size() == 1) {
    const QString ownName = LastPathComponent(shown.first());
    const std::optional<QString> name = Prompter().InputBox(QStringLiteral("Копировать с именем"),
                                                            QStringLiteral("Имя объекта"), ownName);
    if (!name) return;
    if (!IsSingleName(*name)) {
      return Prompter().ShowMessage(InvalidNameText + *name + QLatin1Char('\n') + SystemMessage(EINVAL));
    }
    if (*name != ownName) request.TargetName = *name;
  } else if (!Prompter().Confirm(CopyConfirmationText(shown, panelPath), CopyConfirmationCaption)) {
    return;
  }
  request.Index = ArchiveRow(ListView->CurrentRow())->Index;
  request.Destination = panelPath;
  if (ExtractFromArchive(request)) {
    for (TShellItem& item : Items_->FolderItems) item.Marked = false;
    ListView->viewport()->update();
    Selection().ShowSelectionInfo();
  } else if (!LastFileOpResult().Failures.isEmpty()) {
    Prompter().ShowMessage(QStringLiteral("Ошибка при выполнении копирования \n") + FailuresText(LastFileOpResult()));
  }
  host.FillPanelList();
}

}  // namespace zarn
