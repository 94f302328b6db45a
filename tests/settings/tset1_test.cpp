#include "settings/tset1.h"

#include <QApplication>
#include <QFontMetrics>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/guard.h"

namespace zarn {
namespace {

class TSet1Test : public testing::Test {
 protected:
  void SetUp() override {
    SetErrorReporter([this](const QString& text) { Errors << text; });
    Window.OnOtherViewChanged = [this](bool on) { OtherView.push_back(on); };
    Window.OnFontHeightApplied = [this](int height) { Heights.push_back(height); };
    Window.show();
  }
  void TearDown() override { SetErrorReporter(nullptr); }

  TSet1 Window;
  QStringList Errors;
  std::vector<bool> OtherView;
  std::vector<int> Heights;
};

TEST_F(TSet1Test, ControlsCarryTheirDesignedNamesAndTexts) {
  EXPECT_EQ(Set1, &Window);
  EXPECT_EQ(Window.windowTitle(), QStringLiteral(" Выбери , что нравится."));
  EXPECT_EQ(Window.findChild<QCheckBox*>(QStringLiteral("CheckBox1"))->text(), QStringLiteral(" Для текстов:"));
  EXPECT_EQ(Window.findChild<QCheckBox*>(QStringLiteral("CheckBox3"))->text(), QStringLiteral("Не \"Блокнот\":"));
  EXPECT_EQ(Window.findChild<QLineEdit*>(QStringLiteral("Edit3"))->text(), QStringLiteral("16"));
  for (const char* name : {"Edit1", "Edit2", "Edit4"}) {
    EXPECT_NE(Window.findChild<QLineEdit*>(QString::fromLatin1(name)), nullptr) << name;
  }
  EXPECT_EQ(Window.OpenDialog1->windowTitle(), QStringLiteral("Выберите программу"));
  EXPECT_EQ(Window.OpenDialog1->nameFilters(), (QStringList{"exe (*.exe)", "Все файлы (*)"}));
  EXPECT_EQ(Window.OpenDialog1->selectedNameFilter(), QStringLiteral("Все файлы (*)"));
}

TEST_F(TSet1Test, ChoosingAProgramFillsTheFieldAndLeavesTheBox) {
  std::optional<QString> answer = QStringLiteral("/usr/bin/my viewer");
  Window.ProgramChooser = [&answer] { return answer; };
  QTest::mouseClick(Window.Button1, Qt::LeftButton);
  EXPECT_EQ(Window.Edit1->text(), QStringLiteral("/usr/bin/my viewer"));
  EXPECT_FALSE(Window.CheckBox1->isChecked());
  answer.reset();
  QTest::mouseClick(Window.Button4, Qt::LeftButton);
  EXPECT_TRUE(Window.Edit4->text().isEmpty());
  answer = QStringLiteral("/usr/bin/pictures");
  QTest::mouseClick(Window.Button2, Qt::LeftButton);
  EXPECT_EQ(Window.Edit2->text(), QStringLiteral("/usr/bin/pictures"));
}

TEST_F(TSet1Test, ClosingSetsOtherViewFromEitherViewerBox) {
  Window.CheckBox2->setChecked(true);
  Window.close();
  Window.show();
  Window.CheckBox2->setChecked(false);
  Window.close();
  Window.show();
  Window.CheckBox1->setChecked(true);
  Window.close();
  EXPECT_EQ(OtherView, (std::vector<bool>{true, false, true}));
}

TEST_F(TSet1Test, ReturnAppliesTheFontHeightAndCloses) {
  Window.Edit3->setText(QStringLiteral("20"));
  Window.CheckBox1->setChecked(true);
  QTest::mouseClick(Window.Button3, Qt::LeftButton);
  EXPECT_EQ(Heights, std::vector<int>{20});
  // Once by the button, once by the close it makes.
  EXPECT_EQ(OtherView, (std::vector<bool>{true, true}));
  EXPECT_FALSE(Window.isVisible());
  EXPECT_TRUE(Errors.isEmpty());
}

TEST_F(TSet1Test, NonIntegerHeightReportsAndKeepsTheWindowOpen) {
  Window.Edit3->setText(QStringLiteral("12px"));
  QTest::mouseClick(Window.Button3, Qt::LeftButton);
  EXPECT_EQ(Errors, QStringList{QStringLiteral("'12px' is not a valid integer value")});
  EXPECT_TRUE(Heights.empty());
  EXPECT_EQ(OtherView, std::vector<bool>{false});
  EXPECT_TRUE(Window.isVisible());
}

TEST(FontHeightTest, ParsesIntegersTheWayTheFieldAcceptsThem) {
  EXPECT_EQ(ParseFontHeight(QStringLiteral("16")).Value(), 16);
  EXPECT_EQ(ParseFontHeight(QStringLiteral("  -12")).Value(), -12);
  EXPECT_EQ(ParseFontHeight(QStringLiteral("+9")).Value(), 9);
  EXPECT_EQ(ParseFontHeight(QStringLiteral("$10")).Value(), 16);
  for (const char* bad : {"", " ", "12 ", "1.5", "abc", "--1", "99999999999"}) {
    auto parsed = ParseFontHeight(QString::fromLatin1(bad));
    ASSERT_TRUE(parsed.IsError()) << bad;
    EXPECT_EQ(parsed.Error().Text(), QStringLiteral("'%1' is not a valid integer value").arg(QLatin1String(bad)));
  }
}

TEST(FontHeightTest, PositiveIsTheCellNegativeTheLetterAndStyleStays) {
  QFont bold = QApplication::font();
  bold.setBold(true);
  const QFont cell = FontWithHeight(bold, 20);
  EXPECT_TRUE(cell.bold());
  EXPECT_LE(QFontMetrics(cell).height(), 20);
  QFont larger = cell;
  larger.setPixelSize(cell.pixelSize() + 1);
  EXPECT_GT(QFontMetrics(larger).height(), 20);
  EXPECT_EQ(FontWithHeight(bold, -12).pixelSize(), 12);
  EXPECT_EQ(FontWithHeight(bold, INT_MIN).pixelSize(), MaxFontHeight);
  EXPECT_GT(FontWithHeight(bold, 1).pixelSize(), 0);
}

}  // namespace
}  // namespace zarn
