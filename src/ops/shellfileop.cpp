#include "ops/shellfileop.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "archives/archiveextraction.h"
#include "ops/fileprompts.h"
#include "ops/tprogress.h"
#include "ops/tprogresstext.h"

namespace zarn {
namespace {

TFileOpQuestions* InstalledQuestions = nullptr;      // only from the GUI thread
std::chrono::milliseconds ProgressDelay{500};         // only from the GUI thread
FileOpResult LastResult;                               // only from the GUI thread

// Hands the engine's questions from its worker thread to the GUI thread and
// waits for the answer there. Before each question the progress window comes
// up, so that the question is always its child, on top of it and answerable,
// whatever the window's own timer does meanwhile.
class GuiThreadQuestions final : public TFileOpQuestions {
 public:
  GuiThreadQuestions(TFileOpQuestions& answerer, QObject& guiContext, std::function<void()> beforeAsking)
      : Answerer_(answerer), Context_(guiContext), BeforeAsking_(std::move(beforeAsking)) {}

  ConflictAnswer AskReplace(const ObjectFacts& source, const ObjectFacts& existing) override {
    return OnGuiThread([&] { return Answerer_.AskReplace(source, existing); });
  }
  ErrorAnswer AskOnError(const OsError& error) override {
    return OnGuiThread([&] { return Answerer_.AskOnError(error); });
  }
  bool AskDeleteForGood(const QString& path, const OsError& reason) override {
    return OnGuiThread([&] { return Answerer_.AskDeleteForGood(path, reason); });
  }

 private:
  template <typename Ask>
  auto OnGuiThread(Ask ask) -> decltype(ask()) {
    decltype(ask()) answer{};
    QMetaObject::invokeMethod(
        &Context_,
        [&] {
          BeforeAsking_();
          answer = ask();
        },
        Qt::BlockingQueuedConnection);
    return answer;
  }

  TFileOpQuestions& Answerer_;
  QObject& Context_;
  std::function<void()> BeforeAsking_;
};

// The engine's latest figures, written by its thread and read by the window's timer.
class SharedProgress final : public TFileOpObserver {
 public:
  void Progress(const FileOpProgress& progress) override {
    std::lock_guard lock(Mutex_);
    Latest_ = progress;
  }
  FileOpProgress Latest() const {
    std::lock_guard lock(Mutex_);
    return Latest_;
  }

 private:
  mutable std::mutex Mutex_;
  FileOpProgress Latest_;  // protected by Mutex_
};

// Runs the operation `make` builds (anything with Run() and a thread-safe
// Cancel()) on a worker thread while this thread goes on handling events;
// user input waits until the progress window is up (it is modal).
template <typename MakeOperation>
FileOpResult RunOnWorker(FileOpKind kind, MakeOperation make) {
  SharedProgress figures;
  std::function<void()> cancel;
  TProgress window(ProgressCaption(kind), [&figures] { return figures.Latest(); }, [&cancel] { cancel(); },
                   QApplication::activeWindow());
  TFilePrompts dialogs(&window);
  QObject guiContext;
  GuiThreadQuestions questions(InstalledQuestions ? *InstalledQuestions : dialogs, guiContext,
                               [&window] { window.Start(); });
  auto operation = make(questions, figures);
  cancel = [&operation] { operation->Cancel(); };

  std::atomic<bool> finished{false};
  FileOpResult result;
  std::thread worker([&] {
    result = operation->Run();
    finished = true;
    QMetaObject::invokeMethod(&guiContext, [] {}, Qt::QueuedConnection);  // wakes the loop below
  });
  QTimer showTimer;
  showTimer.setSingleShot(true);
  QObject::connect(&showTimer, &QTimer::timeout, &window, [&] {
    if (!finished) window.Start();
  });
  showTimer.start(ProgressDelay);
  QEventLoop loop;
  while (!finished) {
    const auto input = window.isVisible() ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents;
    loop.processEvents(QEventLoop::WaitForMoreEvents | input);
  }
  worker.join();
  window.hide();
  return result;
}

FileOpResult RunOnWorker(const FileOpRequest& request) {
  return RunOnWorker(request.Kind, [&request](TFileOpQuestions& questions, TFileOpObserver& figures) {
    return std::make_unique<FileOperation>(request, questions, &figures);
  });
}

int ResultCode(const FileOpResult& result) {
  if (result.Succeeded()) return 0;
  if (result.Cancelled) return ECANCELED;
  const int code = result.Failures.front().Code();
  return code != 0 ? code : EIO;
}

}  // namespace

std::optional<FileOpRequest> RequestFor(const QStringList& sources, const QString& destination, int operation,
                                        quint16 flags) {
  if (flags == 0) flags = FOF_ALLOWUNDO;
  FileOpRequest request;
  switch (operation) {
    case FO_MOVE: request.Kind = FileOpKind::Move; break;
    case FO_COPY: request.Kind = FileOpKind::Copy; break;
    case FO_DELETE: request.Kind = FileOpKind::Delete; break;
    default: return std::nullopt;
  }
  request.Sources = sources;
  request.Destination = destination;
  request.Delete = (flags & FOF_ALLOWUNDO) ? DeleteMode::ToTrash : DeleteMode::ForGood;
  request.Collision = (flags & FOF_RENAMEONCOLLISION) ? CollisionMode::RenameNew : CollisionMode::Ask;
  return request;
}

bool ShellFileOp(const QStringList& sources, const QString& destination, int operation, quint16 flags) {
  const std::optional<FileOpRequest> request = RequestFor(sources, destination, operation, flags);
  if (!request || sources.isEmpty()) {
    LastResult = FileOpResult{};
    LastResult.Failures << OsError(EINVAL);
    return false;
  }
  LastResult = RunOnWorker(*request);
  return LastResult.Succeeded();
}

int ShellRename(const QString& oldPath, const QString& newPath, bool renameOnCollision) {
  if (oldPath.isEmpty() || newPath.isEmpty()) {
    LastResult = FileOpResult{};
    LastResult.Failures << OsError(EINVAL);
    return EINVAL;
  }
  FileOpRequest request;
  request.Kind = FileOpKind::Move;
  request.Sources = {oldPath};
  request.Destination = newPath;
  request.Target = DestinationKind::ExactName;
  request.Collision = renameOnCollision ? CollisionMode::RenameNew : CollisionMode::Ask;
  LastResult = RunOnWorker(request);
  return ResultCode(LastResult);
}

bool ExtractFromArchive(const TExtractRequest& request) {
  LastResult = RunOnWorker(FileOpKind::Copy, [&request](TFileOpQuestions& questions, TFileOpObserver& figures) {
    return std::make_unique<TArchiveExtraction>(request, questions, &figures);
  });
  return LastResult.Succeeded();
}

void SetFileOpQuestions(TFileOpQuestions* questions) { InstalledQuestions = questions; }
void SetProgressDelay(std::chrono::milliseconds delay) { ProgressDelay = delay; }
const FileOpResult& LastFileOpResult() { return LastResult; }

}  // namespace zarn
