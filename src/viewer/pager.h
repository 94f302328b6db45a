#pragma once
// The paging arithmetic of the viewer: lines per page, the scroll range of a
// file, the page a scroll position shows and the moves of the keys and the
// wheel. Positions are 64-bit, so a file of any size pages to its last byte; a
// scroll bar, whose range is an int, shows them scaled (BarMaximum, BarValue).
// Qt Core only; every call is O(1).

#include <QtGlobal>

namespace zarn {

// Hex lines on a page for a text area `height` pixels high in a font of
// `pointSize` points: (height div points) * 60 div 100 - 1.
int LinesPerPageFor(int height, int pointSize);

class TPager {
 public:
  // Sets the range for a file of `fileSize` bytes with `linesPerPage` lines;
  // the position is kept within the new range.
  void SetPageRange(quint64 fileSize, int linesPerPage);

  // Changes only the page size (after a resize); the range stays until the next
  // SetPageRange.
  void SetLinesPerPage(int linesPerPage) { LinesPerPage_ = linesPerPage; }

  quint64 FileSize() const { return FileSize_; }
  int LinesPerPage() const { return LinesPerPage_; }
  qint64 Maximum() const { return Maximum_; }
  qint64 LargeStep() const { return LargeStep_; }
  bool Enabled() const { return Enabled_; }
  qint64 Position() const { return Position_; }
  // Clamped to 0..Maximum.
  void SetPosition(qint64 position);

  // The offset of the page's first byte: positions 0 and 1 both show byte 0.
  quint64 PageOffset() const;
  // How many bytes a page shows: 64 per line as text, 16 as hex.
  qint64 PageBytes(bool textMode) const;
  // The bytes to read for the page; 0 when lines per page is below 1.
  qint64 PageCount(bool textMode) const;

  // The keys of the text area; each returns true when the position changed.
  bool LineUp();
  bool LineDown();
  bool Home();
  bool End();
  bool PageUp();
  bool PageDown();

  // The scroll bar's view of the position.
  int BarMaximum() const;
  int BarValue() const;
  void SetPositionFromBar(int value);

 private:
  bool MoveTo(qint64 position);
  quint64 FileSize_ = 0;
  int LinesPerPage_ = 0;
  qint64 Maximum_ = 1;
  qint64 LargeStep_ = 1;
  bool Enabled_ = false;
  qint64 Position_ = 0;
};

}  // namespace zarn
