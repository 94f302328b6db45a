#include "browser/folderitems.h"

#include <QColor>
#include <QCursor>
#include <QGuiApplication>
#include <QPalette>

#include "browser/browsingstate.h"
#include "browser/folderlisting.h"
#include "browser/formatting.h"
#include "browser/listcolumns.h"
#include "panel/shellimages.h"

namespace zarn {
namespace {

// Restores the cursor and announces the end of a listing however it ends.
class ListingScope {
 public:
  explicit ListingScope(TFolderItems& model) : Model_(model) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
      QGuiApplication::setOverrideCursor(Qt::WaitCursor);
      CursorSet_ = true;
    }
  }
  ~ListingScope() {
    if (CursorSet_) QGuiApplication::restoreOverrideCursor();
    emit Model_.Populated();
  }

 private:
  TFolderItems& Model_;
  bool CursorSet_ = false;
};

char AsciiUpper(char16_t unit) { return (unit >= 'a' && unit <= 'z') ? char(unit - 32) : char(0); }

bool StartsWithAsciiFolded(const QString& name, const QString& prefix) {
  if (name.size() < prefix.size()) return false;
  for (qsizetype i = 0; i < prefix.size(); ++i) {
    const char16_t a = name.at(i).unicode(), b = prefix.at(i).unicode();
    if (a == b) continue;
    const char16_t foldedA = AsciiUpper(a) ? char16_t(AsciiUpper(a)) : a;
    const char16_t foldedB = AsciiUpper(b) ? char16_t(AsciiUpper(b)) : b;
    if (foldedA != foldedB) return false;
  }
  return true;
}

}  // namespace

TShellItem::TShellItem(TShellItem&& other) noexcept
    : FullIdList(std::exchange(other.FullIdList, nullptr)),
      IdList(std::exchange(other.IdList, nullptr)),
      DisplayName(std::move(other.DisplayName)),
      TypeName(std::move(other.TypeName)),
      ModifiedText(std::move(other.ModifiedText)),
      ImageIndex(other.ImageIndex),
      SizeKb(other.SizeKb),
      Attributes(other.Attributes),
      DetailsPending(other.DetailsPending),
      Marked(other.Marked) {}

TShellItem& TShellItem::operator=(TShellItem&& other) noexcept {
  if (this != &other) {
    this->~TShellItem();
    new (this) TShellItem(std::move(other));
  }
  return *this;
}

TShellItem::~TShellItem() {
  FreeIdList(FullIdList);
  FreeIdList(IdList);
}

TFolderItems::TFolderItems(QObject* parent) : QAbstractTableModel(parent) {
  for (const TListColumn& column : ListColumns()) Captions_ << column.Caption;
}

TFolderItems::~TFolderItems() = default;

ErrorOrDone TFolderItems::PopulateIDList(std::unique_ptr<ShellFolder> folder) {
  ListingScope scope(*this);
  TListingProgress progress;
  auto listed = ListFolder(std::move(folder), SortMode, progress);
  if (listed.IsError()) return listed.Error();
  ReplaceItems(listed.TakeValue());
  return Done{};
}

void TFolderItems::AdoptListing(TFolderRows listed) {
  ReplaceItems(std::move(listed));
  emit Populated();
}

void TFolderItems::ReplaceItems(TFolderRows listed) {
  beginResetModel();
  CurrentFolder_ = std::move(listed.Folder);
  FolderItems.swap(listed.Items);
  endResetModel();
  FreeInBackground(std::move(listed.Items));
}

void TFolderItems::ClearIDList() {
  const bool resetting = !FolderItems.empty();
  if (resetting) beginResetModel();
  std::vector<TShellItem>().swap(FolderItems);
  if (resetting) endResetModel();
}

TShellItem& TFolderItems::GetItem(int index) {
  if (index < 0 || index >= Count()) RaiseError(QStringLiteral("List index out of bounds (%1)").arg(index));
  return FolderItems[size_t(index)];
}

const TShellItem& TFolderItems::GetItem(int index) const { return const_cast<TFolderItems*>(this)->GetItem(index); }

