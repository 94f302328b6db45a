// Going from folder to folder as a person does: a path typed into the path
// box, the history drop-down, the list (double click, Enter, Backspace), the
// up button, the tree and the drive box.

#include "scenario.h"

namespace zarn::e2e {
namespace {

class NavigationScenario : public TZarnScenario {
 protected:
  void TypeIntoPathBox(const QString& text) {
    FillField(u"cbPath"_s, u"Form1"_s, text);
    Key(u"Return"_s);
  }

  QStringList History() {
    QStringList items;
    for (const QJsonValue& item : Look().Widget(u"cbPath"_s).value(u"items"_s).toArray()) {
      items << item.toString();
    }
    return items;
  }

  TWidget MainList() { return WaitWidget(u"ListView"_s, u"Form1"_s); }
  int CurrentRow() { return MainList().value(u"currentRow"_s).toInt(); }
};

TEST_F(NavigationScenario, EnterInThePathBoxGoesToTheTypedFolder) {
  CreateFile(u"x/Typed Вот/inner.txt"_s, "text");
  CreateDir(u"Docs"_s);
  Start();
  TypeIntoPathBox(Home(u"x/Typed Вот"_s));
  TUi ui = WaitListing(Home(u"x/Typed Вот/"_s));
  EXPECT_EQ(RowTexts(ui.Widget(u"ListView"_s)), QStringList{u"inner.txt"_s});
  EXPECT_EQ(History().value(0), Home(u"x/Typed Вот"_s));

  TypeIntoPathBox(u"~/Docs"_s);
  WaitListing(Home(u"Docs/"_s));
  EXPECT_EQ(History().value(0), Home(u"Docs"_s));

  // A typed path that is also a history entry is typed, not chosen: no "Выбран" box.
  TypeIntoPathBox(Home(u"x/Typed Вот"_s));
  WaitListing(Home(u"x/Typed Вот/"_s));
  EXPECT_FALSE(Look().Shown(u"MessageBox"_s));
  CloseWithExitButton();
  EXPECT_EQ(ReadSettings(u"zarn.ini"_s).value(3), Home(u"x/Typed Вот/"_s));
}

TEST_F(NavigationScenario, AMistypedPathSaysSoAndKeepsTheListing) {
  CreateDir(u"Docs"_s);
  WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(u"Docs/"_s)});
  Start();
  WaitListing(Home(u"Docs/"_s));
  TypeIntoPathBox(Home(u"nowhere"_s));
  WaitWidget(u"ButtonOk"_s, u"MessageBox"_s);
  Key(u"Return"_s);
  WaitClosed(u"MessageBox"_s);
  EXPECT_EQ(History().value(0), Home(u"Docs"_s));
  EXPECT_EQ(Look().Text(u"cbPath"_s), Home(u"nowhere"_s));
}

TEST_F(NavigationScenario, TheHistoryDropDownSaysWhatWasChosen) {
  CreateDir(u"A"_s);
  CreateDir(u"B"_s);
  Start();
  TypeIntoPathBox(Home(u"A"_s));
  WaitListing(Home(u"A/"_s));
  TypeIntoPathBox(Home(u"B"_s));
  WaitListing(Home(u"B/"_s));
  const QRect box = RectOf(WaitWidget(u"cbPath"_s, u"Form1"_s));
  X().Click(QPoint(box.right() - 6, box.center().y()));
  // The drop-down's list names no entry of its own: its rows are found by their texts.
  const TUi popup = WaitFor(u"the history drop-down"_s,
                            [](const TUi& ui) { return !ui.WindowOfClass(u"QComboBoxPrivateContainer"_s).isEmpty(); });
  const TWidget rows = ItemViewIn(popup.WindowOfClass(u"QComboBoxPrivateContainer"_s));
  const int row = RowIndexOf(rows, Home(u"A"_s));
  ASSERT_GE(row, 0) << RowTexts(rows).join(QLatin1Char('|')).toStdString();
  ClickRow(rows, row);
  WaitText(u"qt_msgbox_label"_s, u"Выбран: "_s + Home(u"A"_s), u"MessageBox"_s);
  Key(u"Return"_s);
  WaitListing(Home(u"A/"_s));
}

