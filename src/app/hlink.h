// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

namespace wl {
class Host;
namespace hlink {
// Asks the desktop to open a document or a link such as "mailto:..." with the program
// registered for it; the result is not looked at.
void OpenLink(Host& host, const QString& target);
} // namespace hlink
} // namespace wl
