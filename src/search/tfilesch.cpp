#include "search/tfilesch.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <atomic>
#include <thread>

#include "platform/filenames.h"
#include "platform/guard.h"
#include "platform/launcher.h"
#include "platform/prompter.h"
#include "search/tfb.h"
#include "settings/settingsfile.h"
#include "settings/tset1.h"
#include "viewer/viewfile.h"

namespace zarn {
namespace {

// How often the counters follow a running search.
constexpr int kCounterRefreshMs = 50;

// The settings window's external viewer programs: its Edit1 for texts, its
// Edit2 for pictures.
QString ExternalTextViewer() { return Set1 != nullptr ? Set1->Edit1->text() : QString(); }
QString ExternalPictureViewer() { return Set1 != nullptr ? Set1->Edit2->text() : QString(); }

bool IsExistingFolder(const QString& path) {
  struct stat info {};
  return !path.isEmpty() && ::stat(ToNativeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

template <typename Control>
Control* Named(Control* control, const char* name) {
  control->setObjectName(QString::fromLatin1(name));
  return control;
}

}  // namespace

TFILESCH::TFILESCH(QWidget* parent) : QWidget(parent, Qt::Window), Search_(std::make_unique<TFileSearch>(Fields_)) {
  setObjectName(QStringLiteral("FILESCH"));
  setWindowTitle(QStringLiteral("  Поиск файлов"));
  CreateControls();
  ConnectControls();
  PublishFields();
  FILESCH = this;
}

TFILESCH::~TFILESCH() {
  if (FILESCH == this) FILESCH = nullptr;
}

void TFILESCH::CreateControls() {
  auto* layout = new QVBoxLayout(this);
  Label5 = MakeLabel(this, "Label5", QStringLiteral("Искать ... "));
  layout->addWidget(Label5);
  layout->addWidget(CreateFieldsPanel());
  layout->addWidget(CreateCountersPanel());
  layout->addWidget(CreateResultsPanel(), 1);
  resize(560, 480);
}

QWidget* TFILESCH::CreateFieldsPanel() {
  auto* panel = new QWidget(this);
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(0, 0, 0, 0);
  Label2 = MakeLabel(panel, "Label2", QStringLiteral("В папке:"));
  Edit1 = Named(new QLineEdit(QStringLiteral("/"), panel), "Edit1");
  Label11 = MakeLabel(panel, "Label11", QStringLiteral("Выбрать папку  >>"));
  SpeedButton2 = Named(new QToolButton(panel), "SpeedButton2");
  SpeedButton2->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  Label1 = MakeLabel(panel, "Label1", QStringLiteral("По имени "));
  Edit2 = Named(new QLineEdit(QStringLiteral("*"), panel), "Edit2");
  Label8 = MakeLabel(panel, "Label8", QStringLiteral("."));
  Label7 = MakeLabel(panel, "Label7", QStringLiteral("С расширением"));
  Edit3 = Named(new QLineEdit(QStringLiteral("*"), panel), "Edit3");
  CheckBox1 = Named(new QCheckBox(QStringLiteral("С текстом"), panel), "CheckBox1");
  Edit5 = Named(new QLineEdit(panel), "Edit5");
  CheckBox3 = Named(new QCheckBox(QStringLiteral("DOS"), panel), "CheckBox3");
  CheckBox2 = Named(new QCheckBox(QStringLiteral("C подкаталогами "), panel), "CheckBox2");
  grid->addWidget(Label2, 0, 0);
  grid->addWidget(Edit1, 0, 1, 1, 3);
  grid->addWidget(Label11, 0, 4);
  grid->addWidget(SpeedButton2, 0, 5);
  grid->addWidget(Label1, 1, 1);
  grid->addWidget(Label7, 1, 3);
  grid->addWidget(Edit2, 2, 1);
  grid->addWidget(Label8, 2, 2);
  grid->addWidget(Edit3, 2, 3);
  grid->addWidget(CheckBox1, 3, 0);
  grid->addWidget(Edit5, 3, 1, 1, 3);
  grid->addWidget(CheckBox3, 3, 4);
  grid->addWidget(CheckBox2, 4, 1);
  return panel;
}

QWidget* TFILESCH::CreateCountersPanel() {
  auto* panel = new QWidget(this);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(0, 0, 0, 0);
  Button2 = Named(new QPushButton(QStringLiteral("Старт"), panel), "Button2");
  Button3 = Named(new QPushButton(QStringLiteral("Стоп"), panel), "Button3");
  Button3->setEnabled(false);
  Label3 = MakeLabel(panel, "Label3", QStringLiteral("Ищем в: "));
  Label10 = MakeLabel(panel, "Label10", QStringLiteral("0"));
  StaticText1 = MakeLabel(panel, "StaticText1", QStringLiteral("папке из"));
  Label6 = MakeLabel(panel, "Label6", QStringLiteral("1"));
  Label4 = MakeLabel(panel, "Label4", QStringLiteral("Найдено:"));
  Label9 = MakeLabel(panel, "Label9", QStringLiteral("0"));
  for (QWidget* control : std::initializer_list<QWidget*>{Button2, Button3, Label3, Label10, StaticText1, Label6}) {
    row->addWidget(control);
  }
  row->addSpacing(16);
  row->addWidget(Label4);
  row->addWidget(Label9);
  row->addStretch(1);
  return panel;
}

QWidget* TFILESCH::CreateResultsPanel() {
  auto* panel = new QWidget(this);
  auto* column = new QVBoxLayout(panel);
  column->setContentsMargins(0, 0, 0, 0);
  auto* commands = new QHBoxLayout;
  CheckBox4 = Named(new QCheckBox(QStringLiteral("Другой просмотр"), panel), "CheckBox4");
  Button1 = Named(new QPushButton(QStringLiteral("Открыть"), panel), "Button1");
  Button4 = Named(new QPushButton(QStringLiteral("Перейти"), panel), "Button4");
  Button7 = Named(new QPushButton(QStringLiteral("Смотреть"), panel), "Button7");
  SpeedButton1 = Named(new QToolButton(panel), "SpeedButton1");
  SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
  for (QWidget* control : std::initializer_list<QWidget*>{CheckBox4, Button1, Button4, Button7, SpeedButton1}) {
    commands->addWidget(control);
  }
  commands->addStretch(1);
  ListBox1 = Named(new QListWidget(panel), "ListBox1");
  ListBox1->setUniformItemSizes(true);
  column->addLayout(commands);
  column->addWidget(ListBox1, 1);
  return panel;
}

void TFILESCH::ConnectControls() {
  const auto guarded = [this](void (TFILESCH::*handler)()) {
    return [this, handler] { Guarded([this, handler] { (this->*handler)(); }); };
  };
  connect(Button2, &QPushButton::clicked, this, guarded(&TFILESCH::Button2Click));
  connect(Button3, &QPushButton::clicked, this, guarded(&TFILESCH::Button3Click));
  connect(Button4, &QPushButton::clicked, this, guarded(&TFILESCH::Button4Click));
  connect(Button1, &QPushButton::clicked, this, guarded(&TFILESCH::Button1Click));
  connect(Button7, &QPushButton::clicked, this, guarded(&TFILESCH::Button7Click));
  connect(SpeedButton1, &QToolButton::clicked, this, guarded(&TFILESCH::SpeedButton1Click));
  connect(SpeedButton2, &QToolButton::clicked, this, guarded(&TFILESCH::SpeedButton2Click));
  // A double click, or Enter on the selected result, views it.
  connect(ListBox1, &QListWidget::itemActivated, this, guarded(&TFILESCH::ListBox1DblClick));
  // Enter in a field starts a search, but never a second one.
  for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit5}) {
    connect(edit, &QLineEdit::returnPressed, this, guarded(&TFILESCH::Button2Click));
  }
  for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit5}) {
    connect(edit, &QLineEdit::textChanged, this, [this] { PublishFields(); });
  }
  for (QCheckBox* box : {CheckBox1, CheckBox2, CheckBox3}) {
    connect(box, &QCheckBox::toggled, this, [this] { PublishFields(); });
  }
}

