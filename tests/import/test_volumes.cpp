#include "import/Volumes.h"

#include "support/TestFiles.h"

#include <QDir>

#include <gtest/gtest.h>

#include <algorithm>

using namespace classdiv;
using namespace Qt::StringLiterals;

TEST(Volumes, RootFirstThenRemovableThenOtherRealMounts)
{
    const struct {
        const char* name;
        std::vector<MountEntry> mounts;
        QStringList expected;
    } cases[] = {
        {"order by kind, then by path",
         {{"/home", "ext4", "", true}, {"/media/taro/USB2", "vfat", "USB2", true}, {"/", "ext4", "", true},
          {"/run/media/hanako/SD", "exfat", "SD", true}, {"/boot", "ext4", "", true}, {"/mnt/floppy", "vfat", "", true}},
         {"/", "/media/taro/USB2", "/mnt/floppy", "/run/media/hanako/SD", "/boot", "/home"}},
        {"pseudo file systems, system places and bind-mounted files left out",
         {{"/", "overlay", "", true}, {"/proc", "proc", "", true}, {"/sys/fs/cgroup", "cgroup2", "", true},
          {"/run/user/1000", "tmpfs", "", true}, {"/snap/core/1", "squashfs", "", true},
          {"/srv/share", "autofs", "", true}, {"/etc/hosts", "ext4", "", false}, {"/data", "xfs", "", true},
          {"", "ext4", "", true}},
         {"/", "/data"}},
        {"the root is there even when not reported, a mount reported twice once",
         {{"/media/usb", "vfat", "", true}, {"/media/usb", "vfat", "", true}}, {"/", "/media/usb"}},
    };
    for (const auto& c : cases) {
        QStringList roots;
        for (const Volume& v : orderVolumes(c.mounts))
            roots.append(v.rootPath);
        EXPECT_EQ(roots, c.expected) << c.name;
    }
    const auto labelled = orderVolumes({{"/", "ext4", "", true}, {"/media/usb", "vfat", "ＵＳＢ", true}});
    ASSERT_EQ(labelled.size(), 2u);
    EXPECT_EQ(labelled[0].displayName, "/");
    EXPECT_EQ(labelled[1].displayName, u"ＵＳＢ (/media/usb)"_s);
    const std::vector<Volume> here = listVolumes(); // the system's root among them ("/" first on Linux)
    EXPECT_TRUE(std::any_of(here.begin(), here.end(), [](const Volume& v) { return v.rootPath == QDir::rootPath(); }));

    // The volume of a folder is its deepest root, wherever it stands in the list.
    EXPECT_EQ(volumeHolding({}, "/home/sensei"), -1);
    EXPECT_EQ(volumeHolding({labelled[1], labelled[0]}, "/media/usb/nen1"), 0);
    for (const auto& [folder, volume] : std::vector<std::pair<QString, int>>{
             {"/home/sensei", 0}, {"/media/usb/nen1", 1}, {"/media/usb", 1}, {"/media/usb2/x", 0}, {"/media/usb/../usb/./a", 1}})
        EXPECT_EQ(volumeHolding(labelled, folder), volume) << qPrintable(folder);
}

TEST(Volumes, DrivesInTheOrderOfTheirLettersWithTheirLabels)
{
    const std::vector<Volume> drives = driveVolumes({{"D:/", u"ＵＳＢ"_s}, {"C:/", "Windows"}, {"A:/", ""}});
    EXPECT_EQ(drives, (std::vector<Volume>{{"A:/", "a:"}, {"C:/", "c: [Windows]"}, {"D:/", u"d: [ＵＳＢ]"_s}}));
    EXPECT_EQ(volumeHolding(drives, "C:/Users/sensei"), 1);
    EXPECT_EQ(volumeHolding(drives, "E:/"), -1);
#ifdef Q_OS_WIN
    EXPECT_EQ(volumeHolding(drives, "c:/users"), 1) << "a path names the same folder in either case";
#endif
}

TEST(Volumes, CheckTellsReadyFromMissingMedium)
{
    classdiv::testing::TempFolder folder;
    ASSERT_TRUE(classdiv::testing::writeBytes(folder.file("a.csv"), "x"));
    const struct {
        QString path;
        VolumeStatus expected;
    } cases[] = {
        {QDir::rootPath(), VolumeStatus::Ready},
        {"/media/no-such-volume-here", VolumeStatus::NotReady},
        {folder.path(), VolumeStatus::NotReady}, // an unmounted medium leaves a plain folder
        {folder.file("a.csv"), VolumeStatus::NotReady},
        {QString(), VolumeStatus::Unexpected},
    };
    for (const auto& c : cases)
        EXPECT_EQ(checkVolume(c.path), c.expected) << qPrintable(c.path);
}
