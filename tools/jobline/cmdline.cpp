// SPDX-License-Identifier: GPL-3.0-or-later
#include "cmdline.h"

namespace wl {

std::optional<std::vector<std::string>> tokenizeLine(std::string_view line) {
    if (line.find('\0') != std::string_view::npos || line.find('\n') != std::string_view::npos)
        return std::nullopt;
    std::vector<std::string> words;
    size_t i = 0;
    const size_t n = line.size();
    while (true) {
        while (i < n && line[i] == ' ')
            ++i;
        if (i >= n)
            break;
        const bool programName = words.empty();
        std::string word;
        bool quoted = false;
        while (i < n) {
            const char c = line[i];
            if (quoted) {
                if (c == '"') {
                    if (i + 1 < n && line[i + 1] == '"') {
                        word += '"';
                        i += 2;
                        continue;
                    }
                    quoted = false;
                } else {
                    word += c;
                }
                ++i;
                continue;
            }
            if (c == ' ')
                break;
            if (c == '/' && programName && !word.empty())
                break;
            if (c == '"')
                quoted = true;
            else
                word += c;
            ++i;
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::vector<std::string_view> scriptLines(std::string_view script) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    while (start < script.size()) {
        size_t end = script.find('\n', start);
        const size_t next = end == std::string_view::npos ? script.size() : end + 1;
        if (end == std::string_view::npos)
            end = script.size();
        std::string_view line = script.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        start = next;
    }
    return lines;
}

std::string quoteWord(std::string_view word) {
    if (word.find_first_of(" \t\"") == std::string_view::npos)
        return std::string(word);
    std::string out = "\"";
    for (char c : word) {
        out += c;
        if (c == '"')
            out += '"';
    }
    out += '"';
    return out;
}

} // namespace wl
