// SPDX-License-Identifier: GPL-3.0-or-later
// The user's Trash as freedesktop.org lays it out: the home Trash ($XDG_DATA_HOME/Trash) for a
// file on the same file system, else the volume's own $topdir/.Trash/$uid (only when .Trash is a
// real, sticky folder of root's) or $topdir/.Trash-$uid, either only when it is a real folder
// of the user's with mode 0700. A file moves only after its complete .trashinfo is on disk;
// every failure ends the attempt with the file where it was.
#include "trash.h"

#include "files.h"
#include "launch.h"
#include "paths.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace wl {
namespace {

// How many names ("song.mp3", "song.mp3.2", ...) are tried before the Trash counts as full.
constexpr int kNameTries = 1000;
// Room for ".NNNN.trashinfo" within a 255-byte file name.
constexpr size_t kMaxEntry = 200;
constexpr const char* kNotHome = "not on the home file system";

// A Trash folder, open: every check is made on what was opened, never on a path that could
// be changed between the check and the use.
struct TrashDir {
    std::string path; // holds files/ and info/, for messages
    std::string top;  // for a volume's Trash, the volume's top folder; empty for the home Trash
    UniqueFd files, info;
};

std::string reasonOf(int err) { return std::strerror(err); }

// How much a folder of the Trash must be the user's own.
enum class Owned {
    ByUser,    // a real folder (not a link) owned by the user
    Privately, // and, as the volume's Trash folder itself, with mode 0700
};

// Opens name in the open folder at, made private (0700) when missing; refused when it is a
// link, not a folder, or not owned as asked.
Result<UniqueFd> openOwnFolder(int at, const std::string& name, const std::string& shown,
                               Owned owned) {
    using R = Result<UniqueFd>;
    if (mkdirat(at, name.c_str(), 0700) != 0 && errno != EEXIST)
        return R::fail(shown + ": " + reasonOf(errno));
    UniqueFd fd(openat(at, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd)
        return R::fail(errno == ELOOP || errno == ENOTDIR ? shown + " is not a folder"
                                                          : shown + ": " + reasonOf(errno));
    struct stat st {};
    if (fstat(fd.get(), &st) != 0)
        return R::fail(shown + ": " + reasonOf(errno));
    if (st.st_uid != getuid())
        return R::fail(shown + " is not a Trash folder of yours (another user owns it)");
    if (owned == Owned::Privately && (st.st_mode & 07777) != 0700)
        return R::fail(shown + " is not a Trash folder of yours (others may use it)");
    return fd;
}

// files/ and info/ in an open Trash folder.
Result<TrashDir> openTrash(const UniqueFd& dir, const std::string& path, const std::string& top) {
    TrashDir trash{path, top, {}, {}};
    for (auto [name, fd] : {std::pair{"files", &trash.files}, std::pair{"info", &trash.info}}) {
        auto opened = openOwnFolder(dir.get(), name, path + "/" + name, Owned::ByUser);
        if (!opened)
            return Result<TrashDir>::fail(opened.error());
        *fd = std::move(*opened);
    }
    return trash;
}

// A folder of ours on the way to the home Trash: made private when missing, refused when it is
// anything but a folder.
std::optional<std::string> ensurePrivateDir(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return path + ": " + reasonOf(errno);
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0)
        return path + ": " + reasonOf(errno);
    if (!S_ISDIR(st.st_mode))
        return path + " is not a folder";
    return std::nullopt;
}

std::string homeDataDir() { return xdgFolder("XDG_DATA_HOME", ".local/share"); }

// The folder holding path, absolute and with links resolved.
std::optional<std::string> realFolderOf(const std::string& path) {
    char buf[PATH_MAX];
    if (!realpath(folderOf(path).c_str(), buf))
        return std::nullopt;
    return std::string(buf);
}

// The top folder of the file system that holds folder: the last ancestor on the same device.
std::string topDirOf(const std::string& folder, dev_t device) {
    std::string top = folder;
    while (top != "/") {
        const std::string parent = folderOf(top);
        struct stat st {};
        if (stat(parent.c_str(), &st) != 0 || st.st_dev != device)
            break;
        top = parent;
    }
    return top;
}

Result<TrashDir> homeTrash(dev_t device) {
    using R = Result<TrashDir>;
    const std::string data = homeDataDir();
    if (data.empty())
        return R::fail("there is no home folder");
    // A fresh account may have no ~/.local/share yet: what is missing is made private, as for
    // the Trash itself, when the nearest folder that exists is on the file's file system.
    struct stat st {};
    if (stat(data.c_str(), &st) != 0) {
        std::vector<std::string> missing{data};
        while (stat(folderOf(missing.back()).c_str(), &st) != 0 && missing.back() != "/")
            missing.push_back(folderOf(missing.back()));
        if (st.st_dev != device)
            return R::fail(kNotHome);
        for (auto d = missing.rbegin(); d != missing.rend(); ++d)
            if (auto why = ensurePrivateDir(*d))
                return R::fail(*why);
    }
    // The data folder may be a link of the user's; the Trash in it may not.
    const UniqueFd dataDir(::open(data.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dataDir || fstat(dataDir.get(), &st) != 0)
        return R::fail(data + ": " + reasonOf(errno));
    if (st.st_dev != device)
        return R::fail(kNotHome);
    auto dir = openOwnFolder(dataDir.get(), "Trash", data + "/Trash", Owned::ByUser);
    if (!dir)
        return R::fail(dir.error());
    return openTrash(*dir, data + "/Trash", {});
}

// $top/.Trash/$uid when .Trash is a real, sticky folder of root's (an administrator's shared
// Trash) and the folder in it is the user's alone; else $top/.Trash-$uid, the user's alone.
Result<TrashDir> volumeTrash(const std::string& top) {
    using R = Result<TrashDir>;
    const std::string uid = std::to_string(getuid());
    const std::string base = top == "/" ? "" : top;
    const UniqueFd topDir(::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!topDir)
        return R::fail(top + ": " + reasonOf(errno));
    const UniqueFd shared(
        openat(topDir.get(), ".Trash", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    if (shared && fstat(shared.get(), &st) == 0 && (st.st_mode & S_ISVTX) && st.st_uid == 0) {
        const std::string path = base + "/.Trash/" + uid;
        if (auto dir = openOwnFolder(shared.get(), uid, path, Owned::Privately))
            if (auto trash = openTrash(*dir, path, top))
                return trash;
    }
    const std::string own = ".Trash-" + uid;
    auto dir = openOwnFolder(topDir.get(), own, base + "/" + own, Owned::Privately);
    if (!dir)
        return R::fail(dir.error());
    return openTrash(*dir, base + "/" + own, top);
}

// Path= of a .trashinfo: URL-escaped, as the freedesktop.org Trash layout asks.
std::string escapePath(const std::string& path) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::string_view("-_.~/!*'()").find(static_cast<char>(c)) != std::string_view::npos;
        if (plain) {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string deletionDate() {
    const std::time_t now = std::time(nullptr);
    struct tm local {};
    localtime_r(&now, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &local);
    return buf;
}

// Writes info/NAME.trashinfo whole and on disk; EEXIST when the name is taken.
int writeInfo(int infoDir, const std::string& name, const std::string& text) {
    const int fd =
        openat(infoDir, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    size_t done = 0;
    int err = 0;
    while (done < text.size() && !err) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            err = n < 0 ? errno : ENOSPC;
        else
            done += static_cast<size_t>(n);
    }
    if (!err && fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && !err)
        err = errno;
    if (err)
        unlinkat(infoDir, name.c_str(), 0);
    return err;
}

} // namespace

Result<Trashed> moveToTrash(const std::string& path) {
    using R = Result<Trashed>;
    struct stat file {};
    if (lstat(path.c_str(), &file) != 0)
        return errno == ENOENT ? R(Trashed::AlreadyGone) : R::fail(reasonOf(errno));
    const auto folder = realFolderOf(path);
    if (!folder)
        return R::fail("its folder cannot be resolved: " + reasonOf(errno));
    const std::string absolute = (*folder == "/" ? "" : *folder) + "/" + baseName(path);
    auto trash = homeTrash(file.st_dev);
    if (!trash && trash.error() == kNotHome)
        trash = volumeTrash(topDirOf(*folder, file.st_dev));
    if (!trash)
        return R::fail(trash.error());
    // The home Trash records the absolute path, a volume's Trash the path below its top.
    const std::string& top = trash->top;
    const std::string recorded =
        top.empty() || top == "/" ? absolute : absolute.substr(top.size() + 1);
    const std::string info =
        "[Trash Info]\nPath=" + escapePath(recorded) + "\nDeletionDate=" + deletionDate() + "\n";
    const std::string name = baseName(path);
    // A long name is shortened in the Trash (never inside a UTF-8 sequence); Path= keeps it.
    std::string stem = name;
    if (stem.size() > kMaxEntry) {
        size_t cut = kMaxEntry;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;
        stem.resize(cut);
    }
    for (int i = 1; i <= kNameTries; ++i) {
        const std::string entry = i == 1 ? stem : stem + "." + std::to_string(i);
        const std::string infoName = entry + ".trashinfo";
        const int err = writeInfo(trash->info.get(), infoName, info);
        if (err == EEXIST)
            continue;
        if (err)
            return R::fail("cannot write " + trash->path + "/info/" + infoName + ": " +
                           reasonOf(err));
        const int moved = renameNoReplaceAt(AT_FDCWD, path, trash->files.get(), entry);
        if (moved == 0) {
            fsync(trash->files.get());
            syncFolder(*folder);
            return Trashed::Moved;
        }
        unlinkat(trash->info.get(), infoName.c_str(), 0);
        // Another job may have moved it first: an old file that is gone is nothing to keep.
        if (moved == ENOENT)
            return Trashed::AlreadyGone;
        if (moved != EEXIST)
            return R::fail(reasonOf(moved));
    }
    return R::fail("the Trash holds too many files named " + name);
}

} // namespace wl
