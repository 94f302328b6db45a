#include "platform/guard.h"

#include "platform/prompter.h"

namespace zarn {
namespace {

std::function<void(const QString&)>& Reporter() {
  static std::function<void(const QString&)> reporter;
  return reporter;
}

}  // namespace

void SetErrorReporter(std::function<void(const QString&)> reporter) { Reporter() = std::move(reporter); }

void ReportError(const QString& text) {
  if (Reporter()) {
    Reporter()(text);
  } else {
    Prompter().ShowError(text);
  }
}

}  // namespace zarn
