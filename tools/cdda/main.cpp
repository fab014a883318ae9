// CDDA /T N /F NAME /O [/D DEVICE]: rips one audio CD track to a 44.1 kHz 16-bit stereo WAV with
// full paranoia error correction.
#include "options.h"

// cdio.h first: the other libcdio headers rely on its types.
#include <cdio/cdio.h>

#include <cdio/cd_types.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

using namespace wl;

namespace {

long g_unreadable = 0;

void onParanoiaEvent(long, paranoia_cb_mode_t mode) {
    if (mode == PARANOIA_CB_SKIP || mode == PARANOIA_CB_READERR)
        ++g_unreadable;
}

// The named device or image, else the first drive that holds an audio disc, else libcdio's
// default drive.
CdIo_t* openDisc(const std::string& device, std::string& name) {
    if (!device.empty()) {
        name = device;
        return cdio_open(device.c_str(), DRIVER_UNKNOWN);
    }
    char** drives = cdio_get_devices_with_cap(nullptr, CDIO_FS_AUDIO, false);
    if (drives && drives[0])
        name = drives[0];
    cdio_free_device_list(drives);
    if (name.empty()) {
        char* def = cdio_get_default_device(nullptr);
        if (!def)
            return nullptr;
        name = def;
        cdio_free(def);
    }
    return cdio_open(name.c_str(), DRIVER_UNKNOWN);
}

Status rip(const cdda::Options& o) {
    std::string deviceName;
    CdIo_t* cdio = openDisc(o.device, deviceName);
    if (!cdio)
        return fail(deviceName.empty() ? "no CD drive found"
                                       : deviceName + ": no disc, or the drive is not ready");
    cdrom_drive_t* d = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (!d) {
        cdio_destroy(cdio);
        return fail(deviceName + ": not an audio CD drive or image");
    }
    cdio_cddap_verbose_set(d, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    struct Closer {
        cdrom_drive_t* d;
        CdIo_t* c;
        ~Closer() {
            cdio_cddap_close_no_free_cdio(d);
            cdio_destroy(c);
        }
    } closer{d, cdio};
    if (cdio_cddap_open(d) != 0)
        return fail(deviceName + ": no audio disc, or the drive is not ready");
    // Audio sectors are little-endian; paranoia's own guess from the content can be wrong.
    d->bigendianp = 0;
    const int first = cdio_get_first_track_num(cdio);
    const int count = cdio_cddap_tracks(d);
    const int last = first + count - 1;
    if (o.track == 0)
        return fail("no track given (/T N); the disc has " + std::to_string(count) + " tracks");
    if (o.track < first || o.track > last)
        return fail("track \"" + o.trackText + "\" does not exist; the disc has " +
                    std::to_string(count) + " tracks (" + std::to_string(first) + " to " +
                    std::to_string(last) + ")");
    const track_t t = static_cast<track_t>(o.track);
    if (!cdio_cddap_track_audiop(d, t))
        return fail("track " + std::to_string(o.track) + " is a data track, not audio");
    const lsn_t from = cdio_cddap_track_firstsector(d, t);
    const lsn_t to = cdio_cddap_track_lastsector(d, t);
    if (from < 0 || to < from)
        return fail("cannot read the table of contents");

    const std::string out = cdda::outputName(o);
    struct stat st {};
    if (!o.overwrite && lstat(out.c_str(), &st) == 0)
        return fail(out + " exists already (use /O to replace it)");
    const long sectors = to - from + 1;
    std::fprintf(stderr, "Ripping track %d (%ld sectors) to %s\n", o.track, sectors, out.c_str());
    WavWriter wav;
    if (Status s = wav.open(out, 44100, 2); !s)
        return s;
    cdrom_paranoia_t* p = cdio_paranoia_init(d);
    struct ParanoiaCloser {
        cdrom_paranoia_t* p;
        ~ParanoiaCloser() { cdio_paranoia_free(p); }
    } pc{p};
    cdio_paranoia_modeset(p, PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    cdio_paranoia_seek(p, from, SEEK_SET);
    Progress progress(stderrIsTerminal());
    g_unreadable = 0;
    for (long i = 0; i < sectors; ++i) {
        const int16_t* buf = cdio_paranoia_read_limited(p, onParanoiaEvent, 20);
        if (!buf)
            return fail("read error at sector " + std::to_string(from + i));
        if (Status s = wav.write(buf, CDIO_CD_FRAMESIZE_RAW); !s)
            return s;
        progress.update(static_cast<double>(i + 1) / sectors, (i + 1) / 75.0);
    }
    progress.clear();
    if (g_unreadable > 0)
        return fail(std::to_string(g_unreadable) +
                    " sectors could not be read even after correction; no file written");
    if (Status s = wav.finish(); !s)
        return s;
    std::fprintf(stderr, "Done %s\n", out.c_str());
    return ok();
}

} // namespace

int main(int argc, char** argv) {
    installSignalCleanup();
    cdio_loglevel_default = CDIO_LOG_ERROR;
    auto options = cdda::parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!options) {
        std::fprintf(stderr, "CDDA: %s\nusage: CDDA /T TRACK [/F NAME] [/O] [/D DEVICE]\n",
                     options.error().c_str());
        pauseIfTerminal();
        return 2;
    }
    Status s = rip(*options);
    if (!s) {
        std::fprintf(stderr, "CDDA: %s\n", s.error().c_str());
        // Keeps the message readable before the job's window closes.
        pauseIfTerminal();
        return 1;
    }
    return 0;
}
