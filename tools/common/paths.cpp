// SPDX-License-Identifier: GPL-3.0-or-later
#include "paths.h"

#include <cstdlib>
#include <sys/stat.h>

namespace wl {

bool iequals(std::string_view a, std::string_view b) { return lower(a) == lower(b); }

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joinPath(const std::string& folder, const std::string& name) {
    if ((!name.empty() && name[0] == '/') || folder == "." || folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

bool sameFile(const std::string& a, const std::string& b) {
    if (a == b)
        return true;
    struct stat sa {
    }, sb{};
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

std::string replaceExtension(const std::string& path, const std::string& ext) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
        dot == (slash == std::string::npos ? 0 : slash + 1))
        return path + ext;
    return path.substr(0, dot) + ext;
}

std::string xdgFolder(const char* variable, const char* underHome) {
    if (const char* v = std::getenv(variable); v && *v == '/')
        return v;
    if (const char* h = std::getenv("HOME"); h && *h == '/')
        return std::string(h) + "/" + underHome;
    return {};
}

} // namespace wl
