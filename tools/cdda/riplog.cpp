// SPDX-License-Identifier: GPL-3.0-or-later
#include "riplog.h"

#include "cache.h"
#include "discid.h"
#include "toolmain.h"
#include "verdicts.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace wl::cdda {
namespace {

// The record's name in the cache: a hash of the WAV's path (FNV-1a).
std::string recordName(const std::string& path) {
    uint64_t hash = 0xcbf29ce484222325ULL;
    for (const unsigned char c : path)
        hash = (hash ^ c) * 0x100000001b3ULL;
    char name[40];
    std::snprintf(name, sizeof name, "rip-%016llx.record", static_cast<unsigned long long>(hash));
    return name;
}

// The job: the interpreter that runs the rip's lines, by its process ID and the time it
// started (so that a later process of the same ID is another job).
std::string thisJob() {
    const pid_t parent = getppid();
    std::ifstream stat("/proc/" + std::to_string(parent) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Field 22 is the start time; the command name before it, in parentheses, may hold blanks.
    const size_t close = text.rfind(')');
    std::string started;
    if (close != std::string::npos) {
        size_t at = close + 2;
        for (int field = 3; field < 22 && at < text.size(); ++field)
            at = text.find(' ', at) + 1;
        started = text.substr(at, text.find(' ', at) - at);
    }
    return std::to_string(parent) + "-" + started;
}

// The file as it is now: its device, inode, size and time of change.
std::string identityOf(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return {};
    return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino) + ":" +
           std::to_string(st.st_size) + ":" + std::to_string(st.st_mtim.tv_sec) + "." +
           std::to_string(st.st_mtim.tv_nsec);
}

std::string oneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    std::replace(text.begin(), text.end(), '\r', ' ');
    return text;
}

// "3:22.40": minutes, seconds and sectors (seventy-fifths of a second).
std::string length(uint64_t frames) {
    const uint64_t sectors = frames / kSamplesPerSector;
    char text[32];
    std::snprintf(text, sizeof text, "%llu:%02llu.%02llu",
                  static_cast<unsigned long long>(sectors / kSectorsPerSecond / 60),
                  static_cast<unsigned long long>(sectors / kSectorsPerSecond % 60),
                  static_cast<unsigned long long>(sectors % kSectorsPerSecond));
    return text;
}

std::string hex(uint32_t value) {
    char text[12];
    std::snprintf(text, sizeof text, "%08X", value);
    return text;
}

// A cue sheet's position: minutes, seconds and frames of 1/75 s.
std::string msf(long sectors) {
    char text[64];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", sectors / kSectorsPerSecond / 60,
                  sectors / kSectorsPerSecond % 60, sectors % kSectorsPerSecond);
    return text;
}

// A quoted cue sheet value: the format has no escapes, so a quote becomes an apostrophe.
std::string quoted(std::string text) {
    text = oneLine(std::move(text));
    std::replace(text.begin(), text.end(), '"', '\'');
    return "\"" + text + "\"";
}

