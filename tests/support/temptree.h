#pragma once
// A temporary folder tree for one test, removed afterwards (permissions are
// restored first, so chmod 000 entries are removed too). Paths are relative to
// Root(); parents are made as needed. Names are bytes, so trees can hold names
// that are not valid UTF-8.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QTemporaryDir>

#include <sys/types.h>

namespace zarn::test {

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The root folder, without a trailing "/".
  QString Root() const;
  QByteArray RootBytes() const;
  // Root() + "/" + relative, as text (for valid UTF-8 relatives) or bytes.
  QString Path(const QString& relative) const;
  QByteArray PathBytes(const QByteArray& relative) const;

  // A file with `bytes`; its modification time is `modified` when valid, else a
  // fixed time (2020-01-02 03:04:05 UTC) so that sorting tests are repeatable.
  void CreateFile(const QByteArray& relative, const QByteArray& bytes = {}, const QDateTime& modified = {});
  void CreateDir(const QByteArray& relative);
  void CreateSymlink(const QByteArray& relative, const QByteArray& target);
  void CreateFifo(const QByteArray& relative);
  void SetMode(const QByteArray& relative, mode_t mode);
  void SetModified(const QByteArray& relative, const QDateTime& modified);

  // The hostile preset: Unicode and 255-byte names, a name with a newline, a
  // name that is not UTF-8, a dangling link, a link to a folder, a FIFO,
  // chmod 000 on a file and a folder, a binary file with NUL bytes.
  void Hostile();

  static QDateTime FixedTime();

 private:
  void RestorePermissions(const QByteArray& path);
  static void RemoveTree(const QByteArray& path);
  QTemporaryDir Dir_;
};

// True when the tests run as root (permission tests then have no effect).
bool RunningAsRoot();

}  // namespace zarn::test
