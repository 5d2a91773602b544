#include "import/Volumes.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <algorithm>

namespace classdiv {

namespace {

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
    return folder == root || folder.startsWith(root.endsWith(u'/') ? root : root + u'/');
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

VolumeStatus checkVolume(const QString& rootPath)
{
    if (rootPath.isEmpty())
        return VolumeStatus::Unexpected;
    const QFileInfo folder(rootPath);
    if (!folder.exists() || !folder.isDir())
        return VolumeStatus::NotReady;
    const QStorageInfo info(rootPath);
    // An ejected medium leaves its mount point behind on the parent volume.
    if (!info.isValid() || !info.isReady() || QDir::cleanPath(info.rootPath()) != QDir::cleanPath(rootPath))
        return VolumeStatus::NotReady;
    if (!folder.isReadable() || !folder.isExecutable())
        return VolumeStatus::NotReady;
    return VolumeStatus::Ready;
}

} // namespace classdiv
