#pragma once
// The extension associations window. Its list ListView1 is the association
// table: caption = extension, first sub-item = program. The main window looks
// programs up through ProgramFor() at the moment it opens a file.

#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include <functional>

#include "settings/associations.h"

namespace zarn {

class TExtent : public QWidget {
 public:
  explicit TExtent(QWidget* parent = nullptr);
  ~TExtent() override;

  // The rows of ListView1, in order.
  TAssociationTable Table() const;
  // Replaces the rows of ListView1.
  void SetTable(const TAssociationTable& table);
  void AddRow(const TAssociation& association);
  // The program assigned to `extension` (dot included, case counts), or empty.
  QString ProgramFor(const QString& extension) const;
  // Reads zarn.ext into the list; without the file the list stays as it is.
  ErrorOrDone LoadAssociationsFile();
  // Writes the list to zarn.ext.
  ErrorOrDone SaveAssociations();

  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();

  QTreeWidget* ListView1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;
  QPushButton* Button5 = nullptr;

  // Writes the main window's status line (and repaints it); the main window connects it.
  std::function<void(const QString&)> OnStatus;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void CreateControls();
  void ShowStatus(const QString& text);
};

inline TExtent* Extent = nullptr;

}  // namespace zarn
