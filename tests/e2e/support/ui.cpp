#include "ui.h"

#include <QJsonDocument>

namespace zarn::e2e {
namespace {

QString NameOf(const TWidget& widget) { return widget.value(u"name"_s).toString(); }
bool IsShown(const TWidget& widget) { return widget.value(u"visible"_s).toBool(); }

}  // namespace

TWidget FindWithin(const TWidget& widget, const std::function<bool(const TWidget&)>& wanted) {
  if (!IsShown(widget)) return {};
  if (wanted(widget)) return widget;
  for (const QJsonValue& child : widget.value(u"children"_s).toArray()) {
    TWidget found = FindWithin(child.toObject(), wanted);
    if (!found.isEmpty()) return found;
  }
  return {};
}

TWidget ItemViewIn(const TWidget& window) {
  return FindWithin(window, [](const TWidget& widget) { return widget.contains(u"rows"_s); });
}

QRect RectOf(const TWidget& widget) {
  return QRect(widget.value(u"x"_s).toInt(), widget.value(u"y"_s).toInt(), widget.value(u"w"_s).toInt(),
               widget.value(u"h"_s).toInt());
}

QPoint CentreOf(const TWidget& widget) { return RectOf(widget).center(); }
QString TextOf(const TWidget& widget) { return widget.value(u"text"_s).toString(); }

QJsonObject RowOf(const TWidget& view, int row) {
  const QJsonArray rows = view.value(u"rows"_s).toArray();
  return row >= 0 && row < rows.size() ? rows.at(row).toObject() : QJsonObject();
}

QStringList RowTexts(const TWidget& view, int column) {
  QStringList texts;
  for (const QJsonValue& row : view.value(u"rows"_s).toArray()) {
    texts << row.toObject().value(u"texts"_s).toArray().at(column).toString();
  }
  return texts;
}

int RowIndexOf(const TWidget& view, const QString& text) { return int(RowTexts(view).indexOf(text)); }

TWidget MainList(const TUi& ui) { return ui.Widget(u"ListView"_s, u"Form1"_s); }
QString CurrentTextOf(const TWidget& view) { return view.value(u"currentText"_s).toString(); }
bool CheckedOf(const TWidget& widget) { return widget.value(u"checked"_s).toBool(); }

TWidget TUi::Window(const QString& name) const {
  TWidget hidden;
  for (const QJsonValue& value : Root_.value(u"windows"_s).toArray()) {
    const TWidget window = value.toObject();
    if (NameOf(window) != name) continue;
    if (IsShown(window)) return window;
    if (hidden.isEmpty()) hidden = window;
  }
  return hidden;
}

bool TUi::Shown(const QString& window) const { return IsShown(Window(window)); }

TWidget TUi::Where(const std::function<bool(const TWidget&)>& wanted, const QString& window) const {
  for (const QJsonValue& value : Root_.value(u"windows"_s).toArray()) {
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
        return TextOf(widget) == text && (className.isEmpty() || widget.value(u"class"_s).toString() == className);
      },
      window);
}

TWidget TUi::WindowOfClass(const QString& className) const {
  for (const QJsonValue& value : Root_.value(u"windows"_s).toArray()) {
    const TWidget top = value.toObject();
    if (IsShown(top) && top.value(u"class"_s).toString() == className) return top;
  }
  return {};
}

QString TUi::Text(const QString& name, const QString& window) const {
  const TWidget widget = Widget(name, window);
  return widget.isEmpty() ? QString() : TextOf(widget);
}

QByteArray TUi::Json() const { return QJsonDocument(Root_).toJson(QJsonDocument::Indented); }

}  // namespace zarn::e2e
