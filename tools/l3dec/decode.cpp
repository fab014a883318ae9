// SPDX-License-Identifier: GPL-3.0-or-later
#include "decode.h"

#include "files.h"
#include "paths.h"
#include "wavio.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace wl::l3dec {
namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* h) const {
        mpg123_close(h);
        mpg123_delete(h);
    }
};

class WavSink : public PcmSink {
  public:
    explicit WavSink(std::string target) : target_(std::move(target)) {}
    Status begin(long rate, int channels, uint64_t expectedBytes) override {
        if (expectedBytes > WavWriter::kMaxData)
            return fail("the decoded audio (about " + std::to_string(expectedBytes >> 20) +
                        " MiB) would exceed the 4 GiB limit of a WAV file");
        return wav_.open(target_, static_cast<int>(rate), channels);
    }
    Status write(const unsigned char* pcm, size_t bytes) override { return wav_.write(pcm, bytes); }
    Status finish(const Tags& tags) { return wav_.finish(tags); }
    void keepExisting() { wav_.setExisting(Existing::Refuse); }
    bool trashedOld() const { return wav_.trashedOld(); }

  private:
    std::string target_;
    WavWriter wav_;
};

} // namespace

mpg123_handle* newDecoder() {
    int err = MPG123_OK;
    mpg123_handle* mh = mpg123_new(nullptr, &err);
    if (!mh)
        return nullptr;
    mpg123_param(mh, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    mpg123_format_none(mh);
    const long* rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    for (size_t i = 0; i < count; ++i)
        mpg123_format(mh, rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
    return mh;
}

Status decodeHandle(mpg123_handle* mh, PcmSink& sink, DecodeReport& report, Progress* progress,
                    uint64_t fileSize) {
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_getformat(mh, &rate, &channels, &encoding) != MPG123_OK)
        return fail("no MPEG audio frame found");
    const off_t length = mpg123_length(mh);
    // Only an info tag's frame count can prove frames missing; without one the length is an
    // estimate from the file's size (a CBR stream's padded frames make it a few frames long).
    // libmpg123 knows the encoder delay only from such a tag.
    long accurate = 0, delay = -1;
    const bool exact =
        mpg123_getstate(mh, MPG123_ACCURATE, &accurate, nullptr) == MPG123_OK && accurate != 0 &&
        mpg123_getstate(mh, MPG123_ENC_DELAY, &delay, nullptr) == MPG123_OK && delay >= 0;
    const off_t promisedFrames = mpg123_framelength(mh);
    uint64_t expected = length > 0 ? static_cast<uint64_t>(length) * channels * 2 : 0;
    // The file's size at the first frame's bitrate bounds what an info tag may promise.
    mpg123_frameinfo info{};
    if (fileSize > 0 && mpg123_info(mh, &info) == MPG123_OK && info.bitrate > 0) {
        const double seconds = static_cast<double>(fileSize) * 8 / (info.bitrate * 1000.0);
        expected = std::min(expected, static_cast<uint64_t>(seconds * rate) * channels * 2);
    }
    if (Status s = sink.begin(rate, channels, expected); !s)
        return s;
    uint64_t written = 0;
    while (true) {
        // Each frame's PCM straight from the decoder's own buffer, with no copy of ours.
        off_t frameNumber = 0;
        unsigned char* pcm = nullptr;
        size_t done = 0;
        const int rc = mpg123_decode_frame(mh, &frameNumber, &pcm, &done);
        if (done && pcm) {
            if (Status s = sink.write(pcm, done); !s)
                return s;
            written += done;
            if (progress && length > 0)
                progress->update(static_cast<double>(written) /
                                     static_cast<double>(length * channels * 2),
                                 static_cast<double>(written) / (rate * channels * 2.0));
        }
        if (rc == MPG123_DONE)
            break;
        if (rc == MPG123_NEW_FORMAT) {
            long r = 0;
            int c = 0, e = 0;
            mpg123_getformat(mh, &r, &c, &e);
            if (r != rate || c != channels) {
                // Joined streams: PCM of another format must never go under the first header.
                report.stop = "the stream changes format midway (" + std::to_string(rate) +
                              " Hz, " + std::to_string(channels) + " ch to " + std::to_string(r) +
                              " Hz, " + std::to_string(c) + " ch); decoding stopped there";
                break;
            }
            continue;
        }
        if (rc != MPG123_OK) {
            ++report.errors;
            if (rc == MPG123_ERR && mpg123_errcode(mh) == MPG123_RESYNC_FAIL)
                break;
            if (report.errors > 1000)
                break;
        }
    }
    report.frames = static_cast<long>(mpg123_tellframe(mh));
    if (exact && promisedFrames > 0 && report.frames + 1 < promisedFrames)
        report.missingFrames = static_cast<long>(promisedFrames) - report.frames;
    if (written == 0)
        return fail(report.stop.empty() ? "no decodable MPEG audio frame" : report.stop);
    return ok();
}

std::string DecodeReport::describe() const {
    if (!stop.empty())
        return stop;
    return "damaged stream: " + std::to_string(missingFrames) + " frames missing or skipped, " +
           std::to_string(errors) + " decoder errors";
}

namespace {

// A string of libmpg123's, up to its first NUL (a text converted from UTF-16 may hold two).
std::string text(const mpg123_string* s) {
    return s && s->p && s->fill > 1 ? std::string(s->p, strnlen(s->p, s->fill)) : std::string();
}

// ID3v1 text is Latin-1, padded with NULs or blanks.
std::string latin1(const char* field, size_t size) {
    std::string out;
    for (size_t i = 0; i < size && field[i] != '\0'; ++i) {
        appendUtf8(out, static_cast<unsigned char>(field[i]));
    }
    return out.substr(0, out.find_last_not_of(' ') + 1);
}

// The names the MP3's ID3 tags give, as UTF-8: the ID3v2 tag's, else the ID3v1 tag's.
Tags namesOf(mpg123_handle* mh) {
    mpg123_id3v1* v1 = nullptr;
    mpg123_id3v2* v2 = nullptr;
    Tags tags;
    if (mpg123_id3(mh, &v1, &v2) != MPG123_OK)
        return tags;
    if (v2) {
        tags.title = text(v2->title);
        tags.artist = text(v2->artist);
        tags.album = text(v2->album);
        tags.year = text(v2->year);
        for (size_t i = 0; i < v2->texts; ++i) {
            const char* id = v2->text[i].id;
            if (std::memcmp(id, "TRCK", 4) == 0)
                tags.track = text(&v2->text[i].text);
            else if (std::memcmp(id, "TPE2", 4) == 0)
                tags.albumArtist = text(&v2->text[i].text);
            else if (std::memcmp(id, "TDRC", 4) == 0 && tags.year.empty())
                tags.year = text(&v2->text[i].text).substr(0, 4);
        }
        for (size_t i = 0; i < v2->extras; ++i)
            for (const auto& [description, field] : kMusicBrainzFrames)
                if (text(&v2->extra[i].description) == description)
                    tags.*field = text(&v2->extra[i].text);
    }
    if (tags.empty() && v1) {
        tags.title = latin1(v1->title, sizeof v1->title);
        tags.artist = latin1(v1->artist, sizeof v1->artist);
        tags.album = latin1(v1->album, sizeof v1->album);
        // ID3v1.1: a track number in the comment's last byte, after a NUL.
        if (v1->comment[28] == '\0' && v1->comment[29] != '\0')
            tags.track = std::to_string(static_cast<unsigned char>(v1->comment[29]));
    }
    return tags;
}

bool looksLikeWav(int fd) {
    unsigned char h[12];
    if (pread(fd, h, sizeof h, 0) != static_cast<ssize_t>(sizeof h))
        return false;
    return (std::memcmp(h, "RIFF", 4) == 0 || std::memcmp(h, "RF64", 4) == 0) &&
           std::memcmp(h + 8, "WAVE", 4) == 0;
}

} // namespace

Result<Decoded> decodeFile(const std::string& input, const std::string& output,
                           Progress* progress) {
    using R = Result<Decoded>;
    auto file = InputFile::open(input);
    if (!file)
        return R::fail(file.error());
    const int fd = file->fd();
    const struct stat& st = file->info();
    if (looksLikeWav(fd))
        return R::fail("this is a WAV file, not an MP3");
    if (sameFile(input, output))
        return R::fail("the output would overwrite the input");
    std::unique_ptr<mpg123_handle, HandleDeleter> mh(newDecoder());
    if (!mh || mpg123_open_fd(mh.get(), fd) != MPG123_OK)
        return R::fail("cannot start the decoder");
    WavSink sink(output);
    DecodeReport report;
    if (Status s =
            decodeHandle(mh.get(), sink, report, progress, static_cast<uint64_t>(st.st_size));
        !s)
        return R::fail(s.error());
    // What a damaged stream gave never takes the place of an existing file.
    if (report.damaged())
        sink.keepExisting();
    const Status f = sink.finish(namesOf(mh.get()));
    if (!report.damaged())
        return f ? R(Decoded{sink.trashedOld()}) : R::fail(f.error());
    if (!f && access(output.c_str(), F_OK) == 0)
        return R::fail(report.describe() + "; no WAV written, the existing " + output +
                       " was left as it was");
    if (!f)
        return R::fail(report.describe() + "; " + f.error());
    return R::fail(report.describe() + "; " + output + " holds what could be decoded");
}

} // namespace wl::l3dec
