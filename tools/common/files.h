// SPDX-License-Identifier: GPL-3.0-or-later
// Files on disk: an input opened for reading, a rename that never replaces, a folder sync.
#pragma once
#include "result.h"

#include <string>
#include <sys/stat.h>
#include <vector>

namespace wl {

// An input opened for reading: a regular file, closed when this goes.
class InputFile {
  public:
    static Result<InputFile> open(const std::string& path);
    InputFile(InputFile&& other) noexcept : fd_(other.fd_), info_(other.info_) { other.fd_ = -1; }
    InputFile& operator=(InputFile&&) = delete;
    ~InputFile();
    int fd() const { return fd_; }
    const struct stat& info() const { return info_; }

  private:
    InputFile(int fd, const struct stat& info) : fd_(fd), info_(info) {}
    int fd_;
    struct stat info_;
};

// Puts from in place as to unless to exists (then errno is EEXIST): renameat2 where the file
// system has it, else a hard link (which never replaces) and the removal of the old name.
// 0 or an errno value.
int renameNoReplace(const std::string& from, const std::string& to);
// The same, each name relative to an open folder (or AT_FDCWD).
int renameNoReplaceAt(int fromFolder, const std::string& from, int toFolder, const std::string& to);
// Syncs a folder, so that a rename in it survives a crash.
void syncFolder(const std::string& folder);

} // namespace wl
