// SPDX-License-Identifier: GPL-3.0-or-later
#include "files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace wl {

std::string errnoText() { return std::strerror(errno); }

Result<InputFile> InputFile::open(const std::string& path) {
    using R = Result<InputFile>;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return R::fail("cannot open: " + errnoText());
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return R::fail("not a regular file");
    }
    return InputFile(fd, st);
}

InputFile::~InputFile() {
    if (fd_ >= 0)
        close(fd_);
}

int renameNoReplace(const std::string& from, const std::string& to) {
    return renameNoReplaceAt(AT_FDCWD, from, AT_FDCWD, to);
}

int renameNoReplaceAt(int fromFolder, const std::string& from, int toFolder,
                      const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (renameat2(fromFolder, from.c_str(), toFolder, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
#endif
    if (linkat(fromFolder, from.c_str(), toFolder, to.c_str(), 0) != 0)
        return errno;
    unlinkat(fromFolder, from.c_str(), 0);
    return 0;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace wl
