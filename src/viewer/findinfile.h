#pragma once
// Searching a file's bytes for a text, ignoring letter case. Qt Core only; runs
// on the calling thread and reads the file in chunks, so memory stays small for
// files of any size.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>
#include <vector>

#include "platform/errors.h"
#include "viewer/codepages.h"

namespace zarn {

struct FindProgress {
  // Called after every 101 chunks of 8192 bytes read (about every 808 KiB), so
  // a window searching on its own thread can process its pending events.
  std::function<void()> ProcessEvents;
  // When set and true, the search ends with no match.
  const std::atomic<bool>* Stop = nullptr;
};

// The offset of the first match of `text` at or after `start`, or -1. Letter
// case follows code page 1251: each text byte matches its upper and lower form.
// -1 as well for an empty path or text, a missing file, anything that is not a
// regular file, and a read error.
qint64 FindInFile(const QString& path, const QByteArray& text, qint64 start, const FindProgress& progress = {});

// The same search with the read errors kept: -1 means no match.
ErrorOr<qint64> FindInFileOrError(const QString& path, const QByteArray& text, qint64 start,
                                  const FindProgress& progress = {});

// The general form: byte i of a match equals upper[i] or lower[i] (the two
// arrays have one length). Used for UTF-16 texts, whose case forms are pairs of
// bytes.
ErrorOr<qint64> FindCaseFormsInFile(const QString& path, const QByteArray& upper, const QByteArray& lower,
                                    qint64 start, const FindProgress& progress = {});

// The search for the forms of one text in one code page.
ErrorOr<qint64> FindFormsInFile(const QString& path, const TSearchForms& forms, qint64 start,
                                const FindProgress& progress = {});

class TRegularFile;
// The first match of any of the forms (a text in several code pages) on a
// file already open, in one read of the file.
ErrorOr<qint64> FindAnyFormInOpenFile(const TRegularFile& file, const std::vector<TSearchForms>& forms,
                                      qint64 start, const FindProgress& progress = {});

// A text typed by the user, searched in the bytes of a code page: "WIN" as
// 1251, "DOS" as 866 (case forms taken in 1251, then converted), "UCODE" as
// UTF-16 little-endian units with Unicode case forms, "UTF-8" as UTF-8 with
// the case forms of each character.
ErrorOr<qint64> FindTextInFile(const QString& path, const QString& text, CodePage page, qint64 start,
                               const FindProgress& progress = {});

}  // namespace zarn
