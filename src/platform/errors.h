#pragma once
// Errors are values until a window shows them. Platform calls return ErrorOr<T>
// carrying the system's own message; the window code turns an error it cannot
// handle into a ZarnError, which the one top-level guard shows in a message box.

#include <QString>

#include <optional>
#include <stdexcept>
#include <utility>
#include <variant>

namespace zarn {

// The system's message for an errno value, in the user's language.
QString SystemMessage(int errorCode);

class OsError {
 public:
  OsError() = default;
  // `path` is shown as it is; pass it through FromNativeName when it came from bytes.
  OsError(int code, QString path = {}) : Code_(code), Path_(std::move(path)) {}
  // An error without an errno value, with a text of its own.
  static OsError WithText(QString text, QString path = {});

  int Code() const { return Code_; }
  const QString& Path() const { return Path_; }
  // "<system message>" or "<system message>: <path>".
  QString Text() const;

 private:
  int Code_ = 0;
  QString Path_;
  QString OwnText_;
};

template <typename T>
class [[nodiscard]] ErrorOr {
 public:
  ErrorOr(T value) : State_(std::move(value)) {}
  ErrorOr(OsError error) : State_(std::move(error)) {}

  bool IsError() const { return std::holds_alternative<OsError>(State_); }
  explicit operator bool() const { return !IsError(); }
  T& Value() { return std::get<T>(State_); }
  const T& Value() const { return std::get<T>(State_); }
  T TakeValue() { return std::move(std::get<T>(State_)); }
  const OsError& Error() const { return std::get<OsError>(State_); }

 private:
  std::variant<T, OsError> State_;
};

// A value-less result.
struct Done {};
using ErrorOrDone = ErrorOr<Done>;

// The exception that carries an error to the top-level guard. Only window code
// throws it; engines return ErrorOr.
class ZarnError : public std::runtime_error {
 public:
  explicit ZarnError(const QString& text) : std::runtime_error(text.toStdString()), Text_(text) {}
  const QString& Text() const { return Text_; }

 private:
  QString Text_;
};

[[noreturn]] void RaiseError(const QString& text);
[[noreturn]] inline void RaiseError(const OsError& error) { RaiseError(error.Text()); }

// Returns the value, or raises its error for the top-level guard.
template <typename T>
T ValueOrRaise(ErrorOr<T> result) {
  if (result.IsError()) RaiseError(result.Error());
  return result.TakeValue();
}

}  // namespace zarn
