// A look at a WAV file's chunk structure before the decoder library sees it, so that malformed
// headers (the classic encoder crashers) get a clear refusal instead of a guess.
#pragma once
#include "toolkit.h"

#include <cstdint>
#include <functional>

namespace wl {

// Reads up to n bytes at offset; returns how many were read.
using ReadAt = std::function<size_t(uint64_t offset, void* buf, size_t n)>;

struct WavShape {
    int channels = 0;
    int rate = 0;
    int bits = 0;
    bool isFloat = false;
    uint64_t dataOffset = 0;
    uint64_t dataBytes = 0;
};

// Accepts PCM 8/16/24/32-bit and float 32/64-bit, plain or WAVE_FORMAT_EXTENSIBLE, mono or
// stereo, 8 to 48 kHz, with a data chunk that fits in the file.
Result<WavShape> checkWav(const ReadAt& read, uint64_t fileSize);

} // namespace wl
