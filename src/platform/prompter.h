#pragma once
// The program's own plain dialogs (message boxes, Yes/No confirmations, input
// boxes, the beep). Windows call them through this interface so that tests can
// answer them; the program entry installs the real dialogs.

#include <QString>

#include <optional>

namespace zarn {

class TPrompter {
 public:
  virtual ~TPrompter() = default;
  // A plain modal message box with one OK button; the program's name is the
  // caption unless one is given.
  virtual void ShowMessage(const QString& text, const QString& caption = {}) = 0;
  // An error box (the top-level handler's).
  virtual void ShowError(const QString& text) = 0;
  // A Yes/No confirmation; true for Yes.
  virtual bool Confirm(const QString& text, const QString& caption = {}) = 0;
  // An input box; nothing when cancelled.
  virtual std::optional<QString> InputBox(const QString& caption, const QString& prompt,
                                          const QString& defaultText) = 0;
  // The default system sound.
  virtual void Beep() = 0;
};

// The installed prompter. Call on the GUI thread only.
TPrompter& Prompter();
// Does not take ownership; pass nullptr to fall back to a silent default.
void SetPrompter(TPrompter* prompter);

}  // namespace zarn
