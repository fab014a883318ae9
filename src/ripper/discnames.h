// SPDX-License-Identifier: GPL-3.0-or-later
// The names of the disc the ripper shows, from MusicBrainz, looked up in the background: each
// track entry's tooltip and accessible description carry its title and artist, the disc's
// entry the album, its artist and year. The Options menu gets "Look up discs online", the
// disc's releases to choose from, and "Look up this disc" for a disc MusicBrainz does not know.
// No designed control, text or geometry changes.
#pragma once
#include "musicbrainz.h"

#include <QObject>
#include <QString>
#include <future>
#include <optional>

class QAction;
class QMenu;
class QTimer;

namespace wl {

class DirListBox;
class DriveSource;
class FileListBox;
class Host;

class DiscNamesView : public QObject {
    Q_OBJECT
  public:
    DiscNamesView(Host& host, DriveSource& drives, DirListBox* folders, FileListBox* tracks,
                  QMenu* options);

    // The folder list shows another folder: a disc's is looked up.
    void discShown();

  private:
    void lookUp();
    void answered();
    void show(const Result<DiscNames>& found);
    void chooseRelease(const QString& releaseId);
    void lookUpOnlineToggled(bool on);
    void openDiscPage();
    bool lookupsOn() const;

    Host& host_;
    DriveSource& drives_;
    DirListBox* folders_;
    FileListBox* tracks_;
    QAction *online_, *lookUpThisDisc_;
    QMenu* releases_;
    QTimer* poll_; // runs only while an answer is on its way
    std::string discId_, toc_;
    QString disc_;
    std::optional<std::shared_future<Result<DiscNames>>> pending_;
};

} // namespace wl
