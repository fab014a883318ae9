// SPDX-License-Identifier: GPL-3.0-or-later
#include "drives.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>

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

QStringList SystemDriveSource::drives(bool withImages) {
    discsListed_ = false; // a drive plugged in since is listed too
    QStringList all = mounts() + opticals() + extraDiscs_;
    if (withImages)
        all += images();
    return all;
}

QString SystemDriveSource::label(const QString& drive) {
    return isImage(drive) && !isOptical(drive) ? QFileInfo(drive).fileName() : drive;
}

// Optical drives are looked for when the list is read; a disc inserted later is read when its
// drive is chosen.
const QStringList& SystemDriveSource::opticals() {
    if (!discsListed_) {
        discs_ = opticalDrives();
        discsListed_ = true;
    }
    return discs_;
}

int SystemDriveSource::opticalCount() {
    return static_cast<int>(opticals().size() + extraDiscs_.size());
}

// Audio disc images at the top of the current folder and of the music folder, by name.
QStringList SystemDriveSource::images() {
    images_.clear();
    QStringList folders{QDir::currentPath()};
    const QString music = musicFolder();
    if (!music.isEmpty() &&
        QFileInfo(music).canonicalFilePath() != QFileInfo(QDir::currentPath()).canonicalFilePath())
        folders << music;
    for (const QString& folder : folders) {
        const QDir dir(folder);
        for (const QFileInfo& f : dir.entryInfoList({"*.cue", "*.toc", "*.nrg"}, QDir::Files,
                                                    QDir::Name | QDir::IgnoreCase))
            images_ << f.absoluteFilePath();
    }
    for (const QString& image : broughtImages_)
        if (!images_.contains(image) && QFileInfo(image).isFile())
            images_ << image;
    for (const QString& image : images_)
        probeInBackground(image);
    return images_;
}

void SystemDriveSource::addImage(const QString& path) {
    const QString image = QFileInfo(path).absoluteFilePath();
    if (!broughtImages_.contains(image))
        broughtImages_ << image;
}

bool SystemDriveSource::isImage(const QString& drive) {
    return images_.contains(drive) && !extraDiscs_.contains(drive);
}

bool SystemDriveSource::isOptical(const QString& drive) {
    return discs_.contains(drive) || extraDiscs_.contains(drive);
}

bool SystemDriveSource::isDisc(const QString& drive) {
    return discs_.contains(drive) || extraDiscs_.contains(drive) || images_.contains(drive);
}

QString musicFolder() {
    const QString fromEnv = qEnvironmentVariable("XDG_MUSIC_DIR");
    if (!fromEnv.isEmpty())
        return fromEnv;
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return music.isEmpty() || music == QDir::homePath() ? QDir::homePath() + "/Music" : music;
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

std::optional<DiscToc> SystemDriveSource::discToc(const QString& folder) {
    if (!isDisc(folder))
        return std::nullopt;
    return wl::discToc(folder);
}

QString trackFileName(int track) { return QString::asprintf("Track%02d.cda", track); }

} // namespace wl
