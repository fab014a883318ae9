// SPDX-License-Identifier: GPL-3.0-or-later
// The pieces of an encode that a serial encode and an encode in parts share: a libmp3lame
// encoder set for the job, and a WAV's samples read as floats from any frame on.
#pragma once
#include "encode.h"

#include <lame/lame.h>
#include <memory>
#include <sndfile.h>
#include <vector>

namespace wl::bladeenc {

struct LameDeleter {
    void operator()(lame_global_flags* g) const { lame_close(g); }
};
using Lame = std::unique_ptr<lame_global_flags, LameDeleter>;

// An encoder for the shape and settings, its parameters set. infoFrame: its stream begins with
// the frame that the info tag later fills; names: it carries the ID3v2 tag of the settings'
// names.
Result<Lame> makeEncoder(const WavShape& shape, const EncodeSettings& settings, bool infoFrame,
                         bool names);

// The ID3v2 tag the encoder made of the names, to write before the audio.
Result<std::vector<unsigned char>> id3Tag(lame_global_flags* gf);

// The data chunk of a checked WAV as samples: whatever the header claims, exactly the bytes
// that checkWav placed are read.
class Samples {
  public:
    Samples(const ReadAt& read, const WavShape& shape);
    Samples(const Samples&) = delete;
    Samples& operator=(const Samples&) = delete;
    Status opened() const;
    // Moves to sample frame n of the data.
    bool seek(uint64_t frame);
    // Reads up to frames sample frames, interleaved, full scale +-1.0; NaN and samples beyond
    // full scale are made silence and clamped, counted in clamped. 0 at the end or on an error.
    int read(float* pcm, int frames, uint64_t& clamped);
    // Why reading stopped, or empty when it did not fail.
    std::string error() const;

    // What libsndfile reads through: the data chunk's place in the file, and where it is.
    struct Window {
        const ReadAt* read;
        sf_count_t offset, size, pos;
    };

  private:
    struct SndDeleter {
        void operator()(SNDFILE* f) const { sf_close(f); }
    };
    WavShape shape_;
    Window window_;
    std::unique_ptr<SNDFILE, SndDeleter> sf_;
};

// Feeds sample frames (interleaved) to the encoder, appending what it gives to mp3.
Status encodeFrames(lame_global_flags* gf, const float* pcm, int frames, int channels,
                    std::vector<unsigned char>& mp3);
// Flushes the encoder's last frames into mp3.
Status flushEncoder(lame_global_flags* gf, std::vector<unsigned char>& mp3);
// After the flush: the info frame (LAME tag) that fills the room left at the stream's start,
// for the frames this encoder gave; empty when it wrote none.
std::vector<unsigned char> infoFrameOf(lame_global_flags* gf);

} // namespace wl::bladeenc
