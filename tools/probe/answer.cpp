// SPDX-License-Identifier: GPL-3.0-or-later
// The probe's side: libcdio reads the image here, in the probe's own process.
#include "discprobe.h"

// cdio.h first: the other libcdio headers rely on its types.
#include <cdio/cdio.h>

#include <cdio/logging.h>
#include <csignal>
#include <unistd.h>

namespace wl {
namespace {

using probe::Answer;
using probe::kMaxTracks;

void ignoreLibcdio(cdio_log_level_t, const char[]) {}

} // namespace

int answerProbe(const std::string& source, const std::string& folder, int seconds) {
    // A crash or the time limit ends the probe by its signal, which the asker tells from an
    // answer (a sanitizer's own handler would turn a crash into an ordinary exit status).
    for (int sig :
         {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL, SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGALRM})
        signal(sig, SIG_DFL);
    alarm(static_cast<unsigned>(seconds));
    if (!folder.empty() && chdir(folder.c_str()) != 0)
        return 2;
    cdio_loglevel_default = CDIO_LOG_ASSERT;
    cdio_log_set_handler(ignoreLibcdio);
    CdIo_t* cdio = cdio_open(source.c_str(), DRIVER_UNKNOWN);
    if (!cdio)
        return 2;
    Answer a;
    const track_t first = cdio_get_first_track_num(cdio);
    const track_t count = cdio_get_num_tracks(cdio);
    if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK || count > kMaxTracks)
        return 2;
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
        const ssize_t n = write(STDOUT_FILENO, p + done, sizeof a - done);
        if (n <= 0)
            return 3;
        done += static_cast<size_t>(n);
    }
    return 0;
}

} // namespace wl
