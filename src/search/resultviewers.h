#pragma once
// What the search window needs of the two viewers to show a result: the text
// viewer and the picture viewer, each shown, hidden and loaded. The program's
// windows provide the real ones; tests record the calls. GUI thread only.

#include <QString>

namespace zarn {

class TResultViewers {
 public:
  virtual ~TResultViewers() = default;

  virtual bool TextVisible() const = 0;
  virtual void ShowText() = 0;
  virtual void HideText() = 0;
  // Puts `text` into the text viewer's search field.
  virtual void SetTextSearch(const QString& text) = 0;
  // Loads ViewFileName into the text viewer.
  virtual void ViewText() = 0;

  virtual bool PictureVisible() const = 0;
  // Showing the picture viewer loads ViewFileName.
  virtual void ShowPicture() = 0;
  virtual void HidePicture() = 0;
  // Loads ViewFileName into the visible picture viewer.
  virtual void LoadPicture() = 0;
};

// The program's own viewer windows, TRF (RF) and TSHPIC (SHPIC); a viewer that
// does not exist counts as hidden.
class TProgramViewers final : public TResultViewers {
 public:
  bool TextVisible() const override;
  void ShowText() override;
  void HideText() override;
  void SetTextSearch(const QString& text) override;
  void ViewText() override;

  bool PictureVisible() const override;
  void ShowPicture() override;
  void HidePicture() override;
  void LoadPicture() override;
};

}  // namespace zarn