void TFolderItems::GetItemDetails(int first, int last) {
  if (last < first || first < 0 || last >= Count()) return;
  for (int i = first; i <= last; ++i) {
    TShellItem& item = FolderItems[size_t(i)];
    if (!item.DetailsPending) continue;
    item.FullIdList = ConcatIdLists(CurrentIdList_.get(), item.IdList);
    item.ImageIndex = ShellIconIndex(item.FullIdList);
    item.TypeName = ShellTypeName(item.FullIdList);
    const FindData data = CurrentFolder_ ? CurrentFolder_->GetFindData(item.IdList) : FindData{};
    item.SizeKb = SizeKbOf(data);
    item.ModifiedText = ModifiedTextOf(data);
    item.Attributes = data.Attributes;
    item.DetailsPending = false;
  }
}

int TFolderItems::CompareShellItems(const TShellItem& a, const TShellItem& b) const {
  if (!CurrentFolder_) return 0;
  return std::int16_t(CurrentFolder_->CompareIDs(SortMode, a.IdList, b.IdList) & 0xFFFF);
}

bool TFolderItems::IsFolderRow(int index) const {
  const TShellItem& item = GetItem(index);
  return CurrentFolder_ && CurrentFolder_->GetAttributesOf(item.IdList, SFGAO_FOLDER) != 0;
}

int TFolderItems::FindPrefix(const QString& text, int start, bool wrap) const {
  const int count = Count();
  if (start < 0 || start > count) start = 0;
  for (int i = start; i < count; ++i) {
    if (StartsWithAsciiFolded(FolderItems[size_t(i)].DisplayName, text)) return i;
  }
  if (!wrap) return -1;
  for (int i = 0; i < start; ++i) {
    if (StartsWithAsciiFolded(FolderItems[size_t(i)].DisplayName, text)) return i;
  }
  return -1;
}

QString TFolderItems::SizeText(int index) const {
  if (IsFolderRow(index)) return QStringLiteral("<dir>");
  return QString::number(GetItem(index).SizeKb) + QStringLiteral(" Kb");
}

void TFolderItems::SetCurrentIdList(IdListPtr id, QString path) {
  CurrentIdList_ = std::move(id);
  CurrentPath_ = std::move(path);
}

void TFolderItems::MarkSortColumn(int column) {
  for (int i = 0; i < Captions_.size(); ++i) {
    Captions_[i].chop(2);
    Captions_[i] += (i == column) ? QStringLiteral(" v") : QStringLiteral("  ");
  }
  emit headerDataChanged(Qt::Horizontal, 0, ListColumnCount() - 1);
}

void TFolderItems::RowChanged(int index) {
  if (index >= 0 && index < Count()) emit dataChanged(this->index(index, 0), this->index(index, ListColumnCount() - 1));
}

int TFolderItems::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Count(); }

int TFolderItems::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ListColumnCount(); }

QVariant TFolderItems::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Count()) return {};
  const TShellItem& item = FolderItems[size_t(index.row())];
  const int column = index.column();
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return column < ListColumnCount() ? ListColumns()[size_t(column)].Text(*this, index.row()) : QVariant();
    case Qt::TextAlignmentRole:
      return column < ListColumnCount() ? QVariant(ListColumns()[size_t(column)].Alignment) : QVariant();
    case Qt::DecorationRole:
      return column == 0 ? QVariant(ShellImage(item.ImageIndex)) : QVariant();
    case Qt::ForegroundRole:
      if (item.Marked) return QColor(255, 0, 0);
      if (column == 0 && (item.Attributes & FILE_ATTRIBUTE_SYSTEM)) return QPalette().color(QPalette::Highlight);
      return {};
    case MarkedRole: return item.Marked;
    case AttributesRole: return item.Attributes;
  }
  return {};
}

QVariant TFolderItems::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return Captions_.value(section);
  return QAbstractTableModel::headerData(section, orientation, role);
}

bool TFolderItems::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || index.column() != 0 || index.row() >= Count()) return false;
  emit NameEdited(index.row(), value.toString());
  return false;
}

Qt::ItemFlags TFolderItems::flags(const QModelIndex& index) const {
  Qt::ItemFlags result = QAbstractTableModel::flags(index);
  if (index.column() == 0) result |= Qt::ItemIsEditable;
  return result;
}

}  // namespace zarn
