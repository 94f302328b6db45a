// The list as the keyboard drives it: cursor keys, marks by hand and by mask,
// the selection summary and the selection-modes window.

#include <unistd.h>

#include "scenario.h"

namespace zarn::e2e {
namespace {

class MarkingScenario : public TZarnScenario {
 protected:
  void StartIn(const QString& folder) {
    WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(folder + QLatin1Char('/'))});
    Start();
    WaitListing(Home(folder + QLatin1Char('/')));
  }

  TWidget List(const TUi& ui) { return MainList(ui); }

  void WaitCursorOn(const QString& name) {
    WaitFor(u"the cursor on "_s + name,
            [&](const TUi& ui) { return List(ui).value(u"currentText"_s).toString() == name; });
  }

  void WaitSummary(int folders, int files, const QString& kb) {
    WaitText(u"Label1"_s, u"Выделено в %1 папках и в %2 файлах: %3 KB"_s.arg(folders).arg(files).arg(kb), u"Form1"_s);
  }

  void RunSelectionMode(int choice, const QString& mask) {
    ClickNamed(u"SpeedButton20"_s, u"Form1"_s);
    WaitWidget(u"Edit1"_s, u"Selekt"_s);
    ClickNamed(u"RadioGroup1Item%1"_s.arg(choice), u"Selekt"_s);
    FillField(u"Edit1"_s, u"Selekt"_s, mask);
    Key(u"Return"_s);
  }
};

TEST_F(MarkingScenario, EndHomeAndPagesMoveTheCursorRowAndKeepTheNames) {
  for (int i = 0; i < 60; ++i) CreateFile(u"x/file%1.txt"_s.arg(i, 2, 10, QLatin1Char('0')));
  StartIn(u"x"_s);
  SelectMainRow(u"file00.txt"_s);
  Key(u"End"_s);
  WaitCursorOn(u"file59.txt"_s);
  const TUi ui = Look();
  const TWidget header = FindWithin(List(ui), [](const TWidget& widget) { return widget.contains(u"sections"_s); });
  const QJsonObject name = header.value(u"sections"_s).toArray().at(0).toObject();
  EXPECT_GE(name.value(u"x"_s).toInt(), RectOf(List(ui)).x()) << "the Name column scrolled out of view";
  Key(u"Home"_s);
  WaitCursorOn(u"file00.txt"_s);
  Key(u"Next"_s);
  WaitFor(u"a page down"_s, [&](const TUi& look) { return List(look).value(u"currentRow"_s).toInt() > 10; });
  Key(u"ctrl+End"_s);
  WaitCursorOn(u"file59.txt"_s);
  Key(u"Prior"_s);
  WaitFor(u"a page up"_s, [&](const TUi& look) { return List(look).value(u"currentRow"_s).toInt() < 50; });
  Key(u"ctrl+Home"_s);
  WaitCursorOn(u"file00.txt"_s);
  // Typing the start of a name finds its row.
  Type(u"file4"_s);
  WaitCursorOn(u"file40.txt"_s);
}

TEST_F(MarkingScenario, MarksByHandByMaskAndTheirSummary) {
  CreateFile(u"x/a.txt"_s, QByteArray(2048, 'a'));
  CreateFile(u"x/b.txt"_s, QByteArray(10, 'b'));
  CreateFile(u"x/README"_s, QByteArray(5000, 'r'));
  CreateFile(u"x/sub/inner.bin"_s, QByteArray(4096, 'i'));
  StartIn(u"x"_s);
  SelectMainRow(u"sub"_s);
  Key(u"Insert"_s);  // the folder, whose size is summed in the background
  WaitCursorOn(u"a.txt"_s);
  Key(u"space"_s);
  WaitSummary(1, 1, u"6"_s);
  Key(u"space"_s);
  WaitSummary(1, 0, u"4"_s);
  Key(u"KP_Add"_s);
  AnswerInputBox(u"*.*"_s);
  WaitSummary(1, 2, u"7"_s);
  Key(u"KP_Subtract"_s);
  AnswerInputBox(u"b*"_s);
  WaitSummary(1, 1, u"6"_s);
  RunSelectionMode(3, u"*.*"_s);  // invert: files only
  WaitSummary(1, 2, u"9"_s);
  RunSelectionMode(2, u"*"_s);  // unmark every file
  WaitSummary(1, 0, u"4"_s);
}

