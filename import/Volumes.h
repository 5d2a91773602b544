#pragma once
// The drive list of the import window: the mounted volumes on Linux, the
// drive letters on Windows.

#include <QByteArray>
#include <QString>

#include <vector>

namespace classdiv {

struct Volume {
    QString rootPath;    // mount point, "/" first
    QString displayName; // what the drive list shows
    bool operator==(const Volume&) const = default;
};

// Linux: root first, then removable media (/media, /run/media, /mnt), then
// the other mounts; pseudo file systems (proc, sysfs, tmpfs under /run, ...)
// are left out. Windows: every drive letter, a drive without a medium too.
std::vector<Volume> listVolumes();

enum class VolumeStatus {
    Ready,
    NotReady,  // no medium, or the mount point cannot be entered
    Unexpected // anything else: the program ends after its message
};

VolumeStatus checkVolume(const QString& rootPath);

// One mount as the system reports it; orderVolumes() picks and orders them.
struct MountEntry {
    QString rootPath;
    QByteArray fileSystemType;
    QString name;        // volume label, may be empty
    bool isDirectory = true; // false for single files bind-mounted into a container
};
std::vector<Volume> orderVolumes(const std::vector<MountEntry>& mounts);

// One drive letter as Windows reports it; driveVolumes() names them as the
// drive lists of Windows programs do ("c: [ラベル]") in the order of the letters.
struct DriveEntry {
    QString rootPath; // "C:/"
    QString label;    // may be empty
};
std::vector<Volume> driveVolumes(std::vector<DriveEntry> drives);

// Whether the folder is the root or lies below it; both paths cleaned.
bool holdsFolder(const QString& root, const QString& folder);
// The volume that holds the folder: the longest root that is the folder or one of its parents; -1 when none.
int volumeHolding(const std::vector<Volume>& volumes, const QString& folder);

inline const QString kInsertDiskMessage = QStringLiteral("フロッピィーディスクをセットしてください。");
inline const QString kUnexpectedDriveMessage = QStringLiteral("予期しないエラーが発生しましたので強制終了します。");

} // namespace classdiv
