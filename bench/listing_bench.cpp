// Listing a huge folder: from SetPath to the first screen of rows painted,
// against `ls -1` on the same folder, alternately; the memory a listed entry costs; and the
// worst page paint while scrolling through the list.

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "benchutil.h"
#include "browser/folderitems.h"
#include "browser/tform1.h"
#include "browser/tlistview.h"
#include "platform/prompter.h"

namespace zarn::bench {
namespace {

QString MakeFolder(const QString& name, int entries) {
  const QString folder = ScratchFolder(name);
  const QByteArray base = folder.toUtf8() + '/';
  for (int i = 0; i < entries; ++i) {
    // Names with numbers in them exercise the natural order.
    const QByteArray path = base + "entry-" + QByteArray::number((i * 7919) % entries) + ".dat";
    const int fd = ::open(path.constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644);
    if (fd >= 0) ::close(fd);
  }
  SettleWrites(folder);
  return folder;
}

double WorstPagePaintMs(TForm1& form) {
  QScrollBar* bar = form.ListView->verticalScrollBar();
  double worst = 0;
  auto paintAt = [&](int value) {
    QElapsedTimer timer;
    timer.start();
    bar->setValue(value);
    form.ListView->viewport()->repaint();
    worst = std::max(worst, double(timer.nsecsElapsed()) / 1e6);
  };
  for (int step = 0; step <= 40; ++step) paintAt(bar->maximum() / 40 * step);
  for (int step = 40; step >= 0; --step) paintAt(bar->maximum() / 40 * step);
  return worst;
}

// Our side times SetPath on the main window plus one repaint of the list, in
// this process; the peer's time is ls -1's whole process, spawn to exit.
void Measure(TForm1& form, const QString& name, const QString& folder) {
  const QStringList ls = {QStringLiteral("ls"), QStringLiteral("-1"), folder};
  TimeProgram(ls);  // fails the benchmark unless ls lists the folder
  PrintRatio(name, AlternateMedians(
                       3, [&] { form.SetPath(QStringLiteral("/")); },
                       [&] {
                         form.SetPath(folder);
                         form.ListView->viewport()->repaint();
                       },
                       [&] { return TimeProgram(ls); }));
}

// Taken before any big listing, so that no memory freed by an earlier one is
// counted as the baseline.
double BytesPerEntry(TForm1& form, const QString& folder, int entries) {
  form.SetPath(QStringLiteral("/"));
  const long long before = ResidentBytes();
  form.SetPath(folder);
  form.ListView->viewport()->repaint();
  const long long after = ResidentBytes();
  form.SetPath(QStringLiteral("/"));
  return double(after - before) / entries;
}

}  // namespace
}  // namespace zarn::bench

int main(int argc, char** argv) {
  using namespace zarn;
  using namespace zarn::bench;
  QApplication application(argc, argv);
  TForm1 form;
  form.resize(800, 600);
  form.show();
  const int millionEntries = int(Scaled(1000000));
  const QString million = MakeFolder(QStringLiteral("listing-1m"), millionEntries);
  const double bytesPerEntry = BytesPerEntry(form, million, millionEntries);
  Measure(form, QStringLiteral("listing-100k"), MakeFolder(QStringLiteral("listing-100k"), int(Scaled(100000))));
  Measure(form, QStringLiteral("listing-1m"), million);
  PrintValue(QStringLiteral("listing-bytes-per-entry"), bytesPerEntry, QStringLiteral("bytes"));
  PrintValue(QStringLiteral("listing-1m-worst-page-paint"), WorstPagePaintMs(form), QStringLiteral("ms"));
  return 0;
}
