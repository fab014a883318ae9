// SPDX-License-Identifier: GPL-3.0-or-later
// Output files never seen half written and never replacing a file (the old one goes to the Trash).
// A temporary file is put in place by a no-replace rename, and removed on a fatal signal.
#pragma once
#include "result.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>

namespace wl {

// Ctrl-C, SIGTERM and a closed terminal remove every registered temporary file and end the
// process at once, so an interrupted job never leaves a partial file behind. The table holds
// one temporary file per worker that may write at the same time.
void installSignalCleanup(unsigned writers = 1);

// A path that a fatal signal removes while this lives: a file, or a folder once the files in
// it are gone. Registered only where installSignalCleanup() made room for it.
class RemovedOnSignal {
  public:
    explicit RemovedOnSignal(const std::string& path);
    RemovedOnSignal(RemovedOnSignal&& other) noexcept : slot_(std::exchange(other.slot_, -1)) {}
    RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;
    ~RemovedOnSignal();

  private:
    int slot_;
};

// Where a tool's output bytes go.
class ByteSink {
  public:
    virtual ~ByteSink() = default;
    virtual Status write(const void* data, size_t size) = 0;
    virtual Status writeAt(long offset, const void* data, size_t size) = 0;
};

// What happens to an existing file of the target's name when the new one is put in place.
enum class Existing {
    ToTrash, // it goes to the user's Trash first; the new file keeps its permission bits
    Refuse,  // the job fails and the file stays
};

// A file written under a temporary name (".NAME.wl-XXXXXX") in the destination folder and put
// in place only by commit(): a reader never sees half a file, and no existing file is ever
// overwritten: it goes to the Trash first, or the commit fails. Destroying it uncommitted
// removes the temporary file.
class SafeOutput : public ByteSink {
  public:
    SafeOutput() = default;
    ~SafeOutput() override;
    SafeOutput(const SafeOutput&) = delete;
    SafeOutput& operator=(const SafeOutput&) = delete;

    Status open(const std::string& target, Existing existing = Existing::ToTrash);
    // Changes, before commit(), what happens to an existing file of the name.
    void setExisting(Existing existing) { existing_ = existing; }
    Status write(const void* data, size_t size) override;
    Status writeAt(long offset, const void* data, size_t size) override;
    // Flushes and syncs the file, moves an existing file of the name to the Trash, puts the new
    // file in place without replacing anything, and syncs its folder.
    Status commit();
    void discard();
    // After commit(): an older file of the same name went to the Trash.
    bool trashedOld() const { return trashedOld_; }

  private:
    std::string target_, temp_;
    std::FILE* f_ = nullptr;
    int slot_ = -1;
    uint64_t written_ = 0, writeback_ = 0; // bytes written, and handed to the disk so far
    static constexpr uint64_t kWritebackStep = 4 << 20;
    static constexpr int kReplaceRounds = 8;
    bool failed_ = false;
    bool trashedOld_ = false;
    Existing existing_ = Existing::ToTrash;
};

} // namespace wl
