// SPDX-License-Identifier: GPL-3.0-or-later
#include "wavio.h"

#include "bytes.h"

#include <cstdio>
#include <cstring>
#include <optional>

namespace wl {
namespace {

Result<WavShape> bad(std::string why) { return Result<WavShape>::fail(std::move(why)); }

Result<WavShape> checkFmt(const unsigned char* f, uint32_t size) {
    if (size < 16)
        return bad("fmt chunk too short (" + std::to_string(size) + " bytes)");
    WavShape w;
    unsigned tag = littleEndian16(f);
    w.channels = static_cast<int>(littleEndian16(f + 2));
    const uint32_t rate = littleEndian32(f + 4);
    const unsigned blockAlign = littleEndian16(f + 12);
    w.bits = static_cast<int>(littleEndian16(f + 14));
    if (tag == 0xFFFE) {
        if (size < 40)
            return bad("WAVE_FORMAT_EXTENSIBLE fmt chunk too short");
        const unsigned valid = littleEndian16(f + 18);
        if (valid == 0 || valid > static_cast<unsigned>(w.bits))
            return bad("invalid valid-bits field (" + std::to_string(valid) + ")");
        tag = littleEndian16(f + 24); // the sub-format GUID starts with the plain format tag
    }
    if (tag != 1 && tag != 3)
        return bad("compressed WAV (format tag " + std::to_string(tag) +
                   "), only PCM and float are supported");
    w.isFloat = tag == 3;
    if (w.channels < 1 || w.channels > 2)
        return bad(std::to_string(w.channels) + " channels, only mono and stereo are supported");
    if (rate < 8000 || rate > 192000)
        return bad("sample rate " + std::to_string(rate) + " Hz, supported are 8000 to 192000 Hz");
    w.rate = static_cast<int>(rate);
    const bool bitsOk = w.isFloat ? (w.bits == 32 || w.bits == 64)
                                  : (w.bits == 8 || w.bits == 16 || w.bits == 24 || w.bits == 32);
    if (!bitsOk)
        return bad(std::to_string(w.bits) + " bits per sample is not supported");
    if (blockAlign != static_cast<unsigned>(w.channels * w.bits / 8))
        return bad("inconsistent block alignment (" + std::to_string(blockAlign) + ")");
    return w;
}

uint64_t get64(const unsigned char* p) {
    return littleEndian32(p) | (uint64_t{littleEndian32(p + 4)} << 32);
}

// Whether the bytes at pos start a plausible chunk: a printable four-letter id and a size that
// fits in the file.
bool chunkAt(const ReadAt& read, uint64_t pos, uint64_t fileSize) {
    unsigned char c[8];
    if (pos + 8 > fileSize || read(pos, c, 8) < 8)
        return false;
    for (int i = 0; i < 4; ++i)
        if (c[i] < 0x20 || c[i] > 0x7e)
            return false;
    return pos + 8 + littleEndian32(c + 4) <= fileSize;
}

// The audio's real extent from the data chunk's declared size.
void placeData(WavShape& w, const ReadAt& read, uint64_t body, uint64_t declared,
               uint64_t fileSize) {
    const uint64_t available = fileSize - body;
    // Streaming writers leave 0 or a placeholder; a huge size followed by no chunk is a header
    // that overflowed (audio past 4 GiB).
    const bool placeholder = declared == 0 || declared == 0xFFFFFFFFu || declared == 0x7FFFF000u;
    const bool overflowed = declared >= 0x7FFFF000u && declared < available &&
                            !chunkAt(read, body + declared + (declared & 1), fileSize);
    w.sizeFromFile = placeholder || declared > available || overflowed;
    const uint64_t bytes = w.sizeFromFile ? available : declared;
    w.dataOffset = body;
    w.dataBytes = bytes - bytes % static_cast<uint64_t>(w.frameBytes());
}

// Chunks that hold no audio: tags, markers, padding, broadcast and loudness metadata.
bool holdsNoAudio(const unsigned char* id) {
    static constexpr const char* kinds[] = {
        "LIST", "id3 ", "ID3 ", "bext", "cue ", "smpl", "inst", "fact", "PEAK", "JUNK", "junk",
        "PAD ", "pad ", "FLLR", "filr", "iXML", "axml", "aXML", "cart", "acid", "DISP", "umid",
        "minf", "elm1", "regn", "levl", "plst", "labl", "note", "ltxt", "MD5 ", "chna", "dbmd",
        "_PMX", "ds64", "fmt ", "afsp", "cset", "strc", "SyLp", "ResU", "DGDA", "mext", "link"};
    for (const char* k : kinds)
        if (std::memcmp(id, k, 4) == 0)
            return true;
    return false;
}

std::string sizeText(uint64_t bytes) {
    char buf[32];
    if (bytes < 1000)
        std::snprintf(buf, sizeof buf, "%llu bytes", static_cast<unsigned long long>(bytes));
    else if (bytes < 1000 * 1000)
        std::snprintf(buf, sizeof buf, "%.1f kB", bytes / 1e3);
    else
        std::snprintf(buf, sizeof buf, "%.1f MB", bytes / 1e6);
    return buf;
}

// What the file holds beyond the audio that is read: a part frame at the end of the data, a
// second data chunk or anything unknown after it, or a RIFF size that disagrees with the file
// (bytes lost or added). Chunks before the audio were walked by checkWav already.
std::string unreadPart(const WavShape& w, const ReadAt& read, uint64_t dataEnd, uint64_t riffSize,
                       bool riffPlaceholder, bool rf64, uint64_t fileSize) {
    if (w.dataOffset + w.dataBytes < dataEnd && !w.sizeFromFile)
        return sizeText(dataEnd - w.dataOffset - w.dataBytes) + " of a part frame were not read";
    if (!w.sizeFromFile) {
        uint64_t pos = dataEnd + ((dataEnd - w.dataOffset) & 1);
        while (pos < fileSize) {
            unsigned char c[8];
            const bool whole = pos + 8 <= fileSize && read(pos, c, 8) == 8;
            const uint64_t size = whole ? littleEndian32(c + 4) : 0;
            if (!whole || !holdsNoAudio(c) || pos + 8 + size > fileSize) {
                const bool second = whole && std::memcmp(c, "data", 4) == 0;
                return sizeText(fileSize - pos) + (second ? " of a second data chunk were not read"
                                                          : " after its audio were not read");
            }
            pos += 8 + size + (size & 1);
        }
    }
    // A RIFF size that wrapped past 4 GiB still agrees with the file in its low 32 bits.
    const bool agrees = rf64 ? riffSize + 8 == fileSize
                             : ((riffSize + 8) & 0xFFFFFFFFu) == (fileSize & 0xFFFFFFFFu) ||
                                   riffSize + 9 == fileSize; // a pad byte the size left out
    if (agrees || (riffPlaceholder && w.sizeFromFile))
        return {};
    return riffSize + 8 > fileSize ? "its header says it is longer than the file (cut off?)"
                                   : "its header gives another size than the file has";
}

} // namespace

namespace {

// UTF-8 text cut off inside a character loses that character, not its reading as UTF-8.
std::string_view withoutCutSequence(std::string_view text) {
    for (size_t back = 1; back <= 3 && back <= text.size(); ++back) {
        const auto b = static_cast<unsigned char>(text[text.size() - back]);
        if ((b & 0xC0) == 0x80)
            continue;
        const size_t length = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        return length > back ? text.substr(0, text.size() - back) : text;
    }
    return text;
}

} // namespace

Tags parseInfo(std::string_view body) {
    Tags tags;
    if (body.substr(0, 4) != "INFO")
        return tags;
    const auto* bytes = reinterpret_cast<const unsigned char*>(body.data());
    for (size_t pos = 4; pos + 8 <= body.size();) {
        const std::string_view id = body.substr(pos, 4);
        const uint32_t size = littleEndian32(bytes + pos + 4);
        // A text that runs past its list is read as far as the list goes.
        const bool cut = size > body.size() - pos - 8;
        std::string_view raw = body.substr(pos + 8, size);
        raw = raw.substr(0, raw.find('\0'));
        const std::string text = legacyText(cut ? withoutCutSequence(raw) : raw);
        if (id == "INAM")
            tags.title = text;
        else if (id == "IART")
            tags.artist = text;
        else if (id == "IPRD")
            tags.album = text;
        else if (id == "ITRK" || id == "IPRT")
            tags.track = text;
        else if (id == "ICRD")
            tags.year = text;
        else if (id == kAlbumArtistId)
            tags.albumArtist = text;
        else if (id == kReleaseId)
            tags.releaseId = text;
        else if (id == kRecordingId)
            tags.recordingId = text;
        else if (id == kDiscId)
            tags.discId = text;
        if (cut)
            break;
        pos += 8 + size + (size & 1);
    }
    return tags;
}

Tags readWavTags(const ReadAt& read, uint64_t fileSize) {
    // However large a list says it is, its names are in its first megabyte.
    constexpr uint32_t kMostRead = 1 << 20;
    for (uint64_t pos = 12; pos + 8 <= fileSize;) {
        unsigned char c[8];
        if (read(pos, c, 8) < 8)
            break;
        const uint32_t size = littleEndian32(c + 4);
        if (std::memcmp(c, "LIST", 4) == 0 && size >= 4) {
            // A list cut off by the end of the file is read as far as it goes.
            const auto wanted =
                static_cast<size_t>(std::min<uint64_t>({size, fileSize - pos - 8, kMostRead}));
            std::string body(wanted, '\0');
            const size_t got = read(pos + 8, body.data(), wanted);
            body.resize(std::min(got, wanted));
            if (Tags tags = parseInfo(body); !tags.empty())
                return tags;
        }
        pos += 8 + uint64_t(size) + (size & 1);
    }
    return {};
}

Result<WavShape> checkWav(const ReadAt& read, uint64_t fileSize) {
    unsigned char h[12];
    if (read(0, h, 12) < 12)
        return bad("not a WAV file (too short)");
    const bool rf64 = std::memcmp(h, "RF64", 4) == 0 || std::memcmp(h, "BW64", 4) == 0;
    if ((std::memcmp(h, "RIFF", 4) != 0 && !rf64) || std::memcmp(h + 8, "WAVE", 4) != 0)
        return bad("not a WAV file (no RIFF/WAVE header)");
    uint64_t pos = 12;
    bool haveFmt = false;
    std::optional<uint64_t> ds64Data, ds64Riff; // RF64: the real data and RIFF sizes
    std::string unknownBefore; // a chunk before the audio that may hold audio of its own
    WavShape shape;
    while (pos + 8 <= fileSize) {
        unsigned char c[8];
        if (read(pos, c, 8) < 8)
            break;
        const uint32_t size = littleEndian32(c + 4);
        const uint64_t body = pos + 8;
        if (std::memcmp(c, "ds64", 4) == 0 && rf64) {
            unsigned char d[16];
            if (size < 16 || read(body, d, 16) < 16)
                return bad("RF64 ds64 chunk cut off");
            ds64Riff = get64(d);
            ds64Data = get64(d + 8);
        } else if (std::memcmp(c, "fmt ", 4) == 0) {
            if (haveFmt)
                return bad("two fmt chunks");
            if (size > 1024)
                return bad("fmt chunk of " + std::to_string(size) + " bytes is not plausible");
            unsigned char f[1024];
            if (body + size > fileSize || read(body, f, size) < size)
                return bad("header cut off inside the fmt chunk");
            auto fmt = checkFmt(f, size);
            if (!fmt)
                return fmt;
            shape = *fmt;
            haveFmt = true;
        } else if (std::memcmp(c, "data", 4) == 0) {
            if (!haveFmt)
                return bad("data chunk before the fmt chunk");
            const uint64_t declared = rf64 && ds64Data && size == 0xFFFFFFFFu ? *ds64Data : size;
            placeData(shape, read, body, declared, fileSize);
            if (shape.dataBytes == 0)
                return bad("no audio in the file (the data chunk is empty)");
            const uint32_t riff = littleEndian32(h + 4);
            const uint64_t riffSize = rf64 && riff == 0xFFFFFFFFu && ds64Riff ? *ds64Riff : riff;
            const bool riffPlaceholder = riff == 0 || riff == 0xFFFFFFFFu || riff >= 0x7FFFF000u;
            shape.notRead = unreadPart(shape, read, std::min(body + declared, fileSize), riffSize,
                                       riffPlaceholder, rf64, fileSize);
            if (shape.notRead.empty() && !unknownBefore.empty())
                shape.notRead = unknownBefore;
            return shape;
        } else if (!holdsNoAudio(c) && unknownBefore.empty()) {
            unknownBefore = sizeText(size) + " in an unknown chunk before its audio were not read";
        }
        pos = body + size + (size & 1);
    }
    return bad(haveFmt ? "no data chunk (header cut off?)" : "no fmt chunk (header cut off?)");
}

} // namespace wl
