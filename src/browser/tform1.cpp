// The main window built from its tables (the panels and their labels, the
// command buttons of TForm1::CommandTable, the columns of the list), its
// connections, and its life: the first showing that restores the settings
// and the close that writes them.

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
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include "archives/archivefolder.h"
#include "archives/archivetempcopy.h"
#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/folderlisting.h"
#include "browser/listcolumns.h"
#include "browser/maincommandhost.h"
#include "browser/maincommands.h"
#include "browser/shelltree.h"
#include "browser/tlistview.h"
#include "ops/glyphs.h"
#include "panel/drivecombobox.h"
#include "platform/guard.h"
#include "platform/launcher.h"
#include "platform/mountwatcher.h"
#include "search/tfilesch.h"
#include "settings/startsettings.h"
#include "settings/tset1.h"

namespace zarn {
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

QIcon ButtonIcon(const TCommandButton& design, const QStyle& style) {
  QIcon icon = design.Glyph ? LoadBitmapA(QLatin1String(design.Glyph)) : QIcon();
  if (icon.isNull() && design.ThemeIcon) icon = QIcon::fromTheme(QLatin1String(design.ThemeIcon));
  if (icon.isNull()) icon = style.standardIcon(design.StyleIcon);
  return icon;
}

// A text button for a caption, else a picture button.
QAbstractButton* MakeButton(const TMainCommand& command, QWidget* panel) {
  const TCommandButton& design = command.Button;
  QAbstractButton* button = nullptr;
  if (design.Caption) {
    button = new QPushButton(QString::fromUtf8(design.Caption), panel);
  } else {
    auto* picture = new QToolButton(panel);
    picture->setAutoRaise(true);
    picture->setIcon(ButtonIcon(design, *panel->style()));
    button = picture;
  }
  button->setObjectName(QLatin1String(command.Name));
  button->setToolTip(QString::fromUtf8(command.Hint));
  button->setGeometry(design.Geometry);
  if (design.Glyph) button->setProperty("glyph", QLatin1String(design.Glyph));
  return button;
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

// ---- Construction

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
  Shape3 = AddShape(Panel1, "Shape3", {8, 57, 630, 2}, QColor(128, 128, 128));
  Label1 = AddLabel(Panel1, "Label1", InitialSelectionText, {232, 65, 345, 20});
  Label1->setToolTip(QStringLiteral("Выделено / Selected"));
  Label1->setStyleSheet(QStringLiteral("color: navy"));
  CreateCommandButtons(CommandPanel::Top, Panel1);
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
  for (int column = 0; column < ListColumnCount(); ++column) {
    ListView->setColumnWidth(column, ListColumns()[size_t(column)].Width);
  }
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
  CreateCommandButtons(CommandPanel::Right, Panel2);
}

void TForm1::CreateBottomPanel() {
  Panel3 = AddPanel(centralWidget(), "Panel3");
  Panel3->setFixedHeight(31);
  centralWidget()->layout()->addWidget(Panel3);
  CreateCommandButtons(CommandPanel::Bottom, Panel3);
  AddLabel(Panel3, "Label8", QStringLiteral("Выполнить: "), {104, 8, 81, 20});
  ComboBox1 = new QComboBox(Panel3);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setGeometry(200, 4, 441, 24);
}

// The buttons of the commands that stand in `place`, in table order, each
// connected to its handler.
void TForm1::CreateCommandButtons(CommandPanel place, QWidget* panel) {
  for (const TMainCommand& command : CommandTable()) {
    if (command.Button.Panel != place) continue;
    QAbstractButton* button = MakeButton(command, panel);
    if (place == CommandPanel::Right) {
      button->setIconSize(QSize(24, 24));
      // The commands act on the list's row: a click must leave the list its focus.
      button->setFocusPolicy(Qt::NoFocus);
    }
    if (command.Button.RightAnchored) RightAnchored_.push_back({button, command.Button.Geometry.left()});
    const auto run = command.Run;
    connect(button, &QAbstractButton::clicked, this, GuardedSlot([this, run] { run(*this); }));
  }
}

void TForm1::Wire() {
  // Enter must reach the window before the box handles it itself: an editable
  // box takes the key first and hands it to its line edit only afterwards,
  // and its completer would turn a typed history entry into a drop-down choice.
  for (QComboBox* box : {cbPath, ComboBox1}) {
    box->setCompleter(nullptr);
    box->installEventFilter(this);
    box->lineEdit()->installEventFilter(this);
  }
  connect(cbPath, qOverload<int>(&QComboBox::activated), this, [this](int index) { Guarded([&] { cbPathClick(index); }); });
  connect(DriveComboBox1, qOverload<int>(&QComboBox::currentIndexChanged), this,
          [this](int index) { Guarded([&] { DriveComboBox1Change(index); }); });
  connect(ShellTreeView1, &TShellTreeView::NodeClicked, this, GuardedSlot([this] { ShellTreeView1Click(); }));
  connect(Items_, &TFolderItems::Populated, this, [this] { ListingReplaced(); });
  connect(ListView->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int column) { Guarded([&] { ListViewColumnClick(column); }); });
  connect(ListView, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex& index) { Guarded([&] { OpenRow(index.row()); }); });
  connect(ListView, &TListView::KeyDown, this,
          [this](QKeyEvent* event, bool* handled) { Guarded([&] { ListViewKeyDown(event, handled); }); });
  connect(ListView, &QAbstractItemView::clicked, this, GuardedSlot([this] { Selection().ListViewClick(); }));
  // The rename lists the folder again, which must wait until the editor has
  // handed over its text and closed: a listing under an open editor drops it.
  connect(
      Items_, &TFolderItems::NameEdited, this,
      [this](int, const QString& text) { Guarded([&] { Commands().ListViewEdited(text); }); }, Qt::QueuedConnection);
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  // The context-menu key asks the same way as a right click.
  ListView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(ListView, &QWidget::customContextMenuRequested, this, GuardedSlot([this] { PopupMenu1Popup(); }));
  ListingTimer_ = new QTimer(this);
  ListingTimer_->setInterval(100);
  connect(ListingTimer_, &QTimer::timeout, this, GuardedSlot([this] {
            if (Listing_) ShowListingProgress();
          }));
  MountWatcher_ = new MountWatcher(this);
  connect(MountWatcher_, &MountWatcher::DeviceChange, this, [this](int code) { Guarded([&] { CD(code); }); });
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    const auto key = static_cast<QKeyEvent*>(event)->key();
    const bool enter = key == Qt::Key_Return || key == Qt::Key_Enter;
    if (enter && (watched == cbPath || watched == cbPath->lineEdit())) {
      Guarded([this] { cbPathEnter(); });
      return true;
    }
    if (key == Qt::Key_Escape && IsListing()) {
      StopListing();
      return true;
    }
    if (enter && (watched == ComboBox1 || watched == ComboBox1->lineEdit())) {
      Guarded([this] { ComboBox1Enter(); });
      return true;
    }
  }
  return QMainWindow::eventFilter(watched, event);
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

