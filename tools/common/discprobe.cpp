// SPDX-License-Identifier: GPL-3.0-or-later
#include "discprobe.h"

#include "discfiles.h"
#include "spawn.h"

// cdio.h first: the other libcdio headers rely on its types.
#include <cdio/cdio.h>

#include <cdio/logging.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <poll.h>
#include <unistd.h>

namespace wl {
namespace {

// What the child sends: the lead-out, then number, audio flag and start of each track.
constexpr int kMaxTracks = 99;
struct Answer {
    int32_t count = 0, leadout = 0;
    int32_t number[kMaxTracks] = {}, audio[kMaxTracks] = {}, start[kMaxTracks] = {};
};

void ignoreLibcdio(cdio_log_level_t, const char[]) {}

// The child: exit status 0 with an answer, 2 when libcdio cannot open the image.
[[noreturn]] void readToc(const DiscView& view, int out, int seconds) {
    for (int sig :
         {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM})
        signal(sig, SIG_DFL);
    alarm(static_cast<unsigned>(seconds));
    if (!view.folder().empty() && chdir(view.folder().c_str()) != 0)
        _exit(2);
    cdio_loglevel_default = CDIO_LOG_ASSERT;
    cdio_log_set_handler(ignoreLibcdio);
    CdIo_t* cdio = cdio_open(view.source().c_str(), DRIVER_UNKNOWN);
    if (!cdio)
        _exit(2);
    Answer a;
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count > kMaxTracks)
        _exit(2);
    a.count = count;
    a.leadout = cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK);
    for (int i = 0; i < count; ++i) {
        const track_t t = static_cast<track_t>(first + i);
        a.number[i] = t;
        a.audio[i] = cdio_get_track_format(cdio, t) == TRACK_FORMAT_AUDIO;
        a.start[i] = cdio_get_track_lsn(cdio, t);
    }
    // Reading each audio track's ends walks the image's own mapping of sectors to bytes.
    unsigned char sector[CDIO_CD_FRAMESIZE_RAW];
    for (int i = 0; i < count; ++i) {
        if (!a.audio[i])
            continue;
        const int32_t end = (i + 1 < count ? a.start[i + 1] : a.leadout) - 1;
        for (int32_t lsn : {a.start[i], end})
            if (lsn >= 0)
                (void)cdio_read_audio_sector(cdio, sector, lsn);
    }
    cdio_destroy(cdio);
    const auto* p = reinterpret_cast<const char*>(&a);
    size_t done = 0;
    while (done < sizeof a) {
        const ssize_t n = write(out, p + done, sizeof a - done);
        if (n <= 0)
            _exit(3);
        done += static_cast<size_t>(n);
    }
    _exit(0);
}

// Reads the child's answer until it closes the pipe or the time is up.
bool readAnswer(int fd, Answer& a, std::chrono::steady_clock::time_point deadline) {
    auto* p = reinterpret_cast<char*>(&a);
    size_t done = 0;
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd pf{fd, POLLIN, 0};
        const int r = poll(&pf, 1, static_cast<int>(std::max<long>(0, left.count())));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0)
            return false;
        const ssize_t n = read(fd, p + done, sizeof a - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return true; // closed: the exit status tells the rest
        done += static_cast<size_t>(n);
        if (done == sizeof a)
            return true;
    }
}

} // namespace

Result<DiscToc> probeDisc(const std::string& image, int timeoutMs) {
    if (auto files = discFiles(image); !files)
        return Result<DiscToc>::fail(files.error());
    auto view = DiscView::of(image);
    if (!view)
        return Result<DiscToc>::fail(view.error());
    return probeDisc(*view, image, timeoutMs);
}

Result<DiscToc> probeDisc(const DiscView& view, const std::string& image, int timeoutMs) {
    using R = Result<DiscToc>;
    auto answer = makePipe();
    if (!answer)
        return R::fail("cannot look at " + image + ": " + answer.error());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const pid_t pid = fork();
    if (pid == 0) {
        answer->read.reset();
        readToc(view, answer->write.get(), timeoutMs / 1000 + 1);
    }
    answer->write.reset();
    if (pid < 0)
        return R::fail("cannot look at " + image + ": " + errnoText());
    Answer a;
    const bool answered = readAnswer(answer->read.get(), a, deadline);
    if (!answered)
        kill(pid, SIGKILL);
    // The child exits 0, 2 or 3 by itself; 128 and above is a signal.
    const int status = waitExit(pid);
    if (!answered || status >= 128)
        return R::fail(image + ": the disc image is damaged (reading it " +
                       (answered ? "crashed" : "did not end") + ")");
    if (status != 0)
        return R::fail(image + ": cannot be read as a disc image");
    DiscToc toc;
    toc.leadout = a.leadout;
    for (int i = 0; i < std::min(a.count, kMaxTracks); ++i)
        toc.tracks.push_back({a.number[i], a.audio[i] != 0, a.start[i]});
    return toc;
}

} // namespace wl
