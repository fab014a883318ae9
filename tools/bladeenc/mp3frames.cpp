// SPDX-License-Identifier: GPL-3.0-or-later
#include "mp3frames.h"

#include "bytes.h"

#include <algorithm>
#include <cstring>

namespace wl::bladeenc {
namespace {

constexpr int kBitrates[2][15] = {
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
constexpr int kRates[3][3] = {{11025, 12000, 8000}, {22050, 24000, 16000}, {44100, 48000, 32000}};

// Bits of a byte string, from the highest bit of its first byte.
class Bits {
  public:
    Bits(const unsigned char* data, size_t size) : data_(data), size_(size) {}
    uint32_t take(int n) {
        uint32_t value = 0;
        for (int i = 0; i < n; ++i, ++pos_) {
            const size_t byte = pos_ / 8;
            const unsigned bit = byte < size_ ? (data_[byte] >> (7 - pos_ % 8)) & 1u : 0u;
            value = value << 1 | bit;
        }
        return value;
    }
    void skip(int n) { pos_ += static_cast<size_t>(n); }

  private:
    const unsigned char* data_;
    size_t size_, pos_ = 0;
};

struct Header {
    bool mpeg1 = false, crc = false, mono = false;
    size_t size = 0, sideInfo = 0;
};

bool readHeader(const unsigned char* p, Header& h) {
    const uint32_t word = bigEndian32(p);
    const unsigned version = word >> 19 & 3, layer = word >> 17 & 3, rateIndex = word >> 10 & 3;
    const unsigned bitrateIndex = word >> 12 & 15;
    if ((word >> 21) != 0x7FF || version == 1 || layer != 1 || rateIndex == 3 ||
        bitrateIndex == 0 || bitrateIndex == 15)
        return false;
    h.mpeg1 = version == 3;
    h.crc = !(word >> 16 & 1);
    h.mono = (word >> 6 & 3) == 3;
    const int rate = kRates[version == 3 ? 2 : version == 2 ? 1 : 0][rateIndex];
    const int kbps = kBitrates[h.mpeg1 ? 1 : 0][bitrateIndex];
    h.size = static_cast<size_t>((h.mpeg1 ? 144000 : 72000) * kbps / rate) + (word >> 9 & 1);
    h.sideInfo = h.mpeg1 ? (h.mono ? 17 : 32) : (h.mono ? 9 : 17);
    return true;
}

// Where the info frame's tag ("Xing" or "Info") begins, or 0.
size_t infoTagAt(const unsigned char* frame, size_t size, const Header& h) {
    const size_t at = 4 + (h.crc ? 2 : 0) + h.sideInfo;
    if (at + 4 > size)
        return 0;
    return std::memcmp(frame + at, "Xing", 4) == 0 || std::memcmp(frame + at, "Info", 4) == 0 ? at
                                                                                              : 0;
}

} // namespace

Result<std::vector<Mp3Frame>> layer3Frames(const std::vector<unsigned char>& s) {
    using R = Result<std::vector<Mp3Frame>>;
    std::vector<Mp3Frame> frames;
    for (size_t at = 0; at < s.size();) {
        Header h;
        if (s.size() - at < 4 || !readHeader(s.data() + at, h) || s.size() - at < h.size)
            return R::fail("not a stream of whole Layer III frames at byte " + std::to_string(at));
        Mp3Frame f;
        f.at = at;
        f.size = h.size;
        f.slot = at + 4 + (h.crc ? 2 : 0) + h.sideInfo;
        if (f.slot > at + h.size)
            return R::fail("a frame too small for its side information");
        f.info = infoTagAt(s.data() + at, h.size, h) != 0;
        Bits bits(s.data() + at + 4 + (h.crc ? 2 : 0), h.sideInfo);
        f.mainDataBegin = static_cast<int>(bits.take(h.mpeg1 ? 9 : 8));
        const int channels = h.mono ? 1 : 2;
        bits.skip(h.mpeg1 ? (h.mono ? 5 : 3) + 4 * channels : (h.mono ? 1 : 2));
        size_t dataBits = 0;
        for (int granule = 0; granule < (h.mpeg1 ? 2 : 1); ++granule)
            for (int c = 0; c < channels; ++c) {
                dataBits += bits.take(12);              // part2_3_length
                bits.skip(h.mpeg1 ? 59 - 12 : 63 - 12); // the rest of the granule's channel
            }
        f.dataBytes = f.info ? 0 : (dataBits + 7) / 8;
        frames.push_back(f);
        at += h.size;
    }
    return frames;
}

uint16_t lameCrc16(const unsigned char* data, size_t size, uint16_t crc) {
    for (size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit)
            crc = crc & 1 ? static_cast<uint16_t>(crc >> 1 ^ 0xA001)
                          : static_cast<uint16_t>(crc >> 1);
    }
    return crc;
}

Status describeStream(std::vector<unsigned char>& frame, const WholeStream& stream) {
    Header h;
    if (frame.size() < 4 || !readHeader(frame.data(), h) || h.size != frame.size())
        return fail("the info frame is not a frame");
    size_t at = infoTagAt(frame.data(), frame.size(), h);
    if (at == 0 || at + 8 > frame.size())
        return fail("the info frame has no Xing or Info header");
    const uint32_t flags = bigEndian32(frame.data() + at + 4);
    at += 8;
    // The fields the flags announce: frames, bytes, table of contents, quality.
    const size_t need = at + (flags & 1 ? 4 : 0) + (flags & 2 ? 4 : 0) + (flags & 4 ? 100 : 0) +
                        (flags & 8 ? 4 : 0) + 36;
    if (need > frame.size() || (flags & 3) != 3)
        return fail("the info frame lacks the stream's counts");
    putBigEndian32(frame.data() + at, stream.audioFrames);
    putBigEndian32(frame.data() + at + 4, stream.bytes);
    at += 8;
    if (flags & 4) {
        // Entry i: the place of the frame i percent into the stream, in 256ths of its bytes.
        for (size_t i = 0; i < 100; ++i) {
            const size_t n = std::min(stream.frameAt.size() - 1, 1 + i * stream.audioFrames / 100);
            const uint64_t place = uint64_t{stream.frameAt[n]} * 256 / std::max(1u, stream.bytes);
            frame[at + i] = static_cast<unsigned char>(std::min<uint64_t>(place, 255));
        }
        at += 100;
    }
    if (flags & 8)
        at += 4;
    // The LAME extension: "LAME" and its version, then at 21 the delay and padding (12 bits
    // each), at 28 the music length, at 32 the music CRC and at 34 the CRC of the frame so far.
    const size_t lame = at;
    if (std::memcmp(frame.data() + lame, "LAME", 4) != 0)
        return fail("the info frame has no LAME extension");
    if (stream.padding < 0 || stream.padding > 4095)
        return fail("the stream's padding does not fit its info frame");
    const int delay = frame[lame + 21] << 4 | frame[lame + 22] >> 4;
    frame[lame + 22] = static_cast<unsigned char>((delay & 15) << 4 | stream.padding >> 8);
    frame[lame + 23] = static_cast<unsigned char>(stream.padding & 0xFF);
    putBigEndian32(frame.data() + lame + 28, stream.bytes);
    frame[lame + 32] = static_cast<unsigned char>(stream.musicCrc >> 8);
    frame[lame + 33] = static_cast<unsigned char>(stream.musicCrc & 0xFF);
    const uint16_t own = lameCrc16(frame.data(), lame + 34);
    frame[lame + 34] = static_cast<unsigned char>(own >> 8);
    frame[lame + 35] = static_cast<unsigned char>(own & 0xFF);
    return ok();
}

} // namespace wl::bladeenc
