// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolkit.h"

#include "jobprotocol.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace wl {

bool iequals(std::string_view a, std::string_view b) { return lower(a) == lower(b); }

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string errnoText() { return std::strerror(errno); }

std::string baseName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

Status takeInputOutput(const std::vector<std::string>& names, std::string& input,
                       std::string& output) {
    if (names.empty())
        return fail("no input file given");
    if (names.size() > 2)
        return fail("too many file names (\"" + names[2] + "\")");
    input = names[0];
    output = names.size() == 2 ? names[1] : std::string();
    return ok();
}

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

// ---- temporary files removed on a fatal signal ----
namespace {

constexpr size_t kPathMax = 4096;
constexpr size_t kNameMax = 255;
struct Slot {
    char path[kPathMax];
    std::atomic<int> used; // 0 free, 2 being filled, 1 holds a temporary file
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

extern "C" void onFatalSignal(int sig) {
    for (unsigned i = 0; i < g_slotCount; ++i)
        if (g_slots[i].used.load() == 1)
            unlink(g_slots[i].path);
    _exit(128 + sig);
}

} // namespace

void installSignalCleanup(unsigned writers) {
    if (writers > g_slotCount) {
        // Each writer holds at most one temporary file at a time; two spare.
        g_slotCount = 0;
        g_slots = new Slot[writers + 2]();
        g_slotCount = writers + 2;
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

// ---- SafeOutput ----
namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

// Puts from in place as to unless to exists: renameat2 where the file system has it, else a
// hard link (which never replaces) and the removal of the old name.
int renameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
#endif
    if (link(from.c_str(), to.c_str()) != 0)
        return -1;
    unlink(from.c_str());
    return 0;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

} // namespace

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
    std::string templ = folderOf(target) + "/." + baseName(target).substr(0, kNameMax - 11) +
                        ".wl-XXXXXX";
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
    return ok();
}

Status SafeOutput::write(const void* data, size_t size) {
    if (failed_ || !f_)
        return fail("write failed");
    if (size && std::fwrite(data, 1, size, f_) != size) {
        failed_ = true;
        return fail("cannot write the output: " + errnoText());
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
    // An existing file is replaced only with ToTrash (it goes to the Trash first); with Refuse
    // the no-replace rename below fails on it.
    struct stat old {};
    const bool exists = lstat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return failWith("the output " + target_ + " exists and is not a regular file");
    const bool replace = exists && existing_ == Existing::ToTrash;
    // The new file takes the place of the old one with the old one's permission bits.
    if (replace)
        fchmod(fileno(f_), old.st_mode & 07777);
    // Flush before the rename to catch a full disk here rather than leave a short file.
    if (std::fflush(f_) != 0 || fsync(fileno(f_)) != 0)
        return failWith("cannot write the output: " + errnoText());
    const int rc = std::fclose(f_);
    f_ = nullptr;
    if (rc != 0)
        return failWith("cannot write the output: " + errnoText());
    if (replace) {
        const std::string why = moveToTrash(target_);
        if (!why.empty())
            return failWith("cannot move the old " + target_ + " to the Trash: " + why);
        trashedOld_ = true;
    }
    if (renameNoReplace(temp_, target_) != 0) {
        const std::string why = errno == EEXIST ? target_ + " exists already; it was kept"
                                                : "cannot put the output in place: " + errnoText();
        return failWith(why);
    }
    syncFolder(folderOf(target_));
    releaseSlot(slot_);
    slot_ = -1;
    temp_.clear();
    return ok();
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

// ---- WavWriter ----
namespace {

void put16(unsigned char* p, unsigned v) {
    p[0] = v & 0xff;
    p[1] = (v >> 8) & 0xff;
}
void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = (v >> (8 * i)) & 0xff;
}

void wavHeader(unsigned char h[44], int rate, int channels, uint32_t data) {
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + data);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, static_cast<unsigned>(channels));
    put32(h + 24, static_cast<uint32_t>(rate));
    put32(h + 28, static_cast<uint32_t>(rate * channels * 2));
    put16(h + 32, static_cast<unsigned>(channels * 2));
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, data);
}

} // namespace

Status WavWriter::open(const std::string& target, int rate, int channels, Existing existing) {
    rate_ = rate;
    channels_ = channels;
    bytes_ = 0;
    if (Status s = out_.open(target, existing); !s)
        return s;
    unsigned char h[44];
    wavHeader(h, rate, channels, 0);
    return out_.write(h, sizeof h);
}

Status WavWriter::write(const void* pcm, size_t bytes) {
    if (bytes_ + bytes > kMaxData)
        return fail("the WAV would exceed the 4 GiB limit of the format");
    bytes_ += bytes;
    return out_.write(pcm, bytes);
}

Status WavWriter::finish() {
    unsigned char h[44];
    wavHeader(h, rate_, channels_, static_cast<uint32_t>(bytes_));
    if (Status s = out_.writeAt(0, h, sizeof h); !s)
        return s;
    return out_.commit();
}

// ---- terminal and progress channel ----

bool stderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

void Progress::update(double fraction, double audioSeconds) {
    const auto now = std::chrono::steady_clock::now();
    // The channel gets a few updates a second, and always the last one.
    const int permille = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 1000);
    if (permille != sentPermille_ &&
        (permille == 1000 || now - lastSent_ >= std::chrono::milliseconds(100))) {
        sentPermille_ = permille;
        lastSent_ = now;
        sendUpdate("progress", std::to_string(permille));
    }
    if (!terminal_)
        return;
    if (shown_ && now - last_ < std::chrono::milliseconds(250) && fraction < 1.0)
        return;
    last_ = now;
    shown_ = true;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    const double speed = elapsed > 0 ? audioSeconds / elapsed : 0;
    std::fprintf(stderr, "\r%3d%%  %.1fx ", static_cast<int>(fraction * 100 + 0.5), speed);
    std::fflush(stderr);
}

void Progress::clear() {
    if (terminal_ && shown_)
        std::fprintf(stderr, "\r                    \r");
    shown_ = false;
}

OutputReport outputReport(const std::string& name, bool trashedOld) {
    OutputReport r{"Done " + name + "\n", {}};
    if (trashedOld) {
        r.text += "the old " + name + " is in the Trash\n";
        r.updates.push_back({"trashed", name});
    }
    r.updates.push_back({"output", name});
    return r;
}

void reportOutput(const std::string& name, bool trashedOld) {
    const OutputReport r = outputReport(name, trashedOld);
    std::fputs(r.text.c_str(), stderr);
    for (const Update& u : r.updates)
        sendUpdate(u.keyword, u.text);
}

const char* programVersion() { return WL_VERSION; }

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

} // namespace wl