// Every edit reaches a running search at once, which reads the fields afresh
// for every folder and entry.
void TFILESCH::PublishFields() {
  TSearchFields fields;
  fields.StartFolder = Edit1->text();
  fields.Name = Edit2->text();
  fields.Extension = Edit3->text();
  fields.WithText = CheckBox1->isChecked();
  fields.Text = Edit5->text();
  fields.Subfolders = CheckBox2->isChecked();
  fields.TextPage = CheckBox3->isChecked() ? CodePage::Dos : CodePage::Win;
  Fields_.Set(fields);
}

void TFILESCH::ShowCounters() {
  Label6->setText(QString::number(Search_->FoldersToSearch()));
  Label10->setText(QString::number(Search_->FoldersDone()));
  Label9->setText(QString::number(Search_->FoundCount()));
}

void TFILESCH::SetIdle(bool idle) {
  Button2->setEnabled(idle);
  Button3->setEnabled(!idle);
}

void TFILESCH::Button2Click() {
  if (Searching_) return;
  FoundList_.clear();
  ListBox1->clear();
  Label6->setText(QStringLiteral("1"));
  Label9->setText(QStringLiteral("0"));
  Label10->setText(QStringLiteral("0"));
  SetIdle(false);
  PublishFields();
  Search_->Reset();
  Searching_ = true;
  auto idleAgain = qScopeGuard([this] {
    Searching_ = false;
    SetIdle(true);
  });
  const TSearchOutcome outcome = RunSearchThread();
  idleAgain.dismiss();
  Searching_ = false;
  FinishSearch(outcome);
}

