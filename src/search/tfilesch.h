#pragma once
// The file search window: the search fields, "Старт" and "Стоп" with the three
// counters, and the commands on the results (go to, open, view). Created once
// by the program entry and shown and hidden for the whole run; GUI thread only.
//
// The search itself (filesearch.h) runs on a thread of its own while "Старт"
// waits in a local event loop, so the window and the program stay usable; the
// counters are brought up to date from the running search several times a
// second, and the results are listed when the search ends.

#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

#include "search/filesearch.h"
#include "search/resultviewers.h"
#include "search/searchfields.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QToolButton;

namespace zarn {

class TFILESCH : public QWidget {
  Q_OBJECT

 public:
  explicit TFILESCH(QWidget* parent = nullptr);
  ~TFILESCH() override;

  // "Старт": runs a whole search and returns when it has ended and its message
  // has been answered. Does nothing while a search runs.
  void Button2Click();
  // "Стоп".
  void Button3Click();
  void Button4Click();  // "Перейти"
  void Button1Click();  // "Открыть"
  void Button7Click();  // "Смотреть"
  void ListBox1DblClick();
  void SpeedButton1Click();
  void SpeedButton2Click();
  // Writes fs.ini; raises the file system's error when it cannot.
  void FormClose();

  bool Searching() const { return Searching_; }
  // The results of the last search (also while the list box is still empty).
  const QStringList& FoundList() const { return FoundList_; }
  bool ViewerIsPicture() const { return ViewerIsPicture_; }
  // The search, for tests that watch or steer it.
  TFileSearch& Search() { return *Search_; }
  // Replaces the viewers the results are shown in (tests); not owned.
  void SetViewers(TResultViewers* viewers) { Viewers_ = viewers; }
  TProgramViewers& ProgramViewers() { return ProgramViewers_; }

  // "Перейти" on an existing folder: the main window lists `folder` with the
  // cursor on `name` (FocusName := name, ListView focused, SetPath(folder)).
  // Connected by the program entry.
  std::function<void(const QString& folder, const QString& name)> GoToResult;

  QLabel* Label5 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLabel* Label11 = nullptr;
  QToolButton* SpeedButton2 = nullptr;
  QLabel* Label1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLabel* Label8 = nullptr;
  QLabel* Label7 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label10 = nullptr;
  QLabel* StaticText1 = nullptr;
  QLabel* Label6 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label9 = nullptr;
  // Set by the settings window and at start-up: view results in the external viewers.
  QCheckBox* CheckBox4 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button7 = nullptr;
  QToolButton* SpeedButton1 = nullptr;
  QListWidget* ListBox1 = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateControls();
  QWidget* CreateFieldsPanel();
  QWidget* CreateCountersPanel();
  QWidget* CreateResultsPanel();
  void ConnectControls();
  void PublishFields();
  void ShowCounters();
  void SetIdle(bool idle);
  TSearchOutcome RunSearchThread();
  void FinishSearch(const TSearchOutcome& outcome);
  QString SelectedResult() const;
  void ViewPicture();
  void ViewText();
  void StartExternalViewer(const QString& program);

  TSearchFieldsBox Fields_;
  std::unique_ptr<TFileSearch> Search_;
  QStringList FoundList_;
  bool Searching_ = false;
  bool ViewerIsPicture_ = false;
  TProgramViewers ProgramViewers_;
  TResultViewers* Viewers_ = &ProgramViewers_;
};

inline TFILESCH* FILESCH = nullptr;

}  // namespace zarn
