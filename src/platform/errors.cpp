#include "platform/errors.h"

#include <cstring>

namespace zarn {

QString SystemMessage(int errorCode) {
  char buffer[256];
  // The GNU strerror_r returns its text, which need not be in `buffer`.
  const char* text = strerror_r(errorCode, buffer, sizeof buffer);
  return QString::fromLocal8Bit(text);
}

OsError OsError::WithText(QString text, QString path) {
  OsError error(0, std::move(path));
  error.OwnText_ = std::move(text);
  return error;
}

QString OsError::Text() const {
  const QString message = OwnText_.isEmpty() ? SystemMessage(Code_) : OwnText_;
  return Path_.isEmpty() ? message : message + QStringLiteral(": ") + Path_;
}

void RaiseError(const QString& text) { throw ZarnError(text); }

}  // namespace zarn
