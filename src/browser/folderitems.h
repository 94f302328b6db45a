#pragma once
// The model of the main window's list: one folder of the namespace enumerated
// into TShellItem records, sorted, answered row by row on demand. Enumeration
// asks only for names; icon, type, size, date and attributes are fetched once,
// for the rows the view is about to show (GetItemDetails, the cache hint).
// Only from the GUI thread.

#include <QAbstractTableModel>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/idlist.h"
#include "platform/shellnamespace.h"

namespace zarn {

struct TFolderRows;

// One child of the listed folder. Owns its identifier lists. (The fields are
// laid out for size: a million of them stay small.)
struct TShellItem {
  TShellItem() = default;
  TShellItem(TShellItem&& other) noexcept;
  TShellItem& operator=(TShellItem&& other) noexcept;
  ~TShellItem();

  ItemIdList FullIdList = nullptr;  // absolute; made on the first details fetch
  ItemIdList IdList = nullptr;      // relative to the listed folder
  QString DisplayName;
  QString TypeName;
  QString ModifiedText;
  std::int32_t ImageIndex = 0;
  std::int32_t SizeKb = 0;
  std::uint32_t Attributes = 0;
  bool DetailsPending = true;
  bool Marked = false;
};

// Extra data roles the list's painting reads.
inline constexpr int MarkedRole = Qt::UserRole + 1;
inline constexpr int AttributesRole = Qt::UserRole + 2;

inline const QString InitialSelectionText = QStringLiteral("Выделено в  -  папках и в - файлах ");

class TFolderItems : public QAbstractTableModel {
  Q_OBJECT
 public:
  explicit TFolderItems(QObject* parent = nullptr);
  ~TFolderItems() override;

  // Lists `folder` into FolderItems, sorted by SortMode. When the folder cannot
  // be enumerated the error is returned and the previous listing stays.
  // Emits Populated() in every case.
  ErrorOrDone PopulateIDList(std::unique_ptr<ShellFolder> folder);
  // Shows a listing read by TFolderListing; emits Populated().
  void AdoptListing(TFolderRows listed);
  void GetItemDetails(int first, int last);
  // Raises "List index out of bounds" outside 0..count-1.
  TShellItem& GetItem(int index);
  const TShellItem& GetItem(int index) const;
  int Count() const { return int(FolderItems.size()); }
  void ClearIDList();
  int CompareShellItems(const TShellItem& a, const TShellItem& b) const;
  bool IsFolderRow(int index) const;

  // The first row at or after `start` whose name begins with `text` (ASCII
  // letters compared case-insensitively); with `wrap` the rows before `start`
  // follow. -1 when none.
  int FindPrefix(const QString& text, int start, bool wrap) const;

  // The size cell: "<dir>" for folders, else "%d Kb".
  QString SizeText(int index) const;

  ShellFolder* CurrentFolder() const { return CurrentFolder_.get(); }
  ConstItemIdList CurrentIdList() const { return CurrentIdList_.get(); }
  // Takes ownership of the list; `path` is its parsing name.
  void SetCurrentIdList(IdListPtr id, QString path);
  const QString& CurrentPath() const { return CurrentPath_; }

  // Rewrites the column captions for a sort by `column` (" v" marks it).
  void MarkSortColumn(int column);
  QString ColumnCaption(int column) const { return Captions_.value(column); }

  // Lets the view repaint a row after a command changed it (marks, sizes).
  void RowChanged(int index);

  // QAbstractItemModel
  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  // An in-place edit of a name: announced, never stored (the rename command
  // renames the object and lists the folder again).
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  std::vector<TShellItem> FolderItems;

 signals:
  // After every listing attempt, successful or not.
  void Populated();
  void NameEdited(int row, const QString& text);

 private:
  void ReplaceItems(TFolderRows listed);

  std::unique_ptr<ShellFolder> CurrentFolder_;
  IdListPtr CurrentIdList_;
  QString CurrentPath_;
  QStringList Captions_;
};

}  // namespace zarn
