#pragma once
// One pass over an archive's headers through libarchive, the reader under the
// index and the extraction. Every format and filter libarchive reads is tried
// by content; a file that no archive format reads but a compression filter
// does (a lone .gz, .xz, .zst, .bz2 ...) is read as an archive of one file
// named after it without its suffix.
//
// While a stream is open its thread uses a UTF-8 locale, so that libarchive
// hands over names flagged UTF-8 as they are and other names as their bytes,
// whatever the user's locale. Use a stream on one thread only.

#include <QByteArray>
#include <QString>

#include <locale.h>

#include <memory>
#include <optional>

#include "platform/errors.h"

struct archive;
struct archive_entry;

namespace zarn {

class TArchiveStream {
 public:
  ~TArchiveStream();
  TArchiveStream(const TArchiveStream&) = delete;
  TArchiveStream& operator=(const TArchiveStream&) = delete;

  // Opens `path` and reads its first header. `options` go to
  // archive_read_set_options ("zip:hdrcharset=ISO-8859-1"); may be null.
  static ErrorOr<std::unique_ptr<TArchiveStream>> Open(const QString& path, const char* options = nullptr);

  // The next header, null at the end of the archive or on an error (see Error()).
  // The entry stays valid until the next call.
  archive_entry* Next();
  // Why the last Next() or ReadData() failed, with where the archive broke.
  const std::optional<OsError>& Error() const { return Error_; }
  // Reads the current entry's data; the byte count, 0 at its end, -1 on an error.
  qint64 ReadData(char* buffer, qint64 size);

  archive* Handle() const { return Archive_; }
  bool IsZip() const;
  // A lone compressed file; its one entry's name is SingleFileName().
  bool IsSingleFile() const { return SingleFile_; }
  QByteArray SingleFileName() const;
  // Headers read so far.
  int HeadersRead() const { return HeadersRead_; }
  const QString& Path() const { return Path_; }

 private:
  TArchiveStream(QString path);
  ErrorOrDone Start(const char* options, bool singleFile);
  OsError BrokenAt(const QString& message) const;

  QString Path_;
  archive* Archive_ = nullptr;
  locale_t OuterLocale_ = nullptr;
  bool SingleFile_ = false;
  bool FirstPending_ = false;
  archive_entry* First_ = nullptr;
  int HeadersRead_ = 0;
  std::optional<OsError> Error_;
};

// The libarchive message of an archive's last error, or the system's.
OsError LibarchiveError(archive* handle, const QString& path);

}  // namespace zarn
