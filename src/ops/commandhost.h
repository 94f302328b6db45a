#pragma once
// What the marking, folder-size and file commands need from the main window.
// The main window implements it over its item list, labels, tree and the
// second panel; tests implement it over a plain vector of rows. Every method is
// called on the GUI thread only.

#include <QString>

#include <cstdint>
#include <optional>

namespace zarn {

class TCommandHost {
 public:
  virtual ~TCommandHost() = default;

  // Rows of the current listing, in list order.
  virtual int ItemCount() const = 0;
  // The row's display name (the Name column).
  virtual QString ItemName(int row) const = 0;
  // The row's full path in the FromNativeName form, without a trailing "/".
  virtual QString ItemPath(int row) const = 0;
  virtual bool ItemIsFolder(int row) const = 0;
  virtual bool ItemMarked(int row) const = 0;
  virtual void SetItemMarked(int row, bool marked) = 0;
  virtual std::int32_t ItemSizeKb(int row) const = 0;
  // The size in bytes of a row that is not on the disk (inside an archive),
  // from its folder; a folder's is that of everything below it. Nothing for
  // rows on the disk, which are looked up there.
  virtual std::optional<std::int64_t> ItemKnownBytes(int) const { return std::nullopt; }
  virtual void SetItemSizeKb(int row, std::int32_t sizeKb) = 0;
  // Repaints one row after its mark or size changed.
  virtual void RowChanged(int row) = 0;
  // Repaints the whole list (after marks were cleared).
  virtual void RepaintList() = 0;

  // The row under the cursor; -1 when there is none.
  virtual int CurrentRow() const = 0;
  // Moves the cursor to `row`, gives it the focus and scrolls it into view.
  virtual void SelectRow(int row) = 0;
  // True when the folder list has the keyboard focus.
  virtual bool ListHasFocus() const = 0;
  // Puts the current row's name into edit mode (in-place rename).
  virtual void EditCurrentName() = 0;

  // The row to select after the next listing (FocusName).
  virtual void SetFocusName(const QString& name) = 0;
  // Stores the selected tree node's position in TreeNodeToRefresh, if a node is selected.
  virtual void RememberTreePosition() = 0;
  // RefreshTree(TreeNodeToRefresh).
  virtual void RefreshTree() = 0;
  // The path box text: the current folder, ending with "/".
  virtual QString PathText() const = 0;
  // Lists the folder `pathText` again (SetPath).
  virtual void SetPath(const QString& pathText) = 0;
  // Increases with every listing, so late reports for an older listing are dropped.
  virtual std::uint64_t ListingGeneration() const = 0;

  // The status line (Label9), repainted at once.
  virtual void SetStatusText(const QString& text) = 0;
  // The selection summary (Label1).
  virtual void SetSummaryText(const QString& text) = 0;

  // The second panel's folder, ending with "/"; empty until the panel has one.
  virtual QString PanelPath() const = 0;
  // Shows the second panel if it is hidden (with its toggle button's picture).
  virtual void ShowPanel() = 0;
  // Lists the second panel's folder again (FillPanelList).
  virtual void FillPanelList() = 0;
};

}  // namespace zarn
