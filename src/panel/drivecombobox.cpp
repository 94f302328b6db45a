#include "panel/drivecombobox.h"

#include <QAbstractItemView>
#include <QStylePainter>

#include "panel/shellimages.h"
#include "platform/shellicons.h"

namespace zarn {
namespace {

QIcon VolumeIcon() {
  return ShellImage(ShellIconIndexOf({QStringLiteral("drive-harddisk"), {}, IconFallback::Volume}));
}

}  // namespace

TDriveComboBox::TDriveComboBox(QWidget* parent) : QComboBox(parent) {
  connect(this, &QComboBox::currentIndexChanged, this, [this](int index) { setToolTip(itemText(index)); });
}

void TDriveComboBox::SetVolumes(const std::vector<Volume>& volumes) {
  const QSignalBlocker blocker(this);
  clear();
  ShortCaptions_.clear();
  int widest = 0;
  for (const Volume& volume : volumes) {
    addItem(VolumeIcon(), volume.Caption(), volume.MountPoint);
    ShortCaptions_ << volume.ShortCaption();
    widest = std::max(widest, view()->fontMetrics().horizontalAdvance(volume.Caption()));
  }
  // The drop-down shows every caption whole, however narrow the box.
  view()->setMinimumWidth(widest + iconSize().width() + 32);
  setCurrentIndex(-1);
}

QString TDriveComboBox::ShownCaption() const {
  QStyleOptionComboBox option;
  initStyleOption(&option);
  const QRect textArea = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
  const int index = currentIndex();
  const QString caption = index >= 0 && index < ShortCaptions_.size() ? ShortCaptions_[index] : option.currentText;
  const int iconRoom = option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4;
  return fontMetrics().elidedText(caption, Qt::ElideMiddle, textArea.width() - iconRoom);
}

void TDriveComboBox::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionComboBox option;
  initStyleOption(&option);
  painter.drawComplexControl(QStyle::CC_ComboBox, option);
  option.currentText = ShownCaption();
  setProperty("shownCaption", option.currentText);
  painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

}  // namespace zarn
