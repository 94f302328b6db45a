#include "app/probe.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextEdit>
#include <QTreeView>

namespace zarn {
namespace {

// Enough rows for any scenario; a listing of a million entries is not sent whole.
constexpr int MaxRows = 2000;

void PutRect(QJsonObject& object, const QRect& rect) {
  object[QStringLiteral("x")] = rect.x();
  object[QStringLiteral("y")] = rect.y();
  object[QStringLiteral("w")] = rect.width();
  object[QStringLiteral("h")] = rect.height();
}

QRect GlobalRect(const QWidget& widget, const QRect& local) {
  return QRect(widget.mapToGlobal(local.topLeft()), local.size());
}

QJsonObject DescribeRow(const QAbstractItemView& view, const QModelIndex& first, int depth) {
  QJsonObject row;
  QJsonArray texts;
  const QAbstractItemModel& model = *view.model();
  for (int column = 0; column < model.columnCount(first.parent()); ++column) {
    texts.append(model.index(first.row(), column, first.parent()).data().toString());
  }
  row[QStringLiteral("texts")] = texts;
  // How wide the name is, so that a reader can tell whether the row shows it whole.
  row[QStringLiteral("textWidth")] = view.fontMetrics().horizontalAdvance(first.data().toString());
  row[QStringLiteral("depth")] = depth;
  const QRect rect = view.visualRect(first);
  row[QStringLiteral("shown")] = rect.intersects(view.viewport()->rect());
  PutRect(row, GlobalRect(*view.viewport(), rect));
  row[QStringLiteral("selected")] = view.selectionModel() && view.selectionModel()->isSelected(first);
  return row;
}

// Tree views give their nodes in the order drawn, expanded ones with their children.
QJsonArray TreeRows(const QTreeView& tree) {
  QJsonArray rows;
  QModelIndex index = tree.model()->index(0, 0, tree.rootIndex());
  while (index.isValid() && rows.size() < MaxRows) {
    int depth = 0;
    for (QModelIndex up = index.parent(); up.isValid() && up != tree.rootIndex(); up = up.parent()) ++depth;
    QJsonObject row = DescribeRow(tree, index, depth);
    row[QStringLiteral("expanded")] = tree.isExpanded(index);
    rows.append(row);
    index = tree.indexBelow(index);
  }
  return rows;
}

QJsonArray FlatRows(const QAbstractItemView& view) {
  QJsonArray rows;
  const QAbstractItemModel& model = *view.model();
  const int count = std::min(model.rowCount(view.rootIndex()), MaxRows);
  for (int row = 0; row < count; ++row) rows.append(DescribeRow(view, model.index(row, 0, view.rootIndex()), 0));
  return rows;
}

void DescribeHeader(const QHeaderView& header, QJsonObject& object) {
  QJsonArray sections;
  for (int section = 0; section < header.count(); ++section) {
    QJsonObject item;
    item[QStringLiteral("text")] = header.model()->headerData(section, header.orientation()).toString();
    const QRect local = header.orientation() == Qt::Horizontal
                            ? QRect(header.sectionViewportPosition(section), 0, header.sectionSize(section), header.height())
                            : QRect(0, header.sectionViewportPosition(section), header.width(), header.sectionSize(section));
    PutRect(item, GlobalRect(*header.viewport(), local));
    sections.append(item);
  }
  object[QStringLiteral("sections")] = sections;
}

void DescribeItemView(const QAbstractItemView& view, QJsonObject& object) {
  if (const auto* header = qobject_cast<const QHeaderView*>(&view)) return DescribeHeader(*header, object);
  if (!view.model()) return;
  object[QStringLiteral("rowCount")] = view.model()->rowCount(view.rootIndex());
  object[QStringLiteral("currentRow")] = view.currentIndex().isValid() ? view.currentIndex().row() : -1;
  object[QStringLiteral("currentText")] = view.currentIndex().data().toString();
  const auto* tree = qobject_cast<const QTreeView*>(&view);
  object[QStringLiteral("rows")] = tree ? TreeRows(*tree) : FlatRows(view);
}

void DescribeMenu(const QMenu& menu, QJsonObject& object) {
  QJsonArray actions;
  for (QAction* action : menu.actions()) {
    QJsonObject item;
    item[QStringLiteral("text")] = action->text();
    item[QStringLiteral("enabled")] = action->isEnabled();
    item[QStringLiteral("separator")] = action->isSeparator();
    item[QStringLiteral("submenu")] = action->menu() != nullptr;
    PutRect(item, GlobalRect(menu, menu.actionGeometry(action)));
    actions.append(item);
  }
  object[QStringLiteral("actions")] = actions;
}

void DescribeText(const QWidget& widget, QJsonObject& object) {
  const QString text = QStringLiteral("text");
  if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
    object[text] = label->text();
    object[QStringLiteral("textWidth")] = label->fontMetrics().horizontalAdvance(label->text());
  } else if (const auto* button = qobject_cast<const QAbstractButton*>(&widget)) {
    object[text] = button->text();
    object[QStringLiteral("checkable")] = button->isCheckable();
    object[QStringLiteral("checked")] = button->isChecked();
  } else if (const auto* edit = qobject_cast<const QLineEdit*>(&widget)) {
    object[text] = edit->text();
  } else if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
    object[text] = combo->currentText();
    object[QStringLiteral("currentIndex")] = combo->currentIndex();
    QJsonArray items;
    for (int i = 0; i < std::min(combo->count(), MaxRows); ++i) items.append(combo->itemText(i));
    object[QStringLiteral("items")] = items;
  } else if (const auto* plain = qobject_cast<const QPlainTextEdit*>(&widget)) {
    object[text] = plain->toPlainText();
    object[QStringLiteral("selectedText")] = plain->textCursor().selectedText();
    object[QStringLiteral("wrap")] = plain->lineWrapMode() != QPlainTextEdit::NoWrap;
  } else if (const auto* rich = qobject_cast<const QTextEdit*>(&widget)) {
    object[text] = rich->toPlainText();
  } else if (const auto* bar = qobject_cast<const QProgressBar*>(&widget)) {
    object[QStringLiteral("value")] = bar->value();
  } else if (const auto* slider = qobject_cast<const QAbstractSlider*>(&widget)) {
    object[QStringLiteral("value")] = slider->value();
    object[QStringLiteral("minimum")] = slider->minimum();
    object[QStringLiteral("maximum")] = slider->maximum();
    object[QStringLiteral("horizontal")] = slider->orientation() == Qt::Horizontal;
  }
}

