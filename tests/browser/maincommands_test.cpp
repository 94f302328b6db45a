#include "browser/maincommands.h"

#include <gtest/gtest.h>

#include <QSet>

#include "browser/tform1.h"
#include "fakeprompter.h"
#include "ops/listkeys.h"

namespace zarn {
namespace {

struct KeyRow {
  int Key;
  int Modifiers;
  bool Editing;
  const char* Command;  // nullptr for a key of no command
};

class MainKeyMap : public testing::TestWithParam<KeyRow> {};

TEST_P(MainKeyMap, KeyGivesItsCommand) {
  const KeyRow& row = GetParam();
  const TMainCommand* command =
      CommandForKey(TForm1::CommandTable(), row.Key, Qt::KeyboardModifiers(row.Modifiers), row.Editing);
  EXPECT_STREQ(command ? command->Name : nullptr, row.Command) << std::hex << row.Key;
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, MainKeyMap,
    testing::Values(KeyRow{Qt::Key_Backspace, 0, true, "BackspaceWhileEditing"},
                    KeyRow{Qt::Key_Backspace, 0, false, "SpeedButton2"},
                    KeyRow{Qt::Key_Return, 0, false, "OpenRow"},
                    KeyRow{Qt::Key_Enter, Qt::KeypadModifier, false, "OpenRow"},
                    KeyRow{Qt::Key_Space, 0, false, "ToggleMark"},
                    KeyRow{Qt::Key_Insert, 0, false, "ToggleMarkAndAdvance"},
                    KeyRow{Qt::Key_J, Qt::ControlModifier, false, "InsertPathInCommandLine"},
                    KeyRow{Qt::Key_J, 0, false, nullptr},
                    KeyRow{Qt::Key_Plus, Qt::KeypadModifier, false, "MarkByMask"},
                    KeyRow{Qt::Key_Plus, 0, false, nullptr},
                    KeyRow{Qt::Key_Minus, Qt::KeypadModifier, false, "UnmarkByMask"},
                    KeyRow{Qt::Key_F1, 0, false, "Button2"},
                    KeyRow{Qt::Key_F2, 0, false, "RenameInPlace"},
                    KeyRow{Qt::Key_F3, 0, false, "SpeedButton4"},
                    KeyRow{Qt::Key_F4, Qt::ShiftModifier, false, "CreateTextFile"},
                    KeyRow{Qt::Key_F4, 0, false, "SpeedButton5"},
                    KeyRow{Qt::Key_F5, Qt::ControlModifier, false, "SpeedButton6"},
                    KeyRow{Qt::Key_F6, 0, false, "SpeedButton7"},
                    KeyRow{Qt::Key_F7, 0, false, "SpeedButton8"},
                    KeyRow{Qt::Key_F8, 0, false, "SpeedButton9"},
                    KeyRow{Qt::Key_F9, 0, false, "SpeedButton10"},
                    KeyRow{Qt::Key_F10, 0, false, "SpeedButton11"},
                    KeyRow{Qt::Key_Down, 0, false, nullptr}));

// Escape keeps the status only to say that it stopped a listing; stopping
// anything else resets it as every key does.
TEST(MainCommandTable, EveryKeyButShiftF4EscapeAndEditingBackspaceResetsTheStatus) {
  QSet<QString> kept;
  for (const TMainCommand& command : TForm1::CommandTable()) {
    if (command.Status == StatusAfterKey::Kept) kept << QString::fromLatin1(command.Name);
  }
  EXPECT_EQ(kept, (QSet<QString>{"CreateTextFile", "BackspaceWhileEditing", "StopWork"}));
  EXPECT_EQ(IdleStatusAfterKey, QStringLiteral("Жду команды..."));
}

TEST(MainCommandTable, NamesAreUniqueAndOnlyTheEditingBackspaceDoesNothing) {
  QSet<QString> names;
  for (const TMainCommand& command : TForm1::CommandTable()) {
    EXPECT_FALSE(names.contains(QString::fromLatin1(command.Name))) << command.Name;
    names << QString::fromLatin1(command.Name);
    EXPECT_EQ(command.Run == nullptr, QByteArray(command.Name) == "BackspaceWhileEditing") << command.Name;
  }
  EXPECT_NE(CommandNamed(TForm1::CommandTable(), "SpeedButton17"), nullptr);
  EXPECT_EQ(CommandNamed(TForm1::CommandTable(), "NoSuchCommand"), nullptr);
}

TEST(ListKeyMaskBoxTest, CancelledBoxesAnswerStarDotStar) {
  test::FakePrompter prompts;
  prompts.InputAnswers = {std::nullopt, QStringLiteral("*.c"), std::nullopt};
  EXPECT_EQ(AskMaskForKey(MaskBox::Mark), QStringLiteral("*.*"));
  EXPECT_EQ(AskMaskForKey(MaskBox::Mark), QStringLiteral("*.c"));
  EXPECT_EQ(AskMaskForKey(MaskBox::Unmark), QStringLiteral("*.*"));
  EXPECT_EQ(prompts.Inputs, (QStringList{"Введите маску выбора", "Введите маску выбора", "Введите маску отмены"}));
}

}  // namespace
}  // namespace zarn
