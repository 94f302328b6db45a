#include "scenario.h"

#include <sys/stat.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QLocalSocket>
#include <QThread>

namespace zarn::e2e {
namespace {

constexpr int ProbeMilliseconds = 4000;
constexpr int PollMilliseconds = 60;

QString ScenarioName() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  return info ? QString::fromLatin1(info->test_suite_name()) + QLatin1Char('.') + QString::fromLatin1(info->name())
              : u"scenario"_s;
}

QJsonObject AskProbe(const QString& path) {
  QLocalSocket socket;
  socket.connectToServer(path);
  if (!socket.waitForConnected(ProbeMilliseconds)) return {};
  socket.write("windows\n");
  socket.flush();
  QByteArray answer;
  QElapsedTimer clock;
  clock.start();
  while (!answer.endsWith('\n') && clock.elapsed() < ProbeMilliseconds) {
    if (socket.waitForReadyRead(ProbeMilliseconds - int(clock.elapsed()))) {
      answer += socket.readAll();
    } else if (socket.state() != QLocalSocket::ConnectedState) {
      answer += socket.readAll();
      break;
    }
  }
  return QJsonDocument::fromJson(answer).object();
}

}  // namespace

TZarnScenario::TZarnScenario() {
  for (const char* folder : {"home", "home/.config", "home/.local/share", "home/.cache", "config", "runtime"}) {
    QDir().mkpath(Tree_.Path(QString::fromLatin1(folder)));
  }
  ::chmod(Tree_.Path(u"runtime"_s).toUtf8().constData(), 0700);
  if (X_.Name().isEmpty()) ADD_FAILURE() << X_.Error().toStdString();
}

TZarnScenario::~TZarnScenario() {
  if (HasFailure() && !ArtifactsSaved_) SaveArtifacts(Running() ? TUi(AskProbe(ProbePath())) : TUi());
  if (Running()) {
    Zarn_.kill();
    Zarn_.waitForFinished(10000);
  }
}

QString TZarnScenario::Home(const QString& relative) const {
  return relative.isEmpty() ? Tree_.Path(u"home"_s) : Tree_.Path(u"home/"_s + relative);
}

QString TZarnScenario::Config(const QString& relative) const {
  return relative.isEmpty() ? Tree_.Path(u"config"_s) : Tree_.Path(u"config/"_s + relative);
}

QByteArray TZarnScenario::HomeBytes(const QByteArray& relative) const { return Tree_.PathBytes("home/" + relative); }

void TZarnScenario::CreateFile(const QString& relative, const QByteArray& bytes) {
  Tree_.CreateFile("home/" + relative.toUtf8(), bytes, QDateTime::currentDateTime());
}

void TZarnScenario::CreateDir(const QString& relative) { Tree_.CreateDir("home/" + relative.toUtf8()); }

QString TZarnScenario::CreateProgram(const QString& relative, const QByteArray& body) {
  CreateFile(relative, "#!/bin/sh\n" + body);
  Tree_.SetMode("home/" + relative.toUtf8(), 0755);
  return Home(relative);
}

void TZarnScenario::WriteSettings(const QString& fileName, const QStringList& lines) {
  QByteArray text;
  for (const QString& line : lines) text += line.toUtf8() + "\r\n";
  Tree_.CreateFile("config/" + fileName.toUtf8(), text, QDateTime::currentDateTime());
}

