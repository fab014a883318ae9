// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "host.h"

namespace wl {

// The host services of a running program: real message boxes, the settings file and
// detached processes.
class SystemHost : public Host {
  public:
    void RunCommand(const QString& commandLine, int style) override;
    void ShowMessage(const QString& prompt, int flags, const QString& title = QString()) override;
    QString ReadSetting(const QString& appKey, const QString& section, const QString& key,
                        const QString& def) override;
    void SaveSetting(const QString& appKey, const QString& section, const QString& key,
                     const QString& value) override;
    void OpenLink(const QString& target) override;
};

} // namespace wl
