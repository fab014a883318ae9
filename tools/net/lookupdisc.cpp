// SPDX-License-Identifier: GPL-3.0-or-later
// The MusicBrainz lookup over the network (libcurl): the part of the client the tools link, and
// the lookup program the program runs so that it links no network library itself.
#include "musicbrainz.h"

#include "cache.h"
#include "httpget.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace wl {
namespace {

using Clock = std::chrono::steady_clock;

// What the service asks of its users: at most one request a second.
constexpr std::chrono::milliseconds kGap(1000);
// The whole lookup, retries and waits included, ends within this.
constexpr std::chrono::milliseconds kBudget(15000);

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

std::string musicBrainzBase() {
    return serviceBase("WAVELATHE_MUSICBRAINZ_URL", "https://musicbrainz.org");
}

Result<DiscNames> lookUpDisc(const std::string& discId, const std::string& toc) {
    using R = Result<DiscNames>;
    if (auto cached = cachedDiscNames(discId))
        return *cached;
    DiscNames names;
    names.discId = discId;
    auto releases = askService(discId, toc);
    if (!releases) {
        keepDiscNames(names, releases.error());
        return R::fail(releases.error());
    }
    names.releases = std::move(*releases);
    keepDiscNames(names, {});
    return names;
}

} // namespace wl
