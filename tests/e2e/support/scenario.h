#pragma once
// One end-to-end scenario: the built zarn on a private X display, with its own
// home, settings folder and XDG folders inside a temporary tree, driven by
// real X input and checked on disk, in its windows (through its read-only
// probe) and on the screen. Every wait polls for a condition with a generous
// deadline; a wait that runs out fails the scenario and leaves the last look
// at the windows, a screenshot and the program's output under
// e2e-artifacts/<scenario>/ in the build tree.

#include <gtest/gtest.h>

#include <QProcess>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <stdexcept>

#include "temptree.h"
#include "ui.h"
#include "xdisplay.h"

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QStringList& texts, std::ostream* out) {
  *out << '{' << texts.join(QStringLiteral(" | ")).toStdString() << '}';
}

namespace zarn::e2e {

using namespace std::chrono_literals;
using Condition = std::function<bool(const TUi&)>;

// Thrown when a wait runs out; GoogleTest reports it and the scenario ends.
struct ScenarioFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class TZarnScenario : public testing::Test {
 protected:
  TZarnScenario();
  ~TZarnScenario() override;

  // Paths of the scenario's own home, and of the folder zarn keeps its settings in.
  QString Home(const QString& relative = {}) const;
  QString Config(const QString& relative = {}) const;
  QByteArray HomeBytes(const QByteArray& relative) const;
  void CreateFile(const QString& relative, const QByteArray& bytes = {});
  void CreateDir(const QString& relative);
  // An executable shell script (`body` after its "#!/bin/sh" line); its full path.
  QString CreateProgram(const QString& relative, const QByteArray& body);
  // Writes a settings file in zarn's format (UTF-8, CR LF).
  void WriteSettings(const QString& fileName, const QStringList& lines);
  QStringList ReadSettings(const QString& fileName) const;

  // Starts zarn and waits until its main window lists a folder; `environment`
  // adds or replaces variables ("LANG=ru_RU.UTF-8").
  void Start(const QStringList& environment = {});
  // Makes Start() run this executable (an installed copy) instead of the built zarn.
  void UseExecutable(const QString& path) { Executable_ = path; }
  // Closes the main window with its exit button and waits for the end.
  void CloseWithExitButton();
  bool Running() const { return Zarn_.state() != QProcess::NotRunning; }
  qint64 ZarnPid() const { return Zarn_.processId(); }

  // A look at the windows now; not answered when zarn is busy.
  TUi Look();
  // Polls until `condition` holds; fails the scenario after `deadline`.
  TUi WaitFor(const QString& what, const Condition& condition, std::chrono::milliseconds deadline = 60s);
  // Keeps looking for `period` and fails as soon as `condition` stops holding:
  // a person taking their time while the program must stay as it is.
  void HoldFor(const QString& what, std::chrono::milliseconds period, const Condition& condition);
  TWidget WaitWidget(const QString& name, const QString& window = {});
  // Waits until the top-level window is shown, or hidden.
  TUi WaitShown(const QString& window);
  TUi WaitClosed(const QString& window);
  TUi WaitText(const QString& name, const QString& text, const QString& window = {});
  // The first shown window of a class (a message box, an input box).
  TWidget WaitWindowOfClass(const QString& className, const QString& what);
  // Waits for the main list to show `folder` (the path box's text, "/" ended).
  TUi WaitListing(const QString& folder);

  // Acting as a person.
  void Click(const TWidget& widget, int count = 1);
  // Rows off screen are first rolled into view with the wheel.
  void ClickRow(const TWidget& view, int row, int count = 1);
  void RightClickRow(const TWidget& view, int row);
  TWidget ScrollRowIntoView(const TWidget& view, int row);
  // The entries of the shown context menu; a click on the one with `caption`.
  QStringList MenuCaptions();
  void ChooseMenuEntry(const QString& caption);
  void ClickNamed(const QString& name, const QString& window = {});
  // Clicks the shown push button with this caption in the window of a class.
  void ClickButton(const QString& caption, const QString& windowClass = {});
  void Key(const QString& keys) { X_.Key(keys); }
  void Type(const QString& text) { X_.Type(text); }
  // Types `text` over what the focused edit holds (selected with Ctrl+A) and
  // waits until `shown` reads it. xdotool puts characters missing from the
  // keyboard map on a spare key just before pressing it, and a program may
  // read that key before it has seen the new map; such a text is typed again,
  // as a person would.
  void TypeOver(const QString& text, const std::function<QString(const TUi&)>& shown);
  // Clicks the named edit of a window and types `text` over its content.
  void FillField(const QString& name, const QString& window, const QString& text);
  // Puts the keyboard cursor on a row of the main list by clicking it.
  void SelectMainRow(const QString& name);
  // Answers an input box: replaces its text and presses Enter.
  void AnswerInputBox(const QString& text);
  // Waits for the program's message box with `text`, presses its OK, and
  // waits until the window it came from is active again.
  void DismissMessage(const QString& text);

  QString TitleOf(const TWidget& window) const;
  // Closes a shown window by its close box and waits until it is hidden.
  void CloseByCloseBox(const QString& window);
  TXDisplay& X() { return X_; }

 private:
  [[noreturn]] void Fail(const QString& what, const TUi& last);
  void SaveArtifacts(const TUi& last);
  QString ProbePath() const;

  test::TempTree Tree_;
  TXDisplay X_;
  QProcess Zarn_;
  QString Executable_ = QStringLiteral(ZARN_EXECUTABLE);
  bool ArtifactsSaved_ = false;
};

}  // namespace zarn::e2e
