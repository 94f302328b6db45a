#include "ops/tselekt.h"

#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include "fakeprompter.h"
#include "platform/guard.h"

namespace zarn {
namespace {

class TSelektTest : public testing::Test {
 protected:
  void SetUp() override {
    SetErrorReporter([this](const QString& text) { Errors << text; });
    Window.OnRunOperation = [this](MarkOperation operation, const QString& mask) {
      Operations.push_back(operation);
      Masks << mask;
      // The main window's handler turns a malformed mask into an error.
      auto compiled = TFileMask::Compile(mask);
      if (compiled.IsError() && operation != MarkOperation::Invert) RaiseError(compiled.Error());
    };
    Window.PanelVisible = [this] { return PanelShown; };
    Window.ShowPanel = [this] { PanelShown = true; };
  }
  void TearDown() override { SetErrorReporter(nullptr); }

  void Choose(int index) {
    Window.findChild<QRadioButton*>(QStringLiteral("RadioGroup1Item%1").arg(index))->click();
  }

  test::FakePrompter Prompts;
  TSelekt Window;
  std::vector<MarkOperation> Operations;
  QStringList Masks;
  QStringList Errors;
  bool PanelShown = true;
};

TEST_F(TSelektTest, StartsWithStarDotStarAndTheFirstChoice) {
  EXPECT_EQ(Selekt, &Window);
  EXPECT_EQ(Window.windowTitle(), QStringLiteral("Режимы выделения"));
  EXPECT_EQ(Window.findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), QStringLiteral("*.*"));
  EXPECT_EQ(Window.ItemIndex(), 0);
  EXPECT_EQ(Window.findChild<QPushButton*>(QStringLiteral("Button1"))->text(), QStringLiteral("Выполнить"));
}

TEST_F(TSelektTest, EachChoiceRunsItsOperationAndCloses) {
  const MarkOperation expected[] = {MarkOperation::Mark, MarkOperation::MarkMissing, MarkOperation::Unmark,
                                    MarkOperation::Invert};
  for (int index = 0; index < 4; ++index) {
    Window.show();
    Choose(index);
    Window.Edit1->setText(QStringLiteral("*.txt"));
    QTest::mouseClick(Window.Button1, Qt::LeftButton);
    EXPECT_FALSE(Window.isVisible()) << index;
    ASSERT_EQ(Operations.size(), static_cast<size_t>(index + 1));
    EXPECT_EQ(Operations.back(), expected[index]);
  }
  // Mask and choice stay for the next use.
  EXPECT_EQ(Window.ItemIndex(), 3);
  EXPECT_EQ(Window.Edit1->text(), QStringLiteral("*.txt"));
}

TEST_F(TSelektTest, MarkMissingWithHiddenPanelShowsItAndMarksNothing) {
  PanelShown = false;
  Window.show();
  Choose(1);
  QTest::mouseClick(Window.Button1, Qt::LeftButton);
  EXPECT_TRUE(PanelShown);
  EXPECT_TRUE(Operations.empty());
  EXPECT_EQ(Prompts.Messages, QStringList{QStringLiteral("Выберите папку для выполнения сравнения файлов")});
  EXPECT_FALSE(Window.isVisible());
}

TEST_F(TSelektTest, MalformedMaskIsReportedAndTheWindowStays) {
  Window.show();
  Window.Edit1->setText(QStringLiteral("[a"));
  QTest::mouseClick(Window.Button1, Qt::LeftButton);
  EXPECT_EQ(Errors, QStringList{QStringLiteral("'[a' is an invalid mask at (1)")});
  EXPECT_TRUE(Window.isVisible());
}

TEST_F(TSelektTest, ShownModally) {
  QTimer::singleShot(0, &Window, [this] { QTest::mouseClick(Window.Button1, Qt::LeftButton); });
  EXPECT_EQ(Window.exec(), QDialog::Accepted);
  EXPECT_EQ(Operations.size(), 1u);
}

}  // namespace
}  // namespace zarn
