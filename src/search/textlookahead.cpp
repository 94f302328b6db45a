#include "search/textlookahead.h"

#include <cerrno>
#include <sys/stat.h>

#include <algorithm>

#include "platform/filenames.h"
#include "viewer/codepages.h"
#include "viewer/fileaccess.h"
#include "viewer/findinfile.h"

namespace zarn {
namespace {

bool IsRegularFile(EntryType type, const QByteArray& path) {
  if (type != EntryType::Link && type != EntryType::Unknown) return type == EntryType::File;
  struct stat info {};
  return ::stat(path.constData(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace

TTextResult TestFileForText(EntryType type, const QByteArray& path, const TTextForms& text,
                            const std::atomic<bool>* stop) {
  if (text.empty() || !IsRegularFile(type, path)) return {};
  FindProgress progress;
  progress.Stop = stop;
  auto found = [&]() -> ErrorOr<qint64> {
    auto opened = TRegularFile::OpenListedRegular(path);
    if (opened.IsError()) return opened.Error();
    return FindAnyFormInOpenFile(opened.Value(), text, 0, progress);
  }();
  if (!found.IsError()) return {found.Value() != -1 ? TTextResult::Kind::Found : TTextResult::Kind::NotFound, 0};
  const int code = found.Error().Code();
  // Gone or replaced by something that is no file since it was listed.
  if (code == 0 || code == ENOENT || code == ENOTDIR) return {};
  return {TTextResult::Kind::Failed, code};
}

int TTextLookAhead::DefaultHelpers() {
  const int cores = int(std::thread::hardware_concurrency());
  return std::clamp(cores - 1, 1, 3);
}

TTextLookAhead::TTextLookAhead(const std::atomic<bool>& stop, int helpers) : Stop_(stop) {
  for (int index = 0; index < helpers; ++index) Helpers_.emplace_back([this] { HelperLoop(); });
}

TTextLookAhead::~TTextLookAhead() {
  End();
  {
    std::lock_guard lock(Mutex_);
    Quit_ = true;
  }
  Wake_.notify_all();
  for (std::thread& helper : Helpers_) helper.join();
}

void TTextLookAhead::Begin(std::vector<TFile> files, const TTextForms& text) {
  End();
  auto batch = std::make_shared<TBatch>();
  batch->Items = std::make_unique<TItem[]>(files.size());
  batch->Files = std::move(files);
  batch->Text = text;
  Current_ = batch;
  {
    std::lock_guard lock(Mutex_);
    Batch_ = std::move(batch);
    ++Generation_;
  }
  Wake_.notify_all();
}

void TTextLookAhead::End() {
  if (!Current_) return;
  Current_->Dropped.store(true);
  Current_.reset();
  std::lock_guard lock(Mutex_);
  Batch_.reset();
}

TTextResult TTextLookAhead::Result(qsizetype index, const TTextForms& text) {
  TBatch* batch = Current_.get();
  if (batch == nullptr || index < 0 || index >= qsizetype(batch->Files.size())) return {};
  const TFile& file = batch->Files[size_t(index)];
  if (batch->Text != text) return TestFileForText(file.Type, file.Path, text, &Stop_);
  TItem& item = batch->Items[size_t(index)];
  int state = 0;
  if (item.State.compare_exchange_strong(state, 1)) {
    item.Result = TestFileForText(file.Type, file.Path, text, &Stop_);
    item.State.store(2);
    return item.Result;
  }
  // A helper is testing it. Sleeping until it is done would cost a wake-up per
  // file, so this thread tests later files meanwhile and waits only when none
  // is left untouched.
  const qsizetype count = qsizetype(batch->Files.size());
  while (item.State.load() != 2) {
    const qsizetype next = batch->Next.fetch_add(1);
    if (next < count) {
      TestItem(*batch, next);
      continue;
    }
    std::unique_lock lock(Mutex_);
    Tested_.wait(lock, [&item] { return item.State.load() == 2; });
  }
  return item.Result;
}

void TTextLookAhead::TestItem(TBatch& batch, qsizetype index) {
  TItem& item = batch.Items[size_t(index)];
  int state = 0;
  if (!item.State.compare_exchange_strong(state, 1)) return;
  const TFile& file = batch.Files[size_t(index)];
  item.Result = TestFileForText(file.Type, file.Path, batch.Text, &Stop_);
  item.State.store(2);
  // Taking the lock orders this notification after a waiter's check.
  { std::lock_guard lock(Mutex_); }
  Tested_.notify_all();
}

void TTextLookAhead::HelperLoop() {
  quint64 seen = 0;
  for (;;) {
    std::shared_ptr<TBatch> batch;
    {
      std::unique_lock lock(Mutex_);
      Wake_.wait(lock, [&] { return Quit_ || Generation_ != seen; });
      if (Quit_) return;
      seen = Generation_;
      batch = Batch_;
    }
    if (!batch) continue;
    const qsizetype count = qsizetype(batch->Files.size());
    while (!batch->Dropped.load() && !Stop_.load()) {
      const qsizetype index = batch->Next.fetch_add(1);
      if (index >= count) break;
      TestItem(*batch, index);
    }
  }
}

}  // namespace zarn
