#pragma once
// Formatters of the main window's texts; no widget code.

#include <QDateTime>
#include <QString>

#include <cstdint>

#include "platform/groupdigits.h"
#include "platform/shellnamespace.h"

namespace zarn {

// File size in bytes rounded up to whole KB, never less than 1; computed in
// 64 bits and stored in 32 as the item record holds it.
std::int32_t SizeKbOf(const FindData& data);

// Local last-write time as text: short date, one blank, long time; the time
// left out at exactly midnight; empty when unknown.
QString ModifiedTextOf(const FindData& data);
QString FormatModifiedTime(const QDateTime& local);

// "R", "H", "S", "A" for the attribute bits 0x01, 0x02, 0x04, 0x20, in that order.
QString AttributeLetters(std::uint32_t attributes);

// The two-part free-space bar: 220 pixels ending at x = 375.
struct FreeSpaceBar {
  int UsedLeft = 157;  // aqua part
  int UsedWidth = 220;
  int FreeLeft = 375;  // yellow part
  int FreeWidth = 0;
};
FreeSpaceBar ComputeFreeSpaceBar(qint64 totalKb, qint64 freeKb);

}  // namespace zarn
