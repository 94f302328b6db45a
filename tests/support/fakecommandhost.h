#pragma once
// A main window for command tests: the rows of one real folder (folders first,
// then by name), a cursor, a focus flag, and a record of what the commands
// asked of the window.

#include <QStringList>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "ops/commandhost.h"
#include "platform/filenames.h"

namespace zarn::test {

struct FakeRow {
  QString Name;
  bool Folder = false;
  bool Marked = false;
  std::int32_t SizeKb = 1;
};

class FakeCommandHost : public TCommandHost {
 public:
  // Lists `folder` (a path without a trailing "/") as the current listing.
  void List(const QString& folder) {
    Folder = folder;
    Rows.clear();
    if (DIR* dir = ::opendir(ToNativeName(folder).constData())) {
      while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..") continue;
        struct stat facts {};
        const bool isFolder = ::lstat(ToNativeName(folder).append('/').append(name).constData(), &facts) == 0 &&
                              S_ISDIR(facts.st_mode);
        Rows.push_back({FromNativeName(name), isFolder, false, 1});
      }
      ::closedir(dir);
    }
    std::sort(Rows.begin(), Rows.end(), [](const FakeRow& a, const FakeRow& b) {
      return a.Folder != b.Folder ? a.Folder : a.Name < b.Name;
    });
    ++Generation;
    Current = Rows.empty() ? -1 : 0;
    for (int row = 0; row < int(Rows.size()); ++row) {
      if (Rows[row].Name == FocusName) Current = row;
    }
    ++Listings;
  }
  int RowOf(const QString& name) const {
    for (int row = 0; row < int(Rows.size()); ++row) {
      if (Rows[row].Name == name) return row;
    }
    return -1;
  }
  void Mark(const QStringList& names) {
    for (const QString& name : names) Rows.at(RowOf(name)).Marked = true;
  }

  int ItemCount() const override { return int(Rows.size()); }
  QString ItemName(int row) const override { return Rows.at(row).Name; }
  QString ItemPath(int row) const override { return Folder + "/" + Rows.at(row).Name; }
  bool ItemIsFolder(int row) const override { return Rows.at(row).Folder; }
  bool ItemMarked(int row) const override { return Rows.at(row).Marked; }
  void SetItemMarked(int row, bool marked) override { Rows.at(row).Marked = marked; }
  std::int32_t ItemSizeKb(int row) const override { return Rows.at(row).SizeKb; }
  void SetItemSizeKb(int row, std::int32_t sizeKb) override { Rows.at(row).SizeKb = sizeKb; }
  void RowChanged(int row) override { ChangedRows.push_back(row); }
  void RepaintList() override { ++Repaints; }
  int CurrentRow() const override { return Current; }
  void SelectRow(int row) override { Current = row; }
  bool ListHasFocus() const override { return Focused; }
  void EditCurrentName() override { ++Edits; }
  void SetFocusName(const QString& name) override {
    FocusName = name;
    FocusNameSet = true;
  }
  void RememberTreePosition() override { ++TreePositions; }
  void RefreshTree() override { ++TreeRefreshes; }
  QString PathText() const override { return Folder + "/"; }
  void SetPath(const QString& pathText) override {
    QString folder = pathText;
    folder.chop(1);
    List(folder);
  }
  std::uint64_t ListingGeneration() const override { return Generation; }
  void SetStatusText(const QString& text) override { Statuses << text; }
  void SetSummaryText(const QString& text) override { Summary = text; }
  QString PanelPath() const override { return Panel; }
  void ShowPanel() override { ++PanelShows; }
  void FillPanelList() override { ++PanelFills; }

  QString Folder;
  std::vector<FakeRow> Rows;
  int Current = -1;
  bool Focused = true;
  std::uint64_t Generation = 0;
  QString FocusName;
  bool FocusNameSet = false;
  QString Panel;
  QString Summary;
  QStringList Statuses;
  std::vector<int> ChangedRows;
  int Repaints = 0, Edits = 0, TreePositions = 0, TreeRefreshes = 0, PanelShows = 0, PanelFills = 0, Listings = 0;
};

}  // namespace zarn::test
