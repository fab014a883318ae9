#pragma once
#include "toolkit.h"

#include <sndfile.h>
#include <string>

namespace wl::bladeenc {

struct EncodeSettings {
    int kbps = 128;
    bool downmix = false;
    bool highQuality = false;
};

// Encodes an open sound stream into a CBR MP3 with a LAME info tag (where the frame has room
// for one), written to sink from offset 0.
Status encodeSound(SNDFILE* sf, const SF_INFO& info, const EncodeSettings& settings, ByteSink& sink,
                   Progress* progress);

// Checks and encodes one WAV file into output, replacing output only with a complete file.
Status encodeFile(const std::string& input, const std::string& output,
                  const EncodeSettings& settings, Progress* progress);

} // namespace wl::bladeenc
