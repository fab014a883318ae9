// SPDX-License-Identifier: GPL-3.0-or-later
// Files dragged from a file manager onto a window: one local file that the window takes is
// accepted anywhere on it, its text boxes included; other files are refused, and dropped text
// goes where it always went.
#pragma once
#include <QString>
#include <functional>

class QWidget;

namespace wl {

// takes: whether the window takes this file; dropped: what it does with it. Call once the
// window's controls are made.
void acceptFileDrops(QWidget* window, std::function<bool(const QString& path)> takes,
                     std::function<void(const QString& path)> dropped);

// "song.WAV" has the suffix "wav".
bool hasSuffix(const QString& path, const QStringList& suffixes);

} // namespace wl
