#pragma once
// The settings window: external viewers for texts and pictures, the editor used
// instead of the desktop's text editor, and the font height of the main
// window's list and tree. Its controls are the settings: other windows read
// CheckBox1..3 and Edit1, Edit2, Edit4 directly when they act.

#include <QCheckBox>
#include <QFileDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <optional>

#include "platform/errors.h"

namespace zarn {

// Font heights beyond this are taken as this: a glyph cache for letters
// thousands of pixels high would exhaust memory.
inline constexpr int MaxFontHeight = 400;

// Edit3's text as a font height; "'<text>' is not a valid integer value" when
// it is not a whole number (leading blanks and a sign are allowed).
ErrorOr<int> ParseFontHeight(const QString& text);
// `font` with its style kept and its height set the way the window's field
// means it: a positive height is the character cell (the line height), a
// negative one the character height without the internal leading, zero the
// application's default size.
QFont FontWithHeight(const QFont& font, int height);

class TSet1 : public QWidget {
 public:
  explicit TSet1(QWidget* parent = nullptr);
  ~TSet1() override;

  // Runs the program chooser; the chosen file's full path, or nothing on Cancel.
  // The associations window uses it too.
  std::optional<QString> ChooseProgram();
  // True when an external viewer (texts or pictures) is ticked: the value of
  // the search window's "Другой просмотр".
  bool OtherViewWanted() const;

  void Button1Click();
  void Button2Click();
  void Button4Click();
  void Button3Click();

  QLabel* StaticText1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QPushButton* Button1 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QPushButton* Button2 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLabel* StaticText2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QPushButton* Button4 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLabel* StaticText3 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLabel* Label1 = nullptr;
  QPushButton* Button3 = nullptr;
  QFileDialog* OpenDialog1 = nullptr;

  // Hooks the main window connects.
  // Sets the search window's "Другой просмотр" (at every close and on "Вернуться").
  std::function<void(bool)> OnOtherViewChanged;
  // Applies a font height to the main list and tree (keeping the list's style)
  // and refreshes the tree; called by "Вернуться" with Edit3's value.
  std::function<void(int)> OnFontHeightApplied;
  // Replaces the file dialog (tests answer with it).
  std::function<std::optional<QString>()> ProgramChooser;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void FormClose();
  void CreateControls();
  void ChooseInto(QLineEdit* edit);
};

inline TSet1* Set1 = nullptr;

}  // namespace zarn
