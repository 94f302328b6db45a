#pragma once
// The main window as the file commands see it: rows, cursor, labels and the
// second panel's folder. GUI thread only.

#include <cstdint>

#include "ops/commandhost.h"
#include "ops/filecommands.h"
#include "ops/selection.h"
#include "ops/tfoldersize.h"

namespace zarn {

class TForm1;

class TMainCommandHost final : public TCommandHost {
 public:
  explicit TMainCommandHost(TForm1& form) : Form_(form) {}

  int ItemCount() const override;
  QString ItemName(int row) const override;
  QString ItemPath(int row) const override;
  bool ItemIsFolder(int row) const override;
  bool ItemMarked(int row) const override;
  void SetItemMarked(int row, bool marked) override;
  std::int32_t ItemSizeKb(int row) const override;
  void SetItemSizeKb(int row, std::int32_t sizeKb) override;
  std::optional<std::int64_t> ItemKnownBytes(int row) const override;
  void RowChanged(int row) override;
  void RepaintList() override;
  int CurrentRow() const override;
  void SelectRow(int row) override;
  bool ListHasFocus() const override;
  void EditCurrentName() override;
  void SetFocusName(const QString& name) override;
  void RememberTreePosition() override;
  void RefreshTree() override;
  QString PathText() const override;
  void SetPath(const QString& pathText) override;
  std::uint64_t ListingGeneration() const override { return Generation; }
  void SetStatusText(const QString& text) override;
  void SetSummaryText(const QString& text) override;
  QString PanelPath() const override;
  void ShowPanel() override;
  void FillPanelList() override;

  // Raised by the window after every listing.
  std::uint64_t Generation = 1;

 private:
  TForm1& Form_;
};

// The marking and file-command layer of the main window, in construction
// order: the workers report into the selection's totals.
struct TCommandLayer {
  explicit TCommandLayer(TForm1& form) : Host(form), Selection(Host, &Workers), Workers(Host, Selection.Totals), Commands(Host) {}
  TMainCommandHost Host;
  TSelection Selection;
  TFolderSizeWorkers Workers;
  TFileCommands Commands;
};

}  // namespace zarn
