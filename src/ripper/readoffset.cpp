// SPDX-License-Identifier: GPL-3.0-or-later
#include "readoffset.h"

#include "drives.h"
#include "host.h"
#include "listpanels.h"
#include "onlinesetting.h"
#include "texts.h"

#include <QAction>
#include <QInputDialog>
#include <QMenu>

namespace wl {

ReadOffsetSetting::ReadOffsetSetting(Host& host, DriveSource& drives, DriveListBox* drive,
                                     QMenu* options)
    : QObject(options), host_(host), drives_(drives), drive_(drive), window_(drive->window()) {
    QAction* action = options->addAction("Read offset of this drive...");
    action->setObjectName("mnureadoffset");
    connect(action, &QAction::triggered, this, &ReadOffsetSetting::askForOffset);
}

void ReadOffsetSetting::askForOffset() {
    const QString drive = drive_->drive();
    if (!drives_.isOptical(drive) || drives_.isImage(drive)) {
        host_.ShowMessage("Choose a CD drive first: a disc image is read exactly and has no read "
                          "offset.",
                          texts::kMsgOk);
        return;
    }
    const auto model = driveModel(drive);
    if (!model) {
        host_.ShowMessage("The drive " + drive +
                              " does not say its make and model, so no "
                              "read offset can be kept for it.",
                          texts::kMsgOk);
        return;
    }
    const QString name = (model->first + " " + model->second).trimmed();
    const QString key =
        QString::fromStdString(driveKey(model->first.toStdString(), model->second.toStdString()));
    const int current = host_.ReadSetting(texts::kAppKey, kReadOffsetSection, key, "0").toInt();
    bool ok = false;
    const int samples = QInputDialog::getInt(
        window_, "Read offset",
        "The read offset of " + name +
            " in samples, as AccurateRip's list of drives or a test disc gives it.\n"
            "Without one, CDDA uses the list's.",
        current, -kMostReadOffset, kMostReadOffset, 1, &ok);
    if (ok)
        host_.SaveSetting(texts::kAppKey, kReadOffsetSection, key, QString::number(samples));
}

} // namespace wl
