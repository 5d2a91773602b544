#include "import/Volumes.h"

#include "common/Platform.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#include <algorithm>

namespace classdiv {

namespace {

#ifdef Q_OS_WIN
// A drive without a medium must give the program's own message, not the
// system's box asking for a disk.
class QuietDriveErrors {
public:
    QuietDriveErrors() : m_old(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
    ~QuietDriveErrors() { SetErrorMode(m_old); }
    QuietDriveErrors(const QuietDriveErrors&) = delete;
    QuietDriveErrors& operator=(const QuietDriveErrors&) = delete;

private:
    UINT m_old;
};
#else
struct QuietDriveErrors {};
#endif

// Kernel and memory file systems: nothing a teacher keeps a CSV on.
bool isPseudoType(const QByteArray& type)
{
    static const QByteArrayList pseudo{
        "proc", "sysfs", "devtmpfs", "devpts", "cgroup", "cgroup2", "securityfs", "pstore", "debugfs",
        "tracefs", "configfs", "fusectl", "mqueue", "hugetlbfs", "bpf", "autofs", "binfmt_misc",
        "efivarfs", "rpc_pipefs", "nsfs", "selinuxfs", "ramfs", "nfsd", "fuse.gvfsd-fuse", "fuse.portal"};
    return pseudo.contains(type);
}

bool isSystemPlace(const QString& path)
{
    if (holdsFolder(QStringLiteral("/run/media"), path))
        return false;
    for (const char* folder : {"/proc", "/sys", "/dev", "/run", "/snap"}) {
        if (holdsFolder(QString::fromLatin1(folder), path))
            return true;
    }
    return false;
}

bool isRemovablePlace(const QString& path)
{
    for (const char* folder : {"/media", "/run/media", "/mnt"}) {
        if (path.startsWith(QString::fromLatin1(folder) + u'/'))
            return true;
    }
    return false;
}

} // namespace

bool holdsFolder(const QString& root, const QString& folder)
{
    return folder.compare(root, platform::kPathCase) == 0
        || folder.startsWith(root.endsWith(u'/') ? root : root + u'/', platform::kPathCase);
}

int volumeHolding(const std::vector<Volume>& volumes, const QString& folder)
{
    const QString cleaned = QDir::cleanPath(folder);
    int best = -1;
    for (int i = 0; i < static_cast<int>(volumes.size()); ++i) {
        const QString root = QDir::cleanPath(volumes[i].rootPath);
        if (holdsFolder(root, cleaned) && (best < 0 || root.size() > QDir::cleanPath(volumes[best].rootPath).size()))
            best = i;
    }
    return best;
}

std::vector<Volume> orderVolumes(const std::vector<MountEntry>& mounts)
{
    std::vector<Volume> root;
    std::vector<Volume> removable;
    std::vector<Volume> others;
    for (const MountEntry& mount : mounts) {
        const QString& path = mount.rootPath;
        if (path.isEmpty() || !mount.isDirectory)
            continue;
        if (path != u"/" && (isPseudoType(mount.fileSystemType) || isSystemPlace(path)))
            continue;
        Volume volume{path, mount.name.isEmpty() ? path : mount.name + QStringLiteral(" (") + path + u')'};
        auto& list = path == u"/" ? root : isRemovablePlace(path) ? removable : others;
        if (std::find_if(list.begin(), list.end(), [&](const Volume& v) { return v.rootPath == path; })
            == list.end())
            list.push_back(std::move(volume));
    }
    const auto byPath = [](const Volume& a, const Volume& b) { return a.rootPath < b.rootPath; };
    std::sort(removable.begin(), removable.end(), byPath);
    std::sort(others.begin(), others.end(), byPath);
    std::vector<Volume> ordered;
    // The drive list always has the root, even if the system did not report it.
    ordered.push_back(root.empty() ? Volume{QStringLiteral("/"), QStringLiteral("/")} : root.front());
    ordered.insert(ordered.end(), removable.begin(), removable.end());
    ordered.insert(ordered.end(), others.begin(), others.end());
    return ordered;
}

std::vector<Volume> driveVolumes(std::vector<DriveEntry> drives)
{
    std::sort(drives.begin(), drives.end(),
              [](const DriveEntry& a, const DriveEntry& b) { return a.rootPath.compare(b.rootPath, Qt::CaseInsensitive) < 0; });
    std::vector<Volume> volumes;
    for (const DriveEntry& drive : drives) {
        QString name = drive.rootPath.left(2).toLower();
        if (!drive.label.isEmpty())
            name += QStringLiteral(" [") + drive.label + u']';
        volumes.push_back(Volume{drive.rootPath, name});
    }
    return volumes;
}

#ifdef Q_OS_WIN
std::vector<Volume> listVolumes()
{
    [[maybe_unused]] const QuietDriveErrors quiet;
    std::vector<DriveEntry> drives;
    for (const QFileInfo& drive : QDir::drives()) {
        const QString root = drive.absoluteFilePath();
        const auto native = QDir::toNativeSeparators(root);
        // Floppy, USB and CD drives may hold no medium: their label is not asked for.
        const UINT type = GetDriveTypeW(reinterpret_cast<const wchar_t*>(native.utf16()));
        const bool fixed = type == DRIVE_FIXED || type == DRIVE_REMOTE || type == DRIVE_RAMDISK;
        drives.push_back(DriveEntry{root, fixed ? QStorageInfo(root).name() : QString()});
    }
    return driveVolumes(std::move(drives));
}
#else
std::vector<Volume> listVolumes()
{
    std::vector<MountEntry> mounts;
    for (const QStorageInfo& info : QStorageInfo::mountedVolumes()) {
        if (!info.isValid())
            continue;
        mounts.push_back(MountEntry{info.rootPath(), info.fileSystemType(), info.name(),
                                    QFileInfo(info.rootPath()).isDir()});
    }
    return orderVolumes(mounts);
}
#endif

VolumeStatus checkVolume(const QString& rootPath)
{
    if (rootPath.isEmpty())
        return VolumeStatus::Unexpected;
    [[maybe_unused]] const QuietDriveErrors quiet;
    const QFileInfo folder(rootPath);
    if (!folder.exists() || !folder.isDir())
        return VolumeStatus::NotReady;
    const QStorageInfo info(rootPath);
    // An ejected medium leaves its mount point behind on the parent volume.
    if (!info.isValid() || !info.isReady()
        || QDir::cleanPath(info.rootPath()).compare(QDir::cleanPath(rootPath), platform::kPathCase) != 0)
        return VolumeStatus::NotReady;
    if (!folder.isReadable() || !folder.isExecutable())
        return VolumeStatus::NotReady;
    return VolumeStatus::Ready;
}

} // namespace classdiv
