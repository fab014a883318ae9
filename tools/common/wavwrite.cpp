// SPDX-License-Identifier: GPL-3.0-or-later
#include "wavio.h"

#include <cstring>

namespace wl {

namespace {

void put16(unsigned char* p, unsigned v) {
    p[0] = v & 0xff;
    p[1] = (v >> 8) & 0xff;
}
void put32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = (v >> (8 * i)) & 0xff;
}

void wavHeader(unsigned char h[44], int rate, int channels, uint32_t data, uint32_t after) {
    std::memcpy(h, "RIFF", 4);
    put32(h + 4, 36 + data + after);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(h + 16, 16);
    put16(h + 20, 1);
    put16(h + 22, static_cast<unsigned>(channels));
    put32(h + 24, static_cast<uint32_t>(rate));
    put32(h + 28, static_cast<uint32_t>(rate * channels * 2));
    put16(h + 32, static_cast<unsigned>(channels * 2));
    put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    put32(h + 40, data);
}

} // namespace

Status WavWriter::open(const std::string& target, int rate, int channels, Existing existing) {
    rate_ = rate;
    channels_ = channels;
    bytes_ = 0;
    if (Status s = out_.open(target, existing); !s)
        return s;
    unsigned char h[44];
    wavHeader(h, rate, channels, 0, 0);
    return out_.write(h, sizeof h);
}

Status WavWriter::write(const void* pcm, size_t bytes) {
    if (bytes_ + bytes > kMaxData)
        return fail("the WAV would exceed the 4 GiB limit of the format");
    bytes_ += bytes;
    return out_.write(pcm, bytes);
}

Status WavWriter::finish(const Tags& tags) {
    const std::string info = infoChunk(tags);
    if (!info.empty()) {
        if (bytes_ + info.size() > kMaxData)
            return fail("the WAV would exceed the 4 GiB limit of the format");
        if (Status s = out_.write(info.data(), info.size()); !s)
            return s;
    }
    unsigned char h[44];
    wavHeader(h, rate_, channels_, static_cast<uint32_t>(bytes_),
              static_cast<uint32_t>(info.size()));
    if (Status s = out_.writeAt(0, h, sizeof h); !s)
        return s;
    return out_.commit();
}

} // namespace wl
