// SPDX-License-Identifier: GPL-3.0-or-later
#include "rip.h"

#include "accuraterip.h"
#include "checksums.h"
#include "discfiles.h"
#include "discid.h"
#include "discprobe.h"
#include "disctoc.h"
#include "driveoffsets.h"
#include "jobprotocol.h"
#include "musicbrainz.h"
#include "onlinesetting.h"
#include "paths.h"
#include "progress.h"
#include "riplog.h"
#include "sheet.h"
#include "wavio.h"

// cdio.h first: the other libcdio headers rely on its types.
#include <cdio/cdio.h>

#include <algorithm>
#include <cdio/cd_types.h>
#include <cdio/cdtext.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <set>
#include <unistd.h>
#include <vector>

namespace wl::cdda {
namespace {

using R = Result<Ripped>;

// How often paranoia re-reads a sector that does not read the same twice.
constexpr int kReadRetries = 20;

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

// The drive's vendor and model ("PIONEER", "BD-RW  BDR-S12U"), as libcdio asks it; nothing for
// an image.
std::pair<std::string, std::string> driveModel(CdIo_t* cdio) {
    cdio_hwinfo_t hw{};
    if (!cdio_get_hwinfo(cdio, &hw))
        return {};
    auto trimmed = [](const char* text) {
        std::string s(text);
        while (!s.empty() && s.back() == ' ')
            s.pop_back();
        return s;
    };
    return {trimmed(hw.psz_vendor), trimmed(hw.psz_model)};
}

// How many samples late the drive reads, and where that is known from: WAVELATHE_READ_OFFSET
// forces one (for tests, on an image too); an image is exact; a drive's comes from the user's
// setting or AccurateRip's list.
ReadOffset readOffsetOf(bool image, CdIo_t* cdio) {
    if (const char* forced = std::getenv("WAVELATHE_READ_OFFSET"); forced && *forced) {
        char* end = nullptr;
        const long samples = std::strtol(forced, &end, 10);
        if (!*end && samples >= -kMostReadOffset && samples <= kMostReadOffset)
            return {static_cast<int>(samples), "forced"};
    }
    if (image)
        return {0, "disc image"};
    const auto [vendor, model] = driveModel(cdio);
    return driveReadOffset(vendor, model);
}

// The image's files, checked before libcdio sees any of them, and the view it reads it through.
struct Source {
    std::vector<std::string> files; // empty for a drive
    DiscView view;
};

Result<Source> checkSource(const Options& o, const std::string& out) {
    using S = Result<Source>;
    auto files = o.device.empty() ? Result<std::vector<std::string>>(std::vector<std::string>{})
                                  : discFiles(o.device);
    if (!files)
        return S::fail(files.error());
    for (const std::string& f : *files)
        if (sameFile(f, out))
            return S::fail("the output " + out + " is " + f + ", which the rip reads");
    auto view = DiscView::of(o.device);
    if (!view)
        return S::fail(view.error());
    // An image is read by libcdio here only after the probe read it whole without harm.
    if (!files->empty())
        if (auto toc = probeDisc(*view, o.device); !toc)
            return S::fail(toc.error());
    return Source{std::move(*files), std::move(*view)};
}

// The disc open through libcdio and paranoia's view of it, closed together.
struct OpenDisc {
    CdIo_t* cdio = nullptr;
    cdrom_drive_t* drive = nullptr;
    OpenDisc() = default;
    OpenDisc(const OpenDisc&) = delete;
    OpenDisc& operator=(const OpenDisc&) = delete;
    ~OpenDisc() {
        if (drive)
            cdio_cddap_close_no_free_cdio(drive);
        if (cdio)
            cdio_destroy(cdio);
    }
};

Status openForReading(const Source& source, std::string& deviceName, OpenDisc& disc) {
    disc.cdio = openDisc(source.view.source(), deviceName);
    if (!disc.cdio && !source.files.empty())
        return fail(withLibcdio(deviceName + ": cannot be read as a disc image"));
    if (!disc.cdio)
        return fail(withLibcdio(deviceName.empty()
                                    ? "no CD drive found"
                                    : deviceName + ": no disc, or the drive is not ready"));
    disc.drive = cdio_cddap_identify_cdio(disc.cdio, CDDA_MESSAGE_FORGETIT, nullptr);
    if (!disc.drive)
        return fail(withLibcdio(deviceName + ": not an audio CD drive or image"));
    cdio_cddap_verbose_set(disc.drive, CDDA_MESSAGE_FORGETIT, CDDA_MESSAGE_FORGETIT);
    if (cdio_cddap_open(disc.drive) != 0)
        return fail(withLibcdio(deviceName + ": no audio disc, or the drive is not ready"));
    // Audio sectors are little-endian; paranoia's own guess from the content can be wrong.
    disc.drive->bigendianp = 0;
    return ok();
}

// The track to rip, where it lies, and where the disc's audio begins and ends.
struct TrackPlace {
    int first = 0, last = 0;           // the disc's tracks
    int firstAudio = 0, lastAudio = 0; // its audio tracks
    lsn_t from = 0, to = 0;            // the track's first and last sector
    long sectors() const { return to - from + 1; }
};

Result<TrackPlace> placeTrack(const OpenDisc& disc, const Options& o,
                              const std::string& deviceName) {
    using T = Result<TrackPlace>;
    TrackPlace place;
    place.first = cdio_get_first_track_num(disc.cdio);
    const int count = cdio_cddap_tracks(disc.drive);
    place.last = place.first + count - 1;
    for (int t = place.first; t <= place.last; ++t)
        if (cdio_cddap_track_audiop(disc.drive, static_cast<track_t>(t))) {
            place.firstAudio = place.firstAudio ? place.firstAudio : t;
            place.lastAudio = t;
        }
    if (count <= 0 || place.firstAudio == 0)
        return T::fail(deviceName + ": no audio tracks");
    if (o.track == 0)
        return T::fail("no track given (/T N); the disc has " + std::to_string(count) + " tracks");
    if (o.track < place.first || o.track > place.last)
        return T::fail("track \"" + o.trackText + "\" does not exist; the disc has " +
                       std::to_string(count) + " tracks (" + std::to_string(place.first) + " to " +
                       std::to_string(place.last) + ")");
    const track_t t = static_cast<track_t>(o.track);
    if (!cdio_cddap_track_audiop(disc.drive, t))
        return T::fail("track " + std::to_string(o.track) + " is a data track, not audio");
    place.from = cdio_cddap_track_firstsector(disc.drive, t);
    place.to = cdio_cddap_track_lastsector(disc.drive, t);
    if (place.from < 0 || place.to < place.from)
        return T::fail("cannot read the table of contents");
    // Refused before a byte is read: a WAV file cannot say it holds more than 4 GiB.
    if (static_cast<uint64_t>(place.sectors()) * CDIO_CD_FRAMESIZE_RAW > WavWriter::kMaxData)
        return T::fail("track " + std::to_string(o.track) + " is too long for a WAV file (" +
                       std::to_string(place.sectors() / kSectorsPerSecond / 60) +
                       " minutes of audio; a WAV file holds at most 405 minutes)");
    return place;
}

// Reads the track's sectors into the WAV and its checksums. Paranoia reads on this thread
// while the sectors before are written and summed on another, a second's worth at a time, in
// order. A drive's reads jitter and fail, and paranoia reads every sector over and compares;
// an image file reads the same bytes every time, so its sectors are read once, straight.
// The sectors to read for a track whose samples lie offset samples later than its sectors
// say (a drive's read offset), and which bytes of them are the track's.
struct ReadWindow {
    long first = 0, last = 0;     // sectors, inclusive; may lie beyond the disc's readable part
    uint64_t skip = 0, bytes = 0; // bytes of the first sector that are not the track's; bytes kept
};

// Division rounding down, also below zero: an offset before the disc's start reaches into
// negative sectors.
long floorDiv(long a, long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

ReadWindow readWindow(const TrackPlace& place, int offset) {
    constexpr long perSector = kSamplesPerSector;
    const long firstFrame = place.from * perSector + offset;
    const long endFrame = (place.to + 1) * perSector + offset;
    ReadWindow w;
    w.first = floorDiv(firstFrame, perSector);
    w.last = floorDiv(endFrame - 1, perSector);
    w.skip = static_cast<uint64_t>(firstFrame - w.first * perSector) * 4;
    w.bytes = static_cast<uint64_t>(endFrame - firstFrame) * 4;
    return w;
}

Status readTrack(const OpenDisc& disc, const TrackPlace& place, const ReadOffset& offset,
                 bool image, WavWriter& wav, TrackChecksums& sums) {
    cdrom_paranoia_t* p = cdio_paranoia_init(disc.drive);
    struct ParanoiaCloser {
        cdrom_paranoia_t* p;
        ~ParanoiaCloser() { cdio_paranoia_free(p); }
    } pc{p};
    cdio_paranoia_modeset(p, image ? PARANOIA_MODE_DISABLE
                                   : PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);
    // Beyond the disc's audio there is nothing to read: silence, as the peers give.
    const long readableEnd =
        cdio_cddap_track_lastsector(disc.drive, static_cast<track_t>(place.lastAudio));
    const ReadWindow window = readWindow(place, offset.samples);
    cdio_paranoia_seek(p, std::max(window.first, 0L), SEEK_SET);
    Progress progress(stderrIsTerminal());
    g_unreadable.clear();
    g_repaired.clear();
    const long sectors = window.last - window.first + 1;
    static const unsigned char kSilence[CDIO_CD_FRAMESIZE_RAW] = {};
    std::vector<unsigned char> batches[2];
    std::future<Status> pending;
    int filling = 0;
    uint64_t kept = 0;
    for (long i = 0; i < sectors; ++i) {
        const long sector = window.first + i;
        const unsigned char* bytes = kSilence;
        if (sector >= 0 && sector <= readableEnd) {
            const int16_t* buf = cdio_paranoia_read_limited(p, onParanoiaEvent, kReadRetries);
            if (!buf)
                return fail(withLibcdio("read error at sector " + std::to_string(sector)));
            bytes = reinterpret_cast<const unsigned char*>(buf);
        }
        // The track's part of the sector: all but the head of the first, up to the track's end.
        const uint64_t from = i == 0 ? window.skip : 0;
        const uint64_t to = std::min<uint64_t>(CDIO_CD_FRAMESIZE_RAW, from + window.bytes - kept);
        batches[filling].insert(batches[filling].end(), bytes + from, bytes + to);
        kept += to - from;
        if ((i + 1) % kSectorsPerSecond == 0 || i + 1 == sectors) {
            if (pending.valid())
                if (Status s = pending.get(); !s)
                    return s;
            pending = std::async(std::launch::async, [&wav, &sums, &batch = batches[filling]] {
                Status s = wav.write(batch.data(), batch.size());
                sums.add(batch.data(), batch.size());
                batch.clear();
                return s;
            });
            filling ^= 1;
        }
        progress.update(static_cast<double>(i + 1) / sectors,
                        static_cast<double>(i + 1) / kSectorsPerSecond);
    }
    if (pending.valid())
        if (Status s = pending.get(); !s)
            return s;
    progress.clear();
    if (!g_unreadable.empty())
        return fail(std::to_string(g_unreadable.size()) +
                    " sectors could not be read even after correction; no file written");
    return ok();
}

// Whether sectors first..last hold anything but digital silence.
bool holdsAudio(const OpenDisc& disc, long first, long last) {
    cdrom_paranoia_t* p = cdio_paranoia_init(disc.drive);
    cdio_paranoia_modeset(p, PARANOIA_MODE_DISABLE);
    cdio_paranoia_seek(p, first, SEEK_SET);
    bool audio = false;
    for (long sector = first; sector <= last && !audio; ++sector) {
        const int16_t* buf = cdio_paranoia_read_limited(p, nullptr, kReadRetries);
        audio = !buf || std::any_of(buf, buf + CDIO_CD_FRAMESIZE_RAW / 2,
                                    [](int16_t sample) { return sample != 0; });
    }
    cdio_paranoia_free(p);
    return audio;
}

// What a rip's log keeps of a WAV's audio: its length, peak and checksums, and the sectors
// that needed re-reads.
TrackRecord measured(const TrackChecksums& sums, uint64_t frames, long repaired) {
    TrackRecord r;
    r.frames = frames;
    r.peak = sums.peak();
    r.crc = sums.crc32();
    r.v1 = sums.accurateRipV1();
    r.v2 = sums.accurateRipV2();
    r.repaired = repaired;
    return r;
}

// Where the rip's files go: a name as the line gives it, and as written after the rip moved to
// an image's folder (libcdio opens a TOC file's data files from the current folder).
struct Placed {
    std::string name, path;
};

// Audio hidden before the first track (in its pregap, from the disc's first sector) is ripped
// beside it as NAME00.wav; a pregap of digital silence gives no file.
std::optional<Result<TrackRecord>> ripHiddenTrack(const OpenDisc& disc, const TrackPlace& place,
                                                  const ReadOffset& offset, bool image,
                                                  const Placed& out, Existing existing) {
    using H = Result<TrackRecord>;
    if (place.from <= 0 || !holdsAudio(disc, 0, place.from - 1))
        return std::nullopt;
    TrackPlace hidden = place;
    hidden.from = 0;
    hidden.to = place.from - 1;
    std::fprintf(stderr, "Ripping the audio hidden before track %d (%ld sectors) to %s\n",
                 place.firstAudio, hidden.sectors(), out.name.c_str());
    WavWriter wav;
    if (Status s = wav.open(out.path, 44100, 2, existing); !s)
        return H::fail(s.error());
    const uint64_t frames = static_cast<uint64_t>(hidden.sectors()) * kSamplesPerSector;
    TrackChecksums sums(frames, true, false);
    if (Status s = readTrack(disc, hidden, offset, image, wav, sums); !s)
        return H::fail(s.error());
    if (Status s = wav.finish(); !s)
        return H::fail(s.error());
    std::fprintf(stderr, "%s\n", sums.describe().c_str());
    reportOutput(out.name, wav.trashedOld());
    TrackRecord record = measured(sums, frames, static_cast<long>(g_repaired.size()));
    record.file = out.name;
    return record;
}

// The track's names: MusicBrainz's for the release chosen (when the user lets us ask), else the
// disc's own (a sheet's as the user wrote it, a drive's CD-Text). A lookup that fails says
// why and takes nothing else from the rip.
Tags namesOf(const DiscView& view, const OpenDisc& disc, int track, const DiscIdentity& id) {
    const Tags own = view.sheet().empty() ? trackNames(disc.cdio, track)
                                          : trackTags(sheetNames(view.sheet()), track);
    Tags names = own;
    if (!id.id.empty() && lookupsAllowed()) {
        sendUpdate(update::kTitle, "Looking up the disc...");
        if (auto found = lookUpDisc(id.id, id.toc); !found) {
            const std::string note = "names not looked up: " + found.error();
            std::fprintf(stderr, "%s\n", note.c_str());
            sendUpdate(update::kWarning, note);
        } else if (Tags online = trackNamesOf(*found, track); !online.empty()) {
            names = online;
        } else if (found->releases.empty()) {
            std::fprintf(stderr, "MusicBrainz does not know this disc yet\n");
        }
    }
    sendUpdate(update::kTitle, names.title);
    return names;
}

// The database's word on the track, when the user lets us ask; its number among the disc's
// audio tracks is what the database counts by.
std::string accurateRipVerdict(const DiscToc& toc, int track, const TrackChecksums& sums,
                               long sectors) {
    if (!lookupsAllowed())
        return {};
    int position = 0;
    for (const ProbedTrack& t : toc.tracks)
        if (t.audio && t.number <= track)
            ++position;
    const auto pressings = fetchPressings(accurateRipDisc(toc));
    if (!pressings)
        return "not checked: " + pressings.error();
    return verdict(*pressings, position, sums.accurateRipV1(), sums.accurateRipV2(),
                   static_cast<uint64_t>(sectors) * kSamplesPerSector);
}

// The disc as the rip's log and cue sheet describe it.
RipDisc describeDisc(const OpenDisc& disc, const TrackPlace& place, const DiscToc& toc,
                     const DiscIdentity& id, const ReadOffset& offset,
                     const std::string& deviceName, bool image, const Tags& names) {
    RipDisc d;
    d.source = deviceName;
    if (const auto [vendor, model] = driveModel(disc.cdio); !image && !model.empty())
        d.source += " (" + vendor + (vendor.empty() ? "" : " ") + model + ")";
    d.offset = offset.describe();
    d.correction = image ? "none needed: a disc image reads the same every time"
                         : "full (paranoia): every sector read at least twice, up to " +
                               std::to_string(kReadRetries) + " re-reads";
    d.musicBrainzId = id.id;
    const AccurateRipDisc ar = accurateRipDisc(toc);
    char text[48];
    std::snprintf(text, sizeof text, "%03d-%08x-%08x-%08x", ar.audioTracks, ar.id1, ar.id2,
                  ar.freedb);
    d.accurateRipId = text;
    std::snprintf(text, sizeof text, "%08x", ar.freedb);
    d.freedbId = text;
    d.album = names.album;
    d.albumArtist = names.albumArtist;
    auto taken = [](char* value) {
        std::string s = value ? value : "";
        cdio_free(value);
        // A disc without one reads as zeros.
        return s.find_first_not_of("0 ") == std::string::npos ? std::string() : s;
    };
    d.catalog = taken(cdio_get_mcn(disc.cdio));
    for (int t = place.firstAudio; t <= place.lastAudio; ++t) {
        const auto track = static_cast<track_t>(t);
        if (!cdio_cddap_track_audiop(disc.drive, track))
            continue;
        const lsn_t start = cdio_cddap_track_firstsector(disc.drive, track);
        const lsn_t pregap = cdio_get_track_pregap_lsn(disc.cdio, track);
        RipDisc::Track info;
        info.number = t;
        // The first track's pregap is all the disc holds before it.
        info.pregap = t == place.firstAudio                          ? start
                      : pregap != CDIO_INVALID_LSN && pregap < start ? start - pregap
                                                                     : 0;
        info.isrc = taken(cdio_get_track_isrc(disc.cdio, track));
        d.tracks.push_back(info);
    }
    return d;
}

// Writes a text file of the rip whole, the old one to the Trash, and says so.
void writeRipFile(const Placed& file, const std::string& text) {
    SafeOutput output;
    Status s = output.open(file.path, Existing::ToTrash);
    if (s)
        s = output.write(text.data(), text.size());
    if (s)
        s = output.commit();
    if (!s) {
        const std::string note = file.name + " not written: " + s.error();
        std::fprintf(stderr, "%s\n", note.c_str());
        sendUpdate(update::kWarning, note);
        return;
    }
    reportOutput(file.name, output.trashedOld());
}

// A record of a track ripped (or not) for the log.
TrackRecord recordOfTrack(int track, const std::string& file, const R& ripped,
                          const TrackChecksums& sums, uint64_t frames) {
    TrackRecord r = ripped ? measured(sums, frames, ripped->repaired) : TrackRecord{};
    r.track = track;
    r.file = file;
    if (!ripped) {
        r.failure = ripped.error();
        return r;
    }
    r.verdict = ripped->accurateRip;
    r.title = ripped->tags.title;
    r.artist = ripped->tags.artist;
    return r;
}

// What one track's rip needs of the disc, opened and placed.
struct RipContext {
    const Options& o;
    const Source& source;
    const OpenDisc& disc;
    const TrackPlace& place;
    const DiscToc& toc;
    const DiscIdentity& id;
    const ReadOffset& offset;
    bool image() const { return !source.files.empty(); }
};

R ripTrack(const RipContext& c, const Placed& out, const Tags& names, TrackChecksums& sums) {
    const Options& o = c.o;
    // Without /O an existing file is never touched, not even by a rename in the last moment.
    std::fprintf(stderr, "Ripping track %d (%ld sectors) to %s\n", o.track, c.place.sectors(),
                 out.name.c_str());
    WavWriter wav;
    const Existing existing = o.overwrite ? Existing::ToTrash : Existing::Refuse;
    if (Status s = wav.open(out.path, 44100, 2, existing); !s)
        return R::fail(s.error() + (o.overwrite ? "" : " (use /O to replace it)"));
    if (Status s = readTrack(c.disc, c.place, c.offset, c.image(), wav, sums); !s)
        return R::fail(s.error());
    if (Status s = wav.finish(names); !s)
        return R::fail(s.error() + (o.overwrite ? "" : " (use /O to replace it)"));
    return Ripped{out.name,
                  sums.describe() + "; " + c.offset.describe(),
                  static_cast<long>(g_repaired.size()),
                  wav.trashedOld(),
                  names,
                  c.id.id,
                  c.id.toc,
                  accurateRipVerdict(c.toc, o.track, sums, c.place.sectors())};
}

// The part of a rip of several tracks that is more than the track: a record of it, the audio
// hidden before the first track with the first, the log and the cue sheet with the last.
void ripOfSeveral(const RipContext& c, const R& ripped, const TrackChecksums& sums,
                  const std::function<Placed(const std::string&)>& placed, const Tags& names,
                  const std::string& deviceName) {
    const Options& o = c.o;
    const uint64_t frames = static_cast<uint64_t>(c.place.sectors()) * kSamplesPerSector;
    const TrackRecord own = recordOfTrack(o.track, outputName(o), ripped, sums, frames);
    keepRecord(placed(outputName(o)).path, own);
    const Placed hidden = placed(ripBaseOf(o) + "00.wav");
    if (ripped && o.track == c.place.firstAudio) {
        const Existing existing = o.overwrite ? Existing::ToTrash : Existing::Refuse;
        if (auto record = ripHiddenTrack(c.disc, c.place, c.offset, c.image(), hidden, existing)) {
            TrackRecord r = *record ? **record : TrackRecord{};
            r.file = hidden.name;
            r.failure = *record ? "" : record->error();
            keepRecord(hidden.path, r);
            if (!*record) {
                const std::string note = "the audio hidden before track " +
                                         std::to_string(o.track) + ": " + record->error();
                std::fprintf(stderr, "%s\n", note.c_str());
                sendUpdate(update::kWarning, note);
            }
        }
    }
    if (o.track != o.ripOf.back())
        return;
    std::vector<TrackRecord> records;
    if (auto r = recordOf(hidden.path); r && r->track == 0)
        records.push_back(*r);
    for (const int t : o.ripOf)
        if (auto r = recordOf(placed(trackFileOf(o, t)).path); r && r->track == t)
            records.push_back(*r);
    const RipDisc disc =
        describeDisc(c.disc, c.place, c.toc, c.id, c.offset, deviceName, c.image(), names);
    writeRipFile(placed(ripBaseOf(o) + ".log"), ripLog(disc, o.ripOf, records));
    writeRipFile(placed(ripBaseOf(o) + ".cue"), cueSheet(disc, records));
    forgetRecord(hidden.path);
    for (const int t : o.ripOf)
        forgetRecord(placed(trackFileOf(o, t)).path);
}

} // namespace

R rip(const Options& o) {
    cdio_log_set_handler(onLibcdioLog);
    g_libcdioError.clear();
    const std::string out = outputName(o);
    if (!o.ripOf.empty() && std::find(o.ripOf.begin(), o.ripOf.end(), o.track) == o.ripOf.end())
        return R::fail("track " + o.trackText + " is not one of /L's tracks");
    auto source = checkSource(o, out);
    if (!source)
        return R::fail(source.error());
    const DiscView& view = source->view;
    // libcdio opens a TOC file's data files from the current folder, so the names of what the
    // rip writes are fixed first.
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd))
        return R::fail(std::string("the current folder: ") + errnoText());
    const auto placed = [folder = std::string(cwd)](const std::string& name) {
        return Placed{name, name.starts_with('/') ? name : folder + "/" + name};
    };
    if (!view.folder().empty() && chdir(view.folder().c_str()) != 0)
        return R::fail(view.folder() + ": " + errnoText());
    std::string deviceName = o.device;
    OpenDisc disc;
    if (Status s = openForReading(*source, deviceName, disc); !s)
        return R::fail(s.error());
    const auto place = placeTrack(disc, o, deviceName);
    if (!place)
        return R::fail(place.error());

    // The disc's tracks, for its MusicBrainz and AccurateRip names: placeTrack() found them.
    const DiscToc toc = tableOfContents(disc.cdio).value_or(DiscToc{});
    const DiscIdentity id = musicBrainzDiscId(toc);
    const Tags names = namesOf(view, disc, o.track, id);
    const ReadOffset offset = readOffsetOf(!source->files.empty(), disc.cdio);
    const RipContext context{o, *source, disc, *place, toc, id, offset};
    TrackChecksums sums(static_cast<uint64_t>(place->sectors()) * kSamplesPerSector,
                        o.track == place->firstAudio, o.track == place->lastAudio);
    R ripped = ripTrack(context, placed(out), names, sums);
    if (!o.ripOf.empty())
        ripOfSeveral(context, ripped, sums, placed, names, deviceName);
    return ripped;
}

} // namespace wl::cdda
