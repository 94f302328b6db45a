#pragma once
// The main window's report-style list: rows on demand from TFolderItems. Before
// every paint it hands the model the range of rows about to be shown (the cache
// hint), so details are fetched only for visible rows. Typing finds rows by
// prefix. Marked rows paint red, hidden names struck out, system names in the
// highlight colour.

#include <QElapsedTimer>
#include <QStyledItemDelegate>
#include <QTableView>

namespace zarn {

class TFolderItems;

class TListDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

class TListView : public QTableView {
  Q_OBJECT
 public:
  explicit TListView(QWidget* parent = nullptr);

  void SetItems(TFolderItems* items);
  // The rows whose details must be known before the next paint.
  void CacheHint();
  int CurrentRow() const;
  // True while a name is being edited in place.
  bool IsEditingName() const { return state() == QAbstractItemView::EditingState; }
  void SelectRow(int row);
  // The visible row range (first, last); (-1, -1) when there are no rows.
  std::pair<int, int> VisibleRows() const;

 signals:
  // A key pressed in the list; set *handled to keep the list from acting on it.
  void KeyDown(QKeyEvent* event, bool* handled);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyboardSearch(const QString& search) override;
  QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

 private:
  void FitRowsToFont();

  TFolderItems* Items_ = nullptr;
  QString TypedText_;
  QElapsedTimer TypingTimer_;
};

}  // namespace zarn
