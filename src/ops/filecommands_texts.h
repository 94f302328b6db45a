#pragma once
// The confirmation texts of copy, move and delete. Widget-free.

#include <QString>
#include <QStringList>

namespace zarn {

// The text after the last "/" (a trailing "/" is ignored).
QString FileNamePart(const QString& path);

// The copy question for several objects: the count, at most six names, the
// destination folder.
QString CopyConfirmationText(const QStringList& sources, const QString& panelPath);
// The move question: the count and the destination folder, no names.
QString MoveConfirmationText(int count, const QString& panelPath);
// The delete question: the count and at most five names.
QString DeleteConfirmationText(const QStringList& sources);

inline const QString CopyConfirmationCaption = QStringLiteral("КОПИРОВАНИЕ / COPY !!!");
inline const QString MoveConfirmationCaption = QStringLiteral("ПЕРЕМЕЩЕНИЕ / MOVE !!!");
inline const QString DeleteConfirmationCaption = QStringLiteral("Удаление выделенных объектов...");
inline const QString DeleteToTrashCaption = QStringLiteral("Удалять в корзину.");

}  // namespace zarn
