#pragma once
// Canned answers for the file-operation engine's questions; counts every call.

#include <QStringList>

#include <deque>
#include <mutex>

#include "platform/fileop.h"

namespace zarn::test {

class FakeFileOpQuestions final : public TFileOpQuestions {
 public:
  ConflictAnswer AskReplace(const ObjectFacts& source, const ObjectFacts& existing) override {
    std::lock_guard lock(Mutex);
    ReplaceQuestions << existing.Path;
    LastSource = source;
    return Take(ReplaceAnswers, DefaultReplace);
  }
  ErrorAnswer AskOnError(const OsError& error) override {
    std::lock_guard lock(Mutex);
    Errors << error.Text();
    ErrorCodes.push_back(error.Code());
    return Take(ErrorAnswers, DefaultError);
  }
  bool AskDeleteForGood(const QString& path, const OsError&) override {
    std::lock_guard lock(Mutex);
    DeleteForGoodQuestions << path;
    return Take(DeleteForGoodAnswers, false);
  }

  std::mutex Mutex;
  std::deque<ConflictAnswer> ReplaceAnswers;
  std::deque<ErrorAnswer> ErrorAnswers;
  std::deque<bool> DeleteForGoodAnswers;
  ConflictAnswer DefaultReplace = ConflictAnswer::Cancel;
  ErrorAnswer DefaultError = ErrorAnswer::Skip;

  QStringList ReplaceQuestions;
  QStringList Errors;
  std::deque<int> ErrorCodes;
  QStringList DeleteForGoodQuestions;
  ObjectFacts LastSource;

 private:
  template <typename T>
  static T Take(std::deque<T>& answers, T fallback) {
    if (answers.empty()) return fallback;
    T answer = answers.front();
    answers.pop_front();
    return answer;
  }
};

}  // namespace zarn::test
