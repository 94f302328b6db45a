#include "viewer/trf.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>

#include <utility>

#include "platform/guard.h"
#include "platform/prompter.h"
#include "viewer/fileaccess.h"
#include "viewer/findinfile.h"
#include "viewer/pagetext.h"
#include "viewer/utf8text.h"
#include "viewer/viewersearch.h"
#include "viewer/viewfile.h"

namespace zarn {
namespace {

constexpr int kFontPixels = 13;
// The text area's font size in points at 96 dots per inch, which the page size follows.
constexpr int kFontPoints = 10;

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& text, const QString& hint) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(QLatin1String(name));
  button->setToolTip(hint);
  button->setFocusPolicy(Qt::TabFocus);
  return button;
}

}  // namespace

TRF::TRF(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("RF"));
  setWindowTitle(QStringLiteral("Просмотр содержимого файлов  V1.4"));
  resize(717, 488);
  CreateControls();
  ConnectControls();
  LayoutControls();
  RF = this;
}

TRF::~TRF() {
  if (RF == this) RF = nullptr;
}

void TRF::CreateControls() {
  Memo1 = new QPlainTextEdit(this);
  Memo1->setObjectName(QStringLiteral("Memo1"));
  Memo1->setReadOnly(true);
  Memo1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  font.setPixelSize(kFontPixels);
  Memo1->setFont(font);
  SetWordWrap(true);
  SetMemoScrollBars(false, false);
  Memo1->installEventFilter(this);
  ScrollBar1 = new QScrollBar(Qt::Vertical, this);
  ScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
  ScrollBar1->setMinimum(0);
  CreateButtons();
}

// The buttons under the text area, each with its handler.
void TRF::CreateButtons() {
  const struct {
    QPushButton* TRF::*Button;
    const char* Name;
    const char* Caption;
    const char* Hint;
    QStyle::StandardPixmap Icon;
    void (*Click)(TRF& viewer);
  } buttons[] = {
      {&TRF::Button5, "Button5", "TXT - HEX", "Режимы просмотра", QStyle::SP_CustomBase,
       [](TRF& viewer) { viewer.Button5Click(); }},
      {&TRF::BitBtn1, "BitBtn1", "", "Переключение кодировки", QStyle::SP_BrowserReload,
       [](TRF& viewer) { viewer.BitBtn1Click(); }},
      {&TRF::BitBtn2, "BitBtn2", "", "Выход - Esc", QStyle::SP_DialogCloseButton, [](TRF& viewer) { viewer.close(); }},
      {&TRF::BitBtn3, "BitBtn3", "", "Завернуть длинные строки", QStyle::SP_ArrowDown,
       [](TRF& viewer) { viewer.BitBtn3Click(); }},
      {&TRF::Button3, "Button3", "Искать >", "Поиск в файле", QStyle::SP_CustomBase,
       [](TRF& viewer) {
         if (!ViewFileName.isEmpty()) viewer.FindInViewer();
       }},
  };
  for (const auto& design : buttons) {
    QPushButton* button = MakeButton(this, design.Name, QString::fromUtf8(design.Caption), QString::fromUtf8(design.Hint));
    if (design.Icon != QStyle::SP_CustomBase) button->setIcon(style()->standardIcon(design.Icon));
    this->*design.Button = button;
    const auto click = design.Click;
    connect(button, &QPushButton::clicked, this, [this, click] { Guarded([this, click] { click(*this); }); });
  }
  Label3 = new QLabel(QStringLiteral("WIN"), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  QFont bold(QStringLiteral("Arial"));
  bold.setPixelSize(13);
  bold.setBold(true);
  Label3->setFont(bold);
  Label4 = new QLabel(QStringLiteral("UCODE  DOS"), this);
  Label4->setObjectName(QStringLiteral("Label4"));
  Label4->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setToolTip(QStringLiteral("Введи текст для поиска"));
}

void TRF::ConnectControls() {
  connect(ScrollBar1, &QScrollBar::valueChanged, this, [this](int value) {
    if (SyncingBar_) return;
    Pager_.SetPositionFromBar(value);
    Guarded([this] { ScrollBar1Change(); });
  });
  connect(Edit1, &QLineEdit::returnPressed, this, [this] { Guarded([this] { FindInViewer(); }); });
}

void TRF::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  LayoutControls();
}

