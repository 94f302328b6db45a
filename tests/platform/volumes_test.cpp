#include "platform/volumes.h"

#include <gtest/gtest.h>

#include "platform/mountwatcher.h"
#include "stallfs.h"
#include "temptree.h"

#include <algorithm>
#include <future>

namespace zarn {
namespace {

const QByteArray SampleTable =
    "22 1 0:21 / /proc rw,nosuid - proc proc rw\n"
    "23 1 0:22 / /sys rw - sysfs sysfs rw\n"
    "25 1 8:1 / / rw,relatime - ext4 /dev/sda1 rw\n"
    "26 25 0:23 / /run rw - tmpfs tmpfs rw\n"
    "27 25 0:24 / /tmp rw - tmpfs tmpfs rw\n"
    "28 25 8:17 / /media/user/My\\040Stick rw - vfat /dev/sdb1 rw\n"
    "29 25 0:25 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
    "30 25 8:2 / /home rw shared:1 - ext4 /dev/sda2 rw\n";

TEST(VolumesTest, MountTableKeepsRealFileSystemsRootFirst) {
  const std::vector<Volume> volumes = ParseMountInfo(SampleTable);
  ASSERT_EQ(volumes.size(), 4u);
  EXPECT_EQ(volumes[0].MountPoint, QByteArray("/"));
  EXPECT_EQ(volumes[0].FileSystem, QStringLiteral("ext4"));
  EXPECT_EQ(volumes[1].MountPoint, QByteArray("/tmp"));
  EXPECT_EQ(volumes[2].MountPoint, QByteArray("/media/user/My Stick"));
  EXPECT_EQ(volumes[2].Device, QByteArray("/dev/sdb1"));
  EXPECT_EQ(volumes[3].MountPoint, QByteArray("/home"));
}

TEST(VolumesTest, DamagedTableStillGivesTheRoot) {
  const std::vector<Volume> volumes = ParseMountInfo(QByteArray("garbage\n\0\xff line - -\n", 20));
  ASSERT_EQ(volumes.size(), 1u);
  EXPECT_EQ(volumes[0].MountPoint, QByteArray("/"));
}

TEST(VolumesTest, DriveOfAPathIsTheLongestMountPrefix) {
  const std::vector<Volume> volumes = ParseMountInfo(SampleTable);
  EXPECT_EQ(VolumeOfPath(volumes, "/home/user/x"), 3);
  EXPECT_EQ(VolumeOfPath(volumes, "/home"), 3);
  EXPECT_EQ(VolumeOfPath(volumes, "/homework"), 0);
  EXPECT_EQ(VolumeOfPath(volumes, "/"), 0);
  EXPECT_EQ(VolumeOfPath(volumes, "computer:///"), -1);
}

TEST(VolumesTest, MediaChangeCodesTellArrivalRemovalAndOther) {
  const std::vector<Volume> before = ParseMountInfo(SampleTable);
  std::vector<Volume> after = before;
  after.push_back({"/media/new", "/dev/sdc1", QStringLiteral("vfat"), {}});
  EXPECT_EQ(MediaChangeCodes(before, after), std::vector<int>({DBT_DEVICEARRIVAL}));
  EXPECT_EQ(MediaChangeCodes(after, before), std::vector<int>({DBT_DEVICEREMOVECOMPLETE}));
  EXPECT_EQ(MediaChangeCodes(before, before), std::vector<int>({DBT_DEVNODES_CHANGED}));
}

TEST(VolumesTest, DiskTotalsOfTheRootAreSane) {
  const DiskTotals totals = GetDiskTotals("/");
  EXPECT_GT(totals.TotalBytes, 0);
  EXPECT_GE(totals.FreeBytes, 0);
  EXPECT_EQ(GetDiskTotals("/does/not/exist").TotalBytes, -1);
}

// The volume list is read at start: a volume that stopped answering is
// listed all the same, and the list does not wait for it.
TEST(VolumesTest, AVolumeThatDoesNotAnswerIsListedWithoutWaitingForIt) {
  if (auto why = test::TStallFs::Unavailable()) GTEST_SKIP() << why->toStdString();
  test::TempTree tree;
  tree.CreateDir("nas");
  test::TStallFs fs;
  ASSERT_FALSE(fs.Mount(tree.Path(QStringLiteral("nas"))).IsError());
  ASSERT_FALSE(fs.Stall().IsError());
  auto volumes = std::async(std::launch::async, ListVolumes);
  const bool answered = volumes.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
  if (!answered) (void)fs.Release();
  ASSERT_TRUE(answered) << "the volume list waited for the stalled mount";
  const std::vector<Volume> listed = volumes.get();
  EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [&](const Volume& volume) {
    return volume.MountPoint == fs.Root().toUtf8();
  }));
}

}  // namespace
}  // namespace zarn
