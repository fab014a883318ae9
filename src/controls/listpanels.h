// SPDX-License-Identifier: GPL-3.0-or-later
// The drive list, folder list and file list that the windows chain together.
#pragma once
#include <QComboBox>
#include <QFileSystemWatcher>
#include <QListWidget>

namespace wl {

class DriveSource;

// Shows the machine's drives, read afresh each time the list opens; choosing another drive
// raises changed().
class DriveListBox : public QComboBox {
    Q_OBJECT
  public:
    DriveListBox(DriveSource& source, QWidget* parent);
    // The chosen drive: a mount point, a device path or an image's path.
    QString drive() const { return currentData().toString(); }
    // The ripper's list: disc images too, and one disabled entry saying so when there is no
    // optical drive and no image.
    void listDiscImages();
    // Selects a drive without raising changed(), as a program (not the user) would.
    void setDrive(const QString& drive);
    // Chooses a drive as the user would: selects it and raises changed() if it is another.
    void choose(const QString& drive);
    // Lists a disc image the user brought and chooses it as the user would.
    void addImage(const QString& image);
    void showPopup() override;
  signals:
    void changed();

  private:
    void fill();
    void picked(int index);
    DriveSource& source_;
    bool withImages_ = false;
    QString shown_; // the drive the folder list was last pointed at
};

// Shows a folder with its parents and subfolders (hidden ones left out), kept up to date with
// the disk; opening one raises changed().
class DirListBox : public QListWidget {
    Q_OBJECT
  public:
    DirListBox(DriveSource& source, QWidget* parent);
    QString path() const { return path_; }
    // Shows a folder (or an audio disc's root). False, with nothing changed, when it cannot
    // be shown.
    [[nodiscard]] bool setPath(const QString& folder);
    // Shows a drive's current folder. False, with nothing changed, when the drive is not ready.
    [[nodiscard]] bool setDrive(const QString& drive);
  signals:
    void changed();

  private:
    void fill();
    bool show(const QString& folder);
    DriveSource& source_;
    QString path_;
    QFileSystemWatcher* watcher_;
};

// Shows the files of a folder that match a pattern (hidden ones left out), kept up to date with
// the disk; picking one raises clicked(). A pick is a click, or an arrow key that moves the
// selection; moving the focus into the list picks nothing.
class FileListBox : public QListWidget {
    Q_OBJECT
  public:
    FileListBox(DriveSource& source, QWidget* parent);
    QString path() const { return path_; }
    void setPath(const QString& path);
    QString pattern() const { return pattern_; }
    void setPattern(const QString& pattern);
    // The picked file's name.
    QString fileName() const;
    // Picks a file as the user would.
    void pick(const QString& name);
    // Lets the user pick several files (Shift+click, Ctrl+click, Ctrl+A).
    void allowSeveral() { setSelectionMode(QAbstractItemView::ExtendedSelection); }
    // The files picked, in the list's order.
    QStringList pickedNames() const;
  signals:
    void clicked();

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void fill();
    DriveSource& source_;
    QString path_;
    QString pattern_ = QStringLiteral("*");
    bool quiet_ = false; // a change of the current row that is no pick
    QFileSystemWatcher* watcher_;
};

} // namespace wl
