#include "ops/listkeys.h"

#include <gtest/gtest.h>

#include "fakeprompter.h"

namespace zarn {
namespace {

struct KeyRow {
  int Key;
  int Modifiers;
  bool Editing;
  ListKeyCommand Command;
};

class ListKeyMap : public testing::TestWithParam<KeyRow> {};

TEST_P(ListKeyMap, KeyGivesItsCommand) {
  const KeyRow& row = GetParam();
  EXPECT_EQ(CommandForListKey(row.Key, row.Modifiers, row.Editing), row.Command) << std::hex << row.Key;
}

INSTANTIATE_TEST_SUITE_P(
    EveryRow, ListKeyMap,
    testing::Values(KeyRow{Qt::Key_Backspace, 0, true, ListKeyCommand::NoneWhileEditing},
                    KeyRow{Qt::Key_Backspace, 0, false, ListKeyCommand::UpOneLevel},
                    KeyRow{Qt::Key_Return, 0, false, ListKeyCommand::Open},
                    KeyRow{Qt::Key_Enter, Qt::KeypadModifier, false, ListKeyCommand::Open},
                    KeyRow{Qt::Key_Space, 0, false, ListKeyCommand::ToggleMark},
                    KeyRow{Qt::Key_Insert, 0, false, ListKeyCommand::ToggleMarkAndAdvance},
                    KeyRow{Qt::Key_J, Qt::ControlModifier, false, ListKeyCommand::InsertPathInCommandLine},
                    KeyRow{Qt::Key_J, 0, false, ListKeyCommand::None},
                    KeyRow{Qt::Key_Plus, Qt::KeypadModifier, false, ListKeyCommand::MarkByMask},
                    KeyRow{Qt::Key_Plus, 0, false, ListKeyCommand::None},
                    KeyRow{Qt::Key_Minus, Qt::KeypadModifier, false, ListKeyCommand::UnmarkByMask},
                    KeyRow{Qt::Key_F1, 0, false, ListKeyCommand::About},
                    KeyRow{Qt::Key_F2, 0, false, ListKeyCommand::Rename},
                    KeyRow{Qt::Key_F3, 0, false, ListKeyCommand::View},
                    KeyRow{Qt::Key_F4, Qt::ShiftModifier, false, ListKeyCommand::CreateTextFile},
                    KeyRow{Qt::Key_F4, 0, false, ListKeyCommand::Edit},
                    KeyRow{Qt::Key_F5, Qt::ControlModifier, false, ListKeyCommand::Copy},
                    KeyRow{Qt::Key_F6, 0, false, ListKeyCommand::Move},
                    KeyRow{Qt::Key_F7, 0, false, ListKeyCommand::CreateFolder},
                    KeyRow{Qt::Key_F8, 0, false, ListKeyCommand::Delete},
                    KeyRow{Qt::Key_F9, 0, false, ListKeyCommand::Settings},
                    KeyRow{Qt::Key_F10, 0, false, ListKeyCommand::Associations},
                    KeyRow{Qt::Key_Down, 0, false, ListKeyCommand::None}));

TEST(ListKeyStatusTest, EveryKeyButShiftF4AndEditingBackspaceResetsTheStatus) {
  EXPECT_FALSE(ResetsStatusAfterKey(ListKeyCommand::CreateTextFile));
  EXPECT_FALSE(ResetsStatusAfterKey(ListKeyCommand::NoneWhileEditing));
  EXPECT_TRUE(ResetsStatusAfterKey(ListKeyCommand::None));
  EXPECT_TRUE(ResetsStatusAfterKey(ListKeyCommand::UpOneLevel));
  EXPECT_EQ(IdleStatusAfterKey, QStringLiteral("Жду команды..."));
}

TEST(ListKeyMaskBoxTest, CancelledBoxesAnswerStarDotStar) {
  test::FakePrompter prompts;
  prompts.InputAnswers = {std::nullopt, QStringLiteral("*.c"), std::nullopt};
  EXPECT_EQ(AskMaskForKey(ListKeyCommand::MarkByMask), QStringLiteral("*.*"));
  EXPECT_EQ(AskMaskForKey(ListKeyCommand::MarkByMask), QStringLiteral("*.c"));
  EXPECT_EQ(AskMaskForKey(ListKeyCommand::UnmarkByMask), QStringLiteral("*.*"));
  EXPECT_EQ(prompts.Inputs, (QStringList{"Введите маску выбора", "Введите маску выбора", "Введите маску отмены"}));
}

}  // namespace
}  // namespace zarn
