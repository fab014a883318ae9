// SPDX-License-Identifier: GPL-3.0-or-later
#include "checksums.h"

#include "bytes.h"
#include "discid.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <zlib.h>

namespace wl::cdda {
namespace {

constexpr uint64_t kEdgeFrames = 5 * kSamplesPerSector;

} // namespace

TrackChecksums::TrackChecksums(uint64_t frames, bool firstTrack, bool lastTrack)
    : checkFrom_(firstTrack ? kEdgeFrames : 1),
      checkTo_(lastTrack ? (frames > kEdgeFrames ? frames - kEdgeFrames : 0) : frames) {}

void TrackChecksums::add(const unsigned char* pcm, size_t bytes) {
    // zlib's crc32 is the CRC-32 of zip, computed many bytes at a time.
    for (size_t done = 0; done < bytes;) {
        const auto n = static_cast<uInt>(std::min<size_t>(bytes - done, 1u << 30));
        crc_ = static_cast<uint32_t>(::crc32(crc_, pcm + done, n));
        done += n;
    }
    // Only the frames inside the counted range, with no test per frame: v2 is v1 plus the
    // high halves of the products, summed apart.
    const uint64_t first = index_ + 1, count = bytes / 4;
    index_ += count;
    const uint64_t from = std::max(first, checkFrom_), to = std::min(index_, checkTo_);
    uint32_t low = 0, high = 0;
    for (uint64_t n = from; n <= to; ++n) {
        const uint64_t product = uint64_t{littleEndian32(pcm + 4 * (n - first))} * n;
        low += static_cast<uint32_t>(product);
        high += static_cast<uint32_t>(product >> 32);
    }
    v1_ += low;
    high_ += high;
    for (size_t i = 0; i + 1 < bytes; i += 2) {
        const int sample = static_cast<int16_t>(pcm[i] | pcm[i + 1] << 8);
        peak_ = std::max(peak_, sample < 0 ? -sample : sample);
    }
}

std::string TrackChecksums::describe() const {
    char buf[96];
    std::snprintf(buf, sizeof buf, "Copy CRC %08X, AccurateRip v1 %08X, v2 %08X", crc32(),
                  accurateRipV1(), accurateRipV2());
    return buf;
}

} // namespace wl::cdda
