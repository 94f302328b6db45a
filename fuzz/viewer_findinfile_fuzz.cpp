// FindInFile on any file and text, checked against a plain scan. The input is
// a text length byte, the text, a start byte, then the file's bytes; the file
// lives in memory (memfd), so no disk is touched.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "viewer/codepages.h"
#include "viewer/findinfile.h"

namespace {

qint64 PlainFind(const QByteArray& bytes, const QByteArray& text, qint64 start) {
  if (text.isEmpty()) return -1;
  const QByteArray upper = zarn::UpperCase1251(text);
  const QByteArray lower = zarn::LowerCase1251(text);
  for (qint64 position = start; position + text.size() <= bytes.size(); ++position) {
    qsizetype index = 0;
    while (index < text.size() && (bytes[position + index] == upper[index] || bytes[position + index] == lower[index])) {
      ++index;
    }
    if (index == text.size()) return position;
  }
  return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t textLength = std::min<size_t>(data[0], size - 2);
  const QByteArray text(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(textLength));
  const qint64 start = data[1 + textLength];
  const QByteArray bytes(reinterpret_cast<const char*>(data + 2 + textLength),
                         static_cast<qsizetype>(size - 2 - textLength));
  const int descriptor = memfd_create("findinfile", MFD_CLOEXEC);
  if (descriptor < 0) return 0;
  if (write(descriptor, bytes.constData(), static_cast<size_t>(bytes.size())) != bytes.size()) std::abort();
  const QString path = QStringLiteral("/proc/self/fd/") + QString::number(descriptor);
  const qint64 found = zarn::FindInFile(path, text, start);
  close(descriptor);
  if (found != PlainFind(bytes, text, start)) std::abort();
  return 0;
}
