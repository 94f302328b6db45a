#pragma once
// A real main window over a temporary folder tree, driven as a user drives it:
// keys into the folder list, clicks on the right-hand buttons. The second
// panel exists and is connected as the program connects it; the text and
// picture viewers exist for the view command. Every dialog is answered by the
// fakes: the program's own boxes by FakePrompter, the file-operation engine's
// questions by FakeFileOpQuestions, the delete question by DeleteReply.
// Header-only, so only test programs that link the browser library include it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <cstdlib>
#include <memory>
#include <ostream>

#include "browser/browsingstate.h"
#include "browser/folderitems.h"
#include "browser/folderlisting.h"
#include "browser/shelltree.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "fakefileopquestions.h"
#include "fakeprompter.h"
#include "fileprobes.h"
#include "listrows.h"
#include "ops/filecommands.h"
#include "ops/shellfileop.h"
#include "panel/mainwindowhooks.h"
#include "panel/panelpath.h"
#include "panel/tform4.h"
#include "privatedatahome.h"
#include "platform/pathtext.h"
#include "temptree.h"
#include "viewer/trf.h"
#include "viewer/tshpic.h"

// Readable failure output for texts.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace zarn::test {

// The private trash is set up while the program starts, before any test runs.
inline const QString PrivateDataHomeAtStart = PrivateDataHome();

// The trash's copy of an object: its files folder holds it under its own name
// (or that name with a number when taken).
inline QByteArray TrashedPath(const QByteArray& name) {
  return PrivateDataHome().toUtf8() + "/Trash/files/" + name;
}

class MainWindowFixture : public testing::Test {
 protected:
  MainWindowFixture() {
    ListingWaitBudget = std::chrono::minutes(1);  // the list is read right after each navigation
    qputenv("ZARN_CONFIG_DIR", Config.Root().toUtf8());
    SortMode = 0;
    FocusName.clear();
    MainShown = false;
    PanelPath.clear();
    SetFileOpQuestions(&Questions);
    SetRenameSettleDelay(std::chrono::milliseconds(0));
    SetDeleteAsker([this](const QString& text, bool) {
      DeleteTexts << text;
      return DeleteReply;
    });
  }

  ~MainWindowFixture() override {
    Form.reset();
    Panel.reset();
    SetFileOpQuestions(nullptr);
    SetDeleteAsker({});
    MainWindowHooks = {};
    PanelPath.clear();
  }

  // Opens the main window on `folder` with the cursor on the first row and the
  // keyboard focus in the list.
  void Open(const QString& folder) {
    Form = std::make_unique<TForm1>();
    Panel = std::make_unique<TForm4>();
    ConnectPanel();
    Form->show();
    Form->SetPath(folder);
    FocusList();
  }

  void FocusList() { FocusListOf(*Form); }

  // Gives the panel a folder, as the panel's own navigation does.
  void SetPanelFolder(const QString& folder) {
    PanelPath = WithTrailingSlash(folder);
    Panel->FillPanelList(PanelPath);
  }

  int Row(const QString& name) const { return RowNamed(*Form, name); }
  QString CurrentName() const { return CursorRowName(*Form); }
  QStringList Names() const {
    QStringList names;
    for (const TShellItem& item : Form->Items().FolderItems) names << item.DisplayName;
    return names;
  }
  bool Marked(const QString& name) const {
    const int row = Row(name);
    return row >= 0 && Form->Items().FolderItems[size_t(row)].Marked;
  }

  // Puts the cursor on the named row; fails the test when there is none.
  void Select(const QString& name) {
    const int row = Row(name);
    ASSERT_GE(row, 0) << name.toStdString();
    Form->ListView->SelectRow(row);
  }
  void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(Form->ListView, key, modifiers);
  }
  void Mark(const QString& name) {
    Select(name);
    Press(Qt::Key_Space);
    ASSERT_TRUE(Marked(name)) << name.toStdString();
  }
  QToolButton* Button(const char* name) const { return Form->findChild<QToolButton*>(QLatin1String(name)); }
  // A right-hand button, clicked with the mouse; the list keeps its focus.
  void Click(const char* name) {
    QToolButton* button = Button(name);
    ASSERT_NE(button, nullptr) << name;
    QTest::mouseClick(button, Qt::LeftButton);
  }

  // Answers for the program's own input boxes and confirmations.
  void AnswerInput(const QString& text) { Prompts.InputAnswers.push_back(text); }
  void CancelInput() { Prompts.InputAnswers.push_back(std::nullopt); }
  void AnswerConfirm(bool yes) { Prompts.Answers.push_back(yes); }

  TempTree Config;
  TempTree Tree;
  FakePrompter Prompts;
  FakeFileOpQuestions Questions;
  QStringList DeleteTexts;
  DeleteChoice DeleteReply{DeleteAnswer::Yes, true};
  std::unique_ptr<TForm1> Form;
  std::unique_ptr<TForm4> Panel;

 private:
  // The hooks the program entry sets between the main window and the panel.
  void ConnectPanel() {
    TForm1* form = Form.get();
    MainWindowHooks.PathText = [form] { return form->PathText(); };
    MainWindowHooks.SetPath = [form](const QString& path) { form->SetPath(path); };
    MainWindowHooks.ScrollTreeSelectionToTop = [form] { form->ShellTreeView1->ScrollSelectedToTop(); };
    MainWindowHooks.SetFocusName = [](const QString& name) { FocusName = name; };
    MainWindowHooks.SetPanelGlyph = [form](const QString& glyph) {
      form->findChild<QToolButton*>(QStringLiteral("SpeedButton17"))->setProperty("glyph", glyph);
    };
  }
};

}  // namespace zarn::test
