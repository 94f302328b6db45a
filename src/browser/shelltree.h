#pragma once
// The folder tree: folders only, hidden ones included, rooted at the desktop
// (whose own node is not drawn). Children are read when a node is first
// expanded. Each node keeps the absolute identifier list of its folder.

#include <QByteArray>
#include <QTreeView>

#include "platform/idlist.h"

class QStandardItem;
class QStandardItemModel;

namespace zarn {

class TShellTreeView : public QTreeView {
  Q_OBJECT
 public:
  explicit TShellTreeView(QWidget* parent = nullptr);

  // Selects the folder of an absolute list, expanding its parents; false when
  // the tree holds no such folder.
  bool SelectIdList(ConstItemIdList absolute);
  // The file-system path of the selected node; empty for a virtual folder.
  QString SelectedPath() const;
  // Re-reads the subtree of the node at an absolute position (all nodes in
  // order, the desktop root 0), keeping expanded folders, the selected folder
  // and the first visible folder.
  void RefreshNode(int position);
  // Scrolls so that the selected node is the first visible one.
  void ScrollSelectedToTop();
  // The absolute position of the selected node, or -1.
  int SelectedPosition() const;
  // Number of nodes in the tree, the desktop root included.
  int NodeCount() const;

 signals:
  // A click on a node, or Enter on the selected one.
  void NodeClicked();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  QStandardItem* Root() const;
  void LoadChildren(QStandardItem* node);
  QStandardItem* NodeAtPosition(int position) const;
  QStandardItem* FindNode(const QByteArray& absolute) const;
  void Expanded(const QModelIndex& index);

  QStandardItemModel* Model_;
};

}  // namespace zarn
