// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemhost.h"

#include "runcommand.h"
#include "texts.h"

#include <QMessageBox>
#include <QSettings>

namespace wl {

void SystemHost::RunCommand(const QString& commandLine, int style) {
    const QString why = startCommandLine(commandLine, style);
    if (!why.isEmpty())
        ShowMessage("Cannot start \"" + commandLine + "\": " + why, texts::kMsgCritical);
}

void SystemHost::ShowMessage(const QString& prompt, int flags, const QString& title) {
    QMessageBox box(flags == texts::kMsgCritical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    title.isEmpty() ? texts::kAppTitle : title, prompt, QMessageBox::Ok);
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
}

void SystemHost::OpenLink(const QString& target) { openWithDesktop(target); }

} // namespace wl
