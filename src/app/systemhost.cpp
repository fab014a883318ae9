// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemhost.h"

#include "runcommand.h"
#include "texts.h"

#include "icons.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>
#include <QSettings>

namespace wl {

void SystemHost::RunCommand(const QString& commandLine, int style) {
    const QString why = startCommandLine(commandLine, style);
    if (!why.isEmpty())
        ShowMessage("Cannot start \"" + commandLine + "\": " + why, texts::kMsgCritical);
}

// The box belongs to the window that asks (the active one): it stays in front of it, minimizes
// and closes with it, and blocks only it. It is at least as wide as its title.
void SystemHost::ShowMessage(const QString& prompt, int flags, const QString& title) {
    QWidget* owner = QApplication::activeWindow();
    QMessageBox box(flags == texts::kMsgCritical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    title.isEmpty() ? texts::kAppTitle : title, prompt, QMessageBox::Ok, owner);
    box.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
    box.setWindowIcon(programIcon());
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int titleWidth = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar"))
                                   .horizontalAdvance(box.windowTitle());
        // Room for the title and the title bar's buttons.
        grid->addItem(new QSpacerItem(titleWidth + 120, 0, QSizePolicy::Minimum), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    box.exec();
}

// One INI file per user: $XDG_CONFIG_HOME/<appKey>/<appKey>.ini, a group per section.
QString SystemHost::ReadSetting(const QString& appKey, const QString& section, const QString& key,
                                const QString& def) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, appKey, appKey);
    if (store.status() != QSettings::NoError)
        return def;
    const QVariant value = store.value(section + "/" + key);
    if (!value.isValid() || !value.canConvert<QString>())
        return def;
    return value.toString();
}

void SystemHost::SaveSetting(const QString& appKey, const QString& section, const QString& key,
                             const QString& value) {
    QSettings store(QSettings::IniFormat, QSettings::UserScope, appKey, appKey);
    store.setValue(section + "/" + key, value);
    store.sync();
    // QSettings does not always say when the file could not be written (a folder in its place):
    // the file must be one it can write, or be absent from a folder it can write.
    const QFileInfo file(store.fileName());
    const bool writable = file.exists() ? file.isFile() && file.isWritable()
                                        : QFileInfo(file.absolutePath()).isWritable();
    if (store.status() == QSettings::NoError && writable)
        return;
    const QString why = store.status() == QSettings::FormatError ? "it is not a settings file"
                        : file.exists() && !file.isFile()        ? "it is not a regular file"
                                                                 : "it cannot be written";
    ShowMessage("The setting could not be saved to " + store.fileName() + ": " + why + ".",
                texts::kMsgCritical);
}

void SystemHost::OpenLink(const QString& target) {
    const QString why = openWithDesktop(target);
    if (!why.isEmpty())
        ShowMessage("Cannot open \"" + target + "\": " + why, texts::kMsgCritical);
}

} // namespace wl
