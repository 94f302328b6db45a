// Text and names from other systems: a UTF-8 Cyrillic file viewed and
// searched, a tree holding a word in four encodings searched, and names
// written in 1251 repaired from the context menu.

#include <QJsonArray>
#include <QSet>

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

#include "fileprobes.h"
#include "scenario.h"

namespace zarn::e2e {
namespace {

using test::Exists;
using test::ReadAll;

class EncodingsScenario : public TZarnScenario {
 protected:
  void StartIn(const QString& folder) {
    WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(folder)});
    Start();
    WaitListing(Home(folder));
  }

  // A file whose name is bytes of another code page.
  void CreateRawNamed(const QByteArray& relative, const QByteArray& bytes) {
    const int file = ::open(HomeBytes(relative).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    ASSERT_GE(file, 0) << relative.toStdString();
    ASSERT_EQ(::write(file, bytes.constData(), size_t(bytes.size())), bytes.size());
    ::close(file);
  }
};

TEST_F(EncodingsScenario, AUtf8CyrillicFileIsViewedAndSearched) {
  const QString text = u"Первая строка\nВторая строка, где сказано ПРИВЕТ\n"_s;
  CreateFile(u"x/заметки.txt"_s, text.toUtf8());
  StartIn(u"x/"_s);
  SelectMainRow(u"заметки.txt"_s);
  Key(u"F3"_s);
  WaitText(u"Memo1"_s, text, u"RF"_s);
  EXPECT_EQ(Look().Text(u"Label3"_s, u"RF"_s), u"UTF-8"_s);
  FillField(u"Edit1"_s, u"RF"_s, u"привет"_s);
  Key(u"Return"_s);
  WaitFor(u"the word selected"_s, [](const TUi& look) {
    return look.Widget(u"Memo1"_s, u"RF"_s).value(u"selectedText"_s).toString() == u"ПРИВЕТ"_s;
  });
  // The hex page shows each byte, the character at its first one.
  ClickNamed(u"Button5"_s, u"RF"_s);
  WaitFor(u"the hex page"_s, [](const TUi& look) {
    return look.Text(u"Memo1"_s, u"RF"_s).startsWith(u"00000000: D0 9F D0 B5 D1 80 D0 B2|D0 B0 D1 8F 20 D1 81 D1 | П·е·р·в·а·я·"_s);
  });
  // The cycle goes on to WIN, where the same bytes are 1251 letters.
  ClickNamed(u"BitBtn1"_s, u"RF"_s);
  WaitText(u"Label3"_s, u"WIN"_s, u"RF"_s);
  EXPECT_EQ(Look().Text(u"Label4"_s, u"RF"_s), u"UTF-8 DOS"_s);
}

TEST_F(EncodingsScenario, ATreeSearchFindsTheWordInEveryEncoding) {
  CreateFile(u"s/win.txt"_s, "..\xCF\xF0\xE8\xE2\xE5\xF2..");
  CreateFile(u"s/dos.txt"_s, "..\x8F\xE0\xA8\xA2\xA5\xE2..");
  CreateFile(u"s/sub/utf8.txt"_s, u"..ПРИВЕТ.."_s.toUtf8());
  const QString wide = u"..привет.."_s;
  CreateFile(u"s/sub/utf16.txt"_s, QByteArray(reinterpret_cast<const char*>(wide.utf16()), wide.size() * 2));
  CreateFile(u"s/near.txt"_s, u"Привед"_s.toUtf8());
  WriteSettings(u"zarn.ini"_s, {{}, {}, {}, Home(u"s/"_s)});
  Start();
  WaitListing(Home(u"s/"_s));
  ClickNamed(u"Button1"_s, u"Form1"_s);
  WaitText(u"Edit1"_s, Home(u"s/"_s), u"FILESCH"_s);
  FillField(u"Edit3"_s, u"FILESCH"_s, u"txt"_s);
  ClickNamed(u"CheckBox1"_s, u"FILESCH"_s);
  FillField(u"Edit5"_s, u"FILESCH"_s, u"привет"_s);
  ClickNamed(u"CheckBox2"_s, u"FILESCH"_s);
  WaitFor(u"both boxes ticked"_s, [](const TUi& ui) {
    return ui.Widget(u"CheckBox1"_s, u"FILESCH"_s).value(u"checked"_s).toBool() &&
           ui.Widget(u"CheckBox2"_s, u"FILESCH"_s).value(u"checked"_s).toBool();
  });
  ClickNamed(u"Edit2"_s, u"FILESCH"_s);
  Key(u"Return"_s);
  DismissMessage(u"Поиск успешен! Выбери то, что нужно."_s);
  const QStringList found = RowTexts(WaitWidget(u"ListBox1"_s, u"FILESCH"_s));
  EXPECT_EQ(QSet<QString>(found.begin(), found.end()),
            (QSet<QString>{Home(u"s/win.txt"_s), Home(u"s/dos.txt"_s), Home(u"s/sub/utf8.txt"_s),
                           Home(u"s/sub/utf16.txt"_s)}));
}

TEST_F(EncodingsScenario, NamesWrittenIn1251AreRepairedFromTheContextMenu) {
  CreateDir(u"x"_s);
  CreateRawNamed("x/\xCF\xF0\xE8\xE2\xE5\xF2.txt", "one");  // "Привет.txt"
  CreateRawNamed("x/\xCC\xE8\xF0.txt", "two");              // "Мир.txt"
  CreateFile(u"x/Мир.txt"_s, "taken");
  CreateFile(u"x/sound.txt"_s, "ok");
  StartIn(u"x/"_s);
  const TWidget list = WaitWidget(u"ListView"_s, u"Form1"_s);
  // A sound name is offered no repair.
  RightClickRow(list, RowIndexOf(list, u"sound.txt"_s));
  EXPECT_FALSE(MenuCaptions().contains(u"Исправить имя…"_s));
  Key(u"Escape"_s);
  WaitClosed(u"ShellContextMenu"_s);

  // Both garbled rows marked; the menu on one repairs them both.
  const auto garbled = [](const QString& name) { return name != u"sound.txt"_s && name != u"Мир.txt"_s; };
  QStringList names = RowTexts(list);
  names.removeIf([&](const QString& name) { return !garbled(name); });
  ASSERT_EQ(names.size(), 2);
  for (const QString& name : names) {
    SelectMainRow(name);
    Key(u"Insert"_s);
  }
  WaitText(u"Label1"_s, u"Выделено в 0 папках и в 2 файлах: 2 KB"_s, u"Form1"_s);
  const TWidget marked = MainList(Look());
  RightClickRow(marked, RowIndexOf(marked, names.first()));
  ASSERT_TRUE(MenuCaptions().contains(u"Исправить имя…"_s));
  ChooseMenuEntry(u"Исправить имя…"_s);
  const TUi dialog = WaitShown(u"NameRepair"_s);
  EXPECT_EQ(TitleOf(dialog.Window(u"NameRepair"_s)), u"Исправить имя"_s);
  EXPECT_EQ(RowTexts(dialog.Widget(u"ListBox1"_s, u"NameRepair"_s)).value(0), u"1251 (WIN)"_s);
  const QStringList becoming = RowTexts(dialog.Widget(u"ListView1"_s, u"NameRepair"_s), 1);
  EXPECT_EQ(QSet<QString>(becoming.begin(), becoming.end()), (QSet<QString>{u"Привет.txt"_s, u"Мир.txt"_s}));
  ClickNamed(u"ButtonOk"_s, u"NameRepair"_s);
  WaitClosed(u"NameRepair"_s);
  WaitFor(u"both names repaired"_s, [&](const TUi&) {
    return Exists(HomeBytes(u"x/Привет.txt"_s.toUtf8())) && !Exists(HomeBytes("x/\xCC\xE8\xF0.txt"));
  });
  // The taken name kept its file; the repaired one got a free name beside it.
  EXPECT_EQ(ReadAll(Home(u"x/Мир.txt"_s)), "taken");
  EXPECT_EQ(ReadAll(Home(u"x/Привет.txt"_s)), "one");
  const QStringList listed = RowTexts(MainList(WaitFor(u"the folder listed anew"_s, [](const TUi& ui) {
    return RowTexts(MainList(ui)).contains(u"Привет.txt"_s);
  })));
  EXPECT_EQ(listed.filter(u"Мир"_s).size(), 2) << listed.join(u'|').toStdString();
  EXPECT_TRUE(std::none_of(listed.begin(), listed.end(), [&](const QString& name) { return names.contains(name); }));
}

}  // namespace
}  // namespace zarn::e2e