std::string fileName(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

void keepRecord(const std::string& path, const TrackRecord& r) {
    std::string text =
        "job=" + thisJob() + "\nfile-is=" + (r.failure.empty() ? identityOf(path) : "") + "\n";
    const std::pair<const char*, std::string> fields[] = {{"track", std::to_string(r.track)},
                                                          {"file", r.file},
                                                          {"failure", r.failure},
                                                          {"frames", std::to_string(r.frames)},
                                                          {"peak", std::to_string(r.peak)},
                                                          {"crc", std::to_string(r.crc)},
                                                          {"v1", std::to_string(r.v1)},
                                                          {"v2", std::to_string(r.v2)},
                                                          {"repaired", std::to_string(r.repaired)},
                                                          {"verdict", r.verdict},
                                                          {"title", r.title},
                                                          {"artist", r.artist}};
    for (const auto& [key, value] : fields)
        text += std::string(key) + "=" + oneLine(value) + "\n";
    // A job's records live as long as the session, beside its other runtime files; without
    // that folder, in the cache.
    if (!writeCached(recordName(path), text, runtimeFolder()))
        (void)writeCached(recordName(path), text);
}

std::optional<TrackRecord> recordOf(const std::string& path) {
    auto text = readCached(recordName(path), runtimeFolder());
    if (!text)
        text = readCached(recordName(path));
    if (!text)
        return std::nullopt;
    std::map<std::string, std::string> fields;
    for (size_t at = 0; at < text->size();) {
        const size_t end = std::min(text->find('\n', at), text->size());
        const std::string line = text->substr(at, end - at);
        if (const size_t eq = line.find('='); eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
        at = end + 1;
    }
    if (fields["job"] != thisJob())
        return std::nullopt;
    TrackRecord r;
    r.failure = fields["failure"];
    if (r.failure.empty() && fields["file-is"] != identityOf(path))
        return std::nullopt;
    auto number = [&](const char* key) { return std::strtoull(fields[key].c_str(), nullptr, 10); };
    r.track = static_cast<int>(number("track"));
    r.file = fields["file"];
    r.frames = number("frames");
    r.peak = static_cast<int>(std::min<unsigned long long>(number("peak"), 32768));
    r.crc = static_cast<uint32_t>(number("crc"));
    r.v1 = static_cast<uint32_t>(number("v1"));
    r.v2 = static_cast<uint32_t>(number("v2"));
    r.repaired = static_cast<long>(number("repaired"));
    r.verdict = fields["verdict"];
    r.title = fields["title"];
    r.artist = fields["artist"];
    return r;
}

void forgetRecord(const std::string& path) {
    for (const std::string& folder : {runtimeFolder(), cacheFolder()})
        if (!folder.empty())
            unlink((folder + "/" + recordName(path)).c_str());
}

std::string ripLog(const RipDisc& disc, const std::vector<int>& wanted,
                   const std::vector<TrackRecord>& records) {
    char date[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%Y-%m-%d %H:%M:%S %z", std::localtime(&now));
    std::string log = "Wavelathe " + std::string(programVersion()) + ", CDDA: rip log\n\n";
    const std::pair<const char*, std::string> head[] = {{"Date", date},
                                                        {"Disc", disc.source},
                                                        {"Read offset", disc.offset},
                                                        {"Error correction", disc.correction},
                                                        {"MusicBrainz disc ID", disc.musicBrainzId},
                                                        {"AccurateRip disc ID", disc.accurateRipId},
                                                        {"freedb disc ID", disc.freedbId},
                                                        {"Album", disc.album},
                                                        {"Album artist", disc.albumArtist},
                                                        {"Catalog number", disc.catalog}};
    for (const auto& [label, value] : head)
        if (!value.empty())
            log += std::string(label) + ": " + oneLine(value) + "\n";
    int ripped = 0, failed = 0, unrecorded = 0;
    std::vector<std::string> verdicts;
    auto recordFor = [&](int track) -> const TrackRecord* {
        for (const TrackRecord& r : records)
            if (r.track == track)
                return &r;
        return nullptr;
    };
    std::vector<int> tracks = wanted;
    if (recordFor(0))
        tracks.insert(tracks.begin(), 0);
    for (const int t : tracks) {
        const TrackRecord* r = recordFor(t);
        log += t == 0 ? "\nAudio hidden before track 1\n" : "\nTrack " + std::to_string(t) + "\n";
        if (!r) {
            // Its line may have failed before it could keep one, or the cache was not there to
            // keep it in: what became of it is not known here.
            log += "  No record of its rip: its line failed early, or the cache folder that "
                   "keeps the records was not available\n";
            ++unrecorded;
            continue;
        }
        if (!r->failure.empty()) {
            log += "  File: " + r->file + "\n  Failed: " + oneLine(r->failure) + "\n";
            ++failed;
            // A track that was not ripped is no accurate rip.
            if (t > 0)
                verdicts.push_back(std::to_string(t) + " not ripped");
            continue;
        }
        ripped += t > 0;
        char peak[32];
        std::snprintf(peak, sizeof peak, "%.1f %%", r->peak * 100.0 / 32768);
        log += "  File: " + r->file + "\n";
        if (!r->title.empty())
            log += "  Title: " + oneLine(r->title) + "\n";
        if (!r->artist.empty())
            log += "  Artist: " + oneLine(r->artist) + "\n";
        log += "  Length: " + length(r->frames) + " (" + std::to_string(r->frames) +
               " samples)\n  Peak level: " + peak + "\n  Copy CRC: " + hex(r->crc) +
               "\n  AccurateRip v1: " + hex(r->v1) + "\n  AccurateRip v2: " + hex(r->v2) + "\n";
        if (!r->verdict.empty()) {
            log += "  AccurateRip: " + oneLine(r->verdict) + "\n";
            if (t > 0)
                verdicts.push_back(std::to_string(t) + " " + r->verdict);
        }
        log += "  Read errors: none; sectors re-read or corrected: " + std::to_string(r->repaired) +
               "\n";
    }
    std::string summary = std::to_string(ripped) + (ripped == 1 ? " track" : " tracks") + " ripped";
    if (failed > 0)
        summary += ", " + std::to_string(failed) + " failed";
    if (unrecorded > 0)
        summary += ", " + std::to_string(unrecorded) + " without a record";
    if (const std::string accuracy = accuracySummary(verdicts); !accuracy.empty())
        summary += ", " + accuracy;
    return log + "\nSummary: " + summary + "\n";
}

std::string cueSheet(const RipDisc& disc, const std::vector<TrackRecord>& records) {
    std::string cue = "REM DISCID " + disc.freedbId + "\n";
    if (!disc.musicBrainzId.empty())
        cue += "REM MUSICBRAINZ_DISCID " + disc.musicBrainzId + "\n";
    cue += "REM COMMENT " + quoted("Wavelathe " + std::string(programVersion())) + "\n";
    if (!disc.catalog.empty())
        cue += "CATALOG " + disc.catalog + "\n";
    if (!disc.albumArtist.empty())
        cue += "PERFORMER " + quoted(disc.albumArtist) + "\n";
    if (!disc.album.empty())
        cue += "TITLE " + quoted(disc.album) + "\n";
    std::map<int, const TrackRecord*> ripped;
    for (const TrackRecord& r : records)
        if (r.failure.empty())
            ripped[r.track] = &r;
    int before = -1; // the track whose WAV the sheet named last
    for (const RipDisc::Track& t : disc.tracks) {
        if (!ripped.count(t.number))
            continue;
        const TrackRecord& r = *ripped[t.number];
        std::string track = "  TRACK " + std::string(t.number < 10 ? "0" : "") +
                            std::to_string(t.number) + " AUDIO\n";
        if (!r.title.empty())
            track += "    TITLE " + quoted(r.title) + "\n";
        if (!r.artist.empty())
            track += "    PERFORMER " + quoted(r.artist) + "\n";
        if (!t.isrc.empty())
            track += "    ISRC " + t.isrc + "\n";
        const std::string file = "FILE " + quoted(fileName(r.file)) + " WAVE\n";
        if (t.pregap > 0 && ripped.count(0) && t.number == disc.tracks.front().number) {
            // The audio before the first track, in its own WAV.
            cue += "FILE " + quoted(fileName(ripped[0]->file)) + " WAVE\n" + track +
                   "    INDEX 00 00:00:00\n" + file;
        } else if (t.pregap > 0 && before == t.number - 1 && ripped.count(before)) {
            // The pregap lies at the end of the WAV before.
            const long sectors = static_cast<long>(ripped[before]->frames / kSamplesPerSector);
            cue += track + "    INDEX 00 " + msf(std::max(0L, sectors - t.pregap)) + "\n" + file;
        } else {
            cue += file + track;
            if (t.pregap > 0 && t.number == disc.tracks.front().number)
                cue += "    PREGAP " + msf(t.pregap) + "\n";
        }
        cue += "    INDEX 01 00:00:00\n";
        before = t.number;
    }
    return cue;
}

} // namespace wl::cdda
