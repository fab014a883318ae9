// SPDX-License-Identifier: GPL-3.0-or-later
// Options > "Read offset of this drive...": the user's own read offset for the drive chosen,
// kept with the preferences under the drive's vendor and model, where CDDA looks first.
#pragma once
#include <QObject>

class QAction;
class QMenu;
class QWidget;

namespace wl {

class DriveListBox;
class DriveSource;
class Host;

class ReadOffsetSetting : public QObject {
    Q_OBJECT
  public:
    ReadOffsetSetting(Host& host, DriveSource& drives, DriveListBox* drive, QMenu* options);

  private:
    void askForOffset();

    Host& host_;
    DriveSource& drives_;
    DriveListBox* drive_;
    QWidget* window_;
};

} // namespace wl
