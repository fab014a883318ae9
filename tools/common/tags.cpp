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

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

namespace {

// Windows-1252's characters at 0x80-0x9F; the five it leaves undefined read as U+FFFD.
constexpr char32_t kWindows1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

} // namespace

std::string legacyText(std::string_view bytes) {
    bool wellFormed = false;
    codePoints(bytes, &wellFormed);
    if (wellFormed)
        return std::string(bytes);
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        appendUtf8(out, b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char32_t(b));
    }
    return out;
}

} // namespace wl
