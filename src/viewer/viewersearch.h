#pragma once
// The in-file search of the text viewer, without the window: the search in the
// lines of the text area and the arithmetic of the search in a hex page.
// Qt Core only.

#include <QString>
#include <QStringList>

#include <optional>

namespace zarn {

inline const QString kSearchCaption = QStringLiteral("Поиск в файле");
inline const QString kBigFileMessage = QStringLiteral("Файл большой! Включи - HEX ");

// The not-found texts: without a blank before the dash for the whole-file
// text, with one for the hex page.
QString NotFoundInTextMessage(const QString& text);
QString NotFoundInFileMessage(const QString& text);

struct TTextMatch {
  int Line = 0;    // from 0
  int Column = 0;  // from 0
  int Length = 0;
};

// The first match of `text` ignoring letter case in `lines`, starting at the
// caret (line, column) and going down. An empty text never matches.
std::optional<TTextMatch> FindInLines(const QStringList& lines, int caretLine, int caretColumn, const QString& text);

// Where the next hex search starts for a scroll position: two lines below the
// top of the page, the line after the previous match.
qint64 HexSearchStart(qint64 position);
// The scroll position that shows the line of `offset` second on its page.
qint64 MatchPosition(qint64 offset, qint64 maximum);
// The index of the hex line whose offset column is `label`, or -1.
int FindLabelLine(const QStringList& lines, const QString& label);

}  // namespace zarn
