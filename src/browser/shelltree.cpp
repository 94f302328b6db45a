#include "browser/shelltree.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSet>
#include <QStandardItemModel>

#include <cstring>
#include <functional>

#include "panel/shellimages.h"
#include "platform/childorder.h"
#include "platform/shellnamespace.h"

namespace zarn {
namespace {

constexpr int IdListRole = Qt::UserRole + 1;
constexpr int LoadedRole = Qt::UserRole + 2;

QByteArray ListBytes(ConstItemIdList list) {
  return QByteArray(reinterpret_cast<const char*>(list), qsizetype(IdListSize(list)));
}

ConstItemIdList ListOf(const QByteArray& bytes) { return reinterpret_cast<ConstItemIdList>(bytes.constData()); }

QByteArray NodeList(const QStandardItem* node) { return node->data(IdListRole).toByteArray(); }

// A placeholder child, so that an unread folder shows its expander.
void AddPlaceholder(QStandardItem* node) { node->appendRow(new QStandardItem()); }

QStandardItem* MakeNode(const QByteArray& absolute) {
  auto* node = new QStandardItem(ShellDisplayName(ListOf(absolute)));
  node->setEditable(false);
  node->setData(absolute, IdListRole);
  node->setData(false, LoadedRole);
  node->setIcon(ShellImage(ShellIconIndex(ListOf(absolute))));
  AddPlaceholder(node);
  return node;
}

void ForEachNode(QStandardItem* node, const std::function<void(QStandardItem*)>& visit) {
  visit(node);
  for (int row = 0; row < node->rowCount(); ++row) ForEachNode(node->child(row), visit);
}

}  // namespace

TShellTreeView::TShellTreeView(QWidget* parent) : QTreeView(parent), Model_(new QStandardItemModel(this)) {
  setModel(Model_);
  setHeaderHidden(true);
  setIndentation(20);
  // Deep folders scroll sideways instead of losing their names.
  header()->setStretchLastSection(false);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  setTextElideMode(Qt::ElideNone);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUniformRowHeights(true);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  auto* desktop = MakeNode(ListBytes(IdListPtr(AllocIdList(2)).get()));
  Model_->appendRow(desktop);
  LoadChildren(desktop);
  setRootIndex(desktop->index());
  connect(this, &QTreeView::expanded, this, &TShellTreeView::Expanded);
  connect(this, &QTreeView::clicked, this, [this] { emit NodeClicked(); });
}

QStandardItem* TShellTreeView::Root() const { return Model_->item(0); }

// Enter goes to the selected folder, so that the tree can be used without the mouse.
void TShellTreeView::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentIndex().isValid()) {
    emit NodeClicked();
    return;
  }
  QTreeView::keyPressEvent(event);
}

void TShellTreeView::Expanded(const QModelIndex& index) {
  if (QStandardItem* node = Model_->itemFromIndex(index)) LoadChildren(node);
}

void TShellTreeView::LoadChildren(QStandardItem* node) {
  if (node->data(LoadedRole).toBool()) return;
  node->setData(true, LoadedRole);
  node->removeRows(0, node->rowCount());
  const QByteArray parent = NodeList(node);
  auto folder = SHGetDesktopFolder()->BindToObject(ListOf(parent));
  if (folder.IsError()) return;
  auto enumerator = folder.Value()->EnumObjects(SHCONTF_FOLDERS | SHCONTF_INCLUDEHIDDEN);
  if (enumerator.IsError()) return;  // an unreadable folder simply shows no children
  std::vector<IdListPtr> children;
  while (IdListPtr child = enumerator.Value()->Next()) children.push_back(std::move(child));
  std::vector<ConstItemIdList> ids;
  for (const IdListPtr& child : children) ids.push_back(child.get());
  for (std::uint32_t position : SortedChildOrder(*folder.Value(), SortByName, ids)) {
    IdListPtr absolute(ConcatIdLists(ListOf(parent), children[position].get()));
    node->appendRow(MakeNode(ListBytes(absolute.get())));
  }
}

