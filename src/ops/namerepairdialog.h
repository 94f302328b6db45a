#pragma once
// The dialog that repairs names written in another code page: the ways to
// read them, the likeliest first, and each name as it is and as it would
// become. Nothing is renamed here; the caller renames with the choice.
// GUI thread only.

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

#include "ops/namerepair.h"

namespace zarn {

// The way chosen to read every one of `names`; nothing when the user
// cancelled or no way reads them all plausibly (the dialog then says so).
std::optional<NameSource> ChooseNameRepair(const std::vector<QByteArray>& names);

// Tests answer instead of a user; an empty function restores the dialog.
using NameRepairChooser = std::function<std::optional<NameSource>(const std::vector<QByteArray>& names)>;
void SetNameRepairChooser(NameRepairChooser chooser);

}  // namespace zarn
