// SPDX-License-Identifier: GPL-3.0-or-later
#include "lookup.h"
#include "programs.h"

#include "paths.h"

#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace wl {
namespace {

bool isExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

} // namespace

std::string ownFolder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    return folderOf(std::string(buf, static_cast<size_t>(n)));
}

std::string findOnPath(const std::string& name) {
    if (name.empty() || name.find('/') != std::string::npos)
        return {};
    const char* path = std::getenv("PATH");
    const std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        // An empty PATH entry would mean the current folder: skipped.
        if (end > start && dirs[start] == '/') {
            std::string candidate = dirs.substr(start, end - start);
            candidate.push_back('/');
            candidate.append(name);
            if (isExecutableFile(candidate))
                return candidate;
        }
        start = end + 1;
    }
    return {};
}

std::string findProgram(const std::string& name) {
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return isExecutableFile(name) ? name : std::string();
    std::string candidate = ownFolder();
    candidate.push_back('/');
    candidate.append(name);
    if (isExecutableFile(candidate))
        return candidate;
    static const char* const kDesigned[] = {program::kBladeEnc, program::kL3dec, program::kCdda,
                                            program::kNotepad, program::kStart};
    for (const char* designed : kDesigned) {
        if (name != designed)
            continue;
        candidate = "./";
        candidate.append(name);
        if (isExecutableFile(candidate))
            return candidate;
    }
    return findOnPath(name);
}

} // namespace wl
