#include "browser/tform1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/maincommandhost.h"
#include "browser/shelltree.h"
#include "browser/tlistview.h"
#include "panel/drivecombobox.h"
#include "ops/glyphs.h"
#include "platform/guard.h"
#include "platform/mountwatcher.h"

namespace zarn {

struct TForm1::ButtonSpec {
  const char* Name;
  const char* Hint;
  QRect Geometry;
  const char* ThemeIcon;
  QStyle::StandardPixmap StyleIcon;
  const char* Glyph;  // one of the program's own glyphs, or nullptr
  bool RightAnchored;
};

namespace {

QFont ArialBold(int pixels) {
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(pixels);
  font.setBold(true);
  return font;
}

QLabel* AddLabel(QWidget* panel, const char* name, const QString& text, const QRect& geometry) {
  auto* label = new QLabel(text, panel);
  label->setObjectName(QLatin1String(name));
  label->setGeometry(geometry);
  label->setFont(ArialBold(13));
  return label;
}

QFrame* AddShape(QWidget* panel, const char* name, const QRect& geometry, const QColor& colour) {
  auto* shape = new QFrame(panel);
  shape->setObjectName(QLatin1String(name));
  shape->setGeometry(geometry);
  shape->setAutoFillBackground(true);
  QPalette palette = shape->palette();
  palette.setColor(QPalette::Window, colour);
  shape->setPalette(palette);
  shape->setFrameShape(QFrame::Box);
  return shape;
}

QWidget* AddPanel(QWidget* parent, const char* name) {
  auto* panel = new QWidget(parent);
  panel->setObjectName(QLatin1String(name));
  return panel;
}

}  // namespace

TForm1::TForm1(QWidget* parent) : QMainWindow(parent), DesktopFolder_(SHGetDesktopFolder()) {
  if (!Form1) Form1 = this;
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("Zarn - Ver. 1.4"));
  QFont windowFont(QStringLiteral("Tahoma"));
  windowFont.setPixelSize(11);
  setFont(windowFont);
  Items_ = new TFolderItems(this);
  Commands_ = std::make_unique<TCommandLayer>(*this);
  auto* central = new QWidget(this);
  auto* layout = new QVBoxLayout(central);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  setCentralWidget(central);
  CreateTopPanel();
  CreateMiddle();
  CreateBottomPanel();
  resize(DesignedClientWidth, 540);
  Wire();
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  // The context-menu key asks the same way as a right click.
  ListView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListView, &QWidget::customContextMenuRequested, this, GuardedSlot([this] { PopupMenu1Popup(); }));
  // Creating the window: start path, first listing on the computer's volumes.
  LoadDrives();
  StartPath_ = QStringLiteral("/");
  SortMode = 0;
  TreeNodeToRefresh = 2;
  MainShown = false;
  Guarded([this] { SetFolder(ComputerIdList()); });
  cbPath->setFocus();
  cbPath->lineEdit()->selectAll();
}

TForm1::~TForm1() {
  Commands_->Workers.WaitForStopped();
  if (Form1 == this) Form1 = nullptr;
}

TSelection& TForm1::Selection() const { return Commands_->Selection; }
TFileCommands& TForm1::Commands() const { return Commands_->Commands; }

