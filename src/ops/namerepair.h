#pragma once
// Names that other systems wrote in another code page, and their repair. A
// name that is not UTF-8 (1251, 866 or KOI8-R bytes from archives and disks
// written elsewhere), or a UTF-8 name whose bytes were once taken for Latin-1
// and encoded again, is read back in each of those ways; each reading is
// scored by how much it looks like a name in Russian. Qt Core only.

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace zarn {

enum class NameSource { Cp1251, Cp866, Koi8r, DoubleUtf8 };

struct TNameReading {
  NameSource Source = NameSource::Cp1251;
  QString Name;
  int Score = 0;
};

// The words a user chooses a reading by: "1251 (WIN)".
QString NameSourceCaption(NameSource source);

// True when the name is offered its repair: its bytes are not UTF-8, or they
// are the UTF-8 of a name encoded twice.
bool NameNeedsRepair(const QByteArray& name);

// The name read the way `source` says; nothing when that way cannot read it.
std::optional<QString> ReadNameAs(const QByteArray& name, NameSource source);

// The plausible readings, the likeliest first; empty when none looks like a
// name in Russian. O(name length).
std::vector<TNameReading> PlausibleReadings(const QByteArray& name);

// The ways that read every one of `names` plausibly, the likeliest (by their
// summed scores) first. Several names are repaired with one choice.
std::vector<NameSource> CommonSources(const std::vector<QByteArray>& names);

}  // namespace zarn
