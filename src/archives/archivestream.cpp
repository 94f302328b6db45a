#include "archives/archivestream.h"

#include <QFileInfo>

#include <archive.h>
#include <archive_entry.h>

#include <cerrno>

#include "platform/filenames.h"

namespace zarn {
namespace {

constexpr size_t ReadBlockBytes = 256 * 1024;

// Made once and kept: a thread switches to it only while it reads an archive.
locale_t Utf8Locale() {
  static const locale_t locale = ::newlocale(LC_ALL_MASK, "C.UTF-8", nullptr);
  return locale;
}

}  // namespace

OsError LibarchiveError(archive* handle, const QString& path) {
  const char* text = handle ? archive_error_string(handle) : nullptr;
  if (text && *text) return OsError::WithText(QString::fromUtf8(text), path);
  const int code = handle ? archive_errno(handle) : 0;
  return OsError(code > 0 ? code : EIO, path);
}

TArchiveStream::TArchiveStream(QString path) : Path_(std::move(path)) {
  if (Utf8Locale()) OuterLocale_ = ::uselocale(Utf8Locale());
}

TArchiveStream::~TArchiveStream() {
  if (Archive_) archive_read_free(Archive_);
  if (OuterLocale_) ::uselocale(OuterLocale_);
}

ErrorOr<std::unique_ptr<TArchiveStream>> TArchiveStream::Open(const QString& path, const char* options) {
  std::unique_ptr<TArchiveStream> stream(new TArchiveStream(path));
  auto started = stream->Start(options, false);
  if (started) return stream;
  // No archive format knew it; a compression filter alone may still.
  if (archive_format(stream->Archive_) != 0) return started.Error();
  const OsError notArchive = started.Error();
  stream.reset();
  std::unique_ptr<TArchiveStream> single(new TArchiveStream(path));
  if (!single->Start(options, true) || archive_filter_count(single->Archive_) < 2) return notArchive;
  return single;
}

ErrorOrDone TArchiveStream::Start(const char* options, bool singleFile) {
  SingleFile_ = singleFile;
  Archive_ = archive_read_new();
  if (!Archive_) return OsError(ENOMEM, Path_);
  archive_read_support_filter_all(Archive_);
  if (singleFile) {
    archive_read_support_format_raw(Archive_);
  } else {
    archive_read_support_format_all(Archive_);
  }
  if (options && archive_read_set_options(Archive_, options) < ARCHIVE_WARN) return LibarchiveError(Archive_, Path_);
  const QByteArray native = ToNativeName(Path_);
  if (archive_read_open_filename(Archive_, native.constData(), ReadBlockBytes) != ARCHIVE_OK) {
    return LibarchiveError(Archive_, Path_);
  }
  const int result = archive_read_next_header(Archive_, &First_);
  if (result == ARCHIVE_EOF) {
    First_ = nullptr;
  } else if (result < ARCHIVE_WARN) {
    return LibarchiveError(Archive_, Path_);
  }
  FirstPending_ = true;
  return Done{};
}

archive_entry* TArchiveStream::Next() {
  if (Error_) return nullptr;
  if (FirstPending_) {
    FirstPending_ = false;
    if (First_) ++HeadersRead_;
    return First_;
  }
  archive_entry* entry = nullptr;
  const int result = archive_read_next_header(Archive_, &entry);
  if (result == ARCHIVE_EOF) return nullptr;
  // A warning (a name that would not convert, an unknown extension) keeps the
  // entry; a retry after a fatal error would only repeat it.
  if (result < ARCHIVE_WARN) {
    Error_ = BrokenAt(LibarchiveError(Archive_, {}).Text());
    return nullptr;
  }
  ++HeadersRead_;
  return entry;
}

qint64 TArchiveStream::ReadData(char* buffer, qint64 size) {
  const la_ssize_t count = archive_read_data(Archive_, buffer, size_t(size));
  if (count >= 0) return count;
  Error_ = BrokenAt(LibarchiveError(Archive_, {}).Text());
  return -1;
}

OsError TArchiveStream::BrokenAt(const QString& message) const {
  return OsError::WithText(QStringLiteral("%1 (прочитано заголовков: %2, байт архива: %3)")
                               .arg(message, QString::number(HeadersRead_),
                                    QString::number(archive_filter_bytes(Archive_, -1))),
                           Path_);
}

bool TArchiveStream::IsZip() const {
  return (archive_format(Archive_) & ARCHIVE_FORMAT_BASE_MASK) == ARCHIVE_FORMAT_ZIP;
}

QByteArray TArchiveStream::SingleFileName() const {
  const QByteArray name = ToNativeName(QFileInfo(Path_).fileName());
  const qsizetype dot = name.lastIndexOf('.');
  return dot > 0 ? name.left(dot) : name;
}

}  // namespace zarn
