// The test file system that stops answering: what it serves, that a stall
// holds calls without failing them, and that its teardown never hangs.
#include "stallfs.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "platform/filenames.h"

namespace zarn {
namespace {

using namespace std::chrono_literals;
using test::TStallFs;
namespace tree = test::stallfs;

using Clock = std::chrono::steady_clock;

// What a call saw, as text, so that a call held by a stall is compared with
// the answer the tree should give.
std::string Failed(const char* call) { return std::string(call) + " failed: " + std::strerror(errno); }

std::string StatText(const QString& path) {
  struct stat info;
  if (::stat(ToNativeName(path).constData(), &info) != 0) return Failed("stat");
  return (S_ISDIR(info.st_mode) ? "folder " : S_ISREG(info.st_mode) ? "file " : "other ") +
         std::to_string(info.st_mode & 07777) + " size " + std::to_string(info.st_size) + " at " +
         std::to_string(info.st_mtime);
}

std::string FileText(std::int64_t size) {
  return "file " + std::to_string(0444) + " size " + std::to_string(size) + " at " + std::to_string(tree::EntryTime);
}

// Lists and closes `folder`.
std::string ListText(DIR* folder) {
  std::vector<std::string> names;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  ::closedir(folder);
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  return text;
}

std::string ListText(const QString& path) {
  DIR* folder = ::opendir(ToNativeName(path).constData());
  return folder ? ListText(folder) : Failed("opendir");
}

std::string TotalsText(const QString& path) {
  struct statvfs totals;
  if (::statvfs(ToNativeName(path).constData(), &totals) != 0) return Failed("statvfs");
  return std::to_string(totals.f_blocks) + " blocks of " + std::to_string(totals.f_frsize) + ", " +
         std::to_string(totals.f_bavail) + " free";
}

const std::string ExpectedTotals = std::to_string(tree::TotalBlocks) + " blocks of " +
                                   std::to_string(tree::BlockSize) + ", " + std::to_string(tree::FreeBlocks) + " free";

// Reads a whole file, checking every byte against `expected` as it comes;
// `progress` counts the bytes read so far.
std::string ReadChecked(const QString& path, const std::function<char(std::int64_t)>& expected,
                        std::atomic<std::int64_t>* progress = nullptr) {
  const int file = ::open(ToNativeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return Failed("open");
  std::vector<char> chunk(64 * 1024);
  std::int64_t offset = 0;
  std::string outcome;
  for (ssize_t count; outcome.empty() && (count = ::read(file, chunk.data(), chunk.size())) != 0;) {
    if (count < 0) outcome = Failed("read") + " after " + std::to_string(offset) + " bytes";
    for (ssize_t i = 0; outcome.empty() && i < count; ++i, ++offset) {
      if (chunk[i] != expected(offset)) outcome = "byte " + std::to_string(offset) + " differs";
    }
    if (progress) progress->store(offset);
  }
  ::close(file);
  return outcome.empty() ? std::to_string(offset) + " bytes as served" : outcome;
}

std::optional<dev_t> DeviceOf(const QString& path) {
  struct stat info;
  if (::stat(ToNativeName(path).constData(), &info) != 0) return std::nullopt;
  return info.st_dev;
}

char BigByte(std::int64_t offset) { return static_cast<char>(tree::BigByte(offset)); }

class StallFsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::optional<QString> why = TStallFs::Unavailable()) GTEST_SKIP() << why->toStdString();
    ASSERT_TRUE(Folder_.isValid());
    Fs_.emplace();
    const ErrorOrDone mounted = Fs_->Mount(Folder_.path());
    ASSERT_FALSE(mounted.IsError()) << mounted.Error().Text().toStdString();
  }

  // Polls until `count` requests wait in the server: the calls under test
  // have reached it and are held there, not somewhere on their way.
  void WaitUntilBlocked(int count) {
    const Clock::time_point deadline = Clock::now() + 20s;
    ErrorOr<int> blocked = Fs_->BlockedRequests();
    while (!blocked.IsError() && blocked.Value() < count && Clock::now() < deadline) {
      std::this_thread::sleep_for(5ms);
      blocked = Fs_->BlockedRequests();
    }
    ASSERT_FALSE(blocked.IsError()) << blocked.Error().Text().toStdString();
    ASSERT_GE(blocked.Value(), count);
  }

  QTemporaryDir Folder_;
  std::optional<TStallFs> Fs_;
};

// A call on a thread of its own, so that the test can watch it wait on the
// stalled mount. The thread is always joined: were the call still held then,
// the mount is torn down first, which ends the call.
class TBackgroundCall {
 public:
  TBackgroundCall(std::optional<TStallFs>& fs, std::function<std::string()> call)
      : Fs_(fs), Thread_([this, call = std::move(call)] {
          Result_ = call();
          Returned_ = true;
        }) {}
  ~TBackgroundCall() {
    if (!Returned_ && Fs_) Fs_->Unmount();
    Thread_.join();
  }

