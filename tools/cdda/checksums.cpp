// SPDX-License-Identifier: GPL-3.0-or-later
#include "checksums.h"

#include <array>
#include <cstdio>

namespace wl::cdda {
namespace {

constexpr uint64_t kEdgeFrames = 5 * 588;

// CRC-32 as zip and the copy CRCs of rippers compute it (reflected polynomial 0xEDB88320).
const std::array<uint32_t, 256>& crcTable() {
    static const auto table = [] {
        std::array<uint32_t, 256> t{};
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    return table;
}

} // namespace

TrackChecksums::TrackChecksums(uint64_t frames, bool firstTrack, bool lastTrack)
    : checkFrom_(firstTrack ? kEdgeFrames : 1),
      checkTo_(lastTrack ? (frames > kEdgeFrames ? frames - kEdgeFrames : 0) : frames) {}

void TrackChecksums::add(const unsigned char* pcm, size_t bytes) {
    const auto& table = crcTable();
    for (size_t i = 0; i < bytes; ++i)
        crc_ = table[(crc_ ^ pcm[i]) & 0xFF] ^ (crc_ >> 8);
    for (size_t i = 0; i + 4 <= bytes; i += 4) {
        ++index_;
        if (index_ < checkFrom_ || index_ > checkTo_)
            continue;
        const uint32_t value = pcm[i] | (pcm[i + 1] << 8) | (pcm[i + 2] << 16) |
                               (static_cast<uint32_t>(pcm[i + 3]) << 24);
        const uint64_t product = uint64_t{value} * index_;
        v1_ += static_cast<uint32_t>(product);
        v2_ += static_cast<uint32_t>(product) + static_cast<uint32_t>(product >> 32);
    }
}

std::string TrackChecksums::describe() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Copy CRC %08X, AccurateRip v1 %08X, v2 %08X", crc32(),
                  accurateRipV1(), accurateRipV2());
    return buf;
}

} // namespace wl::cdda
