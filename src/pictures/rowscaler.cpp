#include "pictures/rowscaler.h"

namespace zarn {

namespace {

// The first source position covered by reduced position `index`.
int SpanStart(int index, int source, int target) { return int(qint64(index) * source / target); }

}  // namespace

std::vector<int> TRowScaler::SpanStarts(int source, int target) {
  std::vector<int> starts;
  starts.reserve(size_t(target) + 1);
  for (int index = 0; index <= target; ++index) starts.push_back(SpanStart(index, source, target));
  return starts;
}

TRowScaler::TTaps TRowScaler::SampledPositions(int source, int target, int maxTaps) {
  TTaps taps;
  taps.Start.reserve(size_t(target) + 1);
  for (int index = 0; index < target; ++index) {
    taps.Start.push_back(int(taps.Positions.size()));
    const int first = SpanStart(index, source, target);
    const int count = SpanStart(index + 1, source, target) - first;
    const int bands = std::min(count, maxTaps);
    for (int band = 0; band < bands; ++band) {
      const int bandStart = first + band * count / bands;
      const int bandSize = first + (band + 1) * count / bands - bandStart;
      const quint32 scatter = (quint32(index) * 2654435761u + quint32(band) * 40503u) >> 16;
      taps.Positions.push_back(bandStart + int(scatter % quint32(bandSize)));
    }
  }
  taps.Start.push_back(int(taps.Positions.size()));
  return taps;
}

QImage::Format TRowScaler::ImageFormat(TPixels pixels) {
  switch (pixels) {
    case TPixels::Gray:
      return QImage::Format_Grayscale8;
    case TPixels::Rgbx:
      return QImage::Format_RGBX8888;
    case TPixels::Rgba:
      break;
  }
  return QImage::Format_RGBA8888_Premultiplied;
}

TRowScaler::TRowScaler(QSize source, QSize target, TPixels pixels)
    : Pixels_(pixels),
      ColumnStart_(SpanStarts(source.width(), target.width())),
      Rows_(SampledPositions(source.height(), target.height(), kMaxScalerRows)),
      Sums_(size_t(target.width()) * size_t(Channels())),
      Image_(target, ImageFormat(pixels)) {
  if (!Image_.isNull()) Image_.fill(Qt::transparent);
}

void TRowScaler::AddRow(const uchar* row) {
  if (TargetRow_ >= Image_.height()) return;
  const int sourceRow = RowsAdded_++;
  if (NextTap_ < Rows_.Start[TargetRow_ + 1] && Rows_.Positions[NextTap_] == sourceRow) {
    Accumulate(row);
    ++NextTap_;
  }
  if (NextTap_ == Rows_.Start[TargetRow_ + 1]) EmitRow();
}

// Colours are summed premultiplied by their alpha, so that the colour of a
// transparent pixel does not bleed into its neighbours.
void TRowScaler::Accumulate(const uchar* row) {
  const size_t channels = size_t(Channels());
  quint64* sums = Sums_.data();
  for (int column = 0; column < Image_.width(); ++column, sums += channels) {
    const uchar* end = row + size_t(ColumnStart_[column + 1]) * channels;
    for (const uchar* pixel = row + size_t(ColumnStart_[column]) * channels; pixel < end; pixel += channels) {
      if (Pixels_ == TPixels::Rgba) {
        const quint64 alpha = pixel[3];
        for (int channel = 0; channel < 3; ++channel) sums[channel] += pixel[channel] * alpha;
        sums[3] += alpha;
      } else {
        for (size_t channel = 0; channel < channels; ++channel) sums[channel] += pixel[channel];
      }
    }
  }
}

void TRowScaler::EmitRow() {
  const quint64 rows = quint64(Rows_.Start[TargetRow_ + 1] - Rows_.Start[TargetRow_]);
  uchar* out = Image_.scanLine(TargetRow_);
  const quint64* sums = Sums_.data();
  const int channels = Channels();
  for (int column = 0; column < Image_.width(); ++column, sums += channels, out += channels) {
    const quint64 count = rows * quint64(ColumnStart_[column + 1] - ColumnStart_[column]);
    // Premultiplied colours are sums of colour x alpha: one more division by 255.
    const quint64 colourCount = Pixels_ == TPixels::Rgba ? count * 255 : count;
    for (int channel = 0; channel < channels; ++channel) {
      const quint64 divisor = channel == 3 ? count : colourCount;
      out[channel] = uchar((sums[channel] + divisor / 2) / divisor);
    }
  }
  std::fill(Sums_.begin(), Sums_.end(), 0);
  ++TargetRow_;
}

}  // namespace zarn
