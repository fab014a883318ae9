// SPDX-License-Identifier: GPL-3.0-or-later
// WAV files: the checked shape of one that is read, and a 16-bit PCM writer.
#pragma once
#include "result.h"
#include "safeoutput.h"
#include "tags.h"

#include <cstdint>
#include <functional>
#include <string>

namespace wl {

// Reads up to n bytes at offset; returns how many were read.
using ReadAt = std::function<size_t(uint64_t offset, void* buf, size_t n)>;

struct WavShape {
    int channels = 0;
    int rate = 0;
    int bits = 0;
    bool isFloat = false;
    uint64_t dataOffset = 0;
    uint64_t dataBytes = 0;    // whole frames only, never past the end of the file
    bool sizeFromFile = false; // the header's data size was a placeholder or a lie
    // What of the file is neither header, audio that is read, nor a chunk that holds no
    // audio ("1.7 MB after its audio"); empty when the audio read is all the file holds.
    std::string notRead;
    int frameBytes() const { return channels * bits / 8; }
};

// Accepts RIFF and RF64 files of PCM 8/16/24/32-bit and float 32/64-bit, plain or
// WAVE_FORMAT_EXTENSIBLE, mono or stereo, 8 to 192 kHz. A data size that cannot be right (0,
// the streaming placeholders 0xFFFFFFFF and 0x7FFFF000, or one that runs past the end of the
// file) means that the audio runs to the end of the file, as a program writing to a pipe leaves
// it. A file without a single frame of audio is refused. The chunks after the audio are walked
// to the end of the file, so that notRead says what the audio that is read leaves out.
Result<WavShape> checkWav(const ReadAt& read, uint64_t fileSize);

// The names a WAV file carries in a LIST/INFO chunk (INAM, IART, IPRD and ITRK), before or
// after its audio.
Tags readWavTags(const ReadAt& read, uint64_t fileSize);
// The names in a LIST chunk's body (from "INFO" on); nothing for another kind of LIST.
Tags parseInfo(std::string_view body);
// The whole LIST chunk ("LIST", its size, "INFO" and one sub-chunk per name given), of even
// length; empty for empty tags.
std::string infoChunk(const Tags& tags);
// INFO has no fields of its own for these; ours, as other programs' unknown fields, are kept
// by programs that copy a list and passed over by the rest.
inline constexpr const char* kAlbumArtistId = "IAAR";
inline constexpr const char* kReleaseId = "IMBA"; // the MusicBrainz release ("album") ID
inline constexpr const char* kRecordingId = "IMBR";
inline constexpr const char* kDiscId = "IMBD";

// A 16-bit PCM WAV on a SafeOutput; the header's sizes are patched on finish.
class WavWriter {
  public:
    Status open(const std::string& target, int rate, int channels,
                Existing existing = Existing::ToTrash);
    Status write(const void* pcm, size_t bytes);
    // Names given are written in a LIST/INFO chunk after the audio; without names the file is
    // the header and the audio alone.
    Status finish(const Tags& tags = {});
    void setExisting(Existing existing) { out_.setExisting(existing); }
    bool trashedOld() const { return out_.trashedOld(); }

    static constexpr uint64_t kMaxData = 0xFFFFFFFFull - 36;

  private:
    SafeOutput out_;
    int rate_ = 0, channels_ = 0;
    uint64_t bytes_ = 0;
};

} // namespace wl
