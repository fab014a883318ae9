// SPDX-License-Identifier: GPL-3.0-or-later
#include "musicbrainz.h"

#include "cache.h"
#include "httpget.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <nlohmann/json.hpp>
#include <thread>

namespace wl {
namespace {

using json = nlohmann::json;
using Clock = std::chrono::steady_clock;

// What the service asks of its users: at most one request a second.
constexpr std::chrono::milliseconds kGap(1000);
// The whole lookup, retries and waits included, ends within this.
constexpr std::chrono::milliseconds kBudget(15000);

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

// The cached names, a cached failure's reason, or nothing when the cache has no word (or an
// out-of-date one) for the disc.
struct Cached {
    DiscNames names;
    std::string failure;
};
std::optional<Cached> fromCache(const std::string& discId) {
    const auto textOf = readCached(cacheName(discId));
    if (!textOf)
        return std::nullopt;
    const json j = json::parse(*textOf, nullptr, false);
    if (!j.is_object() || text(j, "discid") != discId)
        return std::nullopt;
    Cached c;
    c.names.discId = discId;
    c.names.chosen = text(j, "chosen");
    c.failure = text(j, "failure");
    const auto when = j.find("when");
    const long age = when != j.end() && when->is_number_integer()
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
    const bool stale = !c.failure.empty()         ? age > kFailureKeptSeconds || age < 0
                       : c.names.releases.empty() ? age > kUnknownKeptSeconds || age < 0
                                                  : false;
    if (stale)
        return std::nullopt;
    return c;
}

// One request within what is left of the budget, in turn with every other of ours; a 503 is
// tried again once, after the wait it asks for when that fits.
Result<HttpAnswer> ask(const std::string& url, Clock::time_point deadline) {
    for (int attempt = 0;; ++attempt) {
        waitForTurn("musicbrainz", kGap);
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return Result<HttpAnswer>::fail("the service did not answer in time");
        auto answer = httpGet(url, {std::min<long>(5000, left.count()), left.count()});
        if (!answer || answer->status != 503 || attempt > 0)
            return answer;
        const auto wait = std::chrono::seconds(std::max(1L, answer->retryAfter));
        if (Clock::now() + wait >= deadline)
            return Result<HttpAnswer>::fail("the service is busy (503)");
        std::this_thread::sleep_for(wait);
    }
}

int trackCountOf(const std::string& toc) {
    const int first = std::atoi(toc.c_str());
    const size_t blank = toc.find(' ');
    const int last = blank == std::string::npos ? 0 : std::atoi(toc.c_str() + blank + 1);
    return last >= first ? last - first + 1 : 0;
}

Result<std::vector<Release>> askService(const std::string& discId, const std::string& toc) {
    using R = Result<std::vector<Release>>;
    const auto deadline = Clock::now() + kBudget;
    const std::string url =
        musicBrainzBase() + "/ws/2/discid/" + discId + "?inc=artist-credits+recordings&fmt=json";
    std::string tocParameter = toc;
    std::replace(tocParameter.begin(), tocParameter.end(), ' ', '+');
    // An unknown disc ID is looked for again by its table of contents (the service's own
    // fuzzy match).
    for (const std::string& address : {url, url + "&toc=" + tocParameter}) {
        auto answer = ask(address, deadline);
        if (!answer)
            return R::fail(answer.error());
        if (answer->status == 404)
            continue;
        if (answer->status != 200)
            return R::fail("the service answered with status " + std::to_string(answer->status));
        return parseReleases(answer->body, discId, trackCountOf(toc));
    }
    return std::vector<Release>{};
}

} // namespace

const Release* DiscNames::release() const {
    for (const Release& r : releases)
        if (r.id == chosen)
            return &r;
    return releases.empty() ? nullptr : &releases.front();
}

std::string musicBrainzBase() {
    return serviceBase("WAVELATHE_MUSICBRAINZ_URL", "https://musicbrainz.org");
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

Result<DiscNames> lookUpDisc(const std::string& discId, const std::string& toc) {
    using R = Result<DiscNames>;
    if (auto cached = fromCache(discId))
        return cached->failure.empty() ? R(cached->names) : R::fail(cached->failure);
    DiscNames names;
    names.discId = discId;
    auto releases = askService(discId, toc);
    if (!releases) {
        (void)writeCached(cacheName(discId), recordOf(names, releases.error()).dump());
        return R::fail(releases.error());
    }
    names.releases = std::move(*releases);
    (void)writeCached(cacheName(discId), recordOf(names, {}).dump());
    return names;
}

Status chooseRelease(const std::string& discId, const std::string& releaseId) {
    auto cached = fromCache(discId);
    if (!cached || !cached->failure.empty())
        return fail("the disc has not been looked up");
    cached->names.chosen = releaseId;
    return writeCached(cacheName(discId), recordOf(cached->names, {}).dump());
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
