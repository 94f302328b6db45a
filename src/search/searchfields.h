#pragma once
// The search window's fields as a running search reads them. The window copies
// every edit into the box at once (GUI thread) and the search takes a snapshot
// for every folder and, when something changed, for every entry (search
// thread), so an edit during a search applies to what follows. Qt Core only.

#include <QString>

#include <atomic>
#include <mutex>

#include "viewer/codepages.h"

namespace zarn {

struct TSearchFields {
  QString StartFolder;      // "В папке:", as typed
  QString Name = QStringLiteral("*");       // name mask, as typed
  QString Extension = QStringLiteral("*");  // extension mask without the dot, as typed
  bool WithText = false;    // "С текстом"
  QString Text;             // the text to look for, as typed
  bool Subfolders = false;  // "C подкаталогами "
  // The code page the text is looked for in first ("DOS": 866); every file is
  // also searched in the others.
  CodePage TextPage = CodePage::Win;
};

class TSearchFieldsBox {
 public:
  // Any thread.
  void Set(const TSearchFields& fields) {
    std::lock_guard lock(Mutex_);
    Fields_ = fields;
    Version_.fetch_add(1, std::memory_order_release);
  }
  TSearchFields Snapshot() const {
    std::lock_guard lock(Mutex_);
    return Fields_;
  }
  // Changes with every Set; cheap enough to ask for every entry.
  quint64 Version() const { return Version_.load(std::memory_order_acquire); }

 private:
  mutable std::mutex Mutex_;
  TSearchFields Fields_;  // protected by Mutex_
  std::atomic<quint64> Version_{0};
};

// Removes every character of code 32 or less (blanks and control characters)
// from both ends.
QString TrimSearchText(const QString& text);

}  // namespace zarn
