#include "search/resultviewers.h"

#include <QLineEdit>

#include "viewer/trf.h"
#include "viewer/tshpic.h"

namespace zarn {

bool TProgramViewers::TextVisible() const { return RF != nullptr && RF->isVisible(); }

void TProgramViewers::ShowText() {
  if (RF != nullptr) RF->show();
}

void TProgramViewers::HideText() {
  if (RF != nullptr) RF->hide();
}

void TProgramViewers::SetTextSearch(const QString& text) {
  if (RF != nullptr && RF->Edit1 != nullptr) RF->Edit1->setText(text);
}

void TProgramViewers::ViewText() {
  if (RF != nullptr) RF->ViewFile();
}

bool TProgramViewers::PictureVisible() const { return SHPIC != nullptr && SHPIC->isVisible(); }

void TProgramViewers::ShowPicture() {
  if (SHPIC != nullptr) SHPIC->show();
}

void TProgramViewers::HidePicture() {
  if (SHPIC != nullptr) SHPIC->hide();
}

void TProgramViewers::LoadPicture() {
  if (SHPIC != nullptr) SHPIC->LoadPicture();
}

}  // namespace zarn