// ---- Start-up and close

void TForm1::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (ShownOnce_) return;
  ShownOnce_ = true;
  Guarded([this] { FirstShow(); });
}

void TForm1::FirstShow() {
  MainShown = true;
  SetPath(StartPath_);
  ApplySettingsFile();
  if (FILESCH && Set1) FILESCH->CheckBox4->setChecked(Set1->CheckBox1->isChecked() || Set1->CheckBox2->isChecked());
  const ErrorOrDone associations = LoadAssociationsAtStart();
  if (associations.IsError()) RaiseError(associations.Error());
}

void TForm1::ApplySettingsFile() {
  const std::optional<QString> folder = ValueOrRaise(LoadStartSettings());
  if (!folder) return;
  // Reported without stopping the start: zarn.ext is still to be read.
  const ErrorOrDone usable = CheckSavedFolder(*folder);
  if (usable.IsError()) return ReportError(usable.Error().Text());
  if (DirectoryExists(*folder)) SetPath(*folder);
}

void TForm1::WriteSettingsFile() {
  const ErrorOrDone written = SaveSettingsAtClose(PathText());
  if (written.IsError()) RaiseError(written.Error());
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (Closed_) return QMainWindow::closeEvent(event);
  Closed_ = true;
  // A program being waited for (Shift+F4) must not keep the program alive.
  CancelRunAndWait();
  Guarded([this] { WriteSettingsFile(); });
  Commands_->Workers.StopAll();
  Commands_->Workers.WaitForStopped();
  Items_->ClearIDList();
  QMainWindow::closeEvent(event);
  QCoreApplication::quit();
}

}  // namespace zarn
