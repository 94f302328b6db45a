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

}  // namespace zarn::fuzz
