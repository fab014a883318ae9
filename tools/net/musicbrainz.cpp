// SPDX-License-Identifier: GPL-3.0-or-later
#include "musicbrainz.h"

#include "cache.h"
#include "launch.h"
#include "lookup.h"
#include "paths.h"
#include "programs.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <nlohmann/json.hpp>
#include <unistd.h>

namespace wl {
namespace {

using json = nlohmann::json;

std::string text(const json& j, const char* key) {
    if (!j.is_object())
        return {};
    const auto it = j.find(key);
    return it != j.end() && it->is_string() ? it->get<std::string>() : std::string();
}

// "Artist A feat. Artist B": each credit's name and the phrase that joins it to the next.
std::string credited(const json& j) {
    const auto it = j.find("artist-credit");
    if (it == j.end() || !it->is_array())
        return {};
    std::string names;
    for (const json& credit : *it)
        names += text(credit, "name") + text(credit, "joinphrase");
    return names;
}

// The medium of a release that holds the disc: by its disc ID, else the first with as many
// tracks as the disc has.
const json* mediumOf(const json& release, const std::string& discId, int trackCount) {
    const auto media = release.find("media");
    if (media == release.end() || !media->is_array())
        return nullptr;
    for (const json& medium : *media) {
        const auto discs = medium.find("discs");
        if (discs != medium.end() && discs->is_array())
            for (const json& disc : *discs)
                if (text(disc, "id") == discId)
                    return &medium;
    }
    for (const json& medium : *media) {
        const auto count = medium.find("track-count");
        if (count != medium.end() && count->is_number_integer() && *count == trackCount)
            return &medium;
    }
    return nullptr;
}

Release releaseOf(const json& j, const json& medium) {
    Release r{text(j, "id"),   text(j, "title"),   credited(j),
              text(j, "date"), text(j, "country"), {}};
    const auto tracks = medium.find("tracks");
    if (tracks == medium.end() || !tracks->is_array())
        return r;
    for (const json& t : *tracks) {
        const auto position = t.find("position");
        if (!t.is_object() || position == t.end() || !position->is_number_integer())
            continue;
        const auto recording = t.find("recording");
        r.tracks.push_back({position->get<int>(), text(t, "title"),
                            credited(t).empty() ? r.artist : credited(t),
                            recording != t.end() ? text(*recording, "id") : std::string()});
    }
    return r;
}

// The cache: our own record of the releases, the choice, and when it was looked up.
json recordOf(const DiscNames& names, const std::string& failure) {
    json releases = json::array();
    for (const Release& r : names.releases) {
        json tracks = json::array();
        for (const ReleaseTrack& t : r.tracks)
            tracks.push_back({{"number", t.number},
                              {"title", t.title},
                              {"artist", t.artist},
                              {"recording", t.recordingId}});
        releases.push_back({{"id", r.id},
                            {"title", r.title},
                            {"artist", r.artist},
                            {"date", r.date},
                            {"country", r.country},
                            {"tracks", tracks}});
    }
    return {{"discid", names.discId},
            {"chosen", names.chosen},
            {"failure", failure},
            {"when", static_cast<long>(std::time(nullptr))},
            {"releases", releases}};
}

std::string cacheName(const std::string& discId) { return discId + ".musicbrainz.json"; }

// A record's names and failure; staleness is the caller's to judge by its age.
struct Record {
    DiscNames names;
    std::string failure;
    long age = 0;
};
std::optional<Record> recordFrom(const std::string& textOf, const std::string& discId) {
    const json j = json::parse(textOf, nullptr, false);
    if (!j.is_object() || text(j, "discid") != discId)
        return std::nullopt;
    Record c;
    c.names.discId = discId;
    c.names.chosen = text(j, "chosen");
    c.failure = text(j, "failure");
    const auto when = j.find("when");
    c.age = when != j.end() && when->is_number_integer()
                ? static_cast<long>(std::time(nullptr)) - when->get<long>()
                : 0;
    const auto releases = j.find("releases");
    if (releases != j.end() && releases->is_array())
        for (const json& r : *releases) {
            Release release{text(r, "id"),   text(r, "title"),   text(r, "artist"),
                            text(r, "date"), text(r, "country"), {}};
            const auto tracks = r.find("tracks");
            if (tracks != r.end() && tracks->is_array())
                for (const json& t : *tracks)
                    if (t.is_object() && t.contains("number") && t["number"].is_number_integer())
                        release.tracks.push_back({t["number"].get<int>(), text(t, "title"),
                                                  text(t, "artist"), text(t, "recording")});
            c.names.releases.push_back(std::move(release));
        }
    return c;
}

// The cached record, or nothing when the cache has no word (or an out-of-date one) for the
// disc.
std::optional<Record> fromCache(const std::string& discId) {
    const auto textOf = readCached(cacheName(discId));
    if (!textOf)
        return std::nullopt;
    auto c = recordFrom(*textOf, discId);
    if (!c)
        return std::nullopt;
    const bool stale = !c->failure.empty()         ? c->age > kFailureKeptSeconds || c->age < 0
                       : c->names.releases.empty() ? c->age > kUnknownKeptSeconds || c->age < 0
                                                   : false;
    if (stale)
        return std::nullopt;
    return c;
}

Result<DiscNames> namesOf(const Record& r) {
    return r.failure.empty() ? Result<DiscNames>(r.names) : Result<DiscNames>::fail(r.failure);
}

} // namespace

const Release* DiscNames::release() const {
    for (const Release& r : releases)
        if (r.id == chosen)
            return &r;
    return releases.empty() ? nullptr : &releases.front();
}

Result<std::vector<Release>> parseReleases(const std::string& body, const std::string& discId,
                                           int trackCount) {
    using R = Result<std::vector<Release>>;
    const json j = json::parse(body, nullptr, false);
    const auto releases = j.is_object() ? j.find("releases") : j.end();
    if (!j.is_object() || releases == j.end() || !releases->is_array())
        return R::fail("the service's answer is not what was asked for");
    std::vector<Release> found;
    for (const json& r : *releases)
        if (r.is_object())
            if (const json* medium = mediumOf(r, discId, trackCount))
                found.push_back(releaseOf(r, *medium));
    return found;
}

std::optional<Result<DiscNames>> cachedDiscNames(const std::string& discId) {
    if (auto cached = fromCache(discId))
        return namesOf(*cached);
    return std::nullopt;
}

std::string discNamesRecord(const DiscNames& names, const std::string& failure) {
    return recordOf(names, failure).dump();
}

void keepDiscNames(const DiscNames& names, const std::string& failure) {
    (void)writeCached(cacheName(names.discId), discNamesRecord(names, failure));
}

Result<DiscNames> lookUpDiscApart(const std::string& discId, const std::string& toc) {
    using R = Result<DiscNames>;
    if (auto cached = cachedDiscNames(discId))
        return *cached;
    auto answer = makePipe();
    if (!answer)
        return R::fail(answer.error());
    Launch launch;
    launch.argv = {ownFolder() + "/" + program::kLookup, discId, toc};
    launch.out = answer->write.get();
    const auto pid = spawn(launch);
    answer->write.reset();
    if (!pid)
        return R::fail(std::string(program::kLookup) + ": " + pid.error());
    // The helper keeps to the service's budget; one that outlives it by far is ended. What it
    // prints is all it says.
    const auto record = readUntilClosed(
        answer->read.get(), std::chrono::steady_clock::now() + std::chrono::seconds(40), 8u << 20);
    const bool late = !record;
    if (late)
        kill(*pid, SIGKILL);
    answer->read.reset(); // a helper with more to say than was read ends on the closed pipe
    const int status = waitExit(*pid);
    if (late)
        return R::fail("the lookup did not end in time");
    const auto r = recordFrom(*record, discId);
    if (status != 0 || !r)
        return R::fail("the lookup ended without an answer");
    return namesOf(*r);
}

Status chooseRelease(const std::string& discId, const std::string& releaseId) {
    auto cached = fromCache(discId);
    if (!cached || !cached->failure.empty())
        return fail("the disc has not been looked up");
    cached->names.chosen = releaseId;
    return writeCached(cacheName(discId), discNamesRecord(cached->names, {}));
}

Tags trackNamesOf(const DiscNames& names, int track) {
    Tags tags;
    const Release* release = names.release();
    if (!release)
        return tags;
    const auto t = std::find_if(release->tracks.begin(), release->tracks.end(),
                                [track](const ReleaseTrack& r) { return r.number == track; });
    if (t == release->tracks.end())
        return tags;
    tags.title = t->title;
    tags.artist = t->artist;
    tags.album = release->title;
    tags.albumArtist = release->artist;
    tags.track = std::to_string(track) + "/" + std::to_string(release->tracks.size());
    tags.year = release->date.substr(0, 4);
    tags.releaseId = release->id;
    tags.recordingId = t->recordingId;
    tags.discId = names.discId;
    return tags;
}

} // namespace wl
