#include "ui.h"

#include <QJsonDocument>

namespace zarn::e2e {
namespace {

QString NameOf(const TWidget& widget) { return widget.value(QStringLiteral("name")).toString(); }
bool IsShown(const TWidget& widget) { return widget.value(QStringLiteral("visible")).toBool(); }

}  // namespace

TWidget FindWithin(const TWidget& widget, const std::function<bool(const TWidget&)>& wanted) {
  if (!IsShown(widget)) return {};
  if (wanted(widget)) return widget;
  for (const QJsonValue& child : widget.value(QStringLiteral("children")).toArray()) {
    TWidget found = FindWithin(child.toObject(), wanted);
    if (!found.isEmpty()) return found;
  }
  return {};
}

TWidget ItemViewIn(const TWidget& window) {
  return FindWithin(window, [](const TWidget& widget) { return widget.contains(QStringLiteral("rows")); });
}

QRect RectOf(const TWidget& widget) {
  return QRect(widget.value(QStringLiteral("x")).toInt(), widget.value(QStringLiteral("y")).toInt(),
               widget.value(QStringLiteral("w")).toInt(), widget.value(QStringLiteral("h")).toInt());
}

QPoint CentreOf(const TWidget& widget) { return RectOf(widget).center(); }
QString TextOf(const TWidget& widget) { return widget.value(QStringLiteral("text")).toString(); }

QJsonObject RowOf(const TWidget& view, int row) {
  const QJsonArray rows = view.value(QStringLiteral("rows")).toArray();
  return row >= 0 && row < rows.size() ? rows.at(row).toObject() : QJsonObject();
}

QStringList RowTexts(const TWidget& view, int column) {
  QStringList texts;
  for (const QJsonValue& row : view.value(QStringLiteral("rows")).toArray()) {
    texts << row.toObject().value(QStringLiteral("texts")).toArray().at(column).toString();
  }
  return texts;
}

int RowIndexOf(const TWidget& view, const QString& text) { return int(RowTexts(view).indexOf(text)); }

TWidget TUi::Window(const QString& name) const {
  TWidget hidden;
  for (const QJsonValue& value : Root_.value(QStringLiteral("windows")).toArray()) {
    const TWidget window = value.toObject();
    if (NameOf(window) != name) continue;
    if (IsShown(window)) return window;
    if (hidden.isEmpty()) hidden = window;
  }
  return hidden;
}

bool TUi::Shown(const QString& window) const { return IsShown(Window(window)); }

TWidget TUi::Where(const std::function<bool(const TWidget&)>& wanted, const QString& window) const {
  for (const QJsonValue& value : Root_.value(QStringLiteral("windows")).toArray()) {
    const TWidget top = value.toObject();
    if (!window.isEmpty() && NameOf(top) != window) continue;
    TWidget found = FindWithin(top, wanted);
    if (!found.isEmpty()) return found;
  }
  return {};
}

TWidget TUi::Widget(const QString& name, const QString& window) const {
  return Where([&](const TWidget& widget) { return NameOf(widget) == name; }, window);
}

TWidget TUi::WithText(const QString& text, const QString& className, const QString& window) const {
  return Where(
      [&](const TWidget& widget) {
        return TextOf(widget) == text &&
               (className.isEmpty() || widget.value(QStringLiteral("class")).toString() == className);
      },
      window);
}

TWidget TUi::WindowOfClass(const QString& className) const {
  for (const QJsonValue& value : Root_.value(QStringLiteral("windows")).toArray()) {
    const TWidget top = value.toObject();
    if (IsShown(top) && top.value(QStringLiteral("class")).toString() == className) return top;
  }
  return {};
}

QString TUi::Text(const QString& name, const QString& window) const {
  const TWidget widget = Widget(name, window);
  return widget.isEmpty() ? QString() : TextOf(widget);
}

QByteArray TUi::Json() const { return QJsonDocument(Root_).toJson(QJsonDocument::Indented); }

}  // namespace zarn::e2e
