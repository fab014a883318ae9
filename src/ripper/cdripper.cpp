// SPDX-License-Identifier: GPL-3.0-or-later
#include "cdripper.h"

#include "discnames.h"
#include "drives.h"
#include "readoffset.h"

#include "controls.h"
#include "filedrop.h"
#include "fonts.h"
#include "host.h"
#include "icons.h"
#include "jobline.h"
#include "listpanels.h"
#include "mainwindow.h"
#include "texts.h"

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace wl {
namespace {

// Listed in creation order (later ones on top), so the builder gets them reversed.
QList<ControlSpec> catalogue() {
    const QList<ControlSpec> creationOrder = {
        {Kind::Button, "Command1", "", "Rip", {32, 168, 129, 25}, 8, false},
        {Kind::TextBox, "Text3", "", "Track1", {208, 136, 105, 19}, 5},
        {Kind::TextBox, "Text2", "", "", {176, 168, 10, 19}, 4, false},
        {Kind::TextBox, "Text1", "", "", {176, 104, 169, 21}, 3},
        {Kind::DirList, "Dir1", "", "", {8, 8, 161, 96}, 2},
        {Kind::FileList, "File1", "", "", {176, 8, 169, 97}, 1},
        {Kind::DriveList, "Drive1", "", "", {8, 104, 169, 21}, 0},
        {Kind::Label, "Label2", "", "Cd RiPpEr", {192, 168, 129, 41}, 7},
        {Kind::Line, "Line2", "", "", {0, 216, 440, 1}},
        {Kind::Line, "Line1", "", "", {0, 0, 440, 1}},
        {Kind::Label, "Label1", "", "Name of wave (max. 8 characters):", {32, 136, 169, 17}, 6},
    };
    return QList<ControlSpec>(creationOrder.rbegin(), creationOrder.rend());
}

const QList<MenuItemSpec> kMenus = {
    {"mnufile", "File", "mnufilemp3", "To Wavelathe"},
    {"mnufile", "File", "mnufileclose", "Close"},
    {"mnueoptions", "Options", "mnuoptionoptions", "Cd Ripper Options"},
    {"mnuhelp", "Help", "mnuhelpabout", "About"},
    {"mnuhelp", "Help", "mnuhelphelp", "Help"},
};

const QString kPickFirst = QStringLiteral("Please pick a track first.");

} // namespace

QString trackCode(const QString& fileName) {
    // A CD holds at most 99 tracks; every one of them has its entry.
    for (int n = 1; n <= 99; ++n)
        if (fileName == QString::asprintf("Track%02d.cda", n))
            return "T " + QString::number(n);
    return QString();
}

QWidget* cdripper::build() {
    QMainWindow* window =
        newMainWindow("Cd Ripper for most SCSI and  ATAPI Drives", {353, 230}, true);
    window->setWindowIcon(ripperIcon());
    const auto c = buildControls(window->centralWidget(), catalogue(), shell_.drives());
    nameControls(c, {{"Text1", "Picked track"},
                     {"Text3", "Name of wave"},
                     {"Dir1", "Folders"},
                     {"File1", "Tracks"},
                     {"Drive1", "Drive"}});
    ui_.Command1 = static_cast<QPushButton*>(c.value("Command1"));
    ui_.Text1 = static_cast<QLineEdit*>(c.value("Text1"));
    ui_.Text2 = static_cast<QLineEdit*>(c.value("Text2"));
    ui_.Text3 = static_cast<QLineEdit*>(c.value("Text3"));
    ui_.Drive1 = static_cast<DriveListBox*>(c.value("Drive1"));
    ui_.Dir1 = static_cast<DirListBox*>(c.value("Dir1"));
    ui_.File1 = static_cast<FileListBox*>(c.value("File1"));
    c.value("Label2")->setFont(designFont("Comic Sans MS", 18, true));
    ui_.File1->setPattern("*.cda");
    ui_.File1->allowSeveral();
    pickedDisc_.clear();
    ui_.Drive1->listDiscImages();
    connect(ui_.Drive1, &DriveListBox::changed, this, &cdripper::Drive1_Change);
    connect(ui_.Dir1, &DirListBox::changed, this, &cdripper::Dir1_Change);
    connect(ui_.File1, &FileListBox::clicked, this, &cdripper::File1_Click);
    connect(ui_.File1, &QListWidget::itemSelectionChanged, this, &cdripper::tracksPicked);
    connect(ui_.Command1, &QPushButton::clicked, this, &cdripper::Command1_Click);

    const auto menu = buildMenus(window->menuBar(), kMenus);
    connect(menu["mnufilemp3"], &QAction::triggered, this, &cdripper::mnufilemp3_Click);
    connect(menu["mnufileclose"], &QAction::triggered, this, &cdripper::mnufileclose_Click);
    connect(menu["mnuoptionoptions"], &QAction::triggered, this, &cdripper::mnuoptionoptions_Click);
    connect(menu["mnuhelpabout"], &QAction::triggered, this, &cdripper::mnuhelpabout_Click);
    connect(menu["mnuhelphelp"], &QAction::triggered, this, &cdripper::mnuhelphelp_Click);
    // Beside the design: the disc's names from MusicBrainz, with their items in Options.
    auto* names = new DiscNamesView(shell_.host(), shell_.drives(), ui_.Dir1, ui_.File1,
                                    window->findChild<QMenu*>("mnueoptions"));
    connect(ui_.Dir1, &DirListBox::changed, names, &DiscNamesView::discShown);
    names->discShown();
    // And the drive's read offset, for a user who knows it better than AccurateRip's list.
    new ReadOffsetSetting(shell_.host(), shell_.drives(), ui_.Drive1,
                          window->findChild<QMenu*>("mnueoptions"));
    acceptFileDrops(
        window,
        [](const QString& path) {
            return hasSuffix(path, {"cue", "toc", "nrg"});
        },
        [this](const QString& path) { fileDropped(path); });
    ui_.Drive1->setFocus();
    return window;
}

void cdripper::Drive1_Change() {
    if (!ui_.Dir1->setDrive(ui_.Drive1->drive()))
        shell_.host().ShowMessage(texts::kNotReady, texts::kMsgCritical);
}

// A disc image dropped on the window is listed and picked as a drive, as from the drive list.
void cdripper::fileDropped(const QString& image) { ui_.Drive1->addImage(image); }

void cdripper::Dir1_Change() { ui_.File1->setPath(ui_.Dir1->path()); }

void cdripper::File1_Click() {
    ui_.Command1->show();
    ui_.Text1->setText(ui_.File1->path() + "/" + ui_.File1->fileName());
    // A name outside the table clears the code: keeping the last one would rip another track.
    ui_.Text2->setText(trackCode(ui_.File1->fileName()));
    pickedDisc_ = ui_.File1->path();
}

// Several tracks picked (Shift+click, Ctrl+click, Ctrl+A) can be ripped in one job.
void cdripper::tracksPicked() {
    if (ui_.File1->pickedNames().size() < 2)
        return;
    ui_.Command1->show();
    pickedDisc_ = ui_.File1->path();
}

void cdripper::Command1_Click() {
    const QStringList picked = ui_.File1->pickedNames();
    if (picked.size() > 1)
        return ripSeveral(picked);
    // One track left picked of several (the others un-picked with Ctrl+click) is the track to
    // rip, though the last click was on another; the controls stay as they are.
    const QString code = picked.size() == 1 && picked[0] != ui_.File1->fileName()
                             ? trackCode(picked[0])
                             : ui_.Text2->text();
    if (code.isEmpty()) {
        shell_.host().ShowMessage(kPickFirst, texts::kMsgOk);
        return;
    }
    runJob(shell_.host(), texts::kRipScript, ripLine(code, ui_.Text3->text()));
}

// "CDDA/T 5 /F Track1 /O", and the disc: CDDA alone rips the first drive that holds an audio
// disc, so it is told the disc the track was picked on when that is an image or one of several
// drives.
JobLine cdripper::ripLine(const QString& code, const QString& name) const {
    JobLine line = JobLine().text("CDDA/").text(code).text(" /F").text(" ").name(name).text(" /O");
    const QString& disc = pickedDisc_;
    DriveSource& drives = shell_.drives();
    if (drives.isImage(disc) || (drives.isOptical(disc) && drives.opticalCount() > 1))
        line.text(" /D ").name(disc);
    return line;
}

// One line per track, in disc order, each track to the name box's name without its trailing
// digits and the track's two-digit number: Track1 gives Track01, Track02, ... Each line names
// the rip's tracks ("/L 1,2,3"), so that the last also writes the rip's log and cue sheet.
void cdripper::ripSeveral(const QStringList& tracks) {
    QString base = ui_.Text3->text();
    while (!base.isEmpty() && base.back().isDigit())
        base.chop(1);
    QStringList numbers;
    for (const QString& track : tracks)
        if (const QString code = trackCode(track); !code.isEmpty())
            numbers << code.mid(2);
    if (numbers.isEmpty()) {
        shell_.host().ShowMessage(kPickFirst, texts::kMsgOk);
        return;
    }
    QList<JobLine> lines;
    for (const QString& number : numbers)
        lines << ripLine("T " + number, base + number.rightJustified(2, '0'))
                     .text(" /L " + numbers.join(','));
    runJob(shell_.host(), texts::kRipScript, lines);
}

void cdripper::mnuoptionoptions_Click() {
    shell_.host().ShowMessage("not available yet :-(", texts::kMsgOk);
}

void cdripper::mnufilemp3_Click() {
    shell_.showMain();
    shell_.unload(*this);
}

void cdripper::mnufileclose_Click() { shell_.unload(*this); }
void cdripper::mnuhelpabout_Click() { shell_.showAbout(); }
void cdripper::mnuhelphelp_Click() {
    shell_.host().RunCommand("notepad.exe Help.txt", texts::kStyleNormal);
}

} // namespace wl
