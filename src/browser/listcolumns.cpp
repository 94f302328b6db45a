#include "browser/listcolumns.h"

#include "browser/folderitems.h"
#include "browser/formatting.h"

namespace zarn {
namespace {

QString NameText(const TFolderItems& items, int row) { return items.GetItem(row).DisplayName; }
QString SizeText(const TFolderItems& items, int row) { return items.SizeText(row); }
QString DateText(const TFolderItems& items, int row) { return items.GetItem(row).ModifiedText; }
QString TypeText(const TFolderItems& items, int row) { return items.GetItem(row).TypeName; }
QString AttributeText(const TFolderItems& items, int row) { return AttributeLetters(items.GetItem(row).Attributes); }

constexpr Qt::Alignment Left = Qt::AlignLeft | Qt::AlignVCenter;

std::span<const TListColumn> Columns() {
  static const TListColumn columns[] = {
      {QStringLiteral("Name   "), 135, Left, NameText, SortByName, "По имени"},
      {QStringLiteral("Size  "), 65, Left, SizeText, SortBySize, "По размеру"},
      {QStringLiteral("Date  "), 127, Left, DateText, SortByModified, "По дате"},
      {QStringLiteral("Type  "), 120, Left, TypeText, SortByType, "По типу"},
      {QStringLiteral("Atrib  "), 60, Left, AttributeText, NotSortable, nullptr},
  };
  return columns;
}

}  // namespace

std::span<const TListColumn> ListColumns() { return Columns(); }
int ListColumnCount() { return int(Columns().size()); }

}  // namespace zarn
