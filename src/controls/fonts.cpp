// SPDX-License-Identifier: GPL-3.0-or-later
#include "fonts.h"

#include <QStringList>

namespace wl {

QFont designFont(const QString& family, double points, bool bold, bool italic, bool underline) {
    QFont f(family);
    // Where the named font is missing, the nearest in width: the layout's fixed sizes were
    // made for a narrow dialog font, which a narrow sans-serif matches and the usual wide
    // defaults do not (they clip captions). The headings keep a Comic-style face.
    const bool comic = family.startsWith("Comic");
    f.setFamilies(comic
                      ? QStringList{family, "Comic Neue", "Comic Sans", "Liberation Sans Narrow"}
                      : QStringList{family, "Microsoft Sans Serif", "Liberation Sans Narrow",
                                    "Arial Narrow", "Nimbus Sans Narrow", "DejaVu Sans Condensed"});
    f.setStyleHint(comic ? QFont::Fantasy : QFont::SansSerif);
    // The sizes are points on a 96-dpi screen, and the windows' geometry is 96-dpi pixels: the
    // font goes by the same pixels, whatever the screen reports.
    f.setPixelSize(qRound(points * 96 / 72));
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    return f;
}

QFont dialogFont() { return designFont("MS Sans Serif", 8.25); }

} // namespace wl