void TRF::LayoutControls() {
  const int memoWidth = std::max(width() - 45, 1);
  const int memoHeight = std::max(height() - 75, 1);
  Memo1->setGeometry(0, 0, memoWidth, memoHeight);
  ScrollBar1->setGeometry(memoWidth + 8, 0, 17, memoHeight);
  const int row = memoHeight + 12;
  // The row under the text area: control and width, left to right.
  const std::pair<QWidget*, int> leftRow[] = {{Button5, 90}, {BitBtn1, 32}, {Label3, 50}, {Label4, 90}, {BitBtn3, 32}};
  int left = 8;
  for (const auto& [control, controlWidth] : leftRow) {
    control->setGeometry(left, row, controlWidth, 28);
    left += controlWidth + 6;
  }
  const int editWidth = std::max(width() - left - 150, 60);
  Edit1->setGeometry(left, row, editWidth, 28);
  Button3->setGeometry(left + editWidth + 6, row, 80, 28);
  BitBtn2->setGeometry(width() - 48, row, 32, 28);
  ComputeLinesPerPage();
}

void TRF::ComputeLinesPerPage() {
  Pager_.SetLinesPerPage(LinesPerPageFor(Memo1->height(), kFontPoints));
}

void TRF::SetMemoScrollBars(bool vertical, bool horizontal) {
  Memo1->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
  Memo1->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
}

