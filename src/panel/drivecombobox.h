#pragma once
// A drive box: the mounted volumes, each with its full caption in the
// drop-down. Closed, the box shows the selected volume's short caption, cut
// with an ellipsis in the middle when even that does not fit, so that a
// narrow box never shows a caption chopped off at its edge; the full caption
// is its tool tip. The text last drawn is also its property "shownCaption".

#include <QComboBox>

#include <vector>

#include "platform/volumes.h"

namespace zarn {

class TDriveComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TDriveComboBox(QWidget* parent = nullptr);

  // Refills the box without emitting a change; nothing is selected afterwards.
  void SetVolumes(const std::vector<Volume>& volumes);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  // The closed box's text for the selected volume at the box's width.
  QString ShownCaption() const;

  QStringList ShortCaptions_;
};

}  // namespace zarn
