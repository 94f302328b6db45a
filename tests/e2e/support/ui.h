#pragma once
// One look at the program's windows, as its probe describes them: every
// top-level window with its controls, found by objectName (or by class and
// text for the standard boxes), with their texts and screen rectangles.

#include <QJsonArray>
#include <QJsonObject>
#include <QPoint>
#include <QRect>
#include <QString>
#include <functional>

namespace zarn::e2e {

// u"text"_s for the many texts of the scenarios.
using namespace Qt::StringLiterals;

using TWidget = QJsonObject;

QRect RectOf(const TWidget& widget);
QPoint CentreOf(const TWidget& widget);
QString TextOf(const TWidget& widget);
// Row `row` of an item view (its "rows" array), or an empty object.
QJsonObject RowOf(const TWidget& view, int row);
// The index of the first row whose first column reads `text`, or -1.
int RowIndexOf(const TWidget& view, const QString& text);
QStringList RowTexts(const TWidget& view, int column = 0);
// The first shown widget within `widget` (itself included) for which `wanted` holds.
TWidget FindWithin(const TWidget& widget, const std::function<bool(const TWidget&)>& wanted);
// The first shown item view (a widget with rows) within a window.
TWidget ItemViewIn(const TWidget& window);

class TUi;
// The main window's file list.
TWidget MainList(const TUi& ui);
// The text of a view's cursor row; whether a check box or button is ticked.
QString CurrentTextOf(const TWidget& view);
bool CheckedOf(const TWidget& widget);

class TUi {
 public:
  TUi() = default;
  explicit TUi(QJsonObject root) : Root_(std::move(root)) {}

  // False when the program did not answer (busy, hung or gone).
  bool Answered() const { return !Root_.isEmpty(); }

  // The top-level window with this objectName, a shown one first.
  TWidget Window(const QString& name) const;
  bool Shown(const QString& window) const;
  // The first shown widget with this objectName, within `window` when given.
  TWidget Widget(const QString& name, const QString& window = {}) const;
  // The first shown widget (of `className`, when given) whose text is `text`.
  TWidget WithText(const QString& text, const QString& className = {}, const QString& window = {}) const;
  // The first shown top-level window of a class ("QMessageBox", "QInputDialog", "QMenu").
  TWidget WindowOfClass(const QString& className) const;
  // The text of the named widget, or a null string when it is not shown.
  QString Text(const QString& name, const QString& window = {}) const;
  // objectNames of the active window, the focus widget and the modal window.
  QString Active() const { return Root_.value(u"active"_s).toString(); }
  QString Focus() const { return Root_.value(u"focus"_s).toString(); }
  QString Modal() const { return Root_.value(u"modalWindow"_s).toString(); }

  // The first shown widget for which `wanted` holds, within `window` when given.
  TWidget Where(const std::function<bool(const TWidget&)>& wanted, const QString& window = {}) const;

  QByteArray Json() const;

 private:
  QJsonObject Root_;
};

}  // namespace zarn::e2e