QStringList TZarnScenario::ReadSettings(const QString& fileName) const {
  QFile file(Config(fileName));
  if (!file.open(QIODevice::ReadOnly)) return {u"<missing>"_s};
  QStringList lines = QString::fromUtf8(file.readAll()).split(u"\r\n"_s);
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

QString TZarnScenario::ProbePath() const { return Tree_.Path(u"runtime/probe"_s); }

void TZarnScenario::Start(const QStringList& environment) {
  QProcessEnvironment variables;
  const auto set = [&](const char* name, const QString& value) { variables.insert(QLatin1String(name), value); };
  set("PATH", qEnvironmentVariable("PATH"));
  set("HOME", Home());
  set("ZARN_CONFIG_DIR", Config());
  set("XDG_CONFIG_HOME", Home(u".config"_s));
  set("XDG_DATA_HOME", Home(u".local/share"_s));
  set("XDG_CACHE_HOME", Home(u".cache"_s));
  set("XDG_RUNTIME_DIR", Tree_.Path(u"runtime"_s));
  set("XDG_DATA_DIRS", u"/usr/local/share:/usr/share"_s);
  set("DISPLAY", X_.Name());
  set("QT_QPA_PLATFORM", u"xcb"_s);
  set("LANG", u"C.UTF-8"_s);
  set("ZARN_PROBE", ProbePath());
  // No session bus: nothing of the desktop outside the scenario takes part.
  set("DBUS_SESSION_BUS_ADDRESS", u"disabled:"_s);
  set("GIO_USE_VFS", u"local"_s);
  for (const QString& assignment : environment) {
    const qsizetype equals = assignment.indexOf(QLatin1Char('='));
    variables.insert(assignment.left(equals), assignment.mid(equals + 1));
  }
  Zarn_.setProcessEnvironment(variables);
  Zarn_.setWorkingDirectory(Home());
  Zarn_.setProcessChannelMode(QProcess::MergedChannels);
  Zarn_.setStandardOutputFile(Tree_.Path(u"zarn.log"_s));
  Zarn_.start(Executable_, {});
  if (!Zarn_.waitForStarted(30000)) Fail(u"zarn did not start: "_s + Zarn_.errorString(), {});
  WaitFor(u"the main window listing its first folder"_s,
          [](const TUi& ui) { return ui.Shown(u"Form1"_s) && ui.Text(u"cbPath"_s).endsWith(QLatin1Char('/')); });
}

void TZarnScenario::CloseWithExitButton() {
  ClickNamed(u"SpeedButton1"_s);
  if (!Zarn_.waitForFinished(60000)) Fail(u"zarn did not end after its exit button"_s, Look());
  EXPECT_EQ(Zarn_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(Zarn_.exitCode(), 0);
}

TUi TZarnScenario::Look() {
  if (!Running()) Fail(u"zarn ended unexpectedly"_s, {});
  return TUi(AskProbe(ProbePath()));
}

TUi TZarnScenario::WaitFor(const QString& what, const Condition& condition, std::chrono::milliseconds deadline) {
  QElapsedTimer clock;
  clock.start();
  TUi ui;
  while (true) {
    ui = Look();
    if (ui.Answered() && condition(ui)) return ui;
    if (clock.elapsed() > deadline.count()) Fail(u"timed out waiting for "_s + what, ui);
    QThread::msleep(PollMilliseconds);
  }
}

void TZarnScenario::HoldFor(const QString& what, std::chrono::milliseconds period, const Condition& condition) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < period.count()) {
    const TUi ui = Look();
    if (!ui.Answered() || !condition(ui)) Fail(u"stopped holding: "_s + what, ui);
    QThread::msleep(PollMilliseconds);
  }
}

TWidget TZarnScenario::WaitWidget(const QString& name, const QString& window) {
  return WaitFor(name + u" shown"_s, [&](const TUi& ui) { return !ui.Widget(name, window).isEmpty(); })
      .Widget(name, window);
}

TUi TZarnScenario::WaitShown(const QString& window) {
  return WaitFor(window + u" shown"_s, [&](const TUi& ui) { return ui.Shown(window); });
}

TUi TZarnScenario::WaitClosed(const QString& window) {
  return WaitFor(window + u" closed"_s, [&](const TUi& ui) { return !ui.Shown(window); });
}

TUi TZarnScenario::WaitText(const QString& name, const QString& text, const QString& window) {
  return WaitFor(name + u" reading \""_s + text + QLatin1Char('"'),
                 [&](const TUi& ui) { return ui.Text(name, window) == text; });
}

