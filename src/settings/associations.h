#pragma once
// The extension-to-program table and its file zarn.ext: two lines per row (the
// extension with its dot, then the program's full path), UTF-8 with CR LF,
// read with CR LF or LF. No widgets: the associations window keeps the rows in
// its list and converts them with these functions.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

#include "platform/errors.h"

namespace zarn {

struct TAssociation {
  QString Extension;  // as the user typed it, normally with a leading dot
  QString Program;    // full path of the program
  bool operator==(const TAssociation&) const = default;
};
using TAssociationTable = QList<TAssociation>;

// The extension of a path as the lookup sees it: from the last dot of the file
// name part on, dot included, letter case kept; empty when the name has no dot.
QString FileExtension(const QString& path);
// `text` without the characters of code 32 or less at both ends (only those:
// a no-break space or an ideographic space is kept).
QString TrimControlAndBlank(const QString& text);
// The program of the first row whose extension, trimmed as above, equals
// `extension` exactly (letter case counts). Empty means no association, also
// for a matching row with an empty program.
QString LookupAssociation(const TAssociationTable& table, const QString& extension);

// Lines to rows and back. A trailing odd line yields a row with no program.
TAssociationTable AssociationsFromLines(const QStringList& lines);
QStringList AssociationsToLines(const TAssociationTable& table);
// Why `text` cannot be kept in zarn.ext (a line break would shift every later
// row; bytes that are not UTF-8 would be stored changed), or empty when it can.
QString UnstorableReason(const QString& text);

// The full path of zarn.ext in the settings folder.
QString AssociationsFilePath();
// Nothing when the file does not exist; an error when it cannot be read.
ErrorOr<std::optional<TAssociationTable>> LoadAssociations(const QString& path);
// Rewrites the whole file; an empty table gives an empty file. Refuses a table
// holding a value that could not be read back as written.
ErrorOrDone SaveAssociations(const QString& path, const TAssociationTable& table);

}  // namespace zarn