void DescribeWindow(const QWidget& widget, QJsonObject& object) {
  object[QStringLiteral("title")] = widget.windowTitle();
  object[QStringLiteral("window")] = QString::number(widget.internalWinId());
  object[QStringLiteral("modal")] = widget.isModal();
  object[QStringLiteral("active")] = widget.isActiveWindow();
}

QJsonObject DynamicProperties(const QWidget& widget) {
  QJsonObject properties;
  for (const QByteArray& name : widget.dynamicPropertyNames()) {
    if (!name.startsWith("_q_")) properties[QString::fromLatin1(name)] = widget.property(name).toString();
  }
  return properties;
}

}  // namespace

QJsonObject DescribeWidget(const QWidget& widget) {
  QJsonObject object;
  object[QStringLiteral("class")] = QString::fromLatin1(widget.metaObject()->className());
  object[QStringLiteral("name")] = widget.objectName();
  object[QStringLiteral("visible")] = widget.isVisible();
  if (widget.isWindow()) DescribeWindow(widget, object);
  if (!widget.isVisible()) return object;
  object[QStringLiteral("enabled")] = widget.isEnabled();
  object[QStringLiteral("focus")] = widget.hasFocus();
  if (!widget.toolTip().isEmpty()) object[QStringLiteral("tip")] = widget.toolTip();
  object[QStringLiteral("fontPixels")] = QFontInfo(widget.font()).pixelSize();
  const QJsonObject properties = DynamicProperties(widget);
  if (!properties.isEmpty()) object[QStringLiteral("properties")] = properties;
  PutRect(object, GlobalRect(widget, widget.rect()));
  DescribeText(widget, object);
  if (const auto* view = qobject_cast<const QAbstractItemView*>(&widget)) DescribeItemView(*view, object);
  if (const auto* menu = qobject_cast<const QMenu*>(&widget)) DescribeMenu(*menu, object);
  QJsonArray children;
  for (const QObject* child : widget.children()) {
    const auto* childWidget = qobject_cast<const QWidget*>(child);
    if (childWidget && !childWidget->isWindow()) children.append(DescribeWidget(*childWidget));
  }
  if (!children.isEmpty()) object[QStringLiteral("children")] = children;
  return object;
}

QJsonObject DescribeWindows() {
  QJsonObject answer;
  QJsonArray windows;
  for (const QWidget* widget : QApplication::topLevelWidgets()) windows.append(DescribeWidget(*widget));
  answer[QStringLiteral("windows")] = windows;
  const QWidget* active = QApplication::activeWindow();
  answer[QStringLiteral("active")] = active ? active->objectName() : QString();
  const QWidget* focus = QApplication::focusWidget();
  answer[QStringLiteral("focus")] = focus ? focus->objectName() : QString();
  const QWidget* modal = QApplication::activeModalWidget();
  answer[QStringLiteral("modalWindow")] = modal ? modal->objectName() : QString();
  return answer;
}

void StartProbeIfAsked() {
  const QString path = qEnvironmentVariable("ZARN_PROBE");
  if (path.isEmpty()) return;
  auto* server = new QLocalServer(qApp);
  QLocalServer::removeServer(path);
  if (!server->listen(path)) {
    qWarning("zarn: the probe cannot listen at %s: %s", qPrintable(path), qPrintable(server->errorString()));
    return;
  }
  QObject::connect(server, &QLocalServer::newConnection, server, [server] {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
      QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
      QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket] {
        if (!socket->canReadLine()) return;
        if (socket->readLine().trimmed() == "windows") {
          socket->write(QJsonDocument(DescribeWindows()).toJson(QJsonDocument::Compact));
        }
        socket->write("\n");
        socket->disconnectFromServer();
      });
    }
  });
}

}  // namespace zarn
