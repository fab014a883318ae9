// SPDX-License-Identifier: GPL-3.0-or-later
#include "listpanels.h"

#include "drives.h"

#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QStandardItemModel>

namespace wl {

DriveListBox::DriveListBox(DriveSource& source, QWidget* parent)
    : QComboBox(parent), source_(source) {
    fill();
    setDrive(source.driveOf(QDir::currentPath()));
    connect(this, &QComboBox::activated, this, &DriveListBox::picked);
}

void DriveListBox::listDiscImages() {
    withImages_ = true;
    const QString current = drive();
    fill();
    setDrive(current);
}

void DriveListBox::fill() {
    const QSignalBlocker block(this);
    const QString current = drive();
    clear();
    const QStringList drives = source_.drives(withImages_);
    for (const QString& d : drives)
        addItem(source_.label(d), d);
    bool anyDisc = false;
    for (const QString& d : drives)
        anyDisc = anyDisc || source_.isImage(d);
    if (withImages_ && !anyDisc && source_.opticalCount() == 0) {
        addItem("(no CD drive or disc image found)", QString());
        if (auto* m = qobject_cast<QStandardItemModel*>(model()))
            m->item(count() - 1)->setEnabled(false);
    }
    setCurrentIndex(findData(current));
}

void DriveListBox::showPopup() {
    fill(); // a USB stick or a disc inserted since shows up
    QComboBox::showPopup();
}

void DriveListBox::setDrive(const QString& drive) {
    const QSignalBlocker block(this);
    setCurrentIndex(findData(drive));
    shown_ = drive;
}

// Picking the drive already shown changes nothing: the folder list keeps its folder.
void DriveListBox::picked(int index) {
    const QString d = itemData(index).toString();
    if (d.isEmpty() || d == shown_)
        return;
    shown_ = d;
    emit changed();
}

void DriveListBox::addImage(const QString& image) {
    source_.addImage(image);
    fill();
    choose(QFileInfo(image).absoluteFilePath());
}

void DriveListBox::choose(const QString& drive) {
    const int index = findData(drive);
    {
        const QSignalBlocker block(this);
        setCurrentIndex(index);
    }
    picked(index);
}

namespace {

// Follows a shown folder on disk: watched while shown, refilled when an entry comes or goes.
void watch(QFileSystemWatcher* watcher, const QString& folder) {
    if (watcher->directories() == QStringList{folder})
        return;
    if (!watcher->directories().isEmpty())
        watcher->removePaths(watcher->directories());
    if (QFileInfo(folder).isDir())
        watcher->addPath(folder);
}

} // namespace

DirListBox::DirListBox(DriveSource& source, QWidget* parent)
    : QListWidget(parent), source_(source), path_(QDir::currentPath()),
      watcher_(new QFileSystemWatcher(this)) {
    fill();
    // A folder made or removed shows at once; nothing is opened and no handler runs.
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &DirListBox::fill);
    // Opening a folder that has gone meanwhile leaves the list as it was.
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { (void)setPath(item->data(Qt::UserRole).toString()); });
}

bool DirListBox::setPath(const QString& folder) {
    if (!source_.discTracks(folder)) {
        const QFileInfo info(folder);
        if (!info.isDir() || !info.isExecutable())
            return false;
    }
    return show(folder);
}

bool DirListBox::setDrive(const QString& drive) {
    const auto folder = source_.currentFolder(drive);
    return folder && show(*folder);
}

bool DirListBox::show(const QString& folder) {
    if (folder == path_)
        return true;
    path_ = folder;
    fill();
    emit changed();
    return true;
}

// The folder's parents from the root down, then its subfolders one level deeper.
void DirListBox::fill() {
    clear();
    watch(watcher_, path_);
    if (source_.discTracks(path_)) {
        auto* item = new QListWidgetItem(path_, this);
        item->setData(Qt::UserRole, path_);
        setCurrentItem(item);
        return;
    }
    QStringList parts = path_.split('/', Qt::SkipEmptyParts);
    QString so_far;
    auto add = [this](const QString& label, const QString& full, int depth) {
        auto* item = new QListWidgetItem(QString(depth * 2, ' ') + label, this);
        item->setData(Qt::UserRole, full);
        return item;
    };
    QListWidgetItem* current = add("/", "/", 0);
    for (int i = 0; i < parts.size(); ++i) {
        so_far += "/" + parts[i];
        current = add(parts[i], so_far, i + 1);
    }
    setCurrentItem(current);
    const QDir dir(path_);
    for (const QString& sub :
         dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        add(sub, (path_ == "/" ? "/" : path_ + "/") + sub, static_cast<int>(parts.size()) + 1);
}

FileListBox::FileListBox(DriveSource& source, QWidget* parent)
    : QListWidget(parent), source_(source), path_(QDir::currentPath()),
      watcher_(new QFileSystemWatcher(this)) {
    fill();
    // A move of the pick, by a click or an arrow key, raises clicked() once.
    connect(this, &QListWidget::currentRowChanged, this, [this](int row) {
        if (!quiet_ && row >= 0)
            emit clicked();
    });
    // A file made or removed shows at once; the pick stays on its file (none if it went), and
    // no handler runs.
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
        const QString picked = fileName();
        fill();
        const auto items = findItems(picked, Qt::MatchExactly);
        if (!picked.isEmpty() && !items.isEmpty()) {
            quiet_ = true;
            setCurrentItem(items.first());
            quiet_ = false;
        }
    });
}

// Qt makes the first entry current when the focus comes in with none: that is no pick.
void FileListBox::focusInEvent(QFocusEvent* event) {
    const bool none = currentRow() < 0;
    quiet_ = true;
    QListWidget::focusInEvent(event);
    if (none && currentRow() >= 0)
        setCurrentRow(-1);
    quiet_ = false;
}

// A click on the entry already current picks it again (the row does not change, so nothing
// else would say so), also after the keyboard moved there.
void FileListBox::mousePressEvent(QMouseEvent* event) {
    const int before = currentRow();
    QListWidget::mousePressEvent(event);
    const QListWidgetItem* hit = itemAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton && hit && row(hit) == before && currentRow() == before)
        emit clicked();
}

void FileListBox::setPath(const QString& path) {
    path_ = path;
    fill();
}

void FileListBox::setPattern(const QString& pattern) {
    pattern_ = pattern;
    fill();
}

QString FileListBox::fileName() const {
    const QListWidgetItem* item = currentItem();
    return item ? item->text() : QString();
}

QStringList FileListBox::pickedNames() const {
    QStringList names;
    for (int i = 0; i < count(); ++i)
        if (item(i)->isSelected())
            names << item(i)->text();
    return names;
}

void FileListBox::pick(const QString& name) {
    const auto items = findItems(name, Qt::MatchExactly);
    if (items.isEmpty())
        return;
    if (currentItem() == items.first())
        emit clicked();
    else
        setCurrentItem(items.first());
}

void FileListBox::fill() {
    quiet_ = true;
    clear();
    watch(watcher_, path_);
    const auto tracks = source_.discTracks(path_);
    if (tracks) {
        const QRegularExpression re(QRegularExpression::wildcardToRegularExpression(pattern_),
                                    QRegularExpression::CaseInsensitiveOption);
        for (const QString& t : *tracks)
            if (re.match(t).hasMatch())
                addItem(t);
    } else {
        // Names match without regard to case, as "*.WAV" and "*.wav" both mean WAV files.
        const QDir dir(path_);
        addItems(dir.entryList({pattern_}, QDir::Files, QDir::Name | QDir::IgnoreCase));
    }
    setCurrentRow(-1);
    quiet_ = false;
}

} // namespace wl
