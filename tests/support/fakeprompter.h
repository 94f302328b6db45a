#pragma once
// A prompter for tests: records every dialog and answers from queues.

#include <QStringList>

#include <deque>
#include <optional>

#include "platform/prompter.h"

namespace zarn::test {

class FakePrompter final : public TPrompter {
 public:
  FakePrompter() { SetPrompter(this); }
  ~FakePrompter() override { SetPrompter(nullptr); }

  void ShowMessage(const QString& text, const QString& caption = {}) override {
    Messages << text;
    MessageCaptions << caption;
  }
  void ShowError(const QString& text) override { Errors << text; }
  bool Confirm(const QString& text, const QString&) override {
    Questions << text;
    if (Answers.empty()) return false;
    const bool answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  std::optional<QString> InputBox(const QString&, const QString& prompt, const QString&) override {
    Inputs << prompt;
    if (InputAnswers.empty()) return std::nullopt;
    auto answer = InputAnswers.front();
    InputAnswers.pop_front();
    return answer;
  }
  void Beep() override { ++Beeps; }

  QStringList Messages;
  QStringList MessageCaptions;  // empty for the program's name
  QStringList Errors;
  QStringList Questions;
  QStringList Inputs;
  std::deque<bool> Answers;
  std::deque<std::optional<QString>> InputAnswers;
  int Beeps = 0;
};

}  // namespace zarn::test