TWidget TZarnScenario::WaitWindowOfClass(const QString& className, const QString& what) {
  return WaitFor(what, [&](const TUi& ui) { return !ui.WindowOfClass(className).isEmpty(); }).WindowOfClass(className);
}

TUi TZarnScenario::WaitListing(const QString& folder) { return WaitText(u"cbPath"_s, folder, u"Form1"_s); }

void TZarnScenario::Click(const TWidget& widget, int count) { X_.Click(CentreOf(widget), 1, count); }

TWidget TZarnScenario::ScrollRowIntoView(const TWidget& view, int row) {
  // A person rolls the wheel over the view until the row they want shows.
  const QString name = view.value(u"name"_s).toString();
  TWidget current = view;
  for (int roll = 0; roll < 200; ++roll) {
    const QJsonObject target = RowOf(current, row);
    if (target.isEmpty() || target.value(u"shown"_s).toBool()) return current;
    const int rowTop = RectOf(target).top();
    X_.Wheel(CentreOf(current), rowTop < RectOf(current).top() ? 1 : -1);
    current = WaitFor(u"row %1 of %2 moving"_s.arg(row).arg(name), [&](const TUi& ui) {
      return RectOf(RowOf(ui.Widget(name), row)).top() != rowTop;
    }).Widget(name);
  }
  return current;
}

void TZarnScenario::ClickRow(const TWidget& shownView, int row, int count) {
  const TWidget view = ScrollRowIntoView(shownView, row);
  const QJsonObject target = RowOf(view, row);
  if (target.isEmpty() || !target.value(u"shown"_s).toBool()) {
    Fail(u"row %1 is not on screen"_s.arg(row), Look());
  }
  const QRect rect = RectOf(target);
  X_.Click(QPoint(rect.left() + std::min(rect.width() / 2, 40), rect.center().y()), 1, count);
}

void TZarnScenario::RightClickRow(const TWidget& shownView, int row) {
  const QRect rect = RectOf(RowOf(ScrollRowIntoView(shownView, row), row));
  X_.Click(QPoint(rect.left() + std::min(rect.width() / 2, 40), rect.center().y()), 3);
}

QStringList TZarnScenario::MenuCaptions() {
  QStringList captions;
  for (const QJsonValue& action : WaitWidget(u"ShellContextMenu"_s).value(u"actions"_s).toArray()) {
    captions << action.toObject().value(u"text"_s).toString();
  }
  return captions;
}

void TZarnScenario::ChooseMenuEntry(const QString& caption) {
  for (const QJsonValue& value : WaitWidget(u"ShellContextMenu"_s).value(u"actions"_s).toArray()) {
    const QJsonObject action = value.toObject();
    if (action.value(u"text"_s).toString() == caption) {
      Click(action);
      WaitClosed(u"ShellContextMenu"_s);
      return;
    }
  }
  Fail(u"no menu entry "_s + caption, Look());
}

void TZarnScenario::ClickNamed(const QString& name, const QString& window) {
  const TWidget widget = WaitWidget(name, window);
  // A click on a window brings it to the front first, as window managers do.
  if (!window.isEmpty()) X_.Raise(Look().Window(window).value(u"window"_s).toString().toULongLong());
  Click(widget);
}

void TZarnScenario::ClickButton(const QString& caption, const QString& windowClass) {
  const TUi ui = WaitFor(u"a button \""_s + caption + QLatin1Char('"'), [&](const TUi& look) {
    const TWidget window = windowClass.isEmpty() ? TWidget() : look.WindowOfClass(windowClass);
    if (!windowClass.isEmpty() && window.isEmpty()) return false;
    return !look.WithText(caption, u"QPushButton"_s, window.value(u"name"_s).toString()).isEmpty();
  });
  const TWidget window = windowClass.isEmpty() ? TWidget() : ui.WindowOfClass(windowClass);
  Click(ui.WithText(caption, u"QPushButton"_s, window.value(u"name"_s).toString()));
}

