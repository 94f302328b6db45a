// Listing a huge folder: from SetPath to the first screen of rows painted,
// against `ls -1` on the same folder, alternately; the longest time the window
// does not answer meanwhile; the memory a listed entry costs; the worst page
// paint while scrolling through the list; and marking every row of it.

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
#include "ops/selection.h"
#include "platform/pathtext.h"
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

void ListAndPaint(TForm1& form, const QString& folder) {
  form.SetPath(folder);
  TurnEventLoopUntil([&] { return !form.IsListing(); });
  form.ListView->viewport()->repaint();
}

void CheckListed(TForm1& form, const QString& name, const QString& folder, int entries) {
  if (form.Items().Count() != entries || WithTrailingSlash(form.CurrentPath()) != WithTrailingSlash(folder))
    Fail(QStringLiteral("%1: %2 rows listed of %3").arg(name).arg(form.Items().Count()).arg(entries));
}

// Our side times SetPath on the main window until the listing is shown, plus
// one repaint of the list, in this process; the peer's time is ls -1's whole
// process, spawn to exit.
void Measure(TForm1& form, const QString& name, const QString& folder, int entries) {
  const QStringList ls = {QStringLiteral("ls"), QStringLiteral("-1"), folder};
  if (ProgramOutput(ls).count('\n') != entries) Fail(name + QStringLiteral(": ls did not list every entry"));
  PrintRatio(name, AlternateMedians(
                       3, [&] { ListAndPaint(form, QStringLiteral("/")); }, [&] { ListAndPaint(form, folder); },
                       [&] { return TimeProgram(ls); },
                       [&](bool zarnSide) {
                         if (zarnSide) CheckListed(form, name, folder, entries);
                       }));
}

// The longest time the window does not answer while it lists the folder.
void MeasureLongestBlock(TForm1& form, const QString& name, const QString& folder, int entries) {
  ListAndPaint(form, QStringLiteral("/"));
  StartRun();
  const double longest = LongestBlockMs([&] { form.SetPath(folder); }, [&] { return !form.IsListing(); });
  CheckListed(form, name, folder, entries);
  PrintValue(name, longest, QStringLiteral("ms"));
}

int MarkedFiles(TForm1& form) {
  int marked = 0;
  for (const TShellItem& item : form.Items().FolderItems) marked += item.Marked ? 1 : 0;
  return marked;
}

// Our side: marking every row by the mask "*.*" until the summary line shows
// the totals counted on the disk (one size a file, as the peer reads them);
// the peer: find printing the size of every file of the folder.
void MeasureMarkAll(TForm1& form, const QString& folder, int entries) {
  ListAndPaint(form, folder);
  const QStringList find = {QStringLiteral("find"), folder, QStringLiteral("-maxdepth"), QStringLiteral("1"),
                            QStringLiteral("-type"), QStringLiteral("f"), QStringLiteral("-printf"),
                            QStringLiteral("%s\n")};
  if (ProgramOutput(find).count('\n') != entries) Fail(QStringLiteral("mark-all-1m: find did not list every file"));
  const auto markAll = [&] { form.RunMarkOperation(MarkOperation::Mark, QStringLiteral("*.*")); };
  const auto counted = [&] { return !form.Selection().IsCounting(); };
  const auto unmark = [&] {
    form.RunMarkOperation(MarkOperation::Unmark, QStringLiteral("*.*"));
    TurnEventLoopUntil(counted);
  };
  const auto check = [&](bool zarnSide) {
    if (zarnSide && (MarkedFiles(form) != entries || form.Selection().Totals.Files != entries))
      Fail(QStringLiteral("mark-all-1m: %1 rows marked, %2 files counted of %3")
               .arg(MarkedFiles(form)).arg(form.Selection().Totals.Files).arg(entries));
  };
  PrintRatio(QStringLiteral("mark-all-1m"), AlternateMedians(
                                               3, unmark,
                                               [&] {
                                                 markAll();
                                                 TurnEventLoopUntil(counted);
                                               },
                                               [&] { return TimeProgram(find); }, check));
  unmark();
  StartRun();
  const double longest = LongestBlockMs(markAll, counted);
  check(true);
  PrintValue(QStringLiteral("mark-all-1m-longest-block"), longest, QStringLiteral("ms"));
}

// Taken before any big listing, so that no memory freed by an earlier one is
// counted as the baseline.
double BytesPerEntry(TForm1& form, const QString& folder, int entries) {
  ListAndPaint(form, QStringLiteral("/"));
  const long long before = ResidentBytes();
  ListAndPaint(form, folder);
  const long long after = ResidentBytes();
  ListAndPaint(form, QStringLiteral("/"));
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
  const int hundredThousand = int(Scaled(100000));
  Measure(form, QStringLiteral("listing-100k"), MakeFolder(QStringLiteral("listing-100k"), hundredThousand),
          hundredThousand);
  Measure(form, QStringLiteral("listing-1m"), million, millionEntries);
  MeasureLongestBlock(form, QStringLiteral("listing-1m-longest-block"), million, millionEntries);
  PrintValue(QStringLiteral("listing-bytes-per-entry"), bytesPerEntry, QStringLiteral("bytes"));
  PrintValue(QStringLiteral("listing-1m-worst-page-paint"), WorstPagePaintMs(form), QStringLiteral("ms"));
  MeasureMarkAll(form, million, millionEntries);
  return 0;
}
