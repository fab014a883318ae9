// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: mode, bitrate and switch state, the file panel, single jobs and batch.
#pragma once
#include "jobline.h"
#include "window.h"

#include <QList>
#include <QString>
#include <optional>

class QPushButton;
class QCheckBox;
class QRadioButton;
class QLineEdit;
class QLabel;

namespace wl {

class DriveListBox;
class DirListBox;
class FileListBox;

class Form1 : public Window {
    Q_OBJECT
  public:
    explicit Form1(Shell& shell) : Window(shell) {}

    // Window-level variables: they outlive unloading, as the window object does.
    QString Bitrate;
    QString CodecName;

    // Option state.
    void optionEncode_Click();
    void optionDecode_Click();
    void Check1_Click();
    void Check2_Click();
    void option8000_Click();
    void Option16000_Click();
    void option24000_click();
    void option32000_click();
    void option56000_click();
    void option64000_click();
    void option96000_click();
    void option112000_click();
    void option128000_click();
    void DisplayCaption();

    // File panel.
    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void fileDropped(const QString& path);

    // Jobs.
    void Command2_Click();
    void Command1_Click();
    void Command4_Click();
    void Command3_Click();
    void Command5_Click();

    // Menus.
    void mnuecdripper_Click();
    void mnuefileclose_Click();
    void settings_Click();
    void mnuehelpabout_Click();
    void mnueHelphelp_Click();
    void readme_Click();

  protected:
    QWidget* build() override;

  private:
    void bitrateClick(const QString& caption);
    void bitratesOff();
    void bitratesOn();
    void bitratesAfterSwitch(bool checked);
    bool refuseWithoutBitrate();
    JobLine singleJobLine(const QString& program, const QString& switches) const;

    // The controls, valid while the window is loaded.
    struct Controls {
        QPushButton *Command1, *Command2, *Command3, *Command4, *Command5;
        QCheckBox *Check1, *Check2;
        QRadioButton *OptionEncode, *OptionDecode;
        QList<QRadioButton*> bitrates; // the nine options in table order
        QLineEdit *Text1, *Text2;
        QLabel* lblDisplay;
        DriveListBox* Drive1;
        DirListBox* Dir1;
        FileListBox* File1;
    } ui_{};
};

// How a text reads as a truth value: "True", "False", or a number (true unless zero);
// nothing for any other text.
std::optional<bool> readsAsBool(const QString& text);

// The batch switch number of a bitrate: 128000 gives 128, ...; 0 when it matches no row.
int batchSwitchNumber(const QString& bitrate);

} // namespace wl