  bool ReturnsWithin(std::chrono::milliseconds wait) const {
    const Clock::time_point deadline = Clock::now() + wait;
    while (!Returned_ && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    return Returned_;
  }
  bool Returned() const { return Returned_; }
  // Only once it has returned.
  const std::string& Result() const { return Result_; }

 private:
  std::optional<TStallFs>& Fs_;
  std::string Result_;
  std::atomic<bool> Returned_ = false;
  std::thread Thread_;  // last: starts when the rest is ready
};

TEST_F(StallFsTest, ServesItsTreeToTheTestAndToItsChildren) {
  EXPECT_EQ(ListText(Fs_->Root()), "big.bin docs empty");
  EXPECT_EQ(ListText(Fs_->Path("docs")), "a.txt sub");
  EXPECT_EQ(ListText(Fs_->Path("docs/sub")), "");
  EXPECT_EQ(StatText(Fs_->Path("docs")), "folder " + std::to_string(0555) + " size 4096 at " +
                                             std::to_string(tree::EntryTime));
  EXPECT_EQ(StatText(Fs_->Path("docs/a.txt")), FileText(tree::ATextContent.size()));
  EXPECT_EQ(StatText(Fs_->Path("big.bin")), FileText(tree::BigSize));
  EXPECT_EQ(StatText(Fs_->Path("empty")), FileText(0));
  EXPECT_EQ(ReadChecked(Fs_->Path("docs/a.txt"), [](std::int64_t at) { return tree::ATextContent[at]; }),
            std::to_string(tree::ATextContent.size()) + " bytes as served");
  EXPECT_EQ(ReadChecked(Fs_->Path("big.bin"), BigByte), std::to_string(tree::BigSize) + " bytes as served");
  EXPECT_EQ(TotalsText(Fs_->Root()), ExpectedTotals);

  // The program under test runs as a child of the test: it must see the mount.
  QProcess child;
  child.start(QStringLiteral("cat"), {Fs_->Path("docs/a.txt")});
  ASSERT_TRUE(child.waitForFinished(30000));
  EXPECT_EQ(child.readAllStandardOutput().toStdString(), tree::ATextContent);
}

TEST_F(StallFsTest, StalledCallsWaitAndAreAnsweredOnRelease) {
  // Opened first, so that the listing waits in reading the folder itself, as
  // one that was under way when the server stopped.
  DIR* folder = ::opendir(ToNativeName(Fs_->Root()).constData());
  ASSERT_NE(folder, nullptr) << std::strerror(errno);
  ASSERT_FALSE(Fs_->Stall().IsError());
  const QString big = Fs_->Path("big.bin");
  const QString root = Fs_->Root();
  const TBackgroundCall stat(Fs_, [&] { return StatText(big); });
  const TBackgroundCall listing(Fs_, [&] { return ListText(folder); });
  const TBackgroundCall totals(Fs_, [&] { return TotalsText(root); });
  WaitUntilBlocked(3);
  std::this_thread::sleep_for(300ms);  // long enough for a call let through to come back
  EXPECT_FALSE(stat.Returned());
  EXPECT_FALSE(listing.Returned());
  EXPECT_FALSE(totals.Returned());

  ASSERT_FALSE(Fs_->Release().IsError());
  ASSERT_TRUE(stat.ReturnsWithin(20s));
  ASSERT_TRUE(listing.ReturnsWithin(20s));
  ASSERT_TRUE(totals.ReturnsWithin(20s));
  EXPECT_EQ(stat.Result(), FileText(tree::BigSize));
  EXPECT_EQ(listing.Result(), "big.bin docs empty");
  EXPECT_EQ(totals.Result(), ExpectedTotals);
}

TEST_F(StallFsTest, TeardownWhileACopyIsHeldMidwayEndsBoth) {
  ASSERT_FALSE(Fs_->StallAfterBytes(tree::BigSize / 4).IsError());
  std::atomic<std::int64_t> progress = 0;
  const QString big = Fs_->Path("big.bin");
  const TBackgroundCall reader(Fs_, [&] { return ReadChecked(big, BigByte, &progress); });
  WaitUntilBlocked(1);
  EXPECT_FALSE(reader.ReturnsWithin(300ms));
  EXPECT_GT(progress.load(), 0);
  EXPECT_LT(progress.load(), tree::BigSize);

  Fs_.reset();
  ASSERT_TRUE(reader.ReturnsWithin(20s));
  // Released first, the reader may finish; cut off by the kill, it fails. It
  // never gets wrong bytes.
  const std::string& outcome = reader.Result();
  EXPECT_TRUE(outcome == std::to_string(tree::BigSize) + " bytes as served" || outcome.starts_with("read failed"))
      << outcome;
  EXPECT_EQ(DeviceOf(Folder_.path()), DeviceOf(QFileInfo(Folder_.path()).absolutePath())) << "still a mount point";
  EXPECT_EQ(ListText(Folder_.path()), "");
}

}  // namespace
}  // namespace zarn