TEST_F(MarkingScenario, TheSummaryOfAHugeSelectionAndTheFreeSpaceStayReadable) {
  for (int i = 0; i < 2000; ++i) CreateFile(u"x/f%1"_s.arg(i));
  CreateFile(u"x/sparse"_s);
  ASSERT_EQ(::truncate(Home(u"x/sparse"_s).toUtf8().constData(), qint64(1) << 40), 0);
  StartIn(u"x"_s);
  SelectMainRow(u"f0"_s);
  Key(u"KP_Add"_s);
  AnswerInputBox(u"*"_s);
  const TUi ui = WaitText(u"Label1"_s, u"Выделено в 0 папках и в 2001 файлах: 1 073 743 824 KB"_s, u"Form1"_s);
  const TWidget summary = ui.Widget(u"Label1"_s, u"Form1"_s);
  EXPECT_LE(summary.value(u"textWidth"_s).toInt(), summary.value(u"w"_s).toInt());
  // The free-space totals sit in the middle of their bar.
  for (const auto& [label, bar] : {std::pair{"Label5", "Shape1"}, std::pair{"Label6", "Shape2"}}) {
    EXPECT_NEAR(CentreOf(ui.Widget(QLatin1String(label), u"Form1"_s)).y(),
                CentreOf(ui.Widget(QLatin1String(bar), u"Form1"_s)).y(), 1)
        << label;
  }
}

// Past the limit the summary is counted on a worker; one row's mark then
// changes the totals by that row alone.
TEST_F(MarkingScenario, AMarkAllPastTheBackgroundLimitIsCountedAndAdjustedRowByRow) {
  for (int i = 0; i < 20500; ++i) CreateFile(u"x/f%1"_s.arg(i, 5, 10, QLatin1Char('0')));
  StartIn(u"x"_s);
  SelectMainRow(u"f00000"_s);
  Key(u"KP_Add"_s);
  AnswerInputBox(u"*"_s);
  WaitSummary(0, 20500, u"20 500"_s);
  Key(u"Insert"_s);
  WaitSummary(0, 20499, u"20 499"_s);
  WaitCursorOn(u"f00001"_s);
  Key(u"space"_s);
  WaitSummary(0, 20498, u"20 498"_s);
}

TEST_F(MarkingScenario, MarkMissingComparesEveryPanelEntry) {
  CreateFile(u"panel/a.txt"_s);
  CreateFile(u"panel/c.txt"_s);
  CreateFile(u"x/a.txt"_s);
  CreateFile(u"x/b.txt"_s);
  CreateFile(u"x/c.txt"_s);
  StartIn(u"panel"_s);
  ClickNamed(u"SpeedButton15"_s, u"Form1"_s);
  WaitText(u"Edit1"_s, Home(u"panel/"_s), u"Form4"_s);
  FillField(u"cbPath"_s, u"Form1"_s, Home(u"x"_s));
  Key(u"Return"_s);
  WaitListing(Home(u"x/"_s));
  RunSelectionMode(1, u"*.*"_s);
  // Only b.txt is missing from the panel, a.txt (its first entry) included in the comparison.
  WaitSummary(0, 1, u"1"_s);
}

TEST_F(MarkingScenario, MarkMissingWithTheHiddenPanelAsksForItsFolder) {
  CreateFile(u"x/a.txt"_s);
  StartIn(u"x"_s);
  RunSelectionMode(1, u"*.*"_s);
  WaitText(u"qt_msgbox_label"_s, u"Выберите папку для выполнения сравнения файлов"_s, u"MessageBox"_s);
  ClickNamed(u"ButtonOk"_s, u"MessageBox"_s);
  WaitClosed(u"Selekt"_s);
  EXPECT_TRUE(Look().Shown(u"Form4"_s));
}

}  // namespace
}  // namespace zarn::e2e