void TRF::SetWordWrap(bool wrap) {
  Memo1->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TRF::ViewFile() {
  TextMode_ = false;
  ComputeLinesPerPage();
  if (ViewFileName.isEmpty()) return;
  if (ViewFileName != OpenedFile_) ChooseCodePageFor(ViewFileName);
  FileSize_ = FileSize64(ViewFileName);
  setWindowTitle(QStringLiteral(" Просмотр файла - ") + ViewFileName + QStringLiteral(" - Размер : ") +
                 QString::number(FileSize_));
  if (FileSize_ < static_cast<quint64>(kWholeFileLimit)) {
    ShowWholeFile();
    return;
  }
  WholeFileMode_ = false;
  Pager_.SetPageRange(FileSize_, Pager_.LinesPerPage());
  SetPageRange();
  Pager_.SetPosition(0);
  SyncBar();
  ScrollBar1Change();
}

// A newly opened file starts in the code page its first bytes show: UTF-16
// with its byte-order mark, UTF-8 when its non-ASCII bytes are valid UTF-8;
// otherwise in the code page last chosen by hand.
void TRF::ChooseCodePageFor(const QString& path) {
  OpenedFile_ = path;
  constexpr qint64 kLookedAt = 64 * 1024;
  auto start = ReadFileStart(path, kLookedAt);
  const QByteArray bytes = start.IsError() ? QByteArray() : start.Value();
  CodePage page = ChosenCodePage_;
  if (bytes.startsWith("\xFF\xFE")) {
    page = CodePage::Ucode;
  } else if (LooksLikeUtf8(bytes, bytes.size() == kLookedAt)) {
    page = CodePage::Utf8;
  }
  ShowCodePage(page);
}

void TRF::ShowCodePage(CodePage page) {
  if (page == CodePage_) return;
  CodePage_ = page;
  Label3->setText(CodePageInfo(page).Name);
  Label4->setText(CodePageInfo(page).OtherNames);
}

void TRF::ShowWholeFile() {
  WholeFileMode_ = true;
  TextMode_ = true;
  ScrollBar1->hide();
  SetMemoScrollBars(true, true);
  Memo1->clear();
  if (CodePageInfo(CodePage_).Units == TextUnits::Utf16LittleEndian) {
    LoadWideText();
    return;
  }
  Memo1->setPlainText(WholeFileText(ReadSmallFile(), CodePage_));
}

QByteArray TRF::ReadSmallFile() {
  // Read to the end rather than to the reported size: files of the /proc kind
  // report 0, and their pages are then those of what was read.
  const QByteArray bytes = ValueOrRaise(ReadFileStart(ViewFileName, kWholeFileLimit - 1));
  FileSize_ = std::max<quint64>(FileSize_, static_cast<quint64>(bytes.size()));
  return bytes;
}

void TRF::LoadWideText() {
  Memo1->setPlainText(WholeFileText(ReadSmallFile(), CodePage_));
  Memo1->setFocus();
}

void TRF::SetPageRange() {
  SetMemoScrollBars(false, false);
  ScrollBar1->show();
  SyncingBar_ = true;
  ScrollBar1->setMaximum(Pager_.BarMaximum());
  ScrollBar1->setPageStep(static_cast<int>(std::min<qint64>(Pager_.LargeStep(), Pager_.BarMaximum())));
  ScrollBar1->setEnabled(Pager_.Enabled());
  SyncingBar_ = false;
}

void TRF::SyncBar() {
  SyncingBar_ = true;
  ScrollBar1->setValue(Pager_.BarValue());
  SyncingBar_ = false;
}

void TRF::SetPosition(qint64 position) {
  Pager_.SetPosition(position);
  SyncBar();
  ScrollBar1Change();
}

void TRF::ScrollBar1Change() {
  if (ViewFileName.isEmpty()) return;
  Memo1->clear();
  const qint64 count = Pager_.PageCount(TextMode_);
  // A window too small for one line reads nothing.
  if (count <= 0) return;
  const quint64 offset = Pager_.PageOffset();
  const bool atFileEnd = offset + static_cast<quint64>(count) >= FileSize_;
  if (TextMode_ && CodePageInfo(CodePage_).Units == TextUnits::Utf8) return ShowUtf8TextPage(offset, count, atFileEnd);
  const QByteArray bytes = ValueOrRaise(ReadFileRange(ViewFileName, offset, count));
  if (TextMode_) {
    Memo1->setPlainText(TextPageText(bytes, CodePage_));
    return;
  }
  Memo1->setPlainText(HexPageLines(bytes, offset, CodePage_, atFileEnd).join(QLatin1Char('\n')));
}

// A UTF-8 text page begins with the character the page's first byte belongs
// to, read from up to three bytes before it, and leaves a character it cuts
// off to the next page.
void TRF::ShowUtf8TextPage(quint64 offset, qint64 count, bool atFileEnd) {
  const quint64 before = std::min<quint64>(offset, 3);
  const QByteArray bytes = ValueOrRaise(ReadFileRange(ViewFileName, offset - before, count + qint64(before)));
  const TUtf8Slice slice = WholeCharacters(bytes, qsizetype(before), atFileEnd);
  Memo1->setPlainText(TextPageText(bytes.mid(slice.Begin, slice.End - slice.Begin), CodePage_));
}

void TRF::Button5Click() {
  Pager_.SetPageRange(FileSize_, Pager_.LinesPerPage());
  SetPageRange();
  SyncBar();
  Memo1->clear();
  WholeFileMode_ = false;
  TextMode_ = !TextMode_;
  Memo1->setFocus();
  ScrollBar1Change();
}

void TRF::BitBtn1Click() {
  ShowCodePage(NextCodePage(CodePage_));
  ChosenCodePage_ = CodePage_;
  // Into 16-bit units a small file is only read again, its display state kept.
  if (CodePageInfo(CodePage_).Units == TextUnits::Utf16LittleEndian) {
    Memo1->clear();
    if (FileSize_ < static_cast<quint64>(kWholeFileLimit)) {
      if (!ViewFileName.isEmpty()) LoadWideText();
      return;
    }
  }
  Memo1->setFocus();
  ViewFile();
}

void TRF::BitBtn3Click() {
  if (ViewFileName.isEmpty()) return;
  SetWordWrap(true);
  SetMemoScrollBars(true, false);
  Memo1->setFocus();
}

bool TRF::eventFilter(QObject* watched, QEvent* event) {
  if (watched == Memo1 && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    bool consumed = false;
    Guarded([&] { consumed = Memo1KeyDown(key); });
    return consumed;
  }
  return QWidget::eventFilter(watched, event);
}

bool TRF::Memo1KeyDown(int key) {
  if (key == Qt::Key_Escape) {
    close();
    return true;
  }
  if (WholeFileMode_ || Memo1->document()->isEmpty()) return false;
  bool moved = false;
  switch (key) {
    case Qt::Key_Up: moved = Pager_.LineUp(); break;
    case Qt::Key_Down: moved = Pager_.LineDown(); break;
    case Qt::Key_Home: moved = Pager_.Home(); break;
    case Qt::Key_End: moved = Pager_.End(); break;
    case Qt::Key_PageUp: moved = Pager_.PageUp(); break;
    case Qt::Key_PageDown: moved = Pager_.PageDown(); break;
    default: return false;
  }
  if (moved) {
    SyncBar();
    ScrollBar1Change();
  }
  // The keys are not consumed, so the caret moves as well.
  return false;
}

bool TRF::MouseWheel(int distance) {
  if (WholeFileMode_) {
    Memo1->verticalScrollBar()->triggerAction(distance > 0 ? QAbstractSlider::SliderSingleStepSub
                                                           : QAbstractSlider::SliderSingleStepAdd);
    return true;
  }
  const bool moved = distance > 0 ? Pager_.LineUp() : Pager_.LineDown();
  if (moved) {
    SyncBar();
    ScrollBar1Change();
  }
  return true;
}

void TRF::FindInViewer() {
  SetWordWrap(false);
  SetMemoScrollBars(true, true);
  const QString text = Edit1->text();
  if (WholeFileMode_) {
    if (!FindInMemo(text)) Prompter().ShowMessage(NotFoundInTextMessage(text), kSearchCaption);
    return;
  }
  if (TextMode_) {
    Prompter().ShowMessage(kBigFileMessage);
    return;
  }
  FindInHexPage(text);
}

bool TRF::FindInMemo(const QString& text) {
  Memo1->setFocus();
  const QTextCursor cursor = Memo1->textCursor();
  const QTextBlock caretBlock = Memo1->document()->findBlock(cursor.selectionEnd());
  const int caretColumn = cursor.selectionEnd() - caretBlock.position();
  const QStringList lines = Memo1->toPlainText().split(QLatin1Char('\n'));
  const auto match = FindInLines(lines, caretBlock.blockNumber(), caretColumn, text);
  if (!match) return false;
  SelectInMemo(match->Line, match->Column, match->Length);
  return true;
}

void TRF::FindInHexPage(const QString& text) {
  const qint64 start = HexSearchStart(Pager_.Position());
  const qint64 offset = ValueOrRaise(FindTextInFile(ViewFileName, text, CodePage_, start));
  ScrollBar1->setEnabled(true);
  if (offset < 0) {
    Prompter().ShowMessage(NotFoundInFileMessage(text), kSearchCaption);
    return;
  }
  SetPosition(MatchPosition(offset, Pager_.Maximum()));
  const QStringList lines = Memo1->toPlainText().split(QLatin1Char('\n'));
  const int line = FindLabelLine(lines, LineLabel(static_cast<quint64>(offset)));
  if (line >= 0) SelectInMemo(line, 0, 8);
  Memo1->setFocus();
}

void TRF::SelectInMemo(int line, int column, int length) {
  const QTextBlock block = Memo1->document()->findBlockByNumber(line);
  QTextCursor cursor(Memo1->document());
  cursor.setPosition(block.position() + column);
  cursor.setPosition(block.position() + column + length, QTextCursor::KeepAnchor);
  Memo1->setTextCursor(cursor);
}

}  // namespace zarn
