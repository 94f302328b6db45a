#pragma once
// Reduces a picture as its rows arrive, top to bottom, so that a reader never
// holds more than one row of the picture at its own size: memory is one row of
// sums plus the reduced image.
//
// Each reduced pixel is the mean of the source pixels it covers: every pixel of
// a row, and up to kMaxScalerRows of the rows, one from each of as many equal
// bands, at a varying place within its band so that regular patterns do not
// alias into stripes. Only the sampled rows cost more than their decoding; a
// reduction of at most kMaxScalerRows times averages every pixel.

#include <QImage>
#include <QSize>
#include <QtGlobal>

#include <vector>

namespace zarn {

inline constexpr int kMaxScalerRows = 4;

class TRowScaler {
 public:
  // Source pixels: 8-bit gray; RGB with a filler byte; RGBA, not premultiplied.
  enum class TPixels { Gray, Rgbx, Rgba };

  // `target` is the size to reduce to, no larger than `source` on either side.
  TRowScaler(QSize source, QSize target, TPixels pixels);

  // The format of Image(): Grayscale8, RGBX8888 or RGBA8888_Premultiplied.
  static QImage::Format ImageFormat(TPixels pixels);
  // True when the reduced image could be made (false when out of memory).
  bool IsReady() const { return !Image_.isNull(); }

  // The next source row, Source().width() pixels.
  void AddRow(const uchar* row);
  int RowsAdded() const { return RowsAdded_; }
  // The reduced picture: rows not reached yet are transparent (or black).
  const QImage& Image() const { return Image_; }
  QImage TakeImage() { return std::move(Image_); }

 private:
  // For each reduced row, the source rows sampled.
  struct TTaps {
    std::vector<int> Start;  // size reduced + 1: Positions[Start[i] .. Start[i + 1])
    std::vector<int> Positions;
  };
  static std::vector<int> SpanStarts(int source, int target);
  static TTaps SampledPositions(int source, int target, int maxTaps);
  int Channels() const { return Pixels_ == TPixels::Gray ? 1 : 4; }
  void Accumulate(const uchar* row);
  void EmitRow();

  TPixels Pixels_;
  std::vector<int> ColumnStart_;  // reduced column i covers [ColumnStart_[i], ColumnStart_[i + 1])
  TTaps Rows_;
  std::vector<quint64> Sums_;  // one reduced row, Channels() a pixel
  QImage Image_;
  int RowsAdded_ = 0;
  int TargetRow_ = 0;  // the reduced row the next source row belongs to
  int NextTap_ = 0;  // index into Rows_.Positions of the next sampled source row
};

}  // namespace zarn