void TZarnScenario::SelectMainRow(const QString& name) {
  const TUi ui = WaitFor(u"a row "_s + name, [&](const TUi& look) { return RowIndexOf(MainList(look), name) >= 0; });
  const TWidget list = MainList(ui);
  const int row = RowIndexOf(list, name);
  X_.Raise(ui.Window(u"Form1"_s).value(u"window"_s).toString().toULongLong());
  ClickRow(list, row);
  WaitFor(u"the cursor on "_s + name, [&](const TUi& look) {
    const TWidget view = MainList(look);
    return view.value(u"currentRow"_s).toInt() == row && view.value(u"focus"_s).toBool();
  });
}

void TZarnScenario::TypeOver(const QString& text, const std::function<QString(const TUi&)>& shown) {
  constexpr int Attempts = 4;
  for (int attempt = 1;; ++attempt) {
    Key(u"ctrl+a"_s);
    if (text.isEmpty()) {
      Key(u"BackSpace"_s);
    } else {
      Type(text);
    }
    if (attempt == Attempts) break;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000) {
      const TUi ui = Look();
      if (ui.Answered() && shown(ui) == text) return;
      QThread::msleep(PollMilliseconds);
    }
  }
  WaitFor(u"the typed text \""_s + text + QLatin1Char('"'), [&](const TUi& ui) { return shown(ui) == text; });
}

void TZarnScenario::FillField(const QString& name, const QString& window, const QString& text) {
  ClickNamed(name, window);
  TypeOver(text, [&](const TUi& ui) { return ui.Text(name, window); });
}

void TZarnScenario::AnswerInputBox(const QString& text) {
  WaitWidget(u"Edit"_s, u"InputBox"_s);
  TypeOver(text, [](const TUi& ui) { return ui.Text(u"Edit"_s, u"InputBox"_s); });
  Key(u"Return"_s);
  WaitClosed(u"InputBox"_s);
}

void TZarnScenario::DismissMessage(const QString& text) {
  WaitText(u"qt_msgbox_label"_s, text, u"MessageBox"_s);
  ClickNamed(u"ButtonOk"_s, u"MessageBox"_s);
  WaitFor(u"the message closed and its window active again"_s,
          [](const TUi& ui) { return !ui.Shown(u"MessageBox"_s) && !ui.Active().isEmpty(); });
}

QString TZarnScenario::TitleOf(const TWidget& window) const {
  return X_.WindowTitle(window.value(u"window"_s).toString().toULongLong());
}

void TZarnScenario::CloseByCloseBox(const QString& window) {
  const TWidget shown = WaitFor(window + u" shown"_s, [&](const TUi& ui) { return ui.Shown(window); }).Window(window);
  X_.CloseWindow(shown.value(u"window"_s).toString().toULongLong());
  WaitFor(window + u" closed"_s, [&](const TUi& ui) { return !ui.Shown(window); });
}

void TZarnScenario::Fail(const QString& what, const TUi& last) {
  SaveArtifacts(last);
  ADD_FAILURE() << what.toStdString() << " (see e2e-artifacts/" << ScenarioName().toStdString() << ")";
  throw ScenarioFailed(what.toStdString());
}

void TZarnScenario::SaveArtifacts(const TUi& last) {
  ArtifactsSaved_ = true;
  const QString folder = QStringLiteral(ZARN_E2E_ARTIFACTS "/") + ScenarioName();
  QDir().mkpath(folder);
  if (last.Answered()) {
    QFile ui(folder + u"/windows.json"_s);
    if (ui.open(QIODevice::WriteOnly)) ui.write(last.Json());
  }
  X_.Grab().save(folder + u"/screen.png"_s);
  QFile::remove(folder + u"/zarn.log"_s);
  QFile::copy(Tree_.Path(u"zarn.log"_s), folder + u"/zarn.log"_s);
}

}  // namespace zarn::e2e
