#pragma once
// The selection-modes window: a mask and one of four operations on the main
// list's marks. It keeps its mask and choice for the whole run. The operations
// themselves act on the main window, which connects the hooks below.

#include <QButtonGroup>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <functional>

#include "ops/filemask.h"

namespace zarn {

class TSelekt : public QDialog {
 public:
  explicit TSelekt(QWidget* parent = nullptr);
  ~TSelekt() override;

  // The chosen entry of RadioGroup1 (0-3), as the design's ItemIndex.
  int ItemIndex() const;
  void SetItemIndex(int index);

  void Button1Click();

  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QGroupBox* RadioGroup1 = nullptr;
  QButtonGroup* RadioButtons = nullptr;
  QPushButton* Button1 = nullptr;

  // Runs an operation on the main list with the mask (Invert ignores it); an
  // error it raises (a malformed mask) is shown and keeps this window open.
  std::function<void(MarkOperation, const QString&)> OnRunOperation;
  // Whether the second panel is shown, and showing it (with its toggle
  // button's open-panel picture) for a comparison.
  std::function<bool()> PanelVisible;
  std::function<void()> ShowPanel;
};

inline TSelekt* Selekt = nullptr;

}  // namespace zarn
