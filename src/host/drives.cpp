#include "drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace wl {
namespace {

// File systems a user browses; pseudo and system-internal ones are left out.
bool userFileSystem(const QString& type) {
    static const QSet<QString> kept{"ext2",    "ext3", "ext4",    "btrfs",   "xfs",     "vfat",
                                    "exfat",   "ntfs", "ntfs3",   "fuseblk", "iso9660", "udf",
                                    "nfs",     "nfs4", "cifs",    "smb3",    "f2fs",    "zfs",
                                    "hfsplus", "9p",   "virtiofs"};
    return kept.contains(type);
}

QString unescapeMount(QString s) {
    return s.replace("\\040", " ").replace("\\011", "\t").replace("\\134", "\\");
}

} // namespace

QStringList SystemDriveSource::mounts() {
    QStringList result{"/"};
    const QString home = QDir::homePath();
    QFile file("/proc/self/mounts");
    if (file.open(QIODevice::ReadOnly)) {
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() < 3)
                continue;
            const QString point = unescapeMount(QString::fromLocal8Bit(f[1]));
            const bool userPlace = point == home || point.startsWith("/home") ||
                                   point.startsWith("/media") || point.startsWith("/mnt") ||
                                   point.startsWith("/run/media");
            if (userPlace && userFileSystem(QString::fromLatin1(f[2])) && !result.contains(point))
                result.append(point);
        }
    }
    if (!result.contains(home) && QFileInfo(home).isDir())
        result.append(home);
    return result;
}

QStringList SystemDriveSource::drives() { return mounts() + opticals() + extraDiscs_; }

// Optical drives are looked for once; a disc inserted later is read when its drive is chosen.
const QStringList& SystemDriveSource::opticals() {
    if (!discsListed_) {
        discs_ = opticalDrives();
        discsListed_ = true;
    }
    return discs_;
}

bool SystemDriveSource::isDisc(const QString& drive) {
    return opticals().contains(drive) || extraDiscs_.contains(drive);
}

std::optional<QString> SystemDriveSource::currentFolder(const QString& drive) {
    if (isDisc(drive)) {
        if (discTracks(drive))
            return drive;
        return std::nullopt;
    }
    const QFileInfo info(drive);
    if (!info.isDir() || !info.isReadable() || !info.isExecutable())
        return std::nullopt;
    // The drive that holds the current folder shows the current folder, as at start.
    const QString cwd = QDir::currentPath();
    if (driveOf(cwd) == drive)
        return cwd;
    return drive;
}

QString SystemDriveSource::driveOf(const QString& folder) {
    if (isDisc(folder))
        return folder;
    QString best = "/";
    for (const QString& m : mounts())
        if ((folder == m || folder.startsWith(m.endsWith('/') ? m : m + "/")) &&
            m.size() > best.size())
            best = m;
    return best;
}

std::optional<QStringList> SystemDriveSource::discTracks(const QString& folder) {
    if (!isDisc(folder))
        return std::nullopt;
    const auto tracks = audioTracks(folder);
    if (!tracks)
        return std::nullopt;
    QStringList names;
    for (int t : *tracks)
        names.append(trackFileName(t));
    return names;
}

QString trackFileName(int track) { return QString::asprintf("Track%02d.cda", track); }

} // namespace wl
