// The second panel: shown and hidden from the main window, folders sent down,
// brought up and swapped, and browsed, created and renamed in the panel itself.

#include <QDir>

#include "fileprobes.h"
#include "scenario.h"

namespace zarn::e2e {
namespace {

using test::Exists;

class PanelScenario : public TZarnScenario {
 protected:
  // `folder` ends in "/"; empty for the home itself.
  void StartIn(const QString& folder, const QStringList& environment = {}) {
    const QString path = folder.isEmpty() ? Home() + QLatin1Char('/') : Home(folder);
    WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, path});
    Start(environment);
    WaitListing(path);
  }

  QString PanelGlyph() {
    return Look().Widget(QStringLiteral("SpeedButton17"), QStringLiteral("Form1")).value(QStringLiteral("properties"))
        .toObject().value(QStringLiteral("glyph")).toString();
  }

  void WaitPanelOn(const QString& folder) { WaitText(QStringLiteral("Edit1"), folder, QStringLiteral("Form4")); }

  TWidget PanelList() { return WaitWidget(QStringLiteral("ListView1"), QStringLiteral("Form4")); }

  void GoTo(const QString& folder) {
    FillField(QStringLiteral("cbPath"), QStringLiteral("Form1"), folder);
    Key(QStringLiteral("Return"));
    WaitListing(folder + QLatin1Char('/'));
  }
};

TEST_F(PanelScenario, TheMainWindowsButtonsExchangeFoldersWithThePanel) {
  CreateFile(QStringLiteral("A/a.txt"));
  CreateFile(QStringLiteral("B/b.txt"));
  StartIn(QStringLiteral("A/"));
  ClickNamed(QStringLiteral("SpeedButton17"), QStringLiteral("Form1"));
  WaitFor(QStringLiteral("the panel shown"), [](const TUi& ui) { return ui.Shown(QStringLiteral("Form4")); });
  EXPECT_EQ(PanelGlyph(), QStringLiteral("TOONE"));
  ClickNamed(QStringLiteral("SpeedButton15"), QStringLiteral("Form1"));
  WaitPanelOn(Home(QStringLiteral("A/")));
  EXPECT_EQ(RowTexts(PanelList()), QStringList{QStringLiteral("a.txt")});
  GoTo(Home(QStringLiteral("B")));
  ClickNamed(QStringLiteral("SpeedButton14"), QStringLiteral("Form1"));
  WaitListing(Home(QStringLiteral("A/")));
  WaitPanelOn(Home(QStringLiteral("B/")));
  ClickNamed(QStringLiteral("SpeedButton16"), QStringLiteral("Form1"));
  WaitListing(Home(QStringLiteral("B/")));
  ClickNamed(QStringLiteral("SpeedButton17"), QStringLiteral("Form1"));
  WaitFor(QStringLiteral("the panel hidden"), [](const TUi& ui) { return !ui.Shown(QStringLiteral("Form4")); });
  EXPECT_EQ(PanelGlyph(), QStringLiteral("TOTWO"));
}

