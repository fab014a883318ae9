// SPDX-License-Identifier: GPL-3.0-or-later
// The About window: program name, version, author, and the two support links.
#pragma once
#include "window.h"

namespace wl {

namespace author {
inline const QString kName = QStringLiteral("M. Okafor");
inline const QString kWebPage = QStringLiteral("www.example.org");
// Short enough for its 97-pixel label even in a wide fallback font (DejaVu Sans).
inline const QString kSupport = QStringLiteral("a@example.org");
} // namespace author

class About : public Window {
    Q_OBJECT
  public:
    explicit About(Shell& shell) : Window(shell) {}
    void Label3_Click();
    void Label4_Click();

  protected:
    QWidget* build() override;
};

} // namespace wl
