// SPDX-License-Identifier: GPL-3.0-or-later
// One WAV encoded on every core: the audio cut into parts at frame boundaries, each part
// encoded by an encoder of its own from a little before its first frame, and the frames joined
// in order into the stream a serial encode would write.
#pragma once
#include "encode.h"

#include <optional>

namespace wl::bladeenc {

// How many parts a file is cut into: WAVELATHE_THREADS when set (1: serial), else one per
// core this process may run on.
int partCount();

// Encodes in settings.parts parts (partCount() when 0) and writes the stream to sink as
// encodePcm does. Nothing when the file is better encoded serially (one part, a short file,
// resampled audio) or its parts could not be joined; nothing is written then.
std::optional<Status> encodeInParts(const ReadAt& read, const WavShape& shape,
                                    const EncodeSettings& settings, ByteSink& sink,
                                    Progress* progress, uint64_t& clamped);

} // namespace wl::bladeenc
