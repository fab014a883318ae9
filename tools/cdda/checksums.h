// SPDX-License-Identifier: GPL-3.0-or-later
// The proofs of a rip: the copy CRC and the AccurateRip checksums, fed sector by sector.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace wl::cdda {

// AccurateRip looks at a track as a sequence of stereo frames ("sample pairs"), numbered from 1.
// Each frame is read as one 32-bit little-endian word (left sample in the low half, right in the
// high half) and multiplied by its number:
//   v1 adds up the low 32 bits of every product;
//   v2 adds up the low and the high 32 bits of every 64-bit product,
// both modulo 2^32. A drive's read offset shifts the first and last few frames of a disc into
// the lead-in and lead-out, so those never count: on the disc's first track the frames before
// number 5 * 588 (just under five sectors) are skipped, and on its last track the final
// 5 * 588 frames (exactly five sectors).
class TrackChecksums {
  public:
    TrackChecksums(uint64_t frames, bool firstTrack, bool lastTrack);
    // Whole stereo frames of 16-bit little-endian PCM, in order.
    void add(const unsigned char* pcm, size_t bytes);

    uint32_t crc32() const { return crc_; }
    uint32_t accurateRipV1() const { return v1_; }
    uint32_t accurateRipV2() const { return v1_ + high_; }
    // The loudest sample's size, 0 to 32768 (for the rip's log).
    int peak() const { return peak_; }
    // "Copy CRC 1A2B3C4D, AccurateRip v1 0A0B0C0D, v2 01020304"
    std::string describe() const;

  private:
    uint64_t checkFrom_, checkTo_, index_ = 0;
    uint32_t crc_ = 0, v1_ = 0, high_ = 0;
    int peak_ = 0;
};

} // namespace wl::cdda
