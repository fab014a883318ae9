// SPDX-License-Identifier: GPL-3.0-or-later
// Where the drive lists get their drives: mounted file systems, optical drives and, for the
// ripper, audio disc images. Tests add disc images as optical drives.
#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "discprobe.h"
#include <optional>

namespace wl {

class DriveSource {
  public:
    virtual ~DriveSource() = default;
    // The drives, read afresh: mount points and optical drives' device paths; with images,
    // then the disc images found (their paths).
    virtual QStringList drives(bool withImages = false) = 0;
    // What a drive shows as in the list: its text, or an image's file name.
    virtual QString label(const QString& drive) = 0;
    // The folder a drive shows when chosen: its current folder, or nothing when not ready.
    virtual std::optional<QString> currentFolder(const QString& drive) = 0;
    // The drive that holds a folder.
    virtual QString driveOf(const QString& folder) = 0;
    // For the root folder of an audio disc, its track files ("Track01.cda", ...); nothing for
    // any other folder.
    virtual std::optional<QStringList> discTracks(const QString& folder) = 0;
    // For the root folder of an audio disc, its table of contents; nothing for any other.
    virtual std::optional<DiscToc> discToc(const QString& folder) = 0;
    // Whether a drive is a disc image, and how many optical drives there are: CDDA must be
    // told which disc to rip when it could pick another.
    virtual bool isImage(const QString& drive) = 0;
    virtual bool isOptical(const QString& drive) = 0;
    virtual int opticalCount() = 0;
    // A disc image the user brought (dropped on the ripper), listed from now on with the images
    // found.
    virtual void addImage(const QString& path) = 0;
};

// The machine's own drives, the disc images in the current folder and the music folder, plus
// any disc added as an optical drive.
class SystemDriveSource : public DriveSource {
  public:
    QStringList drives(bool withImages = false) override;
    QString label(const QString& drive) override;
    std::optional<QString> currentFolder(const QString& drive) override;
    QString driveOf(const QString& folder) override;
    std::optional<QStringList> discTracks(const QString& folder) override;
    std::optional<DiscToc> discToc(const QString& folder) override;
    bool isImage(const QString& drive) override;
    bool isOptical(const QString& drive) override;
    int opticalCount() override;
    void addImage(const QString& path) override;

    // A disc (a device or an image) shown as one more optical drive.
    void addDisc(const QString& device) { extraDiscs_.append(device); }

  private:
    bool isDisc(const QString& drive);
    const QStringList& opticals();
    QStringList mounts();
    QStringList images();
    QStringList discs_, images_;
    bool discsListed_ = false;
    QStringList extraDiscs_;
    QStringList broughtImages_;
};

// Disc access, kept in one file: the optical drives present and the audio tracks of a disc.
QStringList opticalDrives();
// A disc image's tracks are probed once per change of the image; an optical drive's are read.
std::optional<QList<int>> audioTracks(const QString& device);
// The disc's whole table of contents (data tracks too), as read for audioTracks().
std::optional<DiscToc> discToc(const QString& device);
// An optical drive's vendor and model ("PIONEER", "BD-RW  BDR-S12U") as the drive says them;
// nothing for an image, or a drive that does not answer.
std::optional<std::pair<QString, QString>> driveModel(const QString& device);
// Starts probing a disc image, so that its tracks are known when it is chosen.
void probeInBackground(const QString& image);
QString trackFileName(int track);

// The user's music folder: $XDG_MUSIC_DIR, the desktop's music folder, else ~/Music.
QString musicFolder();

} // namespace wl
