#include "lookup.h"

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

std::string ownFolder() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return {};
    std::string self(buf, static_cast<size_t>(n));
    return self.substr(0, self.rfind('/'));
}

} // namespace

std::string findProgram(const std::string& name) {
    if (name.empty())
        return {};
    if (name.find('/') != std::string::npos)
        return isExecutableFile(name) ? name : std::string();
    // Built by append: GCC 12 warns falsely (-Wrestrict) on "literal" + string here.
    std::string candidate = ownFolder();
    candidate.append("/").append(name);
    if (isExecutableFile(candidate))
        return candidate;
    candidate.assign("./").append(name);
    if (isExecutableFile(candidate))
        return candidate;
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        std::string dir = dirs.substr(start, end - start);
        if (dir.empty())
            dir = ".";
        candidate.assign(dir).append("/").append(name);
        if (isExecutableFile(candidate))
            return candidate;
        start = end + 1;
    }
    return {};
}

} // namespace wl