QStandardItem* TShellTreeView::FindNode(const QByteArray& absolute) const {
  QStandardItem* node = Root();
  IdListPtr walked(AllocIdList(2));
  for (ConstItemIdList item = ListOf(absolute); ItemByteCount(item) != 0; item = NextId(item)) {
    IdListPtr single(AllocIdList(ItemByteCount(item) + 2));
    std::memcpy(single.get(), item, ItemByteCount(item));
    walked.reset(ConcatIdLists(walked.get(), single.get()));
    const QByteArray wanted = ListBytes(walked.get());
    const_cast<TShellTreeView*>(this)->LoadChildren(node);
    QStandardItem* next = nullptr;
    for (int row = 0; row < node->rowCount() && !next; ++row) {
      if (NodeList(node->child(row)) == wanted) next = node->child(row);
    }
    if (!next) return nullptr;
    node = next;
  }
  return node;
}

bool TShellTreeView::SelectIdList(ConstItemIdList absolute) {
  QStandardItem* node = FindNode(ListBytes(absolute));
  if (!node) return false;
  for (QStandardItem* parent = node->parent(); parent && parent != Root(); parent = parent->parent()) {
    expand(parent->index());
  }
  setCurrentIndex(node->index());
  scrollTo(node->index());
  return true;
}

QString TShellTreeView::SelectedPath() const {
  QStandardItem* node = Model_->itemFromIndex(currentIndex());
  if (!node) return {};
  return ShellParsingName(ListOf(NodeList(node))).startsWith(QLatin1Char('/'))
             ? ShellParsingName(ListOf(NodeList(node)))
             : QString();
}

int TShellTreeView::NodeCount() const {
  int count = 0;
  ForEachNode(Root(), [&](QStandardItem* node) { count += node->data(IdListRole).isValid() ? 1 : 0; });
  return count;
}

QStandardItem* TShellTreeView::NodeAtPosition(int position) const {
  QStandardItem* found = nullptr;
  int index = 0;
  ForEachNode(Root(), [&](QStandardItem* node) {
    if (!node->data(IdListRole).isValid()) return;  // a placeholder is no node
    if (index++ == position) found = node;
  });
  return found;
}

int TShellTreeView::SelectedPosition() const {
  const QStandardItem* selected = Model_->itemFromIndex(currentIndex());
  int found = -1;
  int index = 0;
  ForEachNode(Root(), [&](QStandardItem* node) {
    if (!node->data(IdListRole).isValid()) return;
    if (node == selected) found = index;
    ++index;
  });
  return found;
}

void TShellTreeView::RefreshNode(int position) {
  QStandardItem* node = NodeAtPosition(position);
  if (!node) return;
  QSet<QByteArray> expandedLists;
  ForEachNode(node, [&](QStandardItem* each) {
    if (each->data(IdListRole).isValid() && isExpanded(each->index())) expandedLists.insert(NodeList(each));
  });
  const QStandardItem* selected = Model_->itemFromIndex(currentIndex());
  const QByteArray selectedList = selected ? NodeList(selected) : QByteArray();
  const QStandardItem* top = Model_->itemFromIndex(indexAt(QPoint(0, 0)));
  const QByteArray topList = top ? NodeList(top) : QByteArray();
  node->setData(false, LoadedRole);
  LoadChildren(node);
  // Re-expanding reads each remembered folder again, parents first.
  std::function<void(QStandardItem*)> reopen = [&](QStandardItem* each) {
    for (int row = 0; row < each->rowCount(); ++row) {
      QStandardItem* child = each->child(row);
      if (expandedLists.contains(NodeList(child))) {
        expand(child->index());
        reopen(child);
      }
    }
  };
  if (node == Root() || expandedLists.contains(NodeList(node))) reopen(node);
  if (!selectedList.isEmpty()) SelectIdList(ListOf(selectedList));
  if (!topList.isEmpty()) {
    if (QStandardItem* first = FindNode(topList)) scrollTo(first->index(), QAbstractItemView::PositionAtTop);
  }
}

void TShellTreeView::ScrollSelectedToTop() {
  if (currentIndex().isValid()) scrollTo(currentIndex(), QAbstractItemView::PositionAtTop);
}

}  // namespace zarn
