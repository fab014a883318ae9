// SPDX-License-Identifier: GPL-3.0-or-later
#include "encode.h"

#include "lame.h"
#include "parts.h"

#include "files.h"
#include "paths.h"

#include <cmath>
#include <fcntl.h>
#include <lame/lame.h>
#include <memory>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace wl::bladeenc {
namespace {

// The data chunk as a file of its own, for libsndfile's raw PCM reader.
using Window = Samples::Window;
sf_count_t windowLength(void* u) { return static_cast<Window*>(u)->size; }
sf_count_t windowSeek(sf_count_t off, int whence, void* u) {
    auto* w = static_cast<Window*>(u);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? w->pos : w->size;
    if (base + off < 0 || base + off > w->size)
        return -1;
    return w->pos = base + off;
}
sf_count_t windowRead(void* buf, sf_count_t n, void* u) {
    auto* w = static_cast<Window*>(u);
    const sf_count_t want = std::min(n, w->size - w->pos);
    const size_t got = want > 0 ? (*w->read)(static_cast<uint64_t>(w->offset + w->pos), buf,
                                             static_cast<size_t>(want))
                                : 0;
    w->pos += static_cast<sf_count_t>(got);
    return static_cast<sf_count_t>(got);
}
sf_count_t windowWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t windowTell(void* u) { return static_cast<Window*>(u)->pos; }

int rawFormat(const WavShape& s) {
    int sub = SF_FORMAT_PCM_16;
    if (s.isFloat)
        sub = s.bits == 64 ? SF_FORMAT_DOUBLE : SF_FORMAT_FLOAT;
    else if (s.bits == 8)
        sub = SF_FORMAT_PCM_U8; // 8-bit WAV samples are unsigned
    else if (s.bits == 24)
        sub = SF_FORMAT_PCM_24;
    else if (s.bits == 32)
        sub = SF_FORMAT_PCM_32;
    return SF_FORMAT_RAW | sub | SF_ENDIAN_LITTLE;
}

// libmp3lame asserts on NaN and on samples far beyond full scale.
uint64_t clampSamples(float* pcm, size_t count) {
    uint64_t clamped = 0;
    for (size_t i = 0; i < count; ++i) {
        const float v = pcm[i];
        if (v >= -1.0f && v <= 1.0f)
            continue;
        pcm[i] = std::isnan(v) ? 0.0f : (v > 0 ? 1.0f : -1.0f);
        ++clamped;
    }
    return clamped;
}

// UTF-8 to the byte-order-marked, NUL-ended UTF-16 that libmp3lame's ID3v2 frames take.
std::vector<unsigned short> utf16(const std::string& utf8) {
    std::vector<unsigned short> out{0xFEFF};
    for (const char32_t cp : codePoints(utf8)) {
        if (cp >= 0x10000) {
            out.push_back(static_cast<unsigned short>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<unsigned short>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else if (cp != 0) {
            out.push_back(static_cast<unsigned short>(cp));
        }
    }
    out.push_back(0);
    return out;
}

// The names as ID3v2 text frames; libmp3lame builds the tag, and we write it ourselves so that
// the info frame's place after it is known.
void setNames(lame_global_flags* gf, const Tags& tags) {
    id3tag_init(gf);
    id3tag_v2_only(gf);
    const std::pair<const char*, const std::string*> frames[] = {
        {"TIT2", &tags.title}, {"TPE1", &tags.artist},      {"TALB", &tags.album},
        {"TRCK", &tags.track}, {"TPE2", &tags.albumArtist}, {"TYER", &tags.year}};
    for (const auto& [id, text] : frames)
        if (!text->empty())
            id3tag_set_textinfo_utf16(gf, id, utf16(*text).data());
    // The MusicBrainz IDs as Picard writes them, in user text frames ("description=value").
    for (const auto& [description, text] : kMusicBrainzFrames)
        if (!(tags.*text).empty())
            id3tag_set_textinfo_utf16(gf, "TXXX",
                                      utf16(std::string(description) + "=" + tags.*text).data());
    lame_set_write_id3tag_automatic(gf, 0);
}

// The most bytes libmp3lame gives for n sample frames.
size_t mp3Room(int frames) { return static_cast<size_t>(frames) * 5 / 4 + 7200; }

// One serial encode: every frame read in order through one encoder.
Status encodeStream(Samples& samples, const WavShape& shape, const EncodeSettings& settings,
                    ByteSink& sink, Progress* progress, uint64_t& clamped) {
    auto gf = makeEncoder(shape, settings, true, !settings.tags.empty());
    if (!gf)
        return fail(gf.error());
    size_t firstFrame = 0; // where the audio's first frame, the info frame, begins
    if (!settings.tags.empty()) {
        auto tag = id3Tag(gf->get());
        if (!tag)
            return fail(tag.error());
        firstFrame = tag->size();
        if (Status s = sink.write(tag->data(), tag->size()); !s)
            return s;
    }
    constexpr int kFrames = 4608;
    std::vector<float> pcm(static_cast<size_t>(kFrames) * shape.channels);
    std::vector<unsigned char> mp3;
    const uint64_t total = shape.dataBytes / static_cast<uint64_t>(shape.frameBytes());
    uint64_t done = 0;
    for (int n; (n = samples.read(pcm.data(), kFrames, clamped)) > 0;) {
        mp3.clear();
        if (Status s = encodeFrames(gf->get(), pcm.data(), n, shape.channels, mp3); !s)
            return s;
        if (Status s = sink.write(mp3.data(), mp3.size()); !s)
            return s;
        done += static_cast<uint64_t>(n);
        if (progress)
            progress->update(static_cast<double>(done) / static_cast<double>(total),
                             static_cast<double>(done) / shape.rate);
    }
    if (!samples.error().empty())
        return fail(samples.error());
    // A file that shrank while it was read must not pass for encoded (and be deleted).
    if (done != total)
        return fail("only " + std::to_string(done) + " of " + std::to_string(total) +
                    " sample frames could be read; the file changed or is damaged");
    mp3.clear();
    if (Status s = flushEncoder(gf->get(), mp3); !s)
        return s;
    if (Status s = sink.write(mp3.data(), mp3.size()); !s)
        return s;
    // The info tag replaces the placeholder frame at the start, so decoders can trim the
    // encoder's delay and padding.
    const std::vector<unsigned char> info = infoFrameOf(gf->get());
    if (!info.empty())
        return sink.writeAt(firstFrame, info.data(), info.size());
    return ok();
}

FileIdentity identityOf(const struct stat& st) {
    return {st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
}

bool sameTime(const struct timespec& a, const struct timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

// The change time catches a rewrite that put the old modification time back (touch -r).
bool sameIdentity(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size &&
           sameTime(a.modified, b.modified) && sameTime(a.changed, b.changed);
}

} // namespace

Result<Lame> makeEncoder(const WavShape& shape, const EncodeSettings& settings, bool infoFrame,
                         bool names) {
    Lame gf(lame_init());
    if (!gf)
        return Result<Lame>::fail("out of memory");
    lame_set_num_channels(gf.get(), shape.channels);
    // Above 48 kHz the encoder picks an MPEG rate and resamples, as the usual encoders do.
    lame_set_in_samplerate(gf.get(), shape.rate);
    lame_set_brate(gf.get(), settings.kbps);
    lame_set_VBR(gf.get(), vbr_off);
    lame_set_bWriteVbrTag(gf.get(), infoFrame ? 1 : 0);
    if (settings.downmix)
        lame_set_mode(gf.get(), MONO);
    if (settings.highQuality)
        lame_set_quality(gf.get(), 0);
    if (names)
        setNames(gf.get(), settings.tags);
    if (lame_init_params(gf.get()) < 0)
        return Result<Lame>::fail("the encoder cannot use " + std::to_string(settings.kbps) +
                                  " kbit/s for this input");
    return gf;
}

Result<std::vector<unsigned char>> id3Tag(lame_global_flags* gf) {
    std::vector<unsigned char> tag(lame_get_id3v2_tag(gf, nullptr, 0));
    const size_t size = lame_get_id3v2_tag(gf, tag.data(), tag.size());
    if (size > tag.size())
        return Result<std::vector<unsigned char>>::fail("the encoder could not make the ID3 tag");
    tag.resize(size);
    return tag;
}

Samples::Samples(const ReadAt& read, const WavShape& shape)
    : shape_(shape), window_{&read, static_cast<sf_count_t>(shape.dataOffset),
                             static_cast<sf_count_t>(shape.dataBytes), 0} {
    SF_VIRTUAL_IO io{windowLength, windowSeek, windowRead, windowWrite, windowTell};
    SF_INFO info{};
    info.samplerate = shape.rate;
    info.channels = shape.channels;
    info.format = rawFormat(shape);
    sf_.reset(sf_open_virtual(&io, SFM_READ, &info, &window_));
}

Status Samples::opened() const {
    if (!sf_)
        return fail(std::string("cannot read the samples: ") + sf_strerror(nullptr));
    return ok();
}

bool Samples::seek(uint64_t frame) {
    return sf_seek(sf_.get(), static_cast<sf_count_t>(frame), SEEK_SET) ==
           static_cast<sf_count_t>(frame);
}

int Samples::read(float* pcm, int frames, uint64_t& clamped) {
    const sf_count_t got = sf_readf_float(sf_.get(), pcm, frames);
    if (got <= 0)
        return 0;
    if (shape_.isFloat)
        clamped += clampSamples(pcm, static_cast<size_t>(got) * shape_.channels);
    return static_cast<int>(got);
}

std::string Samples::error() const {
    if (sf_error(sf_.get()) == SF_ERR_NO_ERROR)
        return {};
    return std::string("cannot read the samples: ") + sf_strerror(sf_.get());
}

Status encodeFrames(lame_global_flags* gf, const float* pcm, int frames, int channels,
                    std::vector<unsigned char>& mp3) {
    thread_local std::vector<float> left, right;
    left.resize(static_cast<size_t>(frames));
    right.resize(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        left[i] = pcm[static_cast<size_t>(i) * channels];
        right[i] = channels == 2 ? pcm[static_cast<size_t>(i) * 2 + 1] : left[i];
    }
    const size_t at = mp3.size();
    mp3.resize(at + mp3Room(frames));
    // The float interface takes full-scale samples as +-1.0.
    const int bytes = lame_encode_buffer_ieee_float(
        gf, left.data(), right.data(), frames, mp3.data() + at, static_cast<int>(mp3.size() - at));
    if (bytes < 0)
        return fail("the encoder failed (code " + std::to_string(bytes) + ")");
    mp3.resize(at + static_cast<size_t>(bytes));
    return ok();
}

Status flushEncoder(lame_global_flags* gf, std::vector<unsigned char>& mp3) {
    const size_t at = mp3.size();
    mp3.resize(at + mp3Room(0));
    const int bytes = lame_encode_flush(gf, mp3.data() + at, static_cast<int>(mp3.size() - at));
    if (bytes < 0)
        return fail("the encoder failed at the end (code " + std::to_string(bytes) + ")");
    mp3.resize(at + static_cast<size_t>(bytes));
    return ok();
}

std::vector<unsigned char> infoFrameOf(lame_global_flags* gf) {
    // Asked with no room, libmp3lame says how much the frame needs.
    std::vector<unsigned char> frame(lame_get_lametag_frame(gf, nullptr, 0));
    const size_t size = lame_get_lametag_frame(gf, frame.data(), frame.size());
    frame.resize(size == frame.size() ? size : 0);
    return frame;
}

Status encodePcm(const ReadAt& read, const WavShape& shape, const EncodeSettings& settings,
                 ByteSink& sink, Progress* progress, uint64_t* clamped) {
    uint64_t count = 0;
    Status s = ok();
    if (auto parts = encodeInParts(read, shape, settings, sink, progress, count)) {
        s = *parts;
    } else {
        Samples samples(read, shape);
        s = samples.opened();
        if (s)
            s = encodeStream(samples, shape, settings, sink, progress, count);
    }
    if (clamped)
        *clamped = count;
    return s;
}

Result<Encoded> encodeFile(const std::string& input, const std::string& output,
                           const EncodeSettings& settings, Progress* progress) {
    using R = Result<Encoded>;
    auto file = InputFile::open(input);
    if (!file)
        return R::fail(file.error());
    const int fd = file->fd();
    const struct stat& st = file->info();
    const ReadAt read = [fd](uint64_t off, void* buf, size_t n) {
        size_t got = 0;
        while (got < n) {
            const ssize_t r =
                pread(fd, static_cast<char*>(buf) + got, n - got, static_cast<off_t>(off + got));
            if (r <= 0)
                break;
            got += static_cast<size_t>(r);
        }
        return got;
    };
    auto shape = checkWav(read, static_cast<uint64_t>(st.st_size));
    if (!shape)
        return R::fail(shape.error());
    if (sameFile(input, output))
        return R::fail("the output would overwrite the input");
    SafeOutput out;
    if (Status s = out.open(output); !s)
        return R::fail(s.error());
    uint64_t clamped = 0;
    EncodeSettings named = settings;
    named.tags = readWavTags(read, static_cast<uint64_t>(st.st_size));
    if (Status s = encodePcm(read, *shape, named, out, progress, &clamped); !s)
        return R::fail(s.error());
    if (Status s = out.commit(); !s)
        return R::fail(s.error());
    return Encoded{identityOf(st), out.trashedOld(), shape->notRead, clamped,
                   static_cast<double>(shape->dataBytes / shape->frameBytes()) / shape->rate};
}

Status deleteEncoded(const std::string& input, const FileIdentity& read) {
    struct stat now {};
    if (lstat(input.c_str(), &now) != 0)
        return fail("encoded, but cannot delete: " + errnoText());
    if (S_ISLNK(now.st_mode))
        return fail("encoded, but not deleted: it is a symbolic link, not the WAV itself");
    if (!S_ISREG(now.st_mode) || !sameIdentity(identityOf(now), read))
        return fail("encoded, but not deleted: the file changed while it was encoded");
    if (unlink(input.c_str()) != 0)
        return fail("encoded, but cannot delete: " + errnoText());
    return ok();
}

} // namespace wl::bladeenc
