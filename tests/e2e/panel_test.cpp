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
    WriteSettings(u"zarn.ini"_s, {{}, {}, {}, path});
    Start(environment);
    WaitListing(path);
  }

  QString PanelGlyph() {
    return Look().Widget(u"SpeedButton17"_s, u"Form1"_s).value(u"properties"_s).toObject().value(u"glyph"_s).toString();
  }

  void WaitPanelOn(const QString& folder) { WaitText(u"Edit1"_s, folder, u"Form4"_s); }

  TWidget PanelList() { return WaitWidget(u"ListView1"_s, u"Form4"_s); }

  void GoTo(const QString& folder) {
    FillField(u"cbPath"_s, u"Form1"_s, folder);
    Key(u"Return"_s);
    WaitListing(folder + QLatin1Char('/'));
  }
};

TEST_F(PanelScenario, TheMainWindowsButtonsExchangeFoldersWithThePanel) {
  CreateFile(u"A/a.txt"_s);
  CreateFile(u"B/b.txt"_s);
  StartIn(u"A/"_s);
  ClickNamed(u"SpeedButton17"_s, u"Form1"_s);
  WaitShown(u"Form4"_s);
  EXPECT_EQ(PanelGlyph(), u"TOONE"_s);
  ClickNamed(u"SpeedButton15"_s, u"Form1"_s);
  WaitPanelOn(Home(u"A/"_s));
  EXPECT_EQ(RowTexts(PanelList()), QStringList{u"a.txt"_s});
  GoTo(Home(u"B"_s));
  ClickNamed(u"SpeedButton14"_s, u"Form1"_s);
  WaitListing(Home(u"A/"_s));
  WaitPanelOn(Home(u"B/"_s));
  ClickNamed(u"SpeedButton16"_s, u"Form1"_s);
  WaitListing(Home(u"B/"_s));
  ClickNamed(u"SpeedButton17"_s, u"Form1"_s);
  WaitClosed(u"Form4"_s);
  EXPECT_EQ(PanelGlyph(), u"TOTWO"_s);
}

TEST_F(PanelScenario, ThePanelBrowsesCreatesAndRenames) {
  CreateFile(u"x/sub/inner.txt"_s);
  CreateFile(u"x/big.bin"_s, QByteArray(1234567, 'b'));
  StartIn(u""_s);
  ClickNamed(u"SpeedButton15"_s, u"Form1"_s);
  WaitPanelOn(Home() + QLatin1Char('/'));
  TWidget list = PanelList();
  ClickRow(list, RowIndexOf(list, u"x"_s), 2);
  WaitPanelOn(Home(u"x/"_s));
  EXPECT_EQ(RowTexts(PanelList()), (QStringList{u"sub"_s, u"big.bin"_s}));
  EXPECT_EQ(Look().Text(u"Label4"_s, u"Form4"_s), u"1"_s);
  EXPECT_EQ(Look().Text(u"Label5"_s, u"Form4"_s), u"1"_s);
  list = PanelList();
  ClickRow(list, RowIndexOf(list, u"big.bin"_s));
  WaitFor(u"the information line"_s, [](const TUi& ui) {
    const QString line = ui.Text(u"Label6"_s, u"Form4"_s);
    return line.startsWith(u"Файл: big.bin - "_s) && line.endsWith(u"  - 1 234 567 byte"_s);
  });
  ClickRow(list, RowIndexOf(list, u"sub"_s));
  Key(u"Return"_s);
  WaitPanelOn(Home(u"x/sub/"_s));
  ClickNamed(u"SpeedButton1"_s, u"Form4"_s);
  WaitPanelOn(Home(u"x/"_s));
  WaitFor(u"the folder left selected"_s, [](const TUi& ui) {
    return ui.Widget(u"ListView1"_s, u"Form4"_s).value(u"currentText"_s).toString() == u"sub"_s;
  });

  ClickNamed(u"Button1"_s, u"Form4"_s);
  AnswerInputBox(u"Новая"_s);
  WaitFor(u"the new folder selected"_s, [](const TUi& ui) {
    return ui.Widget(u"ListView1"_s, u"Form4"_s).value(u"currentText"_s).toString() == u"Новая"_s;
  });
  EXPECT_TRUE(QDir(Home(u"x/Новая"_s)).exists());
  Key(u"F2"_s);
  WaitFor(u"the caption editor"_s, [](const TUi& ui) {
    return !FindWithin(ui.Widget(u"ListView1"_s, u"Form4"_s), [](const TWidget& widget) {
              return widget.value(u"class"_s).toString().contains(u"LineEdit"_s);
            }).isEmpty();
  });
  TypeOver(u"Другая"_s, [](const TUi& ui) {
    return TextOf(FindWithin(ui.Widget(u"ListView1"_s, u"Form4"_s), [](const TWidget& widget) {
      return widget.value(u"class"_s).toString().contains(u"LineEdit"_s);
    }));
  });
  Key(u"Return"_s);
  WaitText(u"qt_msgbox_label"_s, u"Меняем имя : "_s + Home(u"x/Новая"_s) + u" - на  -"_s + Home(u"x/Другая"_s),
           u"MessageBox"_s);
  Key(u"Return"_s);
  WaitFor(u"the folder renamed"_s, [&](const TUi&) { return Exists(HomeBytes("x/Другая")); });
  EXPECT_FALSE(Exists(HomeBytes("x/Новая")));

  ClickNamed(u"SpeedButton3"_s, u"Form4"_s);
  WaitWidget(u"ListView1Header"_s, u"Form4"_s);
  ClickNamed(u"SpeedButton2"_s, u"Form4"_s);
  WaitFor(u"the heading gone"_s, [](const TUi& ui) { return ui.Widget(u"ListView1Header"_s, u"Form4"_s).isEmpty(); });
}

TEST_F(PanelScenario, TheTypedPathOfThePanelIsEntered) {
  CreateFile(u"x/sub/inner.txt"_s);
  StartIn(u""_s);
  ClickNamed(u"SpeedButton15"_s, u"Form1"_s);
  WaitPanelOn(Home() + QLatin1Char('/'));
  FillField(u"Edit1"_s, u"Form4"_s, Home(u"x/sub"_s));
  Key(u"Return"_s);
  WaitPanelOn(Home(u"x/sub/"_s));
  EXPECT_EQ(RowTexts(PanelList()), QStringList{u"inner.txt"_s});
}

TEST_F(PanelScenario, BothWindowsListAFolderInOneOrder) {
  for (const char* name : {"Музыка", "Dest", "банк", "Zeta", "alpha"}) CreateDir(u"x/"_s + QString::fromUtf8(name));
  CreateFile(u"x/Файл.txt"_s);
  CreateFile(u"x/file.txt"_s);
  StartIn(u"x/"_s, {u"LANG=ru_RU.UTF-8"_s});
  ClickNamed(u"SpeedButton15"_s, u"Form1"_s);
  WaitPanelOn(Home(u"x/"_s));
  const TUi ui = WaitFor(u"both lists filled"_s,
                         [](const TUi& look) { return RowTexts(look.Widget(u"ListView1"_s, u"Form4"_s)).size() == 7; });
  const QStringList main = RowTexts(MainList(ui));
  EXPECT_EQ(main, RowTexts(ui.Widget(u"ListView1"_s, u"Form4"_s)));
  EXPECT_EQ(main.value(0), u"банк"_s);
}

}  // namespace
}  // namespace zarn::e2e