TEST_F(PanelScenario, ThePanelBrowsesCreatesAndRenames) {
  CreateFile(QStringLiteral("x/sub/inner.txt"));
  CreateFile(QStringLiteral("x/big.bin"), QByteArray(1234567, 'b'));
  StartIn(QStringLiteral(""));
  ClickNamed(QStringLiteral("SpeedButton15"), QStringLiteral("Form1"));
  WaitPanelOn(Home() + QLatin1Char('/'));
  TWidget list = PanelList();
  ClickRow(list, RowIndexOf(list, QStringLiteral("x")), 2);
  WaitPanelOn(Home(QStringLiteral("x/")));
  EXPECT_EQ(RowTexts(PanelList()), (QStringList{QStringLiteral("sub"), QStringLiteral("big.bin")}));
  EXPECT_EQ(Look().Text(QStringLiteral("Label4"), QStringLiteral("Form4")), QStringLiteral("1"));
  EXPECT_EQ(Look().Text(QStringLiteral("Label5"), QStringLiteral("Form4")), QStringLiteral("1"));
  list = PanelList();
  ClickRow(list, RowIndexOf(list, QStringLiteral("big.bin")));
  WaitFor(QStringLiteral("the information line"), [](const TUi& ui) {
    const QString line = ui.Text(QStringLiteral("Label6"), QStringLiteral("Form4"));
    return line.startsWith(QStringLiteral("Файл: big.bin - ")) && line.endsWith(QStringLiteral("  - 1 234 567 byte"));
  });
  ClickRow(list, RowIndexOf(list, QStringLiteral("sub")));
  Key(QStringLiteral("Return"));
  WaitPanelOn(Home(QStringLiteral("x/sub/")));
  ClickNamed(QStringLiteral("SpeedButton1"), QStringLiteral("Form4"));
  WaitPanelOn(Home(QStringLiteral("x/")));
  WaitFor(QStringLiteral("the folder left selected"), [](const TUi& ui) {
    return ui.Widget(QStringLiteral("ListView1"), QStringLiteral("Form4")).value(QStringLiteral("currentText")).toString() ==
           QStringLiteral("sub");
  });

  ClickNamed(QStringLiteral("Button1"), QStringLiteral("Form4"));
  AnswerInputBox(QStringLiteral("Новая"));
  WaitFor(QStringLiteral("the new folder selected"), [](const TUi& ui) {
    return ui.Widget(QStringLiteral("ListView1"), QStringLiteral("Form4")).value(QStringLiteral("currentText")).toString() ==
           QStringLiteral("Новая");
  });
  EXPECT_TRUE(QDir(Home(QStringLiteral("x/Новая"))).exists());
  Key(QStringLiteral("F2"));
  WaitFor(QStringLiteral("the caption editor"), [](const TUi& ui) {
    return !FindWithin(ui.Widget(QStringLiteral("ListView1"), QStringLiteral("Form4")), [](const TWidget& widget) {
              return widget.value(QStringLiteral("class")).toString().contains(QStringLiteral("LineEdit"));
            }).isEmpty();
  });
  TypeOver(QStringLiteral("Другая"), [](const TUi& ui) {
    return TextOf(FindWithin(ui.Widget(QStringLiteral("ListView1"), QStringLiteral("Form4")), [](const TWidget& widget) {
      return widget.value(QStringLiteral("class")).toString().contains(QStringLiteral("LineEdit"));
    }));
  });
  Key(QStringLiteral("Return"));
  WaitText(QStringLiteral("qt_msgbox_label"),
           QStringLiteral("Меняем имя : ") + Home(QStringLiteral("x/Новая")) + QStringLiteral(" - на  -") +
               Home(QStringLiteral("x/Другая")),
           QStringLiteral("MessageBox"));
  Key(QStringLiteral("Return"));
  WaitFor(QStringLiteral("the folder renamed"), [&](const TUi&) { return Exists(HomeBytes("x/Другая")); });
  EXPECT_FALSE(Exists(HomeBytes("x/Новая")));

  ClickNamed(QStringLiteral("SpeedButton3"), QStringLiteral("Form4"));
  WaitWidget(QStringLiteral("ListView1Header"), QStringLiteral("Form4"));
  ClickNamed(QStringLiteral("SpeedButton2"), QStringLiteral("Form4"));
  WaitFor(QStringLiteral("the heading gone"), [](const TUi& ui) {
    return ui.Widget(QStringLiteral("ListView1Header"), QStringLiteral("Form4")).isEmpty();
  });
}

TEST_F(PanelScenario, TheTypedPathOfThePanelIsEntered) {
  CreateFile(QStringLiteral("x/sub/inner.txt"));
  StartIn(QStringLiteral(""));
  ClickNamed(QStringLiteral("SpeedButton15"), QStringLiteral("Form1"));
  WaitPanelOn(Home() + QLatin1Char('/'));
  FillField(QStringLiteral("Edit1"), QStringLiteral("Form4"), Home(QStringLiteral("x/sub")));
  Key(QStringLiteral("Return"));
  WaitPanelOn(Home(QStringLiteral("x/sub/")));
  EXPECT_EQ(RowTexts(PanelList()), QStringList{QStringLiteral("inner.txt")});
}

TEST_F(PanelScenario, BothWindowsListAFolderInOneOrder) {
  for (const char* name : {"Музыка", "Dest", "банк", "Zeta", "alpha"}) CreateDir(QStringLiteral("x/") + QString::fromUtf8(name));
  CreateFile(QStringLiteral("x/Файл.txt"));
  CreateFile(QStringLiteral("x/file.txt"));
  StartIn(QStringLiteral("x/"), {QStringLiteral("LANG=ru_RU.UTF-8")});
  ClickNamed(QStringLiteral("SpeedButton15"), QStringLiteral("Form1"));
  WaitPanelOn(Home(QStringLiteral("x/")));
  const TUi ui = WaitFor(QStringLiteral("both lists filled"), [](const TUi& look) {
    return RowTexts(look.Widget(QStringLiteral("ListView1"), QStringLiteral("Form4"))).size() == 7;
  });
  const QStringList main = RowTexts(ui.Widget(QStringLiteral("ListView"), QStringLiteral("Form1")));
  EXPECT_EQ(main, RowTexts(ui.Widget(QStringLiteral("ListView1"), QStringLiteral("Form4"))));
  EXPECT_EQ(main.value(0), QStringLiteral("банк"));
}

}  // namespace
}  // namespace zarn::e2e
