// SPDX-License-Identifier: GPL-3.0-or-later
#include "discfiles.h"

#include <fstream>
#include <sstream>
#include <sys/stat.h>

namespace wl {
namespace {

using Files = Result<std::vector<std::string>>;

bool hasExtension(const std::string& path, const char* ext) {
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && iequals(path.substr(dot), ext);
}

// The second word of a line, quoted or not.
std::string nameAfterKeyword(std::string_view line, size_t from) {
    while (from < line.size() && (line[from] == ' ' || line[from] == '\t'))
        ++from;
    if (from < line.size() && line[from] == '"') {
        const size_t end = line.find('"', from + 1);
        return std::string(line.substr(
            from + 1, end == std::string_view::npos ? std::string_view::npos : end - from - 1));
    }
    const size_t end = line.find_first_of(" \t", from);
    return std::string(line.substr(from, end == std::string_view::npos ? end : end - from));
}

} // namespace

std::vector<std::string> namedDataFiles(std::string_view sheet) {
    std::vector<std::string> names;
    size_t start = 0;
    while (start < sheet.size()) {
        size_t end = sheet.find('\n', start);
        if (end == std::string_view::npos)
            end = sheet.size();
        std::string_view line = sheet.substr(start, end - start);
        start = end + 1;
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            continue;
        const size_t wordEnd = line.find_first_of(" \t", first);
        const std::string keyword = lower(
            line.substr(first, wordEnd == std::string_view::npos ? wordEnd : wordEnd - first));
        if (wordEnd == std::string_view::npos ||
            (keyword != "file" && keyword != "datafile" && keyword != "audiofile"))
            continue;
        std::string name = nameAfterKeyword(line, wordEnd);
        if (!name.empty() && name.back() == '\r')
            name.pop_back();
        if (!name.empty())
            names.push_back(name);
    }
    return names;
}

Files discFiles(const std::string& device) {
    struct stat st {};
    if (stat(device.c_str(), &st) != 0)
        return Files::fail(device + ": no such drive or disc image");
    if (S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode))
        return std::vector<std::string>{};
    if (S_ISDIR(st.st_mode))
        return Files::fail(device + " is a folder, not a drive or a disc image");
    if (!S_ISREG(st.st_mode))
        return Files::fail(device + " is not a regular file");
    std::vector<std::string> files{device};
    if (!hasExtension(device, ".cue") && !hasExtension(device, ".toc"))
        return files;
    if (st.st_size > (1 << 20))
        return Files::fail(device + ": too large for a CUE sheet or TOC file");
    std::ifstream in(device, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const size_t slash = device.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : device.substr(0, slash + 1);
    const std::vector<std::string> names = namedDataFiles(text.str());
    if (names.empty())
        return Files::fail(device + ": no audio tracks (the sheet names no data file)");
    for (const std::string& name : names) {
        const std::string path = name[0] == '/' ? name : folder + name;
        struct stat data {};
        if (stat(path.c_str(), &data) != 0)
            return Files::fail(path + " (named by " + device + ") is missing");
        if (!S_ISREG(data.st_mode))
            return Files::fail(path + " (named by " + device + ") is not a regular file");
        files.push_back(path);
    }
    return files;
}

} // namespace wl
