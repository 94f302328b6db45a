#pragma once
// The image viewer window: one picture file scaled into the window with its
// proportions kept and centred. Created once, hidden at start, shown again for
// every picture; closing it only hides it. GUI thread only; pictures are
// decoded on a worker thread of its own.

#include <QLabel>
#include <QString>
#include <QTimer>
#include <QWidget>

#include "pictures/picture.h"
#include "pictures/picturedecoder.h"

namespace zarn {

// The picture area (`Image1`): draws its picture fitted and centred, and lets
// the panel behind it show where the picture does not cover it.
class TPictureBox : public QWidget {
  Q_OBJECT

 public:
  explicit TPictureBox(QWidget* parent = nullptr);
  void SetPicture(TPicture picture);
  const TPicture& Picture() const { return Picture_; }
  // Where the picture is drawn, in the box's coordinates; empty without a picture.
  QRect DrawnRect() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  TPicture Picture_;
};

class TSHPIC : public QWidget {
  Q_OBJECT

 public:
  explicit TSHPIC(QWidget* parent = nullptr);
  ~TSHPIC() override;

  // Loads ViewFileName by its extension. The picture is decoded off the GUI
  // thread; meanwhile the panel's caption "Загрузка изображения..." shows in
  // place of the previous picture, and a newer load cancels this one. Once the
  // picture is shown the window's caption names the file. A file the loader
  // cannot read is reported to the top-level error box (the message names the
  // file), and the previous picture and caption stay.
  void LoadPicture();
  // Loads an icon file the same way and shows its largest image like any other picture.
  void LoadIconPicture(const QString& path);
  // True while a picture is on its way.
  bool IsLoading() const { return Loading_; }

  QLabel* Panel1 = nullptr;
  TPictureBox* Image1 = nullptr;

 signals:
  // A load has ended: its picture is shown or its error has been reported.
  // Loads overtaken by newer ones end without it.
  void LoadFinished();

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Escape closes the window, as it closes the text viewer.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();
  void StartLoading(const QString& path, TPictureDecoder::TWork work);
  void LoadingEnded(const QString& path, ErrorOr<TPicture> result);
  // Abandons a load or a sharper decode on its way; the previous picture shows again.
  void StopLoading();
  void ShowLoaded(TPicture picture, const QString& path);
  QSize FitArea() const;
  void DecodeSharperIfNeeded();
  void SharperArrived(const QString& path, ErrorOr<TPicture> result);

  TPictureDecoder Decoder_;
  // Resizing waits for the window to settle before it decodes sharper.
  QTimer SharperTimer_;
  // The file whose picture is shown, for a sharper decode when the window grows.
  QString LoadedPath_;
  bool Loading_ = false;
};

inline TSHPIC* SHPIC = nullptr;

// True for the extensions the image viewer shows (".JPG", ".JPEG", ".BMP",
// ".WMF", ".ICO", ".GIF", ".PNG"), in any case, with or without the dot.
bool IsPictureExtension(const QString& extension);

// The view command's way into the image viewer: sets ViewFileName, then shows
// the viewer (which loads the picture) and hides the text viewer, or reloads
// when the viewer is already shown.
void ShowPictureViewer(const QString& path);

}  // namespace zarn
