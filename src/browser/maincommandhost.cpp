#include "browser/maincommandhost.h"

#include <QLabel>

#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/shelltree.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "panel/panelcommands.h"
#include "panel/panelpath.h"
#include "panel/tform4.h"

namespace zarn {

int TMainCommandHost::ItemCount() const { return Form_.Items().Count(); }
QString TMainCommandHost::ItemName(int row) const { return Form_.Items().GetItem(row).DisplayName; }
QString TMainCommandHost::ItemPath(int row) const { return Form_.RowPath(row); }
std::optional<std::int64_t> TMainCommandHost::ItemKnownBytes(int row) const { return Form_.ArchiveRowBytes(row); }
bool TMainCommandHost::ItemIsFolder(int row) const { return Form_.Items().IsFolderRow(row); }
bool TMainCommandHost::ItemMarked(int row) const { return Form_.Items().GetItem(row).Marked; }

void TMainCommandHost::SetItemMarked(int row, bool marked) {
  Form_.Items().GetItem(row).Marked = marked;
  Form_.Items().RowChanged(row);
}

std::int32_t TMainCommandHost::ItemSizeKb(int row) const { return Form_.Items().GetItem(row).SizeKb; }

void TMainCommandHost::SetItemSizeKb(int row, std::int32_t sizeKb) {
  Form_.Items().GetItem(row).SizeKb = sizeKb;
  Form_.Items().RowChanged(row);
}

void TMainCommandHost::RowChanged(int row) { Form_.Items().RowChanged(row); }
void TMainCommandHost::RepaintList() { Form_.ListView->viewport()->update(); }
int TMainCommandHost::CurrentRow() const { return Form_.ListView->CurrentRow(); }

void TMainCommandHost::SelectRow(int row) {
  Form_.ListView->SelectRow(row);
  Form_.ListView->setFocus();
}

bool TMainCommandHost::ListHasFocus() const { return Form_.ListView->hasFocus(); }

void TMainCommandHost::EditCurrentName() {
  const int row = CurrentRow();
  if (row >= 0) Form_.ListView->edit(Form_.Items().index(row, 0));
}

void TMainCommandHost::SetFocusName(const QString& name) { FocusName = name; }

void TMainCommandHost::RememberTreePosition() {
  const int position = Form_.ShellTreeView1->SelectedPosition();
  if (position >= 0) TreeNodeToRefresh = position;
}

void TMainCommandHost::RefreshTree() { Form_.RefreshTree(TreeNodeToRefresh); }
QString TMainCommandHost::PathText() const { return Form_.PathText(); }
void TMainCommandHost::SetPath(const QString& pathText) { Form_.SetPath(pathText); }
void TMainCommandHost::SetStatusText(const QString& text) { Form_.SetStatus(text); }
void TMainCommandHost::SetSummaryText(const QString& text) { Form_.ShowSummary(text); }
QString TMainCommandHost::PanelPath() const { return zarn::PanelPath; }
void TMainCommandHost::ShowPanel() { ShowSecondPanel(); }

void TMainCommandHost::FillPanelList() {
  if (Form4) Form4->FillPanelList(zarn::PanelPath);
}

}  // namespace zarn
