// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags.h"

namespace wl {

std::u32string codePoints(std::string_view utf8, bool* wellFormed) {
    std::u32string out;
    if (wellFormed)
        *wellFormed = true;
    for (size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const size_t n = c < 0x80                 ? 1
                         : c >= 0xC2 && c <= 0xDF ? 2
                         : c >= 0xE0 && c <= 0xEF ? 3
                         : c >= 0xF0 && c <= 0xF4 ? 4
                                                  : 0;
        char32_t cp = n == 1 ? c : c & (0x7F >> n);
        size_t k = 1;
        for (; n > 1 && k < n && i + k < utf8.size(); ++k) {
            const auto next = static_cast<unsigned char>(utf8[i + k]);
            if ((next & 0xC0) != 0x80)
                break;
            cp = cp << 6 | (next & 0x3F);
        }
        const char32_t least = n == 3 ? 0x800 : n == 4 ? 0x10000 : 0;
        if (n == 0 || k < n || cp < least || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += U'\uFFFD';
            if (wellFormed)
                *wellFormed = false;
            ++i;
            continue;
        }
        out += cp;
        i += n;
    }
    return out;
}

} // namespace wl
