#pragma once
// The main window's folder list in window tests: rows by name, and the focus.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QString>

#include "browser/folderitems.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"

namespace zarn::test {

// The row showing `name`, or -1.
inline int RowNamed(const TForm1& form, const QString& name) {
  for (int row = 0; row < form.Items().Count(); ++row) {
    if (form.Items().FolderItems[size_t(row)].DisplayName == name) return row;
  }
  return -1;
}

// The name in the row under the cursor; empty when there is none.
inline QString CursorRowName(const TForm1& form) {
  const int row = form.ListView->CurrentRow();
  return row < 0 ? QString() : form.Items().FolderItems[size_t(row)].DisplayName;
}

// The window active and its list focused, as after a click into it. Activations
// of windows shown meanwhile arrive as queued events: they are taken first, so
// none of them takes the focus away later.
inline void FocusListOf(TForm1& form) {
  QCoreApplication::processEvents();
  QApplication::setActiveWindow(&form);
  form.ListView->setFocus();
  ASSERT_TRUE(form.ListView->hasFocus());
}

}  // namespace zarn::test
