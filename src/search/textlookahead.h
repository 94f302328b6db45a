#pragma once
// The text test of the file search, and helpers that run it ahead of the
// search. Reading file contents is by far the slowest part of a text search;
// while the search goes through a folder's entries in order, helper threads
// already test the folder's later files, so several files are read at once.
// The search still takes every result in order and acts on it only when it gets
// there (an error ends the search at that entry, a stop before it), so what it
// finds is what a search testing one file after the other finds. A result
// tested for a text other than the one the search holds when it gets there is
// not used. Qt Core only; the searching thread owns the object.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/folderwalk.h"
#include "viewer/codepages.h"

namespace zarn {

struct TTextResult {
  enum class Kind { NotFound, Found, Failed };
  Kind Outcome = Kind::NotFound;
  int ErrorCode = 0;  // for Failed: errno
};

// Whether the file at `path` contains any of the forms of a text (the text in
// each code page searched), anywhere from its first byte. Folders, FIFOs, devices and dangling links are not opened and
// hold no text; a file gone or replaced since it was listed holds none either.
// `type` is what the listing said; links and unknown types are looked up.
using TTextForms = std::vector<TSearchForms>;
TTextResult TestFileForText(EntryType type, const QByteArray& path, const TTextForms& text,
                            const std::atomic<bool>* stop);

class TTextLookAhead {
 public:
  struct TFile {
    QByteArray Path;
    EntryType Type = EntryType::Unknown;
  };

  // `stop` ends the helpers' work early; it must outlive this object.
  explicit TTextLookAhead(const std::atomic<bool>& stop, int helpers = DefaultHelpers());
  ~TTextLookAhead();
  TTextLookAhead(const TTextLookAhead&) = delete;
  TTextLookAhead& operator=(const TTextLookAhead&) = delete;

  // Hands the helpers the files of one folder to test for `text`, replacing
  // what they had.
  void Begin(std::vector<TFile> files, const TTextForms& text);
  // The result for file `index` of the current files tested for `text`: the
  // helpers' when they tested it for that text, else tested now.
  TTextResult Result(qsizetype index, const TTextForms& text);
  // Lets the helpers drop what is left of the current files.
  void End();

  static int DefaultHelpers();

 private:
  struct TItem {
    std::atomic<int> State{0};  // 0 untouched, 1 being tested, 2 tested
    TTextResult Result;         // written before State becomes 2
  };
  struct TBatch {
    std::vector<TFile> Files;
    std::unique_ptr<TItem[]> Items;
    TTextForms Text;
    std::atomic<qsizetype> Next{0};
    std::atomic<bool> Dropped{false};
  };

  void HelperLoop();
  void TestItem(TBatch& batch, qsizetype index);

  const std::atomic<bool>& Stop_;
  std::mutex Mutex_;
  std::condition_variable Wake_;    // a new batch, or quitting
  std::condition_variable Tested_;  // an item became tested
  std::shared_ptr<TBatch> Batch_;   // protected by Mutex_
  std::shared_ptr<TBatch> Current_; // only from the searching thread
  quint64 Generation_ = 0;          // protected by Mutex_
  bool Quit_ = false;               // protected by Mutex_
  std::vector<std::thread> Helpers_;
};

}  // namespace zarn
