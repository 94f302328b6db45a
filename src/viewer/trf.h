#pragma once
// The text and hex viewer window. Created once by the program entry, hidden
// and shown again for every file; GUI thread only. The page logic lives in
// pager.h, pagetext.h and viewersearch.h; this class wires the controls to it.

#include <QWidget>

#include "viewer/codepages.h"
#include "viewer/pager.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;

namespace zarn {

class TRF : public QWidget {
  Q_OBJECT

 public:
  explicit TRF(QWidget* parent = nullptr);
  ~TRF() override;

  // Loads ViewFileName and shows its first screen; raises the file system's
  // error when the file cannot be read.
  void ViewFile();
  // Renders the page at the scroll position.
  void ScrollBar1Change();
  // The search command of the search box and button.
  void FindInViewer();

  bool WholeFileMode() const { return WholeFileMode_; }
  bool TextMode() const { return TextMode_; }
  CodePage CurrentCodePage() const { return CodePage_; }
  int LinesPerPage() const { return Pager_.LinesPerPage(); }
  // The 64-bit scroll position and its maximum (the bar shows them scaled).
  qint64 Position() const { return Pager_.Position(); }
  qint64 Maximum() const { return Pager_.Maximum(); }
  // Moves the page like the bar does, and renders it.
  void SetPosition(qint64 position);
  // The wheel, as the application-wide hook delivers it: true when handled.
  bool MouseWheel(int distance);

  QPlainTextEdit* Memo1 = nullptr;
  QScrollBar* ScrollBar1 = nullptr;
  QPushButton* Button5 = nullptr;
  QPushButton* BitBtn1 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QPushButton* BitBtn2 = nullptr;
  QPushButton* BitBtn3 = nullptr;
  QPushButton* Button3 = nullptr;
  QLineEdit* Edit1 = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  void CreateButtons();
  void ConnectControls();
  void LayoutControls();
  void ComputeLinesPerPage();
  void SetPageRange();
  void ShowWholeFile();
  void LoadWideText();
  QByteArray ReadSmallFile();
  void ShowUtf8TextPage(quint64 offset, qint64 count, bool atFileEnd);
  void ChooseCodePageFor(const QString& path);
  void ShowCodePage(CodePage page);
  void SetMemoScrollBars(bool vertical, bool horizontal);
  void SetWordWrap(bool wrap);
  void SyncBar();
  void Button5Click();
  void BitBtn1Click();
  void BitBtn3Click();
  bool Memo1KeyDown(int key);
  bool FindInMemo(const QString& text);
  void FindInHexPage(const QString& text);
  void SelectInMemo(int line, int column, int length);

  TPager Pager_;
  quint64 FileSize_ = 0;  // taken when the file is loaded
  CodePage CodePage_ = CodePage::Win;
  // The code page last chosen with the button; a new file that is not plainly
  // UTF-8 or UTF-16 opens in it.
  CodePage ChosenCodePage_ = CodePage::Win;
  QString OpenedFile_;  // the file the code page was last chosen for
  bool WholeFileMode_ = false;
  bool TextMode_ = false;
  bool SyncingBar_ = false;
};

inline TRF* RF = nullptr;

}  // namespace zarn
