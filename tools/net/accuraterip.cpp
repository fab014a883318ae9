// SPDX-License-Identifier: GPL-3.0-or-later
#include "accuraterip.h"

#include "bytes.h"
#include "cache.h"
#include "discid.h"
#include "httpget.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace wl {
namespace {

// The header of a pressing: track count, id1, id2, freedb ID; then per track confidence,
// checksum and the checksum of its frame 450.
constexpr size_t kHeaderBytes = 13, kTrackBytes = 9;

int digitSum(int n) {
    int sum = 0;
    for (; n > 0; n /= 10)
        sum += n % 10;
    return sum;
}

std::string cacheName(const AccurateRipDisc& disc) {
    char name[64];
    std::snprintf(name, sizeof name, "%08x-%08x-%08x.accuraterip", disc.id1, disc.id2, disc.freedb);
    return name;
}

// The cache holds "ok\n" and the entry, "none\n" for a disc not in the database, or
// "failed\nREASON"; each line after the first is the text as it came. The file's time says
// when.
struct Cached {
    std::string kind, rest;
};
std::optional<Cached> fromCache(const AccurateRipDisc& disc) {
    const auto text = readCached(cacheName(disc));
    if (!text)
        return std::nullopt;
    const size_t end = text->find('\n');
    if (end == std::string::npos)
        return std::nullopt;
    Cached c{text->substr(0, end), text->substr(end + 1)};
    const long age = static_cast<long>(std::time(nullptr)) - cachedTime(cacheName(disc));
    if ((c.kind == "failed" && (age > kFailureKeptSeconds || age < 0)) ||
        (c.kind == "none" && (age > kUnknownKeptSeconds || age < 0)))
        return std::nullopt;
    return c;
}

} // namespace

std::string AccurateRipDisc::entryPath() const {
    char path[96];
    std::snprintf(path, sizeof path, "%x/%x/%x/dBAR-%03d-%08x-%08x-%08x.bin", id1 & 0xF,
                  id1 >> 4 & 0xF, id1 >> 8 & 0xF, audioTracks, id1, id2, freedb);
    return path;
}

AccurateRipDisc accurateRipDisc(const DiscToc& toc) {
    AccurateRipDisc disc;
    int number = 0, cddbSum = 0;
    for (const ProbedTrack& t : toc.tracks) {
        cddbSum += digitSum((t.start + kLeadIn) / kSectorsPerSecond);
        if (!t.audio)
            continue;
        ++number;
        disc.id1 += static_cast<uint32_t>(t.start);
        disc.id2 +=
            static_cast<uint32_t>(t.start > 0 ? t.start : 1) * static_cast<uint32_t>(number);
    }
    disc.audioTracks = number;
    // An Enhanced CD's data track is not the database's: its audio ends where the data's
    // session gap begins.
    const auto leadout = static_cast<uint32_t>(audioLeadout(toc));
    disc.id1 += leadout;
    disc.id2 += leadout * static_cast<uint32_t>(number + 1);
    const int first = toc.tracks.empty() ? 0 : toc.tracks.front().start;
    const int seconds =
        (toc.leadout + kLeadIn) / kSectorsPerSecond - (first + kLeadIn) / kSectorsPerSecond;
    disc.freedb = static_cast<uint32_t>(cddbSum % 255) << 24 | static_cast<uint32_t>(seconds) << 8 |
                  static_cast<uint32_t>(toc.tracks.size());
    return disc;
}

Result<std::vector<Pressing>> parseEntry(const std::string& bytes, const AccurateRipDisc& disc) {
    using R = Result<std::vector<Pressing>>;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::vector<Pressing> pressings;
    for (size_t at = 0; at < bytes.size();) {
        if (bytes.size() - at < kHeaderBytes)
            return R::fail("the database's entry is cut off");
        const int tracks = p[at];
        if (tracks != disc.audioTracks || littleEndian32(p + at + 1) != disc.id1 ||
            littleEndian32(p + at + 5) != disc.id2)
            return R::fail("the database's entry is not of this disc");
        at += kHeaderBytes;
        if (bytes.size() - at < tracks * kTrackBytes)
            return R::fail("the database's entry is cut off");
        Pressing pressing;
        for (int t = 0; t < tracks; ++t, at += kTrackBytes)
            pressing.push_back({p[at], littleEndian32(p + at + 1)});
        pressings.push_back(std::move(pressing));
    }
    if (pressings.empty())
        return R::fail("the database's entry is empty");
    return pressings;
}

std::string accurateRipBase() {
    return serviceBase("WAVELATHE_ACCURATERIP_URL", "http://www.accuraterip.com");
}

Result<std::vector<Pressing>> fetchPressings(const AccurateRipDisc& disc) {
    using R = Result<std::vector<Pressing>>;
    if (auto cached = fromCache(disc)) {
        if (cached->kind == "failed")
            return R::fail(cached->rest);
        if (cached->kind == "none")
            return std::vector<Pressing>{};
        return parseEntry(cached->rest, disc);
    }
    auto keep = [&](const std::string& kind, const std::string& rest) {
        (void)writeCached(cacheName(disc), kind + "\n" + rest);
    };
    const auto answer = httpGet(accurateRipBase() + "/accuraterip/" + disc.entryPath());
    if (!answer) {
        keep("failed", answer.error());
        return R::fail(answer.error());
    }
    if (answer->status == 404) {
        keep("none", {});
        return std::vector<Pressing>{};
    }
    if (answer->status != 200) {
        const std::string why =
            "the database answered with status " + std::to_string(answer->status);
        keep("failed", why);
        return R::fail(why);
    }
    auto pressings = parseEntry(answer->body, disc);
    if (!pressings) {
        keep("failed", pressings.error());
        return pressings;
    }
    keep("ok", answer->body);
    return pressings;
}

std::string verdict(const std::vector<Pressing>& pressings, int track, uint32_t v1, uint32_t v2,
                    uint64_t frames) {
    if (pressings.empty())
        return "disc not in the AccurateRip database";
    if (frames == 0)
        return "not accurate (the track holds no audio)";
    int confidence = 0;
    const char* version = "v1";
    for (const Pressing& p : pressings) {
        if (track < 1 || static_cast<size_t>(track) > p.size())
            continue;
        const PressingTrack& t = p[static_cast<size_t>(track) - 1];
        if (t.checksum == v2 && t.confidence > 0) {
            confidence += t.confidence;
            version = "v2";
        } else if (t.checksum == v1 && t.confidence > 0) {
            confidence += t.confidence;
        }
    }
    if (confidence > 0)
        return "accurately ripped (confidence " + std::to_string(confidence) + ", " + version + ")";
    return "not accurate (the database has " + std::to_string(pressings.size()) +
           " other pressing" + (pressings.size() == 1 ? ")" : "s)");
}

} // namespace wl
