// SPDX-License-Identifier: GPL-3.0-or-later
// Fixed texts that several files use: script names, the settings address, shared messages.
#pragma once
#include "programs.h"
#include <QString>

namespace wl::texts {

inline const QString kAppTitle = QStringLiteral("Wavelathe");
inline const QString kSettingsScript = QStringLiteral("settings.bat");
inline const QString kRipScript = QStringLiteral("rip.bat");

// The stored preference: application key, section, key and its two meaningful values.
inline const QString kAppKey = QStringLiteral("Wavelathe");
inline const QString kSection = QStringLiteral("mp3");
inline const QString kDeleteWaveKey = QStringLiteral("deletewave");
inline const QString kDeleteWave = QStringLiteral("888");
inline const QString kKeepWave = QStringLiteral("999");

inline const QString kNotReady = QStringLiteral("The device is not ready or damaged");
inline const QString kChooseBitrate = QStringLiteral("Please choose a bitrate first.");
// The refusal of a name that a job line cannot carry, naming the tool the line calls.
inline QString unpassableName(const QString& programName) {
    const QString tool = programName == program::kCdda    ? QStringLiteral("ripper")
                         : programName == program::kL3dec ? QStringLiteral("decoder")
                                                          : QStringLiteral("encoder");
    return "This name cannot be passed to the " + tool + ": ";
}

// Window styles of RunCommand and flags of ShowMessage.
constexpr int kStyleHidden = 0;
constexpr int kStyleNormal = 1;
constexpr int kStyleMinimizedNoFocus = 6;
constexpr int kMsgOk = 0;
constexpr int kMsgCritical = 16;

} // namespace wl::texts
