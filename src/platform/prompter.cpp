#include "platform/prompter.h"

#include <cstdio>

namespace zarn {
namespace {

// Used before the entry installs the real dialogs: says what it would have
// shown and answers No and Cancel, so nothing is done without a user's consent.
class StderrPrompter final : public TPrompter {
 public:
  void ShowMessage(const QString& text, const QString& = {}) override { Print("message", text); }
  void ShowError(const QString& text) override { Print("error", text); }
  bool Confirm(const QString& text, const QString&) override {
    Print("question", text);
    return false;
  }
  std::optional<QString> InputBox(const QString&, const QString& prompt, const QString&) override {
    Print("input", prompt);
    return std::nullopt;
  }
  void Beep() override {}

 private:
  static void Print(const char* kind, const QString& text) {
    std::fprintf(stderr, "zarn %s: %s\n", kind, text.toLocal8Bit().constData());
  }
};

StderrPrompter DefaultPrompter;
TPrompter* Installed = nullptr;

}  // namespace

TPrompter& Prompter() { return Installed ? *Installed : DefaultPrompter; }
void SetPrompter(TPrompter* prompter) { Installed = prompter; }

}  // namespace zarn
