#pragma once
// The image viewer window: one picture file scaled into the window with its
// proportions kept and centred. Created once, hidden at start, shown again for
// every picture; closing it only hides it. GUI thread only.

#include <QLabel>
#include <QString>
#include <QWidget>

#include "pictures/picture.h"

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

  // Loads ViewFileName by its extension and names it in the caption. Raises the
  // loader's error (naming the file), leaving picture and caption as they were.
  void LoadPicture();
  // Reads an icon file and shows its largest image like any other picture.
  void LoadIconPicture(const QString& path);

  QLabel* Panel1 = nullptr;
  TPictureBox* Image1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  // Escape closes the window, as it closes the text viewer.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void FormShow();
  void ShowLoaded(TPicture picture, const QString& path);
  QSize FitArea() const;
  void DecodeSharperIfNeeded();

  // The file whose picture is shown, for a sharper decode when the window grows.
  QString LoadedPath_;
};

inline TSHPIC* SHPIC = nullptr;

// True for the extensions the image viewer shows (".JPG", ".JPEG", ".BMP",
// ".WMF", ".ICO", ".GIF", ".PNG"), in any case, with or without the dot.
bool IsPictureExtension(const QString& extension);

// The view command's way into the image viewer: sets ViewFileName, then shows
// the viewer (which loads the picture) and hides the text viewer, or reloads
// when the viewer is already shown. Raises the loader's error in that case.
void ShowPictureViewer(const QString& path);

}  // namespace zarn
