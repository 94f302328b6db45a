#pragma once
// The application's single top-level error handler. Every event handler runs
// through Guarded(): an error it raises is shown in one message box with its
// text and the program goes on. C++ exceptions never unwind through Qt's frames.

#include <QString>

#include <exception>
#include <functional>

#include "platform/errors.h"

namespace zarn {

// Installed once by the program entry (a message box) or by tests (a recorder).
// Without a reporter the text goes to Prompter().ShowError().
void SetErrorReporter(std::function<void(const QString&)> reporter);
void ReportError(const QString& text);

template <typename Handler>
void Guarded(Handler&& handler) noexcept {
  try {
    handler();
  } catch (const ZarnError& error) {
    ReportError(error.Text());
  } catch (const std::exception& error) {
    ReportError(QString::fromLocal8Bit(error.what()));
  } catch (...) {
    ReportError(QStringLiteral("Неизвестная ошибка"));
  }
}

// A slot for connect() that runs `handler` guarded, whatever the signal passes.
template <typename Handler>
auto GuardedSlot(Handler handler) {
  return [handler](auto&&...) { Guarded(handler); };
}

}  // namespace zarn
