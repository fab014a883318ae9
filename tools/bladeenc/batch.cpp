// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch.h"

#include "paths.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

namespace wl::bladeenc {

bool isPattern(const std::string& input) {
    return baseName(input).find_first_of("*?") != std::string::npos;
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    const std::string p = lower(pattern), n = lower(name);
    size_t pi = 0, ni = 0, star = std::string::npos, mark = 0;
    while (ni < n.size()) {
        if (pi < p.size() && (p[pi] == '?' || p[pi] == n[ni])) {
            ++pi;
            ++ni;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ni;
        } else if (star != std::string::npos) {
            pi = star + 1;
            ni = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

Result<std::vector<std::string>> expandPattern(const std::string& pattern) {
    const size_t slash = pattern.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : pattern.substr(0, slash + 1);
    const std::string prefix = slash == std::string::npos ? "" : dir;
    const std::string last = slash == std::string::npos ? pattern : pattern.substr(slash + 1);
    std::vector<std::string> names;
    DIR* d = opendir(dir.c_str());
    if (!d) {
        const std::string why = errno == ENOENT    ? "does not exist"
                                : errno == ENOTDIR ? "is not a folder"
                                                   : "cannot be read: " + errnoText();
        return Result<std::vector<std::string>>::fail("the folder " + dir + " " + why);
    }
    while (dirent* e = readdir(d)) {
        const std::string name = e->d_name;
        if (name == "." || name == ".." || (name[0] == '.' && last[0] != '.') ||
            !wildcardMatch(last, name))
            continue;
        struct stat st {};
        if (stat((dir + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            names.push_back(name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    for (std::string& n : names)
        n = prefix + n;
    return names;
}

} // namespace wl::bladeenc
