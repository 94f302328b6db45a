// Going from folder to folder as a person does: a path typed into the path
// box, the history drop-down, the list (double click, Enter, Backspace), the
// up button, the tree and the drive box.

#include "scenario.h"

namespace zarn::e2e {
namespace {

class NavigationScenario : public TZarnScenario {
 protected:
  void TypeIntoPathBox(const QString& text) {
    FillField(QStringLiteral("cbPath"), QStringLiteral("Form1"), text);
    Key(QStringLiteral("Return"));
  }

  QStringList History() {
    QStringList items;
    for (const QJsonValue& item : Look().Widget(QStringLiteral("cbPath")).value(QStringLiteral("items")).toArray()) {
      items << item.toString();
    }
    return items;
  }

  TWidget MainList() { return WaitWidget(QStringLiteral("ListView"), QStringLiteral("Form1")); }
  int CurrentRow() { return MainList().value(QStringLiteral("currentRow")).toInt(); }
};

TEST_F(NavigationScenario, EnterInThePathBoxGoesToTheTypedFolder) {
  CreateFile(QStringLiteral("x/Typed Вот/inner.txt"), "text");
  CreateDir(QStringLiteral("Docs"));
  Start();
  TypeIntoPathBox(Home(QStringLiteral("x/Typed Вот")));
  TUi ui = WaitListing(Home(QStringLiteral("x/Typed Вот/")));
  EXPECT_EQ(RowTexts(ui.Widget(QStringLiteral("ListView"))), QStringList{QStringLiteral("inner.txt")});
  EXPECT_EQ(History().value(0), Home(QStringLiteral("x/Typed Вот")));

  TypeIntoPathBox(QStringLiteral("~/Docs"));
  WaitListing(Home(QStringLiteral("Docs/")));
  EXPECT_EQ(History().value(0), Home(QStringLiteral("Docs")));

  // A typed path that is also a history entry is typed, not chosen: no "Выбран" box.
  TypeIntoPathBox(Home(QStringLiteral("x/Typed Вот")));
  WaitListing(Home(QStringLiteral("x/Typed Вот/")));
  EXPECT_FALSE(Look().Shown(QStringLiteral("MessageBox")));
  CloseWithExitButton();
  EXPECT_EQ(ReadSettings(QStringLiteral("zarn.ini")).value(3), Home(QStringLiteral("x/Typed Вот/")));
}

TEST_F(NavigationScenario, AMistypedPathSaysSoAndKeepsTheListing) {
  CreateDir(QStringLiteral("Docs"));
  WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(QStringLiteral("Docs/"))});
  Start();
  WaitListing(Home(QStringLiteral("Docs/")));
  TypeIntoPathBox(Home(QStringLiteral("nowhere")));
  WaitWidget(QStringLiteral("ButtonOk"), QStringLiteral("MessageBox"));
  Key(QStringLiteral("Return"));
  WaitFor(QStringLiteral("the error box closed"), [](const TUi& ui) { return !ui.Shown(QStringLiteral("MessageBox")); });
  EXPECT_EQ(History().value(0), Home(QStringLiteral("Docs")));
  EXPECT_EQ(Look().Text(QStringLiteral("cbPath")), Home(QStringLiteral("nowhere")));
}

TEST_F(NavigationScenario, TheHistoryDropDownSaysWhatWasChosen) {
  CreateDir(QStringLiteral("A"));
  CreateDir(QStringLiteral("B"));
  Start();
  TypeIntoPathBox(Home(QStringLiteral("A")));
  WaitListing(Home(QStringLiteral("A/")));
  TypeIntoPathBox(Home(QStringLiteral("B")));
  WaitListing(Home(QStringLiteral("B/")));
  const QRect box = RectOf(WaitWidget(QStringLiteral("cbPath"), QStringLiteral("Form1")));
  X().Click(QPoint(box.right() - 6, box.center().y()));
  // The drop-down's list names no entry of its own: its rows are found by their texts.
  const TUi popup = WaitFor(QStringLiteral("the history drop-down"), [](const TUi& ui) {
    return !ui.WindowOfClass(QStringLiteral("QComboBoxPrivateContainer")).isEmpty();
  });
  const TWidget rows = ItemViewIn(popup.WindowOfClass(QStringLiteral("QComboBoxPrivateContainer")));
  const int row = RowIndexOf(rows, Home(QStringLiteral("A")));
  ASSERT_GE(row, 0) << RowTexts(rows).join(QLatin1Char('|')).toStdString();
  ClickRow(rows, row);
  WaitText(QStringLiteral("qt_msgbox_label"), QStringLiteral("Выбран: ") + Home(QStringLiteral("A")), QStringLiteral("MessageBox"));
  Key(QStringLiteral("Return"));
  WaitListing(Home(QStringLiteral("A/")));
}

