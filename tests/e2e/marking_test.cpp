// The list as the keyboard drives it: cursor keys, marks by hand and by mask,
// the selection summary and the selection-modes window.

#include <unistd.h>

#include "scenario.h"

namespace zarn::e2e {
namespace {

class MarkingScenario : public TZarnScenario {
 protected:
  void StartIn(const QString& folder) {
    WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(folder + QLatin1Char('/'))});
    Start();
    WaitListing(Home(folder + QLatin1Char('/')));
  }

  TWidget List(const TUi& ui) { return ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1")); }

  void WaitCursorOn(const QString& name) {
    WaitFor(QStringLiteral("the cursor on ") + name,
            [&](const TUi& ui) { return List(ui).value(QStringLiteral("currentText")).toString() == name; });
  }

  void WaitSummary(int folders, int files, const QString& kb) {
    WaitText(QStringLiteral("Label1"), QStringLiteral("Выделено в %1 папках и в %2 файлах: %3 KB").arg(folders).arg(files).arg(kb),
             QStringLiteral("Form1"));
  }

  void RunSelectionMode(int choice, const QString& mask) {
    ClickNamed(QStringLiteral("SpeedButton20"), QStringLiteral("Form1"));
    WaitWidget(QStringLiteral("Edit1"), QStringLiteral("Selekt"));
    ClickNamed(QStringLiteral("RadioGroup1Item%1").arg(choice), QStringLiteral("Selekt"));
    FillField(QStringLiteral("Edit1"), QStringLiteral("Selekt"), mask);
    Key(QStringLiteral("Return"));
  }
};

TEST_F(MarkingScenario, EndHomeAndPagesMoveTheCursorRowAndKeepTheNames) {
  for (int i = 0; i < 60; ++i) CreateFile(QStringLiteral("x/file%1.txt").arg(i, 2, 10, QLatin1Char('0')));
  StartIn(QStringLiteral("x"));
  SelectMainRow(QStringLiteral("file00.txt"));
  Key(QStringLiteral("End"));
  WaitCursorOn(QStringLiteral("file59.txt"));
  const TUi ui = Look();
  const TWidget header = FindWithin(List(ui), [](const TWidget& widget) { return widget.contains(QStringLiteral("sections")); });
  const QJsonObject name = header.value(QStringLiteral("sections")).toArray().at(0).toObject();
  EXPECT_GE(name.value(QStringLiteral("x")).toInt(), RectOf(List(ui)).x()) << "the Name column scrolled out of view";
  Key(QStringLiteral("Home"));
  WaitCursorOn(QStringLiteral("file00.txt"));
  Key(QStringLiteral("Next"));
  WaitFor(QStringLiteral("a page down"), [&](const TUi& look) { return List(look).value(QStringLiteral("currentRow")).toInt() > 10; });
  Key(QStringLiteral("ctrl+End"));
  WaitCursorOn(QStringLiteral("file59.txt"));
  Key(QStringLiteral("Prior"));
  WaitFor(QStringLiteral("a page up"), [&](const TUi& look) { return List(look).value(QStringLiteral("currentRow")).toInt() < 50; });
  Key(QStringLiteral("ctrl+Home"));
  WaitCursorOn(QStringLiteral("file00.txt"));
  // Typing the start of a name finds its row.
  Type(QStringLiteral("file4"));
  WaitCursorOn(QStringLiteral("file40.txt"));
}

TEST_F(MarkingScenario, MarksByHandByMaskAndTheirSummary) {
  CreateFile(QStringLiteral("x/a.txt"), QByteArray(2048, 'a'));
  CreateFile(QStringLiteral("x/b.txt"), QByteArray(10, 'b'));
  CreateFile(QStringLiteral("x/README"), QByteArray(5000, 'r'));
  CreateFile(QStringLiteral("x/sub/inner.bin"), QByteArray(4096, 'i'));
  StartIn(QStringLiteral("x"));
  SelectMainRow(QStringLiteral("sub"));
  Key(QStringLiteral("Insert"));  // the folder, whose size is summed in the background
  WaitCursorOn(QStringLiteral("a.txt"));
  Key(QStringLiteral("space"));
  WaitSummary(1, 1, QStringLiteral("6"));
  Key(QStringLiteral("space"));
  WaitSummary(1, 0, QStringLiteral("4"));
  Key(QStringLiteral("KP_Add"));
  AnswerInputBox(QStringLiteral("*.*"));
  WaitSummary(1, 2, QStringLiteral("7"));
  Key(QStringLiteral("KP_Subtract"));
  AnswerInputBox(QStringLiteral("b*"));
  WaitSummary(1, 1, QStringLiteral("6"));
  RunSelectionMode(3, QStringLiteral("*.*"));  // invert: files only
  WaitSummary(1, 2, QStringLiteral("9"));
  RunSelectionMode(2, QStringLiteral("*"));  // unmark every file
  WaitSummary(1, 0, QStringLiteral("4"));
}

TEST_F(MarkingScenario, TheSummaryOfAHugeSelectionAndTheFreeSpaceStayReadable) {
  for (int i = 0; i < 2000; ++i) CreateFile(QStringLiteral("x/f%1").arg(i));
  CreateFile(QStringLiteral("x/sparse"));
  ASSERT_EQ(::truncate(Home(QStringLiteral("x/sparse")).toUtf8().constData(), qint64(1) << 40), 0);
  StartIn(QStringLiteral("x"));
  SelectMainRow(QStringLiteral("f0"));
  Key(QStringLiteral("KP_Add"));
  AnswerInputBox(QStringLiteral("*"));
  const TUi ui = WaitText(QStringLiteral("Label1"), QStringLiteral("Выделено в 0 папках и в 2001 файлах: 1 073 743 824 KB"),
                          QStringLiteral("Form1"));
  const TWidget summary = ui.Widget(QStringLiteral("Label1"), QStringLiteral("Form1"));
  EXPECT_LE(summary.value(QStringLiteral("textWidth")).toInt(), summary.value(QStringLiteral("w")).toInt());
  // The free-space totals sit in the middle of their bar.
  for (const auto& [label, bar] : {std::pair{"Label5", "Shape1"}, std::pair{"Label6", "Shape2"}}) {
    EXPECT_NEAR(CentreOf(ui.Widget(QLatin1String(label), QStringLiteral("Form1"))).y(),
                CentreOf(ui.Widget(QLatin1String(bar), QStringLiteral("Form1"))).y(), 1)
        << label;
  }
}

TEST_F(MarkingScenario, MarkMissingComparesEveryPanelEntry) {
  CreateFile(QStringLiteral("panel/a.txt"));
  CreateFile(QStringLiteral("panel/c.txt"));
  CreateFile(QStringLiteral("x/a.txt"));
  CreateFile(QStringLiteral("x/b.txt"));
  CreateFile(QStringLiteral("x/c.txt"));
  StartIn(QStringLiteral("panel"));
  ClickNamed(QStringLiteral("SpeedButton15"), QStringLiteral("Form1"));
  WaitText(QStringLiteral("Edit1"), Home(QStringLiteral("panel/")), QStringLiteral("Form4"));
  FillField(QStringLiteral("cbPath"), QStringLiteral("Form1"), Home(QStringLiteral("x")));
  Key(QStringLiteral("Return"));
  WaitListing(Home(QStringLiteral("x/")));
  RunSelectionMode(1, QStringLiteral("*.*"));
  // Only b.txt is missing from the panel, a.txt (its first entry) included in the comparison.
  WaitSummary(0, 1, QStringLiteral("1"));
}

TEST_F(MarkingScenario, MarkMissingWithTheHiddenPanelAsksForItsFolder) {
  CreateFile(QStringLiteral("x/a.txt"));
  StartIn(QStringLiteral("x"));
  RunSelectionMode(1, QStringLiteral("*.*"));
  WaitText(QStringLiteral("qt_msgbox_label"), QStringLiteral("Выберите папку для выполнения сравнения файлов"),
           QStringLiteral("MessageBox"));
  ClickNamed(QStringLiteral("ButtonOk"), QStringLiteral("MessageBox"));
  WaitFor(QStringLiteral("the selection modes closed"), [](const TUi& ui) { return !ui.Shown(QStringLiteral("Selekt")); });
  EXPECT_TRUE(Look().Shown(QStringLiteral("Form4")));
}

}  // namespace
}  // namespace zarn::e2e
