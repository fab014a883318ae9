// SPDX-License-Identifier: GPL-3.0-or-later
#include "sheet.h"

#include "paths.h"

namespace wl {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

// The first word of a line, lower-cased, and what follows it.
std::pair<std::string, std::string_view> keywordOf(std::string_view line) {
    line = trimmed(line);
    const size_t end = line.find_first_of(" \t");
    if (end == std::string_view::npos)
        return {lower(line), {}};
    return {lower(line.substr(0, end)), trimmed(line.substr(end))};
}

bool namesOnly(const std::string& keyword) {
    return keyword == "title" || keyword == "performer" || keyword == "songwriter";
}

// "a "quoted" b" stays whole: from the first quote to the last.
std::string valueOf(std::string_view rest) {
    if (rest.size() >= 2 && rest.front() == '"') {
        const size_t last = rest.rfind('"');
        rest = last > 0 ? rest.substr(1, last - 1) : rest.substr(1);
    }
    std::string text = legacyText(rest);
    for (char& c : text)
        if (c == '\t')
            c = ' ';
    return text;
}

} // namespace

std::vector<std::string_view> sheetLines(std::string_view sheet) {
    if (sheet.substr(0, kByteOrderMark.size()) == kByteOrderMark)
        sheet.remove_prefix(kByteOrderMark.size());
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < sheet.size()) {
        size_t end = sheet.find_first_of("\r\n", start);
        if (end == std::string_view::npos)
            end = sheet.size();
        lines.push_back(sheet.substr(start, end - start));
        start = end + (sheet.substr(end, 2) == "\r\n" ? 2 : 1);
    }
    return lines;
}

std::string normalisedSheet(std::string_view sheet) {
    std::string out;
    for (const std::string_view line : sheetLines(sheet)) {
        if (namesOnly(keywordOf(line).first))
            continue;
        out.append(line).append("\n");
    }
    return out;
}

SheetNames sheetNames(std::string_view sheet) {
    SheetNames names;
    int track = 0;
    for (const std::string_view line : sheetLines(sheet)) {
        const auto [keyword, rest] = keywordOf(line);
        if (keyword == "track") {
            const std::string_view number = rest.substr(0, rest.find_first_of(" \t"));
            track = 0;
            for (const char c : number)
                track = c >= '0' && c <= '9' && track < 100 ? track * 10 + (c - '0') : 100;
            continue;
        }
        if (!namesOnly(keyword) || track > 99)
            continue;
        SheetEntry& entry = names[track];
        (keyword == "title"       ? entry.title
         : keyword == "performer" ? entry.performer
                                  : entry.songwriter) = valueOf(rest);
    }
    return names;
}

Tags trackTags(const SheetNames& names, int track) {
    const auto get = [&](int of) {
        const auto it = names.find(of);
        return it == names.end() ? SheetEntry{} : it->second;
    };
    const SheetEntry own = get(track), disc = get(0);
    Tags tags;
    tags.title = own.title;
    for (const std::string* artist :
         {&own.performer, &disc.performer, &disc.songwriter, &own.songwriter})
        if (tags.artist.empty())
            tags.artist = *artist;
    tags.album = disc.title;
    if (!tags.empty())
        tags.track = std::to_string(track);
    return tags;
}

} // namespace wl
