#include "settings/tset1.h"

#include <QAbstractItemView>
#include <QCloseEvent>
#include <QCompleter>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QShortcut>

#include <algorithm>

#include "platform/guard.h"

namespace zarn {

ErrorOr<int> ParseFontHeight(const QString& text) {
  static const QRegularExpression pattern(QStringLiteral("^[ \\t]*([+-]?)(\\$|0[xX])?([0-9A-Fa-f]+)$"));
  const QRegularExpressionMatch match = pattern.match(text);
  bool converted = false;
  qlonglong value = 0;
  if (match.hasMatch()) {
    const bool hexadecimal = !match.captured(2).isEmpty();
    value = match.captured(3).toLongLong(&converted, hexadecimal ? 16 : 10);
    if (match.captured(1) == QLatin1String("-")) value = -value;
  }
  if (!converted || value < INT_MIN || value > INT_MAX) {
    return OsError::WithText(QStringLiteral("'%1' is not a valid integer value").arg(text));
  }
  return static_cast<int>(value);
}

QFont FontWithHeight(const QFont& font, int height) {
  QFont result = font;
  const int wanted = std::clamp(height, -MaxFontHeight, MaxFontHeight);
  if (wanted == 0) {
    const QFont standard = QGuiApplication::font();
    if (standard.pixelSize() > 0) {
      result.setPixelSize(standard.pixelSize());
    } else {
      result.setPointSizeF(standard.pointSizeF());
    }
    return result;
  }
  if (wanted < 0) {
    result.setPixelSize(-wanted);
    return result;
  }
  // A pixel size is the letter height without the leading; the largest size
  // whose line still fits the wanted cell is found from a first estimate.
  const auto lineHeight = [&result](int pixels) {
    QFont probe = result;
    probe.setPixelSize(pixels);
    return QFontMetrics(probe).height();
  };
  int pixels = std::max(1, wanted * wanted / std::max(1, lineHeight(wanted)));
  while (pixels > 1 && lineHeight(pixels) > wanted) --pixels;
  while (pixels < wanted && lineHeight(pixels + 1) <= wanted) ++pixels;
  result.setPixelSize(pixels);
  return result;
}

TSet1::TSet1(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("Set1"));
  setWindowTitle(QStringLiteral(" Выбери , что нравится."));
  CreateControls();
  FormCreate();
  // Escape closes the window, as it does any dialog of the desktop.
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
  Set1 = this;
}

TSet1::~TSet1() {
  if (Set1 == this) Set1 = nullptr;
}

void TSet1::CreateControls() {
  auto named = [this](auto* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
  };
  StaticText1 = named(new QLabel(QStringLiteral("Внешние смотрелки"), this), "StaticText1");
  CheckBox1 = named(new QCheckBox(QStringLiteral(" Для текстов:"), this), "CheckBox1");
  Button1 = named(new QPushButton(QStringLiteral("* * *"), this), "Button1");
  Edit1 = named(new QLineEdit(this), "Edit1");
  CheckBox2 = named(new QCheckBox(QStringLiteral("Для графики:"), this), "CheckBox2");
  Button2 = named(new QPushButton(QStringLiteral("* * *"), this), "Button2");
  Edit2 = named(new QLineEdit(this), "Edit2");
  StaticText2 = named(new QLabel(QStringLiteral("Внешний редактор"), this), "StaticText2");
  CheckBox3 = named(new QCheckBox(QStringLiteral("Не \"Блокнот\":"), this), "CheckBox3");
  Button4 = named(new QPushButton(QStringLiteral("* * *"), this), "Button4");
  Edit4 = named(new QLineEdit(this), "Edit4");
  StaticText3 = named(new QLabel(QStringLiteral("Другие настройки"), this), "StaticText3");
  Edit3 = named(new QLineEdit(QStringLiteral("16"), this), "Edit3");
  Label1 = named(new QLabel(QStringLiteral("Размер шрифта системы"), this), "Label1");
  Button3 = named(new QPushButton(QStringLiteral("Вернуться"), this), "Button3");
  OpenDialog1 = named(new QFileDialog(this), "OpenDialog1");

  auto* grid = new QGridLayout(this);
  const QList<QList<QWidget*>> rows{{StaticText1}, {CheckBox1, Button1}, {Edit1},   {CheckBox2, Button2},
                                    {Edit2},       {StaticText2},        {CheckBox3, Button4}, {Edit4},
                                    {StaticText3}, {Edit3, Label1},      {Button3}};
  for (int row = 0; row < rows.size(); ++row) {
    if (rows[row].size() == 1) grid->addWidget(rows[row][0], row, 0, 1, 2);
    for (int column = 0; rows[row].size() == 2 && column < 2; ++column) grid->addWidget(rows[row][column], row, column);
  }
  Edit3->setMaximumWidth(60);

  connect(Button1, &QPushButton::clicked, this, [this] { Guarded([this] { Button1Click(); }); });
  connect(Button2, &QPushButton::clicked, this, [this] { Guarded([this] { Button2Click(); }); });
  connect(Button4, &QPushButton::clicked, this, [this] { Guarded([this] { Button4Click(); }); });
  connect(Button3, &QPushButton::clicked, this, [this] { Button3Click(); });
  // Enter in the font field applies it, as "Вернуться" does.
  connect(Edit3, &QLineEdit::returnPressed, this, [this] { Button3Click(); });
}

void TSet1::FormCreate() {
  OpenDialog1->setWindowTitle(QStringLiteral("Выберите программу"));
  OpenDialog1->setFileMode(QFileDialog::ExistingFile);
  // Linux programs carry no ".exe": the designed entry stays, but every file is shown first.
  OpenDialog1->setNameFilters({QStringLiteral("exe (*.exe)"), QStringLiteral("Все файлы (*)")});
  OpenDialog1->selectNameFilter(QStringLiteral("Все файлы (*)"));
}

std::optional<QString> TSet1::ChooseProgram() {
  if (ProgramChooser) return ProgramChooser();
  const int answer = OpenDialog1->exec();
  // Enter on a typed path closes the dialog while its name completer's list
  // may still be up; left alone, that list would eat the next click.
  for (QCompleter* completer : OpenDialog1->findChildren<QCompleter*>()) completer->popup()->hide();
  if (answer != QDialog::Accepted || OpenDialog1->selectedFiles().isEmpty()) return std::nullopt;
  return OpenDialog1->selectedFiles().constFirst();
}

bool TSet1::OtherViewWanted() const { return CheckBox1->isChecked() || CheckBox2->isChecked(); }

void TSet1::ChooseInto(QLineEdit* edit) {
  if (const auto program = ChooseProgram()) edit->setText(*program);
}

void TSet1::Button1Click() { ChooseInto(Edit1); }
void TSet1::Button2Click() { ChooseInto(Edit2); }
void TSet1::Button4Click() { ChooseInto(Edit4); }

void TSet1::Button3Click() {
  Guarded([this] {
    if (OnOtherViewChanged) OnOtherViewChanged(OtherViewWanted());
    const int height = ValueOrRaise(ParseFontHeight(Edit3->text()));
    if (OnFontHeightApplied) OnFontHeightApplied(height);
    close();
  });
}

void TSet1::FormClose() {
  if (OnOtherViewChanged) OnOtherViewChanged(OtherViewWanted());
}

void TSet1::closeEvent(QCloseEvent* event) {
  Guarded([this] { FormClose(); });
  event->accept();
}

}  // namespace zarn
