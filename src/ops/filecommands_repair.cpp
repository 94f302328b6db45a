// The repair of names written in another code page, from the list's context
// menu: one row, or every marked row when the menu's row is marked.

#include "ops/commandhost.h"
#include "ops/filecommands.h"
#include "ops/namerepair.h"
#include "ops/namerepairdialog.h"
#include "ops/shellfileop.h"
#include "platform/filenames.h"

namespace zarn {
namespace {

QByteArray NameBytes(const QString& path) {
  const QByteArray native = ToNativeName(path);
  return native.mid(native.lastIndexOf('/') + 1);
}

}  // namespace

bool TFileCommands::RowNameNeedsRepair(int row) const {
  return row >= 0 && row < Host_.ItemCount() && NameNeedsRepair(NameBytes(Host_.ItemPath(row)));
}

void TFileCommands::RepairNames(int row) {
  std::vector<int> rows;
  for (int each = 0; each < Host_.ItemCount(); ++each) {
    const bool asked = Host_.ItemMarked(row) ? Host_.ItemMarked(each) : each == row;
    if (asked && RowNameNeedsRepair(each)) rows.push_back(each);
  }
  if (rows.empty()) return;
  std::vector<QByteArray> names;
  for (const int each : rows) names.push_back(NameBytes(Host_.ItemPath(each)));
  const std::optional<NameSource> source = ChooseNameRepair(names);
  if (!source) return;
  Host_.RememberTreePosition();
  const QString folder = Host_.PathText();
  QString focus;
  for (size_t index = 0; index < rows.size(); ++index) {
    const std::optional<QString> repaired = ReadNameAs(names[index], *source);
    if (!repaired || !IsSingleName(*repaired)) continue;
    // A taken name gives the object a free one, as every rename here does;
    // a failure has been shown by the engine's own error question.
    if (ShellRename(Host_.ItemPath(rows[index]), folder + *repaired, true) == 0 && focus.isEmpty()) focus = *repaired;
  }
  if (!focus.isEmpty()) Host_.SetFocusName(focus);
  Host_.SetPath(folder);
  Host_.RefreshTree();
}

}  // namespace zarn
