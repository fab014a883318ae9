// SPDX-License-Identifier: GPL-3.0-or-later
#include "safeoutput.h"

#include "files.h"
#include "paths.h"
#include "trash.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wl {

// ---- temporary files removed on a fatal signal ----
namespace {

constexpr size_t kPathMax = 4096;
constexpr size_t kNameMax = 255;
struct Slot {
    char path[kPathMax];
    std::atomic<int> used; // 0 free, 2 being filled, 1 holds a path to remove
};
// Sized once, before any worker starts, and never freed: the handler may read it at any time.
Slot* g_slots = nullptr;
unsigned g_slotCount = 0;

int claimSlot(const std::string& path) {
    if (path.size() >= kPathMax)
        return -1;
    for (unsigned i = 0; i < g_slotCount; ++i) {
        int expected = 0;
        if (g_slots[i].used.compare_exchange_strong(expected, 2)) {
            std::memcpy(g_slots[i].path, path.c_str(), path.size() + 1);
            g_slots[i].used.store(1);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void releaseSlot(int slot) {
    if (slot >= 0)
        g_slots[slot].used.store(0);
}

// Files first, then the folders they emptied (rmdir fails on a file, unlink on a folder).
extern "C" void onFatalSignal(int sig) {
    for (unsigned i = 0; i < g_slotCount; ++i)
        if (g_slots[i].used.load() == 1)
            unlink(g_slots[i].path);
    for (unsigned i = 0; i < g_slotCount; ++i)
        if (g_slots[i].used.load() == 1)
            rmdir(g_slots[i].path);
    _exit(128 + sig);
}

} // namespace

void installSignalCleanup(unsigned writers) {
    if (writers > g_slotCount) {
        // Each writer holds at most one temporary file at a time; four more for a disc image's
        // private folder with its two links, and a spare.
        g_slotCount = 0;
        g_slots = new Slot[writers + 4]();
        g_slotCount = writers + 4;
    }
    struct sigaction sa {};
    sa.sa_handler = onFatalSignal;
    sigemptyset(&sa.sa_mask);
    // A library's failed assertion or crash ends the process too, never with a file left.
    for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        sigaction(sig, &sa, nullptr);
    signal(SIGPIPE, SIG_IGN);
    // Past a file-size limit a write fails with EFBIG and is reported, instead of killing the
    // process with the temporary file left behind.
    signal(SIGXFSZ, SIG_IGN);
}

RemovedOnSignal::RemovedOnSignal(const std::string& path) : slot_(claimSlot(path)) {}
RemovedOnSignal::~RemovedOnSignal() { releaseSlot(slot_); }

// ---- SafeOutput ----

SafeOutput::~SafeOutput() { discard(); }

Status SafeOutput::open(const std::string& target, Existing existing) {
    discard();
    target_ = target;
    existing_ = existing;
    trashedOld_ = false;
    // Renaming over a device, folder or pipe would replace it: only regular files are outputs.
    struct stat st {};
    if (stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return fail("the output " + target + " exists and is not a regular file");
    if (existing == Existing::Refuse && lstat(target.c_str(), &st) == 0)
        return fail(target + " exists already");
    // Named after its target, so that one left behind by a SIGKILL says what it was; a long
    // name is shortened so that the temporary name stays within 255 bytes.
    std::string templ =
        folderOf(target) + "/." + baseName(target).substr(0, kNameMax - 11) + ".wl-XXXXXX";
    const int slot = claimSlot(templ);
    const int fd = mkostemp(slot >= 0 ? g_slots[slot].path : templ.data(), O_CLOEXEC);
    if (fd < 0) {
        const std::string why = errnoText();
        releaseSlot(slot);
        return fail("cannot write in the output folder: " + why);
    }
    temp_ = slot >= 0 ? std::string(g_slots[slot].path) : templ;
    slot_ = slot;
    // Same permissions as a file the user would create.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    f_ = fdopen(fd, "wb");
    if (!f_) {
        close(fd);
        discard();
        return fail("cannot open the output: " + errnoText());
    }
    static thread_local char buffer[1 << 16];
    setvbuf(f_, buffer, _IOFBF, sizeof buffer);
    failed_ = false;
    written_ = writeback_ = 0;
    return ok();
}

Status SafeOutput::write(const void* data, size_t size) {
    if (failed_ || !f_)
        return fail("write failed");
    if (size && std::fwrite(data, 1, size, f_) != size) {
        failed_ = true;
        return fail("cannot write the output: " + errnoText());
    }
    // The disk starts on what is written while the work goes on, so that the sync before the
    // output is put in place has little left to wait for.
    written_ += size;
    if (written_ - writeback_ >= kWritebackStep && std::fflush(f_) == 0) {
        sync_file_range(fileno(f_), static_cast<off_t>(writeback_),
                        static_cast<off_t>(written_ - writeback_), SYNC_FILE_RANGE_WRITE);
        writeback_ = written_;
    }
    return ok();
}

Status SafeOutput::writeAt(long offset, const void* data, size_t size) {
    if (failed_ || !f_)
        return fail("write failed");
    if (std::fflush(f_) != 0 || std::fseek(f_, offset, SEEK_SET) != 0) {
        failed_ = true;
        return fail("cannot write the output: " + errnoText());
    }
    Status s = write(data, size);
    if (s && std::fseek(f_, 0, SEEK_END) != 0) {
        failed_ = true;
        return fail("cannot write the output: " + errnoText());
    }
    return s;
}

Status SafeOutput::commit() {
    if (failed_ || !f_)
        return fail("write failed");
    auto failWith = [this](const std::string& why) {
        discard();
        return fail(why);
    };
    // The new file takes the place of an old one with the old one's permission bits.
    struct stat old {};
    if (existing_ == Existing::ToTrash && lstat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        fchmod(fileno(f_), old.st_mode & 07777);
    // Flush before the rename to catch a full disk here rather than leave a short file.
    if (std::fflush(f_) != 0 || fsync(fileno(f_)) != 0)
        return failWith("cannot write the output: " + errnoText());
    const int rc = std::fclose(f_);
    f_ = nullptr;
    if (rc != 0)
        return failWith("cannot write the output: " + errnoText());
    // Another job may put a file of the name in place, or move the old one away, at any
    // moment: the new file goes in only by a no-replace rename, and what it finds there goes
    // to the Trash first (with Refuse the rename fails on it). A few rounds settle any race.
    for (int round = 0; round < kReplaceRounds; ++round) {
        struct stat there {};
        const bool exists = lstat(target_.c_str(), &there) == 0;
        if (exists && !S_ISREG(there.st_mode))
            return failWith("the output " + target_ + " exists and is not a regular file");
        if (exists && existing_ == Existing::ToTrash) {
            const auto trashed = moveToTrash(target_);
            if (!trashed)
                return failWith("cannot move the old " + target_ +
                                " to the Trash: " + trashed.error());
            trashedOld_ = trashedOld_ || *trashed == Trashed::Moved;
        }
        const int err = renameNoReplace(temp_, target_);
        if (err == EEXIST && existing_ == Existing::ToTrash)
            continue; // another job's file arrived in between: it goes to the Trash too
        if (err != 0)
            return failWith(err == EEXIST ? target_ + " exists already; it was kept"
                                          : "cannot put the output in place: " +
                                                std::string(std::strerror(err)));
        syncFolder(folderOf(target_));
        releaseSlot(slot_);
        slot_ = -1;
        temp_.clear();
        return ok();
    }
    return failWith("cannot put the output in place: " + target_ +
                    " keeps being replaced by another program");
}

void SafeOutput::discard() {
    if (f_) {
        std::fclose(f_);
        f_ = nullptr;
    }
    if (!temp_.empty())
        unlink(temp_.c_str());
    temp_.clear();
    releaseSlot(slot_);
    slot_ = -1;
}

} // namespace wl
