// SPDX-License-Identifier: GPL-3.0-or-later
#include "wavio.h"

#include "bytes.h"

#include <cstring>
#include <utility>

namespace wl {

namespace {

void wavHeader(unsigned char h[44], int rate, int channels, uint32_t data, uint32_t after) {
    std::memcpy(h, "RIFF", 4);
    putLittleEndian32(h + 4, 36 + data + after);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    putLittleEndian32(h + 16, 16);
    putLittleEndian16(h + 20, 1);
    putLittleEndian16(h + 22, static_cast<unsigned>(channels));
    putLittleEndian32(h + 24, static_cast<uint32_t>(rate));
    putLittleEndian32(h + 28, static_cast<uint32_t>(rate * channels * 2));
    putLittleEndian16(h + 32, static_cast<unsigned>(channels * 2));
    putLittleEndian16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    putLittleEndian32(h + 40, data);
}

// A name as a sub-chunk holds it: no NUL inside, at most 4 KiB.
std::string cleaned(const std::string& text) {
    std::string out;
    for (char c : text.substr(0, 4096))
        if (c != '\0')
            out += c;
    return out;
}

void append32(std::string& out, uint32_t v) {
    unsigned char b[4];
    putLittleEndian32(b, v);
    out.append(reinterpret_cast<const char*>(b), 4);
}

} // namespace

std::string infoChunk(const Tags& tags) {
    const std::pair<const char*, const std::string*> fields[] = {
        {"INAM", &tags.title},         {"IART", &tags.artist},
        {"IPRD", &tags.album},         {"ITRK", &tags.track},
        {"ICRD", &tags.year},          {kAlbumArtistId, &tags.albumArtist},
        {kReleaseId, &tags.releaseId}, {kRecordingId, &tags.recordingId},
        {kDiscId, &tags.discId}};
    std::string body = "INFO";
    for (const auto& [id, text] : fields) {
        const std::string value = cleaned(*text);
        if (value.empty())
            continue;
        body += id;
        append32(body, static_cast<uint32_t>(value.size() + 1));
        body += value;
        body += '\0';
        if ((value.size() + 1) & 1)
            body += '\0';
    }
    if (body.size() == 4)
        return {};
    std::string chunk = "LIST";
    append32(chunk, static_cast<uint32_t>(body.size()));
    return chunk + body;
}

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