void TForm1::CreateTopPanel() {
  Panel1 = AddPanel(centralWidget(), "Panel1");
  Panel1->setFixedHeight(89);
  centralWidget()->layout()->addWidget(Panel1);
  AddLabel(Panel1, "Label2", QStringLiteral(" Путь:"), {5, 13, 37, 20});
  cbPath = new QComboBox(Panel1);
  cbPath->setObjectName(QStringLiteral("cbPath"));
  cbPath->setEditable(true);
  cbPath->setInsertPolicy(QComboBox::NoInsert);
  cbPath->setGeometry(48, 8, 592, 24);
  cbPath->setFont(ArialBold(13));
  AddLabel(Panel1, "Label3", QStringLiteral("На "), {13, 36, 23, 21});
  DriveComboBox1 = new TDriveComboBox(Panel1);
  DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
  DriveComboBox1->setGeometry(48, 35, 81, 20);
  DriveComboBox1->setFont(ArialBold(11));
  AddLabel(Panel1, "Label4", QStringLiteral("из"), {133, 35, 20, 21})->setFont(ArialBold(16));
  Shape1 = AddShape(Panel1, "Shape1", {157, 35, 110, 18}, QColor(0, 255, 255));
  // The totals sit on the bar, in the middle of its height.
  Label5 = AddLabel(Panel1, "Label5", QString(), {159, 35, 110, 18});
  Label5->setFont(ArialBold(10));
  Label5->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  Shape2 = AddShape(Panel1, "Shape2", {267, 35, 110, 18}, QColor(255, 255, 0));
  Label6 = AddLabel(Panel1, "Label6", QString(), {263, 35, 110, 18});
  Label6->setFont(ArialBold(10));
  Label6->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  AddLabel(Panel1, "Label7", QStringLiteral("свободно"), {380, 37, 63, 16});
  Label9 = AddLabel(Panel1, "Label9", QStringLiteral("Жду команду..."), {448, 37, 145, 17});
  Label9->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label9->setStyleSheet(QStringLiteral("color: blue"));
  auto* button2 = new QPushButton(QStringLiteral("Inf"), Panel1);
  button2->setObjectName(QStringLiteral("Button2"));
  button2->setToolTip(QStringLiteral("Помощь/Help"));
  button2->setGeometry(614, 37, 24, 17);
  RightAnchored_.push_back({button2, 614});
  Shape3 = AddShape(Panel1, "Shape3", {8, 57, 630, 2}, QColor(128, 128, 128));
  Label1 = AddLabel(Panel1, "Label1", InitialSelectionText, {232, 65, 345, 20});
  Label1->setToolTip(QStringLiteral("Выделено / Selected"));
  Label1->setStyleSheet(QStringLiteral("color: navy"));
  static const ButtonSpec small[] = {
      {"SpeedButton1", "Закончить / Exit", {5, 62, 24, 23}, "application-exit", QStyle::SP_DialogCloseButton, nullptr, false},
      {"SpeedButton18", "Обновить левую панель / Update left panel", {37, 62, 24, 23}, "view-refresh", QStyle::SP_BrowserReload, nullptr, false},
      {"SpeedButton17", "Отрыть 2-ю панель / Second panel", {64, 62, 24, 23}, nullptr, QStyle::SP_FileDialogDetailedView, "TOTWO", false},
      {"SpeedButton16", "C нижней панели наверх / To UP", {91, 62, 24, 23}, nullptr, QStyle::SP_ArrowUp, "TOUP", false},
      {"SpeedButton15", "На нижнюю панель / To DOWN", {119, 62, 24, 23}, nullptr, QStyle::SP_ArrowDown, "TODOWN", false},
      {"SpeedButton14", "Обменять панели / Swup panel", {147, 62, 24, 23}, "view-refresh", QStyle::SP_BrowserReload, "TOONE", false},
      {"SpeedButton13", "Свернуть - Развернуть левую панель  /Close-Open left panel", {174, 62, 24, 23}, nullptr, QStyle::SP_ArrowLeft, "TOLEFT", false},
      {"SpeedButton2", "Вверх на один уровень / Up level", {202, 62, 24, 23}, "go-up", QStyle::SP_FileDialogToParent, nullptr, false},
      {"SpeedButton19", "Обновить список / Update List", {585, 62, 24, 23}, "view-refresh", QStyle::SP_BrowserReload, nullptr, true},
      {"SpeedButton20", "Выбрать файлы / Select files", {614, 62, 24, 23}, "edit-select-all", QStyle::SP_FileDialogListView, nullptr, true},
  };
  for (const ButtonSpec& design : small) AddSpeedButton(Panel1, design);
}

void TForm1::CreateMiddle() {
  auto* middle = new QWidget(centralWidget());
  auto* row = new QHBoxLayout(middle);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(0);
  Splitter1 = new QSplitter(Qt::Horizontal, middle);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setHandleWidth(5);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->setOpaqueResize(true);
  ShellTreeView1 = new TShellTreeView(Splitter1);
  ShellTreeView1->setObjectName(QStringLiteral("ShellTreeView1"));
  ShellTreeView1->setFont(ArialBold(13));
  ShellTreeView1->setMinimumWidth(80);
  ListView = new TListView(Splitter1);
  ListView->setObjectName(QStringLiteral("ListView"));
  ListView->setFont(ArialBold(13));
  ListView->setMinimumWidth(80);
  ListView->SetItems(Items_);
  const int widths[] = {135, 65, 127, 120, 60};
  for (int column = 0; column < 5; ++column) ListView->setColumnWidth(column, widths[column]);
  Splitter1->addWidget(ShellTreeView1);
  Splitter1->addWidget(ListView);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->setSizes({195, 396});
  row->addWidget(Splitter1, 1);
  CreateRightPanel();
  row->addWidget(Panel2);
  static_cast<QVBoxLayout*>(centralWidget()->layout())->addWidget(middle, 1);
}

