#include "viewer/tshpic.h"

#include <QHideEvent>
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

// How long the window must keep its size before a sharper decode starts.
constexpr int kSharperDecodeDelayMs = 150;

// The icon is drawn onto a bitmap of its own size, transparent where it is.
// Runs on the decoder's thread.
ErrorOr<TPicture> ReadIconBitmap(const QString& path, const TDecodeCancel& cancel) {
  auto bytes = ReadPictureBytes(path);
  if (bytes.IsError()) return bytes.Error();
  auto decoded = DecodePicture(kIconExtension, bytes.Value(), {}, cancel);
  if (decoded.IsError()) return OsError::WithText(decoded.Error().Text(), path);
  const TPicture& icon = decoded.Value();
  QImage bitmap(icon.Size(), QImage::Format_ARGB32_Premultiplied);
  bitmap.fill(Qt::transparent);
  {
    QPainter painter(&bitmap);
    icon.Draw(painter, bitmap.rect());
  }
  TPicture picture = TPicture::FromImage(std::move(bitmap));
  if (icon.IsDamaged()) picture.MarkDamaged(icon.DamageNote());
  return picture;
}

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
  SharperTimer_.setSingleShot(true);
  SharperTimer_.setInterval(kSharperDecodeDelayMs);
  connect(&SharperTimer_, &QTimer::timeout, this, GuardedSlot([this] { DecodeSharperIfNeeded(); }));
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

void TSHPIC::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
  // Every showing loads the picture again, so a hidden window decodes nothing.
  // A window minimised to the task bar is still the one being looked at.
  if (event->spontaneous()) return;
  SharperTimer_.stop();
  StopLoading();
}

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
  SharperTimer_.start();
}

void TSHPIC::LoadPicture() {
  const QString path = ViewFileName;
  const QString extension = PictureExtension(path);
  if (extension == kIconExtension) return LoadIconPicture(path);
  if (LoaderExtensions().contains(extension)) {
    const QSize area = FitArea();
    return StartLoading(path,
                        [path, area](const TDecodeCancel& cancel) { return LoadPictureFile(path, area, cancel); });
  }
  // Nothing to load: the previous picture stays, only the caption changes.
  StopLoading();
  setWindowTitle(kCaptionPrefix + path);
}

void TSHPIC::LoadIconPicture(const QString& path) {
  StartLoading(path, [path](const TDecodeCancel& cancel) { return ReadIconBitmap(path, cancel); });
}

void TSHPIC::StartLoading(const QString& path, TPictureDecoder::TWork work) {
  SharperTimer_.stop();
  Loading_ = true;
  Image1->hide();  // the panel's caption shows while the picture loads
  Decoder_.Start(std::move(work), [this, path](ErrorOr<TPicture> result) { LoadingEnded(path, std::move(result)); });
}

void TSHPIC::LoadingEnded(const QString& path, ErrorOr<TPicture> result) {
  Loading_ = false;
  Image1->show();
  Guarded([&] {
    if (result.IsError()) RaiseError(result.Error());
    const bool damaged = result.Value().IsDamaged();
    ShowLoaded(result.TakeValue(), path);
    setWindowTitle(kCaptionPrefix + path + (damaged ? kDamagedSuffix : QString()));
    SharperTimer_.start();  // the window may have grown meanwhile
  });
  emit LoadFinished();
}

void TSHPIC::StopLoading() {
  Decoder_.Cancel();
  if (!Loading_) return;
  Loading_ = false;
  Image1->show();
}

void TSHPIC::ShowLoaded(TPicture picture, const QString& path) {
  Image1->SetPicture(std::move(picture));
  LoadedPath_ = path;
}

QSize TSHPIC::FitArea() const {
  // An empty area would ask for the picture at its own size.
  return (Image1->size() * Image1->devicePixelRatioF()).expandedTo(QSize(1, 1));
}

// Large pictures are decoded at the size the window needs; when the window
// grows past it, the file is decoded again. If that fails the reduced picture stays.
void TSHPIC::DecodeSharperIfNeeded() {
  const TPicture& shown = Image1->Picture();
  if (Loading_ || LoadedPath_.isEmpty() ||
      !shown.NeedsSharperDecode(Image1->DrawnRect().size() * devicePixelRatioF())) {
    return;
  }
  const QString path = LoadedPath_;
  const QSize area = FitArea();
  Decoder_.Start([path, area](const TDecodeCancel& cancel) { return LoadPictureFile(path, area, cancel); },
                 [this, path](ErrorOr<TPicture> result) { SharperArrived(path, std::move(result)); });
}

void TSHPIC::SharperArrived(const QString& path, ErrorOr<TPicture> result) {
  if (result.IsError()) {
    LoadedPath_.clear();  // one error box, not one per resize
    Guarded([&] { RaiseError(result.Error()); });
    return;
  }
  TPicture sharper = result.TakeValue();
  const TPicture& shown = Image1->Picture();
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