TEST_F(NavigationScenario, ListTreeUpButtonAndDriveBoxNavigate) {
  CreateDir(QStringLiteral("x/sub/deeper"));
  CreateFile(QStringLiteral("x/sub/file.txt"));
  CreateFile(QStringLiteral("x/zzz.txt"));
  WriteSettings(QStringLiteral("zarn.ini"), {{}, {}, {}, Home(QStringLiteral("x/"))});
  Start();
  WaitListing(Home(QStringLiteral("x/")));
  ClickRow(MainList(), RowIndexOf(MainList(), QStringLiteral("sub")), 2);
  WaitListing(Home(QStringLiteral("x/sub/")));
  Key(QStringLiteral("BackSpace"));
  WaitListing(Home(QStringLiteral("x/")));
  EXPECT_EQ(CurrentRow(), RowIndexOf(MainList(), QStringLiteral("sub")));
  Key(QStringLiteral("Return"));
  WaitListing(Home(QStringLiteral("x/sub/")));
  ClickNamed(QStringLiteral("SpeedButton2"), QStringLiteral("Form1"));
  WaitListing(Home(QStringLiteral("x/")));

  // The tree shows the folder listed, its name whole however deep it lies; a
  // click on its parent goes there.
  const TUi ui = WaitFor(QStringLiteral("the tree showing x"), [&](const TUi& look) {
    return look.Widget(QStringLiteral("ShellTreeView1")).value(QStringLiteral("currentText")).toString() == QStringLiteral("x");
  });
  const TWidget tree = ui.Widget(QStringLiteral("ShellTreeView1"));
  const QJsonArray rows = tree.value(QStringLiteral("rows")).toArray();
  int x = 0;
  while (x < rows.size() && !rows.at(x).toObject().value(QStringLiteral("selected")).toBool()) ++x;
  ASSERT_LT(x, rows.size());
  const QJsonObject node = rows.at(x).toObject();
  EXPECT_TRUE(node.value(QStringLiteral("shown")).toBool());
  // Every name has room beside its icon: none is cut short.
  for (const QJsonValue& row : rows) {
    const QJsonObject each = row.toObject();
    EXPECT_GE(each.value(QStringLiteral("w")).toInt(), each.value(QStringLiteral("textWidth")).toInt() + 24)
        << each.value(QStringLiteral("texts")).toArray().at(0).toString().toStdString();
  }
  int parent = x - 1;
  while (parent >= 0 && rows.at(parent).toObject().value(QStringLiteral("depth")).toInt() >=
                            node.value(QStringLiteral("depth")).toInt()) {
    --parent;
  }
  ASSERT_GE(parent, 0);
  ClickRow(tree, parent);
  WaitListing(Home() + QLatin1Char('/'));
  // The keyboard moves in the tree; Enter goes to the folder chosen.
  Key(QStringLiteral("Down"));
  WaitFor(QStringLiteral("the next node chosen"), [](const TUi& look) {
    return look.Widget(QStringLiteral("ShellTreeView1")).value(QStringLiteral("currentText")).toString() != QStringLiteral("home");
  });
  const QString next = Look().Widget(QStringLiteral("ShellTreeView1")).value(QStringLiteral("currentText")).toString();
  Key(QStringLiteral("Return"));
  WaitListing(Home(next + QLatin1Char('/')));

  // The drive box offers every volume with its whole caption; the root volume lists "/".
  ClickNamed(QStringLiteral("DriveComboBox1"), QStringLiteral("Form1"));
  const TUi drives = WaitFor(QStringLiteral("the drive box open"), [](const TUi& look) {
    return !look.WindowOfClass(QStringLiteral("QComboBoxPrivateContainer")).isEmpty();
  });
  const TWidget volumes = ItemViewIn(drives.WindowOfClass(QStringLiteral("QComboBoxPrivateContainer")));
  const int root = RowIndexOf(volumes, drives.Text(QStringLiteral("DriveComboBox1")));
  ASSERT_GE(root, 0);
  const QJsonObject entry = RowOf(volumes, root);
  EXPECT_GE(entry.value(QStringLiteral("w")).toInt(), entry.value(QStringLiteral("textWidth")).toInt());
  EXPECT_TRUE(entry.value(QStringLiteral("texts")).toArray().at(0).toString().startsWith(QStringLiteral("/  [")));
  Key(QStringLiteral("Escape"));
  TypeIntoPathBox(QStringLiteral("computer:///"));
  WaitText(QStringLiteral("cbPath"), QStringLiteral("computer:///"), QStringLiteral("Form1"));
  ClickRow(MainList(), 0, 2);
  WaitListing(QStringLiteral("/"));
}

}  // namespace
}  // namespace zarn::e2e