void TForm1::CreateRightPanel() {
  Panel2 = AddPanel(centralWidget(), "Panel2");
  Panel2->setFixedWidth(49);
  static const ButtonSpec buttons[] = {
      {"SpeedButton12", "Доп. панель открыить-Закрыть / New panel", {8, 9, 35, 22}, "window-new", QStyle::SP_TitleBarMaxButton, nullptr, false},
      {"SpeedButton3", "Переименовать / Rename", {8, 40, 35, 35}, "edit-rename", QStyle::SP_FileDialogInfoView, nullptr, false},
      {"SpeedButton4", "Просмотреть / View", {8, 82, 35, 35}, "document-preview", QStyle::SP_FileDialogContentsView, nullptr, false},
      {"SpeedButton5", "Редактировать / Edit", {8, 124, 35, 35}, "document-edit", QStyle::SP_FileIcon, nullptr, false},
      {"SpeedButton6", "Копировать / Copy", {8, 166, 35, 35}, "edit-copy", QStyle::SP_ArrowForward, nullptr, false},
      {"SpeedButton7", "Переместить / Move", {8, 208, 35, 35}, "go-next", QStyle::SP_MediaSeekForward, nullptr, false},
      {"SpeedButton8", "Создать / Create", {8, 250, 35, 35}, "folder-new", QStyle::SP_FileDialogNewFolder, nullptr, false},
      {"SpeedButton9", "Удалить / Delete", {8, 292, 35, 35}, "edit-delete", QStyle::SP_TrashIcon, nullptr, false},
      {"SpeedButton10", "Настройки / Setup", {8, 334, 35, 35}, "preferences-system", QStyle::SP_ComputerIcon, nullptr, false},
      {"SpeedButton11", "Настройка расширений / Run extensions", {8, 376, 35, 35}, "preferences-desktop", QStyle::SP_DriveHDIcon, nullptr, false},
  };
  for (const ButtonSpec& design : buttons) {
    QToolButton* button = AddSpeedButton(Panel2, design);
    button->setIconSize(QSize(24, 24));
    // The commands act on the list's row: a click must leave the list its focus.
    button->setFocusPolicy(Qt::NoFocus);
  }
}

void TForm1::CreateBottomPanel() {
  Panel3 = AddPanel(centralWidget(), "Panel3");
  Panel3->setFixedHeight(31);
  centralWidget()->layout()->addWidget(Panel3);
  auto* button1 = new QPushButton(QStringLiteral("Искать"), Panel3);
  button1->setObjectName(QStringLiteral("Button1"));
  button1->setGeometry(8, 5, 75, 23);
  AddLabel(Panel3, "Label8", QStringLiteral("Выполнить: "), {104, 8, 81, 20});
  ComboBox1 = new QComboBox(Panel3);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setGeometry(200, 4, 441, 24);
}

QToolButton* TForm1::AddSpeedButton(QWidget* panel, const ButtonSpec& design) {
  auto* button = new QToolButton(panel);
  button->setObjectName(QLatin1String(design.Name));
  button->setToolTip(QString::fromUtf8(design.Hint));
  button->setGeometry(design.Geometry);
  button->setAutoRaise(true);
  QIcon icon = design.Glyph ? LoadBitmapA(QLatin1String(design.Glyph)) : QIcon();
  if (icon.isNull() && design.ThemeIcon) icon = QIcon::fromTheme(QLatin1String(design.ThemeIcon));
  if (icon.isNull()) icon = style()->standardIcon(design.StyleIcon);
  button->setIcon(icon);
  if (design.Glyph) button->setProperty("glyph", QLatin1String(design.Glyph));
  if (design.RightAnchored) RightAnchored_.push_back({button, design.Geometry.left()});
  return button;
}

void TForm1::ShowSummary(const QString& text) {
  // The summary of a huge selection is wider than its place: the font gets
  // smaller rather than the end of the line being cut off.
  QFont font = ArialBold(13);
  while (font.pixelSize() > 8 && QFontMetrics(font).horizontalAdvance(text) > Label1->width()) {
    font.setPixelSize(font.pixelSize() - 1);
  }
  Label1->setFont(font);
  Label1->setText(text);
}

void TForm1::SetStatus(const QString& text) {
  Label9->setText(text);
  Label9->repaint();
}

QString TForm1::PathText() const { return cbPath->currentText(); }

void TForm1::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // The design's window width counts the frame; the client area is 8 pixels narrower.
  const int windowWidth = width() + 8;
  cbPath->resize(windowWidth - 62, cbPath->height());
  Shape3->resize(windowWidth - 22, Shape3->height());
  PlaceRightAnchored();
}

void TForm1::PlaceRightAnchored() {
  const int shift = width() - DesignedClientWidth;
  for (auto [control, designedLeft] : RightAnchored_) control->move(designedLeft + shift, control->y());
}

}  // namespace zarn
