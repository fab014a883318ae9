// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer target: arbitrary bytes as a WAV file through the header check, its LIST/INFO names
// and the encoder; the first byte picks the bitrate and the -dm and -hq switches.
#include "bladeenc_args.h"
#include "encode.h"
#include "wavio.h"

#include <cstring>

namespace {

class NullSink : public wl::ByteSink {
  public:
    wl::Status write(const void*, size_t) override { return wl::ok(); }
    wl::Status writeAt(long, const void*, size_t) override { return wl::ok(); }
};

constexpr int kRates[] = {8, 16, 24, 32, 56, 64, 96, 112, 128, 160, 192, 256, 320};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    wl::bladeenc::EncodeSettings settings;
    settings.kbps = kRates[data[0] % std::size(kRates)];
    settings.downmix = data[0] & 0x40;
    settings.highQuality = data[0] & 0x80;
    ++data;
    --size;
    const wl::ReadAt read = [&](uint64_t off, void* buf, size_t n) {
        if (off >= size)
            return size_t{0};
        const size_t got = std::min<size_t>(n, size - off);
        std::memcpy(buf, data + off, got);
        return got;
    };
    // The names a WAV carries go into the MP3's ID3v2 tag.
    settings.tags = wl::readWavTags(read, size);
    auto shape = wl::checkWav(read, size);
    if (!shape || shape->dataBytes > (1u << 20))
        return 0;
    NullSink sink;
    (void)wl::bladeenc::encodePcm(read, *shape, settings, sink, nullptr);
    return 0;
}