TSearchOutcome TFILESCH::RunSearchThread() {
  TSearchOutcome outcome;
  QEventLoop loop;
  std::atomic<bool> done{false};
  std::thread worker([&] {
    try {
      outcome = Search_->Run();
    } catch (const std::exception& error) {
      outcome.End = SearchEnd::Failed;
      outcome.ErrorText = QString::fromLocal8Bit(error.what());
    }
    done.store(true);
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  QTimer counters;
  connect(&counters, &QTimer::timeout, this, [this] { ShowCounters(); });
  counters.start(kCounterRefreshMs);
  if (!done.load()) loop.exec();
  // The loop also ends when the program quits: the search must not outlive it.
  if (!done.load()) Search_->Stop();
  worker.join();
  return outcome;
}

void TFILESCH::FinishSearch(const TSearchOutcome& outcome) {
  SetIdle(true);
  ShowCounters();
  FoundList_ = outcome.Found;
  switch (outcome.End) {
    case SearchEnd::NoFolder:
      return;
    case SearchEnd::MissingFolder:
      Prompter().ShowMessage(QStringLiteral("Выбранной папки не существует."), QStringLiteral("Error"));
      return;
    case SearchEnd::Failed:
      RaiseError(outcome.ErrorText);
    case SearchEnd::Finished:
    case SearchEnd::Stopped:
      break;
  }
  ListBox1->addItems(FoundList_);
  Prompter().ShowMessage(FoundList_.isEmpty() ? QStringLiteral("К сожалению, ничего не найдено...")
                                              : QStringLiteral("Поиск успешен! Выбери то, что нужно."));
}

void TFILESCH::Button3Click() { Search_->Stop(); }

QString TFILESCH::SelectedResult() const {
  const QList<QListWidgetItem*> selected = ListBox1->selectedItems();
  return selected.isEmpty() ? QString() : selected.first()->text();
}

void TFILESCH::Button4Click() {
  const QString result = SelectedResult();
  if (result.isEmpty()) return;
  const TResultParts parts = SplitResult(result);
  if (IsExistingFolder(parts.Folder) && GoToResult) GoToResult(parts.Folder, parts.Name);
}

void TFILESCH::Button1Click() {
  const QString result = SelectedResult();
  if (result.isEmpty()) return;
  if (IsExistingFolder(result)) {
    Prompter().ShowMessage(QStringLiteral("Выбрана папка. К ней можно перейти."));
    return;
  }
  if (OpenWithDefaultApplication(result).IsError()) {
    Prompter().ShowMessage(QStringLiteral("Неизвестна программа для открытия, или другая ошибка."));
  }
}

void TFILESCH::Button7Click() { ListBox1DblClick(); }

void TFILESCH::ListBox1DblClick() {
  const QString result = SelectedResult();
  if (result.isEmpty()) return;
  ViewFileName = result;
  if (IsExistingFolder(result)) {
    Prompter().ShowMessage(ViewFileName + QStringLiteral(" - это папка. К ней можно перейти."));
    return;
  }
  if (IsPictureResult(result)) {
    ViewPicture();
  } else {
    ViewText();
  }
}

void TFILESCH::ViewPicture() {
  ViewerIsPicture_ = true;
  if (CheckBox4->isChecked()) {
    StartExternalViewer(ExternalPictureViewer());
    return;
  }
  if (!Viewers_->PictureVisible()) {
    Viewers_->ShowPicture();
    Viewers_->HideText();
  } else {
    Viewers_->LoadPicture();
  }
}

void TFILESCH::ViewText() {
  ViewerIsPicture_ = false;
  if (CheckBox4->isChecked()) {
    StartExternalViewer(ExternalTextViewer());
    return;
  }
  if (!Viewers_->TextVisible()) {
    Viewers_->ShowText();
    Viewers_->HidePicture();
  }
  // The viewer's own search then finds what the file search looked for.
  if (CheckBox1->isChecked()) Viewers_->SetTextSearch(Edit5->text());
  Viewers_->ViewText();
}

// The path reaches the viewer as one argument whatever it holds; a missing or
// wrong program is not reported.
void TFILESCH::StartExternalViewer(const QString& program) {
  ShellExecuteA(QStringLiteral("open"), program, QuoteForCommandLine(ViewFileName), QString(), SW_SHOWNORMAL);
}

void TFILESCH::SpeedButton1Click() {
  const bool pictureConcerned = ViewerIsPicture_;
  const bool visible = pictureConcerned ? Viewers_->PictureVisible() : Viewers_->TextVisible();
  if (visible) {
    Viewers_->HidePicture();
    Viewers_->HideText();
  } else if (pictureConcerned) {
    Viewers_->ShowPicture();
    Viewers_->HideText();
  } else {
    Viewers_->ShowText();
    Viewers_->HidePicture();
  }
}

void TFILESCH::SpeedButton2Click() {
  if (FB == nullptr) return;
  FB->show();
  FB->raise();
}

void TFILESCH::FormClose() {
  ValueOrRaise(
      WriteSettingsLines(SettingsFilePath(QStringLiteral("fs.ini")), {ExternalTextViewer(), ExternalPictureViewer()}));
}

void TFILESCH::closeEvent(QCloseEvent* event) {
  bool written = false;
  Guarded([&] {
    FormClose();
    written = true;
  });
  // The window stays open when fs.ini cannot be written.
  if (written) {
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace zarn
