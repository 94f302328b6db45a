#pragma once
// The real dialogs for the file-operation engine's questions. Call on the GUI
// thread; ShellFileOp forwards the engine's questions here from its worker.
// Every button has an objectName ("ButtonReplace", "ButtonReplaceAll",
// "ButtonSkip", "ButtonSkipAll", "ButtonCancel", "ButtonRetry", "ButtonYes",
// "ButtonNo") so tests can press it.

#include "platform/fileop.h"

class QWidget;

namespace zarn {

class TFilePrompts final : public TFileOpQuestions {
 public:
  // The dialogs belong to `owner` (the active window when null).
  explicit TFilePrompts(QWidget* owner = nullptr) : Owner_(owner) {}

  ConflictAnswer AskReplace(const ObjectFacts& source, const ObjectFacts& existing) override;
  ErrorAnswer AskOnError(const OsError& error) override;
  bool AskDeleteForGood(const QString& path, const OsError& reason) override;

 private:
  QWidget* Owner() const;
  QWidget* Owner_;
};

}  // namespace zarn
