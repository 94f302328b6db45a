#pragma once
// The about box: the program's name and version, its maker's two web sites and
// the help: the file hzarn.chm next to the executable, else the installed HTML
// manual in the desktop's browser.

#include <QDialog>
#include <QLabel>
#include <QPushButton>

#include <functional>

namespace zarn {

class TAboutBox : public QDialog {
 public:
  explicit TAboutBox(QWidget* parent = nullptr);
  ~TAboutBox() override;

  void Button1Click();
  void Button2Click();
  void Label7Click();
  void Label8Click();

  QLabel* Image1 = nullptr;
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* Button2 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* Button1 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label7 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label9 = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* Label5 = nullptr;

  // The folder that holds hzarn.chm: the executable's folder.
  QString HelpFolder;
  // Opens a document or an address with the desktop's default application;
  // the outcome is not looked at. Tests replace it.
  std::function<void(const QString&)> OpenWithShell;
  // The installed manual's index.html (platform/installation.h), empty when
  // none was found; help opens it when there is no hzarn.chm.
  QString ManualPath;
  // Opens the manual in the desktop's browser; the outcome is not looked at.
  // Tests replace it.
  std::function<void(const QString&)> OpenManual;

  static const QString FirstSite;
  static const QString SecondSite;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
};

inline TAboutBox* AboutBox = nullptr;

}  // namespace zarn
