#include "viewer/pager.h"

#include <algorithm>

namespace zarn {
namespace {

// The largest scroll bar range used; larger ranges are scaled down to it.
constexpr qint64 kBarLimit = qint64(1) << 30;

}  // namespace

int LinesPerPageFor(int height, int pointSize) {
  if (pointSize <= 0 || height <= 0) return 0;
  return (height / pointSize) * 60 / 100 - 1;
}

void TPager::SetPageRange(quint64 fileSize, int linesPerPage) {
  FileSize_ = fileSize;
  LinesPerPage_ = linesPerPage;
  const qint64 rows = static_cast<qint64>(fileSize / 16);
  if (linesPerPage < 1 || rows - (linesPerPage - 2) <= 1) {
    Maximum_ = 1;
    LargeStep_ = 1;
    Enabled_ = false;
  } else {
    Maximum_ = rows - linesPerPage + 2;
    LargeStep_ = linesPerPage - 1;
    Enabled_ = true;
  }
  Position_ = std::clamp<qint64>(Position_, 0, Maximum_);
}

void TPager::SetPosition(qint64 position) { Position_ = std::clamp<qint64>(position, 0, Maximum_); }

quint64 TPager::PageOffset() const {
  if (Maximum_ == 1 || Position_ == 0) return 0;
  return 16 * static_cast<quint64>(Position_ - 1);
}

qint64 TPager::PageBytes(bool textMode) const {
  return static_cast<qint64>(std::max(LinesPerPage_, 0)) * (textMode ? 64 : 16);
}

qint64 TPager::PageCount(bool textMode) const {
  const quint64 offset = PageOffset();
  if (LinesPerPage_ < 1 || offset >= FileSize_) return 0;
  return static_cast<qint64>(std::min<quint64>(FileSize_ - offset, static_cast<quint64>(PageBytes(textMode))));
}

bool TPager::MoveTo(qint64 position) {
  const qint64 old = Position_;
  SetPosition(position);
  return Position_ != old;
}

bool TPager::LineUp() { return Position_ > 1 && MoveTo(Position_ - 1); }
bool TPager::LineDown() { return Position_ < Maximum_ && MoveTo(Position_ + 1); }
bool TPager::Home() { return MoveTo(1); }
bool TPager::End() { return MoveTo(Maximum_); }

bool TPager::PageUp() {
  return MoveTo(Position_ > LinesPerPage_ ? Position_ - LinesPerPage_ : 1);
}

bool TPager::PageDown() {
  return Position_ < Maximum_ && MoveTo(std::min(Position_ + LinesPerPage_, Maximum_));
}

int TPager::BarMaximum() const { return static_cast<int>(std::min(Maximum_, kBarLimit)); }

int TPager::BarValue() const {
  if (Maximum_ <= kBarLimit) return static_cast<int>(Position_);
  return static_cast<int>(static_cast<__int128>(Position_) * kBarLimit / Maximum_);
}

void TPager::SetPositionFromBar(int value) {
  if (Maximum_ <= kBarLimit) {
    SetPosition(value);
    return;
  }
  // Only a real move of the bar changes the position, so a position between two
  // bar steps survives the bar's own echo of it.
  if (value == BarValue()) return;
  SetPosition(static_cast<qint64>(static_cast<__int128>(value) * Maximum_ / kBarLimit));
}

}  // namespace zarn
