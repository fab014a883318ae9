// SPDX-License-Identifier: GPL-3.0-or-later
#include "driveoffsets.h"

#include "bytes.h"
#include "cache.h"
#include "httpget.h"
#include "onlinesetting.h"

#include <cctype>
#include <charconv>
#include <ctime>

namespace wl {
namespace {

constexpr size_t kRecordBytes = 69, kNameBytes = 32;
constexpr long kListKeptSeconds = 30L * 24 * 60 * 60;
const char* const kCacheName = "DriveOffsets.bin";
const char* const kFailureName = "DriveOffsets.failed";

// Upper case, blanks around "-" and runs of blanks made one: names as people and firmware
// write them differ in nothing else.
std::string normalised(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const bool blank = c == ' ' || c == '\t' || c == '\0';
        if (blank && (out.empty() || out.back() == ' '))
            continue;
        out += blank ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    while (!out.empty() && out.back() == ' ')
        out.pop_back();
    return out;
}

bool cachedIsFresh(const char* name, long keptFor) {
    const long age = static_cast<long>(std::time(nullptr)) - cachedTime(name);
    return cachedTime(name) > 0 && age >= 0 && age <= keptFor;
}

} // namespace

Result<std::vector<DriveOffset>> parseDriveOffsets(const std::string& bytes) {
    using R = Result<std::vector<DriveOffset>>;
    if (bytes.empty() || bytes.size() % kRecordBytes != 0)
        return R::fail("the drive list is cut off");
    std::vector<DriveOffset> list;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    for (size_t at = 0; at < bytes.size(); at += kRecordBytes) {
        const int samples = static_cast<int16_t>(littleEndian16(p + at));
        if (samples < -kMostReadOffset || samples > kMostReadOffset)
            return R::fail("the drive list is not a list of drives");
        std::string name(bytes.data() + at + 2, kNameBytes);
        name.resize(name.find('\0') == std::string::npos ? kNameBytes : name.find('\0'));
        list.push_back({name, samples});
    }
    return list;
}

std::optional<int> listedOffset(const std::vector<DriveOffset>& list, const std::string& vendor,
                                const std::string& model) {
    const std::string wanted = normalised(vendor) + " - " + normalised(model);
    const std::string bare = normalised(model);
    for (const DriveOffset& d : list) {
        std::string name = normalised(d.name);
        if (name.starts_with("- "))
            name.erase(0, 2);
        // Drives without a vendor are listed by model alone.
        if (name == wanted || (normalised(vendor).empty() && name == bare))
            return d.samples;
    }
    return std::nullopt;
}

Result<std::vector<DriveOffset>> fetchDriveOffsets() {
    using R = Result<std::vector<DriveOffset>>;
    if (cachedIsFresh(kCacheName, kListKeptSeconds))
        if (auto text = readCached(kCacheName))
            if (auto list = parseDriveOffsets(*text))
                return list;
    if (cachedIsFresh(kFailureName, kFailureKeptSeconds))
        return R::fail(readCached(kFailureName).value_or("the drive list could not be fetched"));
    auto failed = [](const std::string& why) {
        (void)writeCached(kFailureName, why);
        return R::fail(why);
    };
    const auto answer =
        httpGet(serviceBase("WAVELATHE_ACCURATERIP_URL", "http://www.accuraterip.com") +
                "/accuraterip/DriveOffsets.bin");
    if (!answer)
        return failed(answer.error());
    if (answer->status != 200)
        return failed("the drive list's server answered with status " +
                      std::to_string(answer->status));
    auto list = parseDriveOffsets(answer->body);
    if (!list)
        return failed(list.error());
    (void)writeCached(kCacheName, answer->body);
    return list;
}

std::string ReadOffset::describe() const {
    if (from.empty())
        return "read offset unknown: 0 used";
    return "read offset " + std::string(samples > 0 ? "+" : "") + std::to_string(samples) +
           " samples (" + from + ")";
}

ReadOffset driveReadOffset(const std::string& vendor, const std::string& model) {
    if (const auto set = storedSetting(kReadOffsetSection, driveKey(vendor, model))) {
        int samples = 0;
        const char* end = set->data() + set->size();
        const auto [ptr, ec] =
            std::from_chars(set->data() + (set->starts_with('+') ? 1 : 0), end, samples);
        if (ec == std::errc() && ptr == end && samples >= -kMostReadOffset &&
            samples <= kMostReadOffset)
            return {samples, "your setting"};
    }
    if ((vendor.empty() && model.empty()) || !lookupsAllowed())
        return {};
    if (const auto list = fetchDriveOffsets())
        if (const auto samples = listedOffset(*list, vendor, model))
            return {*samples, "AccurateRip drive list"};
    return {};
}

} // namespace wl