TEST_F(NavigationScenario, ListTreeUpButtonAndDriveBoxNavigate) {
  CreateDir(u"x/sub/deeper"_s);
  CreateFile(u"x/sub/file.txt"_s);
  CreateFile(u"x/zzz.txt"_s);
  WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(u"x/"_s)});
  Start();
  WaitListing(Home(u"x/"_s));
  ClickRow(MainList(), RowIndexOf(MainList(), u"sub"_s), 2);
  WaitListing(Home(u"x/sub/"_s));
  Key(u"BackSpace"_s);
  WaitListing(Home(u"x/"_s));
  EXPECT_EQ(CurrentRow(), RowIndexOf(MainList(), u"sub"_s));
  Key(u"Return"_s);
  WaitListing(Home(u"x/sub/"_s));
  ClickNamed(u"SpeedButton2"_s, u"Form1"_s);
  WaitListing(Home(u"x/"_s));

  // The tree shows the folder listed, its name whole however deep it lies; a
  // click on its parent goes there.
  const TUi ui = WaitFor(u"the tree showing x"_s, [&](const TUi& look) {
    return look.Widget(u"ShellTreeView1"_s).value(u"currentText"_s).toString() == u"x"_s;
  });
  const TWidget tree = ui.Widget(u"ShellTreeView1"_s);
  const QJsonArray rows = tree.value(u"rows"_s).toArray();
  int x = 0;
  while (x < rows.size() && !rows.at(x).toObject().value(u"selected"_s).toBool()) ++x;
  ASSERT_LT(x, rows.size());
  const QJsonObject node = rows.at(x).toObject();
  EXPECT_TRUE(node.value(u"shown"_s).toBool());
  // Every name has room beside its icon: none is cut short.
  for (const QJsonValue& row : rows) {
    const QJsonObject each = row.toObject();
    EXPECT_GE(each.value(u"w"_s).toInt(), each.value(u"textWidth"_s).toInt() + 24)
        << each.value(u"texts"_s).toArray().at(0).toString().toStdString();
  }
  int parent = x - 1;
  while (parent >= 0 && rows.at(parent).toObject().value(u"depth"_s).toInt() >= node.value(u"depth"_s).toInt()) {
    --parent;
  }
  ASSERT_GE(parent, 0);
  ClickRow(tree, parent);
  WaitListing(Home() + QLatin1Char('/'));
  // The keyboard moves in the tree; Enter goes to the folder chosen.
  Key(u"Down"_s);
  WaitFor(u"the next node chosen"_s, [](const TUi& look) {
    return look.Widget(u"ShellTreeView1"_s).value(u"currentText"_s).toString() != u"home"_s;
  });
  const QString next = Look().Widget(u"ShellTreeView1"_s).value(u"currentText"_s).toString();
  Key(u"Return"_s);
  WaitListing(Home(next + QLatin1Char('/')));

  // Closed, the drive box shows its short caption whole; open, it offers every
  // volume with its whole caption; the root volume lists "/".
  const QString shown =
      Look().Widget(u"DriveComboBox1"_s, u"Form1"_s).value(u"properties"_s).toObject().value(u"shownCaption"_s).toString();
  EXPECT_TRUE(shown.startsWith(u"/  ["_s) && shown.endsWith(u']') && !shown.contains(QChar(0x2026))) << shown.toStdString();
  ClickNamed(u"DriveComboBox1"_s, u"Form1"_s);
  const TUi drives = WaitFor(u"the drive box open"_s, [](const TUi& look) {
    return !look.WindowOfClass(u"QComboBoxPrivateContainer"_s).isEmpty();
  });
  const TWidget volumes = ItemViewIn(drives.WindowOfClass(u"QComboBoxPrivateContainer"_s));
  const int root = RowIndexOf(volumes, drives.Text(u"DriveComboBox1"_s));
  ASSERT_GE(root, 0);
  const QJsonObject entry = RowOf(volumes, root);
  EXPECT_GE(entry.value(u"w"_s).toInt(), entry.value(u"textWidth"_s).toInt());
  EXPECT_TRUE(entry.value(u"texts"_s).toArray().at(0).toString().startsWith(u"/  ["_s));
  Key(u"Escape"_s);
  TypeIntoPathBox(u"computer:///"_s);
  WaitText(u"cbPath"_s, u"computer:///"_s, u"Form1"_s);
  ClickRow(MainList(), 0, 2);
  WaitListing(u"/"_s);
}

}  // namespace
}  // namespace zarn::e2e
