#include "browser/tlistview.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

#include "browser/folderitems.h"
#include "platform/shellnamespace.h"

namespace zarn {

void TListDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  const auto attributes = index.data(AttributesRole).toUInt();
  const bool marked = index.data(MarkedRole).toBool();
  QColor colour = option->palette.color(QPalette::Text);
  if (index.column() == 0) {
    if (attributes & FILE_ATTRIBUTE_HIDDEN) option->font.setStrikeOut(true);
    if (attributes & FILE_ATTRIBUTE_SYSTEM) colour = option->palette.color(QPalette::Highlight);
  }
  if (marked) colour = QColor(255, 0, 0);
  option->palette.setColor(QPalette::Text, colour);
  // A marked row stays red under the selection bar.
  if (marked) option->palette.setColor(QPalette::HighlightedText, colour);
}

TListView::TListView(QWidget* parent) : QTableView(parent) {
  setItemDelegate(new TListDelegate(this));
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setShowGrid(false);
  setWordWrap(false);
  setTabKeyNavigation(false);
  setEditTriggers(QAbstractItemView::EditKeyPressed);
  verticalHeader()->hide();
  // Fixed row heights keep a list of a million rows as cheap as one of ten.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  FitRowsToFont();
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setStretchLastSection(false);
  TypingTimer_.invalidate();
}

void TListView::FitRowsToFont() { verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4); }

// A larger font from the settings window must not leave its names clipped in rows of the old height.
void TListView::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) FitRowsToFont();
}

void TListView::SetItems(TFolderItems* items) {
  Items_ = items;
  setModel(items);
}

std::pair<int, int> TListView::VisibleRows() const {
  if (!model() || model()->rowCount() == 0) return {-1, -1};
  const int first = std::max(0, rowAt(0));
  int last = rowAt(viewport()->height() - 1);
  if (last < 0) last = model()->rowCount() - 1;
  return {first, last};
}

void TListView::CacheHint() {
  if (!Items_) return;
  const auto [first, last] = VisibleRows();
  if (first >= 0) Items_->GetItemDetails(first, last);
}

void TListView::paintEvent(QPaintEvent* event) {
  CacheHint();
  QTableView::paintEvent(event);
}

int TListView::CurrentRow() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

void TListView::SelectRow(int row) {
  if (!model() || row < 0 || row >= model()->rowCount()) return;
  const QModelIndex index = model()->index(row, 0);
  setCurrentIndex(index);
  scrollTo(index, QAbstractItemView::EnsureVisible);
}

void TListView::keyPressEvent(QKeyEvent* event) {
  bool handled = false;
  emit KeyDown(event, &handled);
  if (!handled) QTableView::keyPressEvent(event);
}

// A report list moves between rows only, as every file list does: Home and End
// go to the first and the last row, Left and Right scroll sideways, and the
// cursor stays in the Name column so that it never scrolls out of view.
QModelIndex TListView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  switch (action) {
    case MoveHome:
    case MoveEnd:
      return QTableView::moveCursor(action, Qt::ControlModifier).siblingAtColumn(0);
    case MoveLeft:
    case MoveRight: {
      QScrollBar* bar = horizontalScrollBar();
      bar->setValue(bar->value() + (action == MoveLeft ? -bar->singleStep() : bar->singleStep()));
      return currentIndex();
    }
    case MoveUp:
    case MoveDown:
    case MovePageUp:
    case MovePageDown:
    case MoveNext:
    case MovePrevious: break;
  }
  return QTableView::moveCursor(action, modifiers).siblingAtColumn(0);
}

void TListView::keyboardSearch(const QString& search) {
  if (!Items_ || search.isEmpty()) return;
  // Typing within the keyboard interval continues the search from the current
  // row; a fresh search starts at the row after it.
  const bool continuing = TypingTimer_.isValid() && TypingTimer_.elapsed() < QApplication::keyboardInputInterval();
  TypedText_ = continuing ? TypedText_ + search : search;
  TypingTimer_.start();
  const int current = CurrentRow();
  const int start = continuing ? std::max(current, 0) : current + 1;
  const int found = Items_->FindPrefix(TypedText_, start, true);
  if (found >= 0) SelectRow(found);
}

}  // namespace zarn
