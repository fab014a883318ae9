// SPDX-License-Identifier: GPL-3.0-or-later
// The ripper window: drive, folder and track-file lists, the wave name, and the rip job.
#pragma once
#include "jobline.h"
#include "window.h"

#include <QString>

class QPushButton;
class QLineEdit;

namespace wl {

class DriveListBox;
class DirListBox;
class FileListBox;

class cdripper : public Window {
    Q_OBJECT
  public:
    explicit cdripper(Shell& shell) : Window(shell) {}

    void Drive1_Change();
    void Dir1_Change();
    void File1_Click();
    void fileDropped(const QString& image);
    void Command1_Click();
    void tracksPicked();
    void mnuoptionoptions_Click();
    void mnufilemp3_Click();
    void mnufileclose_Click();
    void mnuhelpabout_Click();
    void mnuhelphelp_Click();

  protected:
    QWidget* build() override;

  private:
    void ripSeveral(const QStringList& tracks);
    JobLine ripLine(const QString& code, const QString& name) const;
    struct Controls {
        QPushButton* Command1;
        QLineEdit *Text1, *Text2, *Text3;
        DriveListBox* Drive1;
        DirListBox* Dir1;
        FileListBox* File1;
    } ui_{};
    // The disc whose track was picked last: Rip rips from it, wherever the lists went since.
    QString pickedDisc_;
};

// The track code of a track file: "Track01.cda" to "Track99.cda" give "T 1" to "T 99",
// matched exactly; any other name gives an empty code.
QString trackCode(const QString& fileName);

} // namespace wl
