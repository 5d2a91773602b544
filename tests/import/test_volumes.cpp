#include "import/Volumes.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

using namespace classdiv;
using namespace Qt::StringLiterals;

namespace {

QStringList roots(const std::vector<Volume>& volumes)
{
    QStringList list;
    for (const Volume& v : volumes)
        list.append(v.rootPath);
    return list;
}

} // namespace

TEST(Volumes, RootFirstThenRemovableThenOtherRealMounts)
{
    const struct {
        const char* name;
        std::vector<MountEntry> mounts;
        QStringList expected;
    } cases[] = {
        {"order by kind, then by path",
         {{"/home", "ext4", "", true},
          {"/media/taro/USB2", "vfat", "USB2", true},
          {"/", "ext4", "", true},
          {"/run/media/hanako/SD", "exfat", "SD", true},
          {"/boot", "ext4", "", true},
          {"/mnt/floppy", "vfat", "", true}},
         {"/", "/media/taro/USB2", "/mnt/floppy", "/run/media/hanako/SD", "/boot", "/home"}},
        {"pseudo file systems and system places left out",
         {{"/", "overlay", "", true},
          {"/proc", "proc", "", true},
          {"/sys/fs/cgroup", "cgroup2", "", true},
          {"/dev/pts", "devpts", "", true},
          {"/run/user/1000", "tmpfs", "", true},
          {"/run/lock", "tmpfs", "", true},
          {"/snap/core/1", "squashfs", "", true},
          {"/srv/share", "autofs", "", true},
          {"/data", "xfs", "", true}},
         {"/", "/data"}},
        {"files bind-mounted into a container left out",
         {{"/etc/hosts", "ext4", "", false}, {"/", "ext4", "", true}},
         {"/"}},
        {"the root is there even when not reported", {{"/media/usb", "vfat", "", true}}, {"/", "/media/usb"}},
        {"a mount reported twice is listed once",
         {{"/", "ext4", "", true}, {"/data", "xfs", "", true}, {"/data", "xfs", "", true}},
         {"/", "/data"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(roots(orderVolumes(c.mounts)), c.expected) << c.name;
}

TEST(Volumes, DisplayNameShowsTheLabelBesideThePath)
{
    const auto volumes = orderVolumes({{"/", "ext4", "", true}, {"/media/usb", "vfat", "ＵＳＢ", true}});
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(volumes[0].displayName, "/");
    EXPECT_EQ(volumes[1].displayName, u"ＵＳＢ (/media/usb)"_s);
}

TEST(Volumes, TheRunningSystemListsItsRootFirst)
{
    const auto volumes = listVolumes();
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.front().rootPath, "/");
}

TEST(Volumes, CheckTellsReadyFromMissingMedium)
{
    classdiv::testing::TempFolder folder;
    ASSERT_TRUE(classdiv::testing::writeBytes(folder.file("a.csv"), "x"));
    const struct {
        const char* name;
        QString path;
        VolumeStatus expected;
    } cases[] = {
        {"the root", "/", VolumeStatus::Ready},
        {"a mount point that is gone", "/media/no-such-volume-here", VolumeStatus::NotReady},
        // an unmounted medium leaves a plain folder of the parent volume
        {"a plain folder, not a volume root", folder.path(), VolumeStatus::NotReady},
        {"a file", folder.file("a.csv"), VolumeStatus::NotReady},
        {"no path at all", QString(), VolumeStatus::Unexpected},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkVolume(c.path), c.expected) << c.name;
}
