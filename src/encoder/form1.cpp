// SPDX-License-Identifier: GPL-3.0-or-later
#include "form1.h"

#include "controls.h"
#include "filedrop.h"
#include "host.h"
#include "icons.h"
#include "jobline.h"
#include "listpanels.h"
#include "mainwindow.h"
#include "texts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>

namespace wl {
namespace {

struct BitrateOption {
    const char* name;
    const char* caption;
    QRect geometry;
    int tab;
    void (Form1::*handler)();
};

// The nine options in table order, which is also the order of Bitrates off.
const BitrateOption kBitrates[] = {
    {"Option8000", "8000", {8, 16, 57, 17}, 9, &Form1::option8000_Click},
    {"Option16000", "16000", {8, 40, 57, 25}, 10, &Form1::Option16000_Click},
    {"Option24000", "24000", {8, 72, 57, 17}, 13, &Form1::option24000_click},
    {"Option32000", "32000", {80, 16, 57, 17}, 12, &Form1::option32000_click},
    {"Option56000", "56000", {80, 40, 57, 25}, 14, &Form1::option56000_click},
    {"Option64000", "64000", {80, 72, 57, 17}, 15, &Form1::option64000_click},
    {"Option96000", "96000", {152, 16, 57, 17}, 16, &Form1::option96000_click},
    {"Option112000", "112000", {152, 40, 57, 25}, 17, &Form1::option112000_click},
    {"Option128000", "128000", {152, 72, 57, 17}, 18, &Form1::option128000_click},
};

// The batch switch table, compared in this order.
const std::pair<int, int> kSwitchNumbers[] = {{128000, 128}, {112000, 112}, {96000, 96},
                                              {64000, 64},   {56000, 56},   {32000, 32},
                                              {24000, 24},   {16000, 16},   {8000, 8}};

QList<ControlSpec> catalogue() {
    QList<ControlSpec> c = {
        {Kind::Button, "Command5", "", "Encode All (Batch)", {184, 136, 113, 17}, 29, false},
        {Kind::Frame, "Frame4", "", "Display", {256, 184, 145, 41}, 27},
        {Kind::Label, "lblDisplay", "Frame4", "", {8, 16, 129, 17}, 28},
        {Kind::Button, "Command4", "", "HQ Encode", {336, 16, 81, 41}, 26, false},
        {Kind::Button, "Command1", "", "Downmix", {336, 16, 81, 41}, 25, false},
        {Kind::TextBox, "Text2", "", "Track1.mp3", {168, 184, 81, 19}, 24},
        {Kind::Frame, "Frame3", "", "Switches", {8, 224, 121, 97}, 20},
        {Kind::CheckBox, "Check2", "Frame3", "High Quality Encoding", {16, 56, 97, 25}, 22},
        {Kind::CheckBox, "Check1", "Frame3", "Downmix (stereo to mono)", {16, 16, 97, 33}, 21},
        {Kind::Button, "Command3", "", "Decode", {336, 16, 81, 41}, 19, false},
        {Kind::Button, "Command2", "", "Encode", {336, 16, 81, 41}, 11, false},
        {Kind::Frame, "Frame2", "", "Bitrates", {168, 224, 233, 97}, 8},
    };
    for (const BitrateOption& b : kBitrates)
        c.append({Kind::Option, b.name, "Frame2", b.caption, b.geometry, b.tab});
    c += QList<ControlSpec>{
        {Kind::Frame, "Frame1", "", "", {336, 80, 89, 89}, 5},
        {Kind::Option, "OptionDecode", "Frame1", "Decode", {8, 24, 65, 13}, 7},
        {Kind::Option, "OptionEncode", "Frame1", "Encode", {8, 56, 65, 13}, 6},
        {Kind::TextBox, "Text1", "", "", {168, 160, 153, 19}, 3},
        {Kind::FileList, "File1", "", "", {168, 8, 153, 123}, 2},
        {Kind::DirList, "Dir1", "", "", {8, 8, 161, 126}, 1},
        {Kind::DriveList, "Drive1", "", "", {8, 136, 161, 21}, 0},
        {Kind::Line, "Line2", "", "", {0, 336, 448, 1}},
        {Kind::Label, "Label2", "", "Name of mp3/wave (max 8 characters) :", {56, 176, 97, 33}, 23},
        {Kind::Line, "Line1", "", "", {0, 0, 440, 1}},
        {Kind::Label, "label1", "", "path:", {128, 160, 25, 17}, 4},
    };
    return c;
}

const QList<MenuItemSpec> kMenus = {
    {"mnuefile", "File", "mnuecdripper", "To Cd Ripper"},
    {"mnuefile", "File", "mnuefileclose", "Close"},
    {"optionmnu", "Options", "settings", "Settings"},
    {"mnueHelp", "Help", "mnuehelpabout", "About"},
    {"mnueHelp", "Help", "mnueHelphelp", "Help"},
    {"mnueHelp", "Help", "readme", "Read Me"},
};

// Clears an option from code; a group's exclusivity is lifted while it is cleared.
void deselect(QRadioButton* option) {
    option->setAutoExclusive(false);
    option->setChecked(false);
    option->setAutoExclusive(true);
}

bool isTrue(const QString& text) { return readsAsBool(text) == true; }
bool isFalse(const QString& text) { return readsAsBool(text) == false; }

} // namespace

std::optional<bool> readsAsBool(const QString& text) {
    if (text == "True")
        return true;
    if (text == "False")
        return false;
    bool number = false;
    const double value = text.toDouble(&number);
    if (number)
        return value != 0;
    return std::nullopt;
}

int batchSwitchNumber(const QString& bitrate) {
    int number = 0;
    bool isNumber = false;
    const double value = bitrate.toDouble(&isNumber);
    for (const auto& [bits, kbps] : kSwitchNumbers)
        if (isNumber && value == bits)
            number = kbps;
    return number;
}

QWidget* Form1::build() {
    QMainWindow* window = newMainWindow(texts::kAppTitle, {426, 347}, true);
    window->setGeometry(11, 30, window->width(), window->height());
    window->setWindowIcon(programIcon());
    const auto c = buildControls(window->centralWidget(), catalogue(), shell_.drives());
    nameControls(c, {{"Text1", "path"},
                     {"Text2", "Name of mp3/wave"},
                     {"Dir1", "Folders"},
                     {"File1", "Files"},
                     {"Drive1", "Drive"}});
    auto get = [&c]<class W>(W*& member, const char* name) {
        member = static_cast<W*>(c.value(name));
    };
    get(ui_.Command1, "Command1");
    get(ui_.Command2, "Command2");
    get(ui_.Command3, "Command3");
    get(ui_.Command4, "Command4");
    get(ui_.Command5, "Command5");
    get(ui_.Check1, "Check1");
    get(ui_.Check2, "Check2");
    get(ui_.OptionEncode, "OptionEncode");
    get(ui_.OptionDecode, "OptionDecode");
    get(ui_.Text1, "Text1");
    get(ui_.Text2, "Text2");
    get(ui_.lblDisplay, "lblDisplay");
    get(ui_.Drive1, "Drive1");
    get(ui_.Dir1, "Dir1");
    get(ui_.File1, "File1");
    ui_.bitrates.clear();
    for (const BitrateOption& b : kBitrates) {
        auto* option = static_cast<QRadioButton*>(c.value(b.name));
        ui_.bitrates.append(option);
        connect(option, &QRadioButton::clicked, this, b.handler);
    }
    // Check boxes run their handler on every real change, from the user or from code.
    connect(ui_.Check1, &QCheckBox::toggled, this, &Form1::Check1_Click);
    connect(ui_.Check2, &QCheckBox::toggled, this, &Form1::Check2_Click);
    connect(ui_.OptionEncode, &QRadioButton::clicked, this, &Form1::optionEncode_Click);
    connect(ui_.OptionDecode, &QRadioButton::clicked, this, &Form1::optionDecode_Click);
    connect(ui_.Drive1, &DriveListBox::changed, this, &Form1::Drive1_Change);
    connect(ui_.Dir1, &DirListBox::changed, this, &Form1::Dir1_Change);
    connect(ui_.File1, &FileListBox::clicked, this, &Form1::File1_Click);
    connect(ui_.Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(ui_.Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(ui_.Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(ui_.Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(ui_.Command5, &QPushButton::clicked, this, &Form1::Command5_Click);

    const auto menu = buildMenus(window->menuBar(), kMenus);
    connect(menu["mnuecdripper"], &QAction::triggered, this, &Form1::mnuecdripper_Click);
    connect(menu["mnuefileclose"], &QAction::triggered, this, &Form1::mnuefileclose_Click);
    connect(menu["settings"], &QAction::triggered, this, &Form1::settings_Click);
    connect(menu["mnuehelpabout"], &QAction::triggered, this, &Form1::mnuehelpabout_Click);
    connect(menu["mnueHelphelp"], &QAction::triggered, this, &Form1::mnueHelphelp_Click);
    connect(menu["readme"], &QAction::triggered, this, &Form1::readme_Click);
    acceptFileDrops(
        window,
        [](const QString& path) {
            return hasSuffix(path, {"wav", "mp3"});
        },
        [this](const QString& path) { fileDropped(path); });
    return window;
}

// ---- option state ----

void Form1::bitratesOff() {
    for (QRadioButton* option : ui_.bitrates)
        option->setEnabled(false);
    for (QRadioButton* option : ui_.bitrates)
        deselect(option);
}

void Form1::bitratesOn() {
    for (QRadioButton* option : ui_.bitrates)
        option->setEnabled(true);
}

// The closing steps of both switch handlers: the bitrates go off while Bitrate reads false, and
// come back on, with "True", once the switch is cleared.
void Form1::bitratesAfterSwitch(bool checked) {
    if (isFalse(Bitrate))
        bitratesOff();
    if (!checked)
        Bitrate = "True";
    if (isTrue(Bitrate))
        bitratesOn();
}

void Form1::bitrateClick(const QString& caption) {
    ui_.Command5->show();
    Bitrate = caption;
    DisplayCaption();
}

void Form1::option8000_Click() { bitrateClick("8000"); }
void Form1::Option16000_Click() { bitrateClick("16000"); }
void Form1::option24000_click() { bitrateClick("24000"); }
void Form1::option32000_click() { bitrateClick("32000"); }
void Form1::option56000_click() { bitrateClick("56000"); }
void Form1::option64000_click() { bitrateClick("64000"); }
void Form1::option96000_click() { bitrateClick("96000"); }
void Form1::option112000_click() { bitrateClick("112000"); }
void Form1::option128000_click() { bitrateClick("128000"); }

void Form1::DisplayCaption() {
    if (CodecName == "L3dec")
        Bitrate = "False";
    if (isFalse(Bitrate))
        bitratesOff();
    if (isTrue(Bitrate))
        bitratesOn();
    ui_.lblDisplay->setText(CodecName + " with " + Bitrate);
}

void Form1::optionEncode_Click() {
    ui_.Text2->setText("Track1.mp3");
    CodecName = "L3enc";
    ui_.Command2->show();
    ui_.Command3->hide();
    ui_.Command1->hide();
    ui_.Check1->setEnabled(true);
    ui_.Check2->setEnabled(true);
    ui_.File1->setPattern("*.wav");
    Bitrate = "True";
    DisplayCaption();
}

void Form1::optionDecode_Click() {
    ui_.Command5->hide();
    ui_.Text2->setText("Track1.wav");
    CodecName = "L3dec";
    ui_.Command2->hide();
    ui_.Command3->show();
    ui_.Command1->hide();
    ui_.Check1->setChecked(false);
    ui_.Check1->setEnabled(false);
    ui_.Check2->setEnabled(false);
    ui_.Check2->setChecked(false); // runs Check2_Click now when HQ was checked
    ui_.File1->setPattern("*.mp3");
    DisplayCaption();
}

void Form1::Check1_Click() {
    const auto checked = [this] { return ui_.Check1->isChecked(); };
    ui_.Command5->hide();
    ui_.Text2->setText("Track1.mp3");
    ui_.File1->setPattern("*.wav");
    if (checked())
        ui_.Command1->show();
    ui_.Check2->setEnabled(!checked());
    if (!checked())
        ui_.Command1->hide();
    ui_.lblDisplay->setText(checked() ? "Downmix stereo to mono" : " ");
    if (checked())
        Bitrate = "False";
    ui_.OptionDecode->setEnabled(!checked());
    ui_.OptionEncode->setEnabled(!checked());
    bitratesAfterSwitch(checked());
}

void Form1::Check2_Click() {
    const auto checked = [this] { return ui_.Check2->isChecked(); };
    ui_.Command5->hide();
    ui_.Text2->setText("Track1.mp3");
    ui_.lblDisplay->setText(checked() ? " High Quality Encoding" : " ");
    if (checked())
        ui_.File1->setPattern("*.wav");
    ui_.Check1->setEnabled(!checked());
    ui_.Command4->setVisible(checked());
    if (checked())
        Bitrate = "False";
    ui_.Command2->setVisible(!checked());
    bitratesAfterSwitch(checked());
    if (!ui_.Check2->isEnabled())
        ui_.Check1->setChecked(false); // runs Check1_Click when Downmix was checked
}

// ---- file panel ----

void Form1::Drive1_Change() {
    if (!ui_.Dir1->setDrive(ui_.Drive1->drive()))
        shell_.host().ShowMessage(texts::kNotReady, texts::kMsgCritical, "Error Message");
}

void Form1::Dir1_Change() { ui_.File1->setPath(ui_.Dir1->path()); }

// A WAV or MP3 dropped on the window is its path typed into the path box; nothing else changes.
void Form1::fileDropped(const QString& path) { ui_.Text1->setText(path); }

void Form1::File1_Click() { ui_.Text1->setText(ui_.File1->path() + "/" + ui_.File1->fileName()); }

// ---- jobs ----

// A word in Bitrate (no bitrate picked since the options came back on, or the covered Encode
// button reached with the keyboard) would hand the encoder "-br True", or the batch "-0".
bool Form1::refuseWithoutBitrate() {
    if (batchSwitchNumber(Bitrate) != 0)
        return false;
    shell_.host().ShowMessage(texts::kChooseBitrate, texts::kMsgOk);
    return true;
}

// The single jobs' line: program, input path, output name, then the job's own switches.
JobLine Form1::singleJobLine(const QString& program, const QString& switches) const {
    return JobLine()
        .text(program)
        .text(" ")
        .name(ui_.Text1->text())
        .text("  ")
        .name(ui_.Text2->text())
        .text(switches);
}

void Form1::Command2_Click() {
    if (refuseWithoutBitrate())
        return;
    runJob(shell_.host(), texts::kSettingsScript, singleJobLine("BladeEnc ", " -br " + Bitrate));
}

void Form1::Command1_Click() {
    runJob(shell_.host(), texts::kSettingsScript, singleJobLine("BladeEnc", " -dm "));
}

void Form1::Command4_Click() {
    runJob(shell_.host(), texts::kSettingsScript, singleJobLine("BladeEnc", " -hq "));
}

void Form1::Command3_Click() {
    runJob(shell_.host(), texts::kSettingsScript, singleJobLine("l3dec", " -wav"));
}

void Form1::Command5_Click() {
    QString deleteSwitch;
    if (shell_.deleteWaveChecked())
        deleteSwitch = "-Delete";
    if (!shell_.deleteWaveChecked())
        deleteSwitch = " ";
    // A word in Bitrate gives no switch number; "-0" would be no bitrate at all.
    if (refuseWithoutBitrate())
        return;
    const int number = batchSwitchNumber(Bitrate);
    runJob(shell_.host(), texts::kSettingsScript,
           JobLine()
               .text("BladeEnc ")
               .text("-")
               .text(QString::number(number))
               .text(" ")
               .name(ui_.File1->path() + "/*.wav")
               .text(" ")
               .text(deleteSwitch)
               .text(" -quit"));
}

// ---- menus ----

void Form1::mnuecdripper_Click() {
    shell_.showRipper();
    shell_.unload(*this);
}

void Form1::mnuefileclose_Click() { shell_.unload(*this); }
void Form1::settings_Click() { shell_.showSettings(); }
void Form1::mnuehelpabout_Click() { shell_.showAbout(); }
void Form1::mnueHelphelp_Click() {
    shell_.host().RunCommand("notepad.exe Help.txt", texts::kStyleNormal);
}
void Form1::readme_Click() {
    shell_.host().RunCommand("notepad.exe Readme.txt", texts::kStyleNormal);
}

} // namespace wl
