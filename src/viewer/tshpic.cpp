#include "viewer/tshpic.h"

#include <QKeyEvent>
#include <QPainter>
#include <QResizeEvent>
#include <QShowEvent>

#include "pictures/picturefile.h"
#include "pictures/pictureloader.h"
#include "platform/guard.h"
#include "viewer/picturelayout.h"
#include "viewer/trf.h"
#include "viewer/viewfile.h"

namespace zarn {
namespace {

// The designed client area: the picture area sits 8 pixels inside it all round.
constexpr QSize kDesignedClientSize(633, 480);
constexpr QRect kDesignedImageRect(8, 8, 617, 464);

const QString kStartCaption = QStringLiteral(" Просмотр изображений");
const QString kCaptionPrefix = QStringLiteral(" Изображение:   ");
const QString kDamagedSuffix = QStringLiteral("   (изображение повреждено)");

const QStringList& LoaderExtensions() {
  static const QStringList extensions = {".JPG", ".JPEG", ".BMP", ".WMF", ".GIF", ".PNG"};
  return extensions;
}

const QString kIconExtension = QStringLiteral(".ICO");

QLabel* CreatePanel(QWidget* parent) {
  auto* panel = new QLabel(QStringLiteral("Загрузка изображения..."), parent);
  panel->setObjectName(QStringLiteral("Panel1"));
  panel->setAlignment(Qt::AlignCenter);
  panel->setAutoFillBackground(true);
  QPalette palette = panel->palette();
  palette.setColor(QPalette::Window, Qt::white);
  palette.setColor(QPalette::WindowText, Qt::black);
  panel->setPalette(palette);
  return panel;
}

}  // namespace

TPictureBox::TPictureBox(QWidget* parent) : QWidget(parent) { setObjectName(QStringLiteral("Image1")); }

void TPictureBox::SetPicture(TPicture picture) {
  Picture_ = std::move(picture);
  update();
}

QRect TPictureBox::DrawnRect() const { return Picture_.IsEmpty() ? QRect() : PictureRect(Picture_.Size(), rect()); }

void TPictureBox::paintEvent(QPaintEvent*) {
  if (Picture_.IsEmpty()) return;
  QPainter painter(this);
  // A transparent picture shows the viewer's white background, not the
  // panel's loading caption behind it.
  const QRect drawn = DrawnRect();
  painter.fillRect(drawn, Qt::white);
  Picture_.Draw(painter, drawn);
}

TSHPIC::TSHPIC(QWidget* parent) : QWidget(parent, Qt::Window) {
  setObjectName(QStringLiteral("SHPIC"));
  setWindowTitle(kStartCaption);
  Panel1 = CreatePanel(this);
  Image1 = new TPictureBox(Panel1);
  Image1->setGeometry(kDesignedImageRect);
  resize(kDesignedClientSize);
  ViewFileName.clear();
  SHPIC = this;
}

TSHPIC::~TSHPIC() {
  if (SHPIC == this) SHPIC = nullptr;
}

void TSHPIC::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // A window brought back from the task bar is not a new showing.
  if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void TSHPIC::FormShow() { LoadPicture(); }

void TSHPIC::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TSHPIC::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Panel1->setGeometry(rect());
  Image1->setGeometry(AnchoredRect(kDesignedImageRect, kDesignedClientSize, size()));
  Guarded([this] { DecodeSharperIfNeeded(); });
}

void TSHPIC::LoadPicture() {
  const QString path = ViewFileName;
  const QString extension = PictureExtension(path);
  if (extension == kIconExtension) {
    LoadIconPicture(path);
  } else if (LoaderExtensions().contains(extension)) {
    ShowLoaded(ValueOrRaise(LoadPictureFile(path, FitArea())), path);
  }
  const bool damaged = LoadedPath_ == path && Image1->Picture().IsDamaged();
  setWindowTitle(kCaptionPrefix + path + (damaged ? kDamagedSuffix : QString()));
}

void TSHPIC::LoadIconPicture(const QString& path) {
  const QByteArray bytes = ValueOrRaise(ReadPictureBytes(path));
  auto decoded = DecodePicture(kIconExtension, bytes);
  if (decoded.IsError()) RaiseError(OsError::WithText(decoded.Error().Text(), path));
  TPicture icon = decoded.TakeValue();
  // The icon is drawn onto a bitmap of its own size, transparent where it is.
  QImage bitmap(icon.Size(), QImage::Format_ARGB32_Premultiplied);
  bitmap.fill(Qt::transparent);
  {
    QPainter painter(&bitmap);
    icon.Draw(painter, bitmap.rect());
  }
  TPicture picture = TPicture::FromImage(std::move(bitmap));
  if (icon.IsDamaged()) picture.MarkDamaged(icon.DamageNote());
  ShowLoaded(std::move(picture), path);
}

void TSHPIC::ShowLoaded(TPicture picture, const QString& path) {
  Image1->SetPicture(std::move(picture));
  LoadedPath_ = path;
}

QSize TSHPIC::FitArea() const { return Image1->size() * Image1->devicePixelRatioF(); }

// Large JPEGs are decoded at the scale the window needs; when the window grows
// past it, the file is decoded again. If that fails the reduced picture stays.
void TSHPIC::DecodeSharperIfNeeded() {
  const TPicture& shown = Image1->Picture();
  if (LoadedPath_.isEmpty() || !shown.NeedsSharperDecode(Image1->DrawnRect().size() * devicePixelRatioF())) return;
  const QString path = LoadedPath_;
  LoadedPath_.clear();  // one error box, not one per resize step
  TPicture sharper = ValueOrRaise(LoadPictureFile(path, FitArea()));
  if (shown.IsDamaged() && !sharper.IsDamaged()) sharper.MarkDamaged(shown.DamageNote());
  ShowLoaded(std::move(sharper), path);
}

bool IsPictureExtension(const QString& extension) {
  const QString normalized = PictureExtension(extension.startsWith(QLatin1Char('.')) ? extension : "." + extension);
  return normalized == kIconExtension || LoaderExtensions().contains(normalized);
}

void ShowPictureViewer(const QString& path) {
  ViewFileName = path;
  if (!SHPIC) return;
  if (SHPIC->isVisible()) {
    SHPIC->LoadPicture();
    return;
  }
  SHPIC->show();
  if (RF) RF->hide();
}

}  // namespace zarn
