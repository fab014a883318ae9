// Where the drive list gets its drives: mounted file systems and optical drives. Tests add
// disc images as drives.
#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace wl {

class DriveSource {
  public:
    virtual ~DriveSource() = default;
    // The drives' texts: mount points, and device paths of optical drives.
    virtual QStringList drives() = 0;
    // The folder a drive shows when chosen: its current folder, or nothing when not ready.
    virtual std::optional<QString> currentFolder(const QString& drive) = 0;
    // The drive that holds a folder.
    virtual QString driveOf(const QString& folder) = 0;
    // For the root folder of an audio disc, its track files ("Track01.cda", ...); nothing for
    // any other folder.
    virtual std::optional<QStringList> discTracks(const QString& folder) = 0;
};

// The machine's own drives, plus any disc images added.
class SystemDriveSource : public DriveSource {
  public:
    QStringList drives() override;
    std::optional<QString> currentFolder(const QString& drive) override;
    QString driveOf(const QString& folder) override;
    std::optional<QStringList> discTracks(const QString& folder) override;

    // An optical drive or disc image shown beside the real drives.
    void addDisc(const QString& device) { extraDiscs_.append(device); }

  private:
    bool isDisc(const QString& drive);
    const QStringList& opticals();
    QStringList mounts();
    QStringList discs_;
    bool discsListed_ = false;
    QStringList extraDiscs_;
};

// Disc access, kept in one file: the optical drives present and the audio tracks of a disc.
QStringList opticalDrives();
std::optional<QList<int>> audioTracks(const QString& device);
QString trackFileName(int track);

} // namespace wl
