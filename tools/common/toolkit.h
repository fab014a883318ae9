// SPDX-License-Identifier: GPL-3.0-or-later
// Pieces every audio tool shares: results, safe output files, signal clean-up, progress lines
// and the WAV writer.
#pragma once

#include "jobprotocol.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <variant>
#include <vector>

namespace wl {

// A value or the text of what went wrong.
template <class T> class Result {
  public:
    Result(T value) : v_(std::move(value)) {}
    static Result fail(std::string why) { return Result(Error{std::move(why)}); }
    bool ok() const { return v_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& operator*() { return std::get<0>(v_); }
    const T& operator*() const { return std::get<0>(v_); }
    T* operator->() { return &std::get<0>(v_); }
    const T* operator->() const { return &std::get<0>(v_); }
    const std::string& error() const { return std::get<1>(v_).why; }

  private:
    struct Error {
        std::string why;
    };
    explicit Result(Error e) : v_(std::move(e)) {}
    std::variant<T, Error> v_;
};

struct Done {};
using Status = Result<Done>;
inline Status ok() { return Done{}; }
inline Status fail(std::string why) { return Status::fail(std::move(why)); }

bool iequals(std::string_view a, std::string_view b);
// The last component of a path.
std::string baseName(const std::string& path);

// The file names of a tool's command line: INPUT and an optional OUTPUT.
Status takeInputOutput(const std::vector<std::string>& names, std::string& input,
                       std::string& output);

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
std::string lower(std::string_view s);
std::string errnoText();

// Ctrl-C, SIGTERM and a closed terminal remove every registered temporary file and end the
// process at once, so an interrupted job never leaves a partial file behind. The table holds
// one temporary file per worker that may write at the same time.
void installSignalCleanup(unsigned writers = 1);

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

// Moves a file to the user's Trash (the freedesktop.org Trash layout). The reason it could
// not, or empty.
std::string moveToTrash(const std::string& path);

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
    const std::string& target() const { return target_; }
    // After commit(): an older file of the same name went to the Trash.
    bool trashedOld() const { return trashedOld_; }

  private:
    std::string target_, temp_;
    std::FILE* f_ = nullptr;
    int slot_ = -1;
    bool failed_ = false;
    bool trashedOld_ = false;
    Existing existing_ = Existing::ToTrash;
};

// A 16-bit PCM WAV on a SafeOutput; the header's sizes are patched on finish.
class WavWriter {
  public:
    Status open(const std::string& target, int rate, int channels,
                Existing existing = Existing::ToTrash);
    Status write(const void* pcm, size_t bytes);
    Status finish();
    void setExisting(Existing existing) { out_.setExisting(existing); }
    uint64_t dataBytes() const { return bytes_; }
    bool trashedOld() const { return out_.trashedOld(); }

    static constexpr uint64_t kMaxData = 0xFFFFFFFFull - 36;

  private:
    SafeOutput out_;
    int rate_ = 0, channels_ = 0;
    uint64_t bytes_ = 0;
};

// A progress line redrawn in place on a terminal, at most a few times a second; the same
// progress goes to the job's progress channel when there is one.
class Progress {
  public:
    explicit Progress(bool terminal) : terminal_(terminal) {}
    // fraction 0..1, audioSeconds done so far, for the speed as a multiple of real time
    void update(double fraction, double audioSeconds);
    void clear();

  private:
    bool terminal_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point last_{}, lastSent_{};
    bool shown_ = false;
    int sentPermille_ = -1;
};

bool stderrIsTerminal();

// The "output is ready" lines of a tool: "Done NAME" for people, and for a replaced file
// "the old NAME is in the Trash"; the same as updates for the progress channel.
struct OutputReport {
    std::string text;
    std::vector<Update> updates;
};
OutputReport outputReport(const std::string& name, bool trashedOld);
// Prints the report and sends its updates.
void reportOutput(const std::string& name, bool trashedOld);

// The version that --version prints.
const char* programVersion();

// True when both names lead to the same existing file (same path or same inode).
bool sameFile(const std::string& a, const std::string& b);
// The name with its extension (after the last dot of the last component) replaced.
std::string replaceExtension(const std::string& path, const std::string& ext);

} // namespace wl
