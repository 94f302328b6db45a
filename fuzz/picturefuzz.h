#pragma once
// Shared by the picture fuzz targets: a GUI application for fonts and image
// plugins, and a check that whatever a reader accepts can be drawn.

#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <cstddef>
#include <cstdint>

#include "pictures/picture.h"
#include "pictures/picturelimits.h"
#include "platform/errors.h"

namespace zarn::fuzz {

inline void StartApplication(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication application(*argc, *argv);
}

// The input without a copy and without a terminating NUL, so that a reader
// running past its end is caught.
inline QByteArray Input(const uint8_t* data, size_t size) {
  return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline void DrawIfDecoded(const ErrorOr<TPicture>& picture) {
  if (picture.IsError()) return;
  QImage canvas(61, 46, QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  picture.Value().Draw(painter, QRect(QPoint(0, 0), FitSize(picture.Value().Size(), canvas.size())));
}

// Feeds a reader the input, at full size or (when the last byte is odd) at the
// viewer's reduced size, and draws what it accepts. When the last byte's next
// bit is set too, the decode is cancelled before it starts, so that every way
// out of a reader that has set up its library is run.
template <typename Reader>
void FuzzPictureReader(const uint8_t* data, size_t size, Reader read) {
  const uint8_t last = size > 0 ? data[size - 1] : 0;
  const bool reduced = (last & 1) != 0;
  const TDecodeCancel cancel(reduced && (last & 2) != 0);
  DrawIfDecoded(read(Input(data, size), reduced ? QSize(61, 46) : QSize(), cancel));
}

}  // namespace zarn::fuzz

// The two entry points of a fuzz target for one picture reader.
#define ZARN_PICTURE_READER_FUZZER(reader)                                    \
  extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {              \
    zarn::fuzz::StartApplication(argc, argv);                                 \
    return 0;                                                                 \
  }                                                                           \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {   \
    zarn::fuzz::FuzzPictureReader(data, size, reader);                        \
    return 0;                                                                 \
  }
