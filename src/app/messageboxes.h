#pragma once
// The real dialogs behind Prompter(): plain modal message boxes, Yes/No
// confirmations and input boxes, parented to the active window.

#include "platform/prompter.h"

namespace zarn {

class TMessageBoxPrompter final : public TPrompter {
 public:
  void ShowMessage(const QString& text, const QString& caption = {}) override;
  void ShowError(const QString& text) override;
  bool Confirm(const QString& text, const QString& caption) override;
  std::optional<QString> InputBox(const QString& caption, const QString& prompt, const QString& defaultText) override;
  void Beep() override;
};

}  // namespace zarn
