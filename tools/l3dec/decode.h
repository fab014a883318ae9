// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "progress.h"
#include "result.h"

#include <mpg123.h>
#include <string>

namespace wl::l3dec {

// Where decoded 16-bit PCM goes; begin() comes once, before the first write().
class PcmSink {
  public:
    virtual ~PcmSink() = default;
    virtual Status begin(long rate, int channels, uint64_t expectedBytes) = 0;
    virtual Status write(const unsigned char* pcm, size_t bytes) = 0;
};

struct DecodeReport {
    long frames = 0;        // frames decoded
    long missingFrames = 0; // frames the stream's info tag promised but that could not be decoded
    int errors = 0;         // decoder errors met on the way
    std::string stop;       // why decoding stopped before the end, if it did
    bool damaged() const { return missingFrames > 0 || errors > 0 || !stop.empty(); }
    std::string describe() const;
};

// Decodes an opened stream to the sink. A damaged stream is decoded as far as it goes and the
// damage is left in the report; the result is a failure only when nothing could be decoded or
// the sink failed. fileSize (0: unknown) bounds the expected length that sink.begin() gets,
// so that an info tag promising more than the file can hold does not refuse the stream.
Status decodeHandle(mpg123_handle* mh, PcmSink& sink, DecodeReport& report, Progress* progress,
                    uint64_t fileSize = 0);

// A decoder handle set up for 16-bit output at the stream's own rate and channel count, with
// gapless trimming and no messages of its own.
mpg123_handle* newDecoder();

struct Decoded {
    bool trashedOld = false; // an older file of the output's name went to the Trash
};

// Decodes one MPEG audio file to a WAV, put in place only complete; an existing file of the
// name goes to the Trash first. A damaged stream gives the WAV of what could be decoded only
// when the name was free (an existing file is then left as it was), and a failure that
// describes the damage.
Result<Decoded> decodeFile(const std::string& input, const std::string& output, Progress* progress);

} // namespace wl::l3dec
