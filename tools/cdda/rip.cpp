// SPDX-License-Identifier: GPL-3.0-or-later
#include "rip.h"

#include "checksums.h"
#include "discfiles.h"
#include "discprobe.h"
#include "jobprotocol.h"
#include "paths.h"
#include "progress.h"
#include "sheet.h"
#include "wavio.h"

// cdio.h first: the other libcdio headers rely on its types.
#include <cdio/cdio.h>

#include <cdio/cd_types.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <climits>
#include <cstdio>
#include <discid/discid.h>
#include <future>
#include <set>
#include <unistd.h>
#include <vector>

namespace wl::cdda {
namespace {

using R = Result<Ripped>;

// libcdio's own handler ends the process on an error; ours keeps the last message for the
// failure we report.
std::string g_libcdioError;
void onLibcdioLog(cdio_log_level_t level, const char message[]) {
    if (level >= CDIO_LOG_WARN)
        g_libcdioError = message;
}

// Paranoia reports by position in 16-bit words; a sector holds CD_FRAMEWORDS of them.
std::set<long> g_unreadable, g_repaired;
void onParanoiaEvent(long inpos, paranoia_cb_mode_t mode) {
    const long sector = inpos / CD_FRAMEWORDS;
    switch (mode) {
    case PARANOIA_CB_READERR:
    case PARANOIA_CB_SKIP:
        g_unreadable.insert(sector);
        break;
    // VERIFY and OVERLAP come with every read: paranoia's normal cross-checks, not repairs.
    case PARANOIA_CB_FIXUP_EDGE:
    case PARANOIA_CB_FIXUP_ATOM:
    case PARANOIA_CB_SCRATCH:
    case PARANOIA_CB_REPAIR:
    case PARANOIA_CB_FIXUP_DROPPED:
    case PARANOIA_CB_FIXUP_DUPED:
        g_repaired.insert(sector);
        break;
    default:
        break;
    }
}

std::string withLibcdio(std::string why) {
    if (!g_libcdioError.empty())
        why += " (" + g_libcdioError + ")";
    return why;
}

// The named device or image, else the first drive that holds an audio disc, else libcdio's
// default drive.
CdIo_t* openDisc(const std::string& device, std::string& name) {
    if (!device.empty())
        return cdio_open(device.c_str(), DRIVER_UNKNOWN);
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

// libcdio takes a cue sheet's text for Latin-1 and hands it on converted to UTF-8; a sheet
// written in UTF-8, as sheets are today, comes back from that undone.
std::string sheetText(const std::string& utf8) {
    std::string bytes;
    for (const char32_t cp : codePoints(utf8)) {
        if (cp > 0xFF)
            return utf8; // a character beyond Latin-1: not what the conversion gives
        bytes += static_cast<char>(cp);
    }
    bool wellFormed = false;
    codePoints(bytes, &wellFormed);
    return bytes != utf8 && wellFormed ? bytes : utf8;
}

std::string cdText(const cdtext_t* text, cdtext_field_t field, int track) {
    const char* value = text ? cdtext_get_const(text, field, static_cast<track_t>(track)) : nullptr;
    return value ? sheetText(value) : std::string();
}

// The track's names from the disc's CD-Text (a drive's, or a cue sheet's TITLE, PERFORMER and
// SONGWRITER lines); nothing without CD-Text.
Tags trackNames(CdIo_t* cdio, int track) {
    const cdtext_t* text = cdio_get_cdtext(cdio);
    Tags tags;
    tags.title = cdText(text, CDTEXT_FIELD_TITLE, track);
    // The first of these that is given: the track's performer, the disc's, the disc's
    // songwriter, the track's.
    const std::pair<cdtext_field_t, int> artists[] = {{CDTEXT_FIELD_PERFORMER, track},
                                                      {CDTEXT_FIELD_PERFORMER, 0},
                                                      {CDTEXT_FIELD_SONGWRITER, 0},
                                                      {CDTEXT_FIELD_SONGWRITER, track}};
    for (const auto& [field, of] : artists)
        if (tags.artist.empty())
            tags.artist = cdText(text, field, of);
    tags.album = cdText(text, CDTEXT_FIELD_TITLE, 0);
    if (tags.empty())
        return tags;
    tags.track = std::to_string(track);
    return tags;
}

// The disc's identity, from its audio tracks. On a disc whose data track follows the audio
// (an Enhanced CD), the audio ends 11400 sectors before the data track begins.
DiscIdentity discIdOf(CdIo_t* cdio, int firstAudio, int lastAudio, int last) {
    int offsets[100] = {};
    for (int t = firstAudio; t <= lastAudio; ++t)
        offsets[t] = cdio_get_track_lsn(cdio, static_cast<track_t>(t)) + 150;
    offsets[0] = lastAudio < last
                     ? cdio_get_track_lsn(cdio, static_cast<track_t>(lastAudio + 1)) + 150 - 11400
                     : cdio_get_track_lsn(cdio, CDIO_CDROM_LEADOUT_TRACK) + 150;
    return musicBrainzDiscId(firstAudio, lastAudio, offsets);
}

std::string absolutePath(const std::string& path) {
    if (!path.empty() && path[0] == '/')
        return path;
    char cwd[PATH_MAX];
    return getcwd(cwd, sizeof cwd) ? std::string(cwd) + "/" + path : path;
}

} // namespace

DiscIdentity musicBrainzDiscId(int first, int last, const int* offsets) {
    DiscIdentity result;
    if (first < 1 || last < first || last > 99)
        return result;
    ::DiscId* disc = discid_new();
    std::vector<int> copy(offsets, offsets + 100);
    if (discid_put(disc, first, last, copy.data())) {
        result.id = discid_get_id(disc);
        result.toc = discid_get_toc_string(disc);
    }
    discid_free(disc);
    return result;
}

R rip(const Options& o) {
    cdio_log_set_handler(onLibcdioLog);
    g_libcdioError.clear();
    const std::string out = outputName(o);
    auto files = o.device.empty() ? Result<std::vector<std::string>>(std::vector<std::string>{})
                                  : discFiles(o.device);
    if (!files)
        return R::fail(files.error());
    for (const std::string& f : *files)
        if (sameFile(f, out))
            return R::fail("the output " + out + " is " + f + ", which the rip reads");
    auto view = DiscView::of(o.device);
    if (!view)
        return R::fail(view.error());
    // An image is read by libcdio here only after a child process read it whole without harm.
    if (!files->empty())
        if (auto toc = probeDisc(*view, o.device); !toc)
            return R::fail(toc.error());
    // libcdio opens a TOC file's data files from the current folder, so the output's name is
    // fixed first.
    const std::string outPath = view->folder().empty() ? out : absolutePath(out);
    if (!view->folder().empty() && chdir(view->folder().c_str()) != 0)
        return R::fail(view->folder() + ": " + errnoText());
    std::string deviceName = o.device;
    CdIo_t* cdio = openDisc(view->source(), deviceName);
    if (!cdio && !files->empty())
        return R::fail(withLibcdio(deviceName + ": cannot be read as a disc image"));
    if (!cdio)
        return R::fail(withLibcdio(deviceName.empty()
                                       ? "no CD drive found"
                                       : deviceName + ": no disc, or the drive is not ready"));
    cdrom_drive_t* d = cdio_cddap_identify_cdio(cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (!d) {
        cdio_destroy(cdio);
        return R::fail(withLibcdio(deviceName + ": not an audio CD drive or image"));
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
        return R::fail(withLibcdio(deviceName + ": no audio disc, or the drive is not ready"));
    // Audio sectors are little-endian; paranoia's own guess from the content can be wrong.
    d->bigendianp = 0;
    const int first = cdio_get_first_track_num(cdio);
    const int count = cdio_cddap_tracks(d);
    const int last = first + count - 1;
    int firstAudio = 0, lastAudio = 0;
    for (int t = first; t <= last; ++t)
        if (cdio_cddap_track_audiop(d, static_cast<track_t>(t))) {
            firstAudio = firstAudio ? firstAudio : t;
            lastAudio = t;
        }
    if (count <= 0 || firstAudio == 0)
        return R::fail(deviceName + ": no audio tracks");
    if (o.track == 0)
        return R::fail("no track given (/T N); the disc has " + std::to_string(count) + " tracks");
    if (o.track < first || o.track > last)
        return R::fail("track \"" + o.trackText + "\" does not exist; the disc has " +
                       std::to_string(count) + " tracks (" + std::to_string(first) + " to " +
                       std::to_string(last) + ")");
    const track_t t = static_cast<track_t>(o.track);
    if (!cdio_cddap_track_audiop(d, t))
        return R::fail("track " + std::to_string(o.track) + " is a data track, not audio");
    const lsn_t from = cdio_cddap_track_firstsector(d, t);
    const lsn_t to = cdio_cddap_track_lastsector(d, t);
    if (from < 0 || to < from)
        return R::fail("cannot read the table of contents");

    // A sheet's names are read from the sheet as the user wrote it; a drive's from its CD-Text.
    const Tags names = view->sheet().empty() ? trackNames(cdio, o.track)
                                             : trackTags(sheetNames(view->sheet()), o.track);
    if (!names.title.empty())
        sendUpdate(update::kTitle, names.title);
    const DiscIdentity disc = discIdOf(cdio, firstAudio, lastAudio, last);

    // Without /O an existing file is never touched, not even by a rename in the last moment.
    const Existing existing = o.overwrite ? Existing::ToTrash : Existing::Refuse;
    const long sectors = to - from + 1;
    // Refused before a byte is read: a WAV file cannot say it holds more than 4 GiB.
    if (static_cast<uint64_t>(sectors) * CDIO_CD_FRAMESIZE_RAW > WavWriter::kMaxData)
        return R::fail("track " + std::to_string(o.track) + " is too long for a WAV file (" +
                       std::to_string(sectors / 75 / 60) +
                       " minutes of audio; a WAV file holds at most 405 minutes)");
    std::fprintf(stderr, "Ripping track %d (%ld sectors) to %s\n", o.track, sectors, out.c_str());
    WavWriter wav;
    if (Status s = wav.open(outPath, 44100, 2, existing); !s)
        return R::fail(s.error() + (o.overwrite ? "" : " (use /O to replace it)"));
    cdrom_paranoia_t* p = cdio_paranoia_init(d);
    struct ParanoiaCloser {
        cdrom_paranoia_t* p;
        ~ParanoiaCloser() { cdio_paranoia_free(p); }
    } pc{p};
    // A drive's reads jitter and fail, and paranoia reads every sector over and compares; an
    // image file reads the same bytes every time, so its sectors are read once, straight.
    cdio_paranoia_modeset(p, files->empty() ? PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP
                                            : PARANOIA_MODE_DISABLE);
    cdio_paranoia_seek(p, from, SEEK_SET);
    Progress progress(stderrIsTerminal());
    TrackChecksums sums(static_cast<uint64_t>(sectors) * 588, o.track == firstAudio,
                        o.track == lastAudio);
    g_unreadable.clear();
    g_repaired.clear();
    // Paranoia reads on this thread while the sectors before are written and summed on
    // another, a second's worth at a time, in order.
    constexpr long kBatch = 75;
    std::vector<unsigned char> batches[2];
    std::future<Status> pending;
    int filling = 0;
    for (long i = 0; i < sectors; ++i) {
        const int16_t* buf = cdio_paranoia_read_limited(p, onParanoiaEvent, 20);
        if (!buf)
            return R::fail(withLibcdio("read error at sector " + std::to_string(from + i)));
        const auto* bytes = reinterpret_cast<const unsigned char*>(buf);
        batches[filling].insert(batches[filling].end(), bytes, bytes + CDIO_CD_FRAMESIZE_RAW);
        if ((i + 1) % kBatch == 0 || i + 1 == sectors) {
            if (pending.valid())
                if (Status s = pending.get(); !s)
                    return R::fail(s.error());
            pending = std::async(std::launch::async, [&wav, &sums, &batch = batches[filling]] {
                Status s = wav.write(batch.data(), batch.size());
                sums.add(batch.data(), batch.size());
                batch.clear();
                return s;
            });
            filling ^= 1;
        }
        progress.update(static_cast<double>(i + 1) / sectors, (i + 1) / 75.0);
    }
    if (pending.valid())
        if (Status s = pending.get(); !s)
            return R::fail(s.error());
    progress.clear();
    if (!g_unreadable.empty())
        return R::fail(std::to_string(g_unreadable.size()) +
                       " sectors could not be read even after correction; no file written");
    if (Status s = wav.finish(names); !s)
        return R::fail(s.error() + (o.overwrite ? "" : " (use /O to replace it)"));
    return Ripped{
        out,     sums.describe(), static_cast<long>(g_repaired.size()), wav.trashedOld(), names,
        disc.id, disc.toc};
}

} // namespace wl::cdda
