// SPDX-License-Identifier: GPL-3.0-or-later
#include "cache.h"

#include "launch.h"
#include "paths.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace wl {
namespace {

// A cached name is ours (a disc ID and a suffix): nothing that could leave the folder.
bool plainName(const std::string& name) {
    return !name.empty() && name[0] != '.' && name.find('/') == std::string::npos;
}

bool makeFolder(const std::string& folder) {
    const size_t slash = folder.rfind('/');
    if (slash != std::string::npos && slash > 0)
        mkdir(folder.substr(0, slash).c_str(), 0700); // ~/.cache itself may be missing
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

} // namespace

std::string cacheFolder() {
    const std::string cache = xdgFolder("XDG_CACHE_HOME", ".cache");
    return cache.empty() ? cache : cache + "/wavelathe";
}

std::string runtimeFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    if (!runtime || runtime[0] != '/' || lstat(runtime, &st) != 0 || !S_ISDIR(st.st_mode) ||
        st.st_uid != getuid() || (st.st_mode & 077) != 0)
        return {};
    return std::string(runtime) + "/wavelathe";
}

std::optional<std::string> readCached(const std::string& name, const std::string& folder) {
    if (folder.empty() || !plainName(name))
        return std::nullopt;
    const UniqueFd fd(::open((folder + "/" + name).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (!fd || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > (4 << 20))
        return std::nullopt;
    std::string text(static_cast<size_t>(st.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::read(fd.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return std::nullopt;
        done += static_cast<size_t>(n);
    }
    return text;
}

long cachedTime(const std::string& name) {
    const std::string folder = cacheFolder();
    struct stat st {};
    if (folder.empty() || !plainName(name) || lstat((folder + "/" + name).c_str(), &st) != 0)
        return 0;
    return static_cast<long>(st.st_mtime);
}

Status writeCached(const std::string& name, const std::string& text, const std::string& folder) {
    if (folder.empty() || !plainName(name))
        return fail("there is no cache folder");
    if (!makeFolder(folder))
        return fail(folder + ": " + errnoText());
    std::string temp = folder + "/." + name + ".XXXXXX";
    const UniqueFd fd(mkostemp(temp.data(), O_CLOEXEC));
    if (!fd)
        return fail(folder + ": " + errnoText());
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd.get(), text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const std::string why = n < 0 ? errnoText() : "the disc is full";
            unlink(temp.c_str());
            return fail(temp + ": " + why);
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd.get()) != 0 || rename(temp.c_str(), (folder + "/" + name).c_str()) != 0) {
        const std::string why = errnoText();
        unlink(temp.c_str());
        return fail(folder + "/" + name + ": " + why);
    }
    return ok();
}

void waitForTurn(const std::string& service, std::chrono::milliseconds gap) {
    const std::string folder = cacheFolder();
    if (folder.empty() || !makeFolder(folder))
        return;
    // The turn file's time of change is when the last request went out.
    const UniqueFd fd(::open((folder + "/." + service + ".turn").c_str(),
                             O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd || flock(fd.get(), LOCK_EX) != 0)
        return;
    struct stat st {};
    if (fstat(fd.get(), &st) == 0) {
        using namespace std::chrono;
        const auto last =
            system_clock::time_point(seconds(st.st_mtim.tv_sec) + nanoseconds(st.st_mtim.tv_nsec));
        // A clock set back makes the wait longer than the gap: then it is not waited for.
        const auto wait = last + gap - system_clock::now();
        if (wait > milliseconds(0) && wait <= gap)
            std::this_thread::sleep_for(wait);
    }
    futimens(fd.get(), nullptr);
    flock(fd.get(), LOCK_UN);
}

} // namespace wl
