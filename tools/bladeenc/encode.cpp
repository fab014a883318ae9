#include "encode.h"

#include "wavcheck.h"

#include <fcntl.h>
#include <lame/lame.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace wl::bladeenc {
namespace {

struct LameDeleter {
    void operator()(lame_global_flags* g) const { lame_close(g); }
};
struct SndDeleter {
    void operator()(SNDFILE* f) const { sf_close(f); }
};

bool supportedSubtype(int format) {
    const int type = format & SF_FORMAT_TYPEMASK;
    const int sub = format & SF_FORMAT_SUBMASK;
    return (type == SF_FORMAT_WAV || type == SF_FORMAT_WAVEX) &&
           (sub == SF_FORMAT_PCM_U8 || sub == SF_FORMAT_PCM_16 || sub == SF_FORMAT_PCM_24 ||
            sub == SF_FORMAT_PCM_32 || sub == SF_FORMAT_FLOAT || sub == SF_FORMAT_DOUBLE);
}

} // namespace

Status encodeSound(SNDFILE* sf, const SF_INFO& info, const EncodeSettings& settings, ByteSink& sink,
                   Progress* progress) {
    if (info.channels < 1 || info.channels > 2)
        return fail(std::to_string(info.channels) +
                    " channels, only mono and stereo are supported");
    if (info.samplerate < 8000 || info.samplerate > 48000)
        return fail("sample rate " + std::to_string(info.samplerate) + " Hz is not supported");
    std::unique_ptr<lame_global_flags, LameDeleter> gf(lame_init());
    if (!gf)
        return fail("out of memory");
    lame_set_num_channels(gf.get(), info.channels);
    lame_set_in_samplerate(gf.get(), info.samplerate);
    lame_set_brate(gf.get(), settings.kbps);
    lame_set_VBR(gf.get(), vbr_off);
    lame_set_bWriteVbrTag(gf.get(), 1);
    if (settings.downmix)
        lame_set_mode(gf.get(), MONO);
    if (settings.highQuality)
        lame_set_quality(gf.get(), 0);
    if (lame_init_params(gf.get()) < 0)
        return fail("the encoder cannot use " + std::to_string(settings.kbps) +
                    " kbit/s for this input");

    constexpr int kFrames = 4608;
    std::vector<float> pcm(static_cast<size_t>(kFrames) * info.channels);
    std::vector<float> left(kFrames), right(kFrames);
    std::vector<unsigned char> mp3(kFrames * 5 / 4 + 7200);
    const double total = info.frames > 0 ? static_cast<double>(info.frames) : 1.0;
    sf_count_t done = 0;
    while (true) {
        const sf_count_t got = sf_readf_float(sf, pcm.data(), kFrames);
        if (got <= 0)
            break;
        const int n = static_cast<int>(got);
        for (int i = 0; i < n; ++i) {
            left[i] = pcm[static_cast<size_t>(i) * info.channels];
            right[i] = info.channels == 2 ? pcm[static_cast<size_t>(i) * 2 + 1] : left[i];
        }
        // The float interface takes full-scale samples as +-1.0.
        const int bytes = lame_encode_buffer_ieee_float(gf.get(), left.data(), right.data(), n,
                                                        mp3.data(), static_cast<int>(mp3.size()));
        if (bytes < 0)
            return fail("the encoder failed (code " + std::to_string(bytes) + ")");
        if (Status s = sink.write(mp3.data(), static_cast<size_t>(bytes)); !s)
            return s;
        done += got;
        if (progress)
            progress->update(static_cast<double>(done) / total,
                             static_cast<double>(done) / info.samplerate);
    }
    if (sf_error(sf) != SF_ERR_NO_ERROR)
        return fail(std::string("cannot read the samples: ") + sf_strerror(sf));
    const int bytes = lame_encode_flush(gf.get(), mp3.data(), static_cast<int>(mp3.size()));
    if (bytes < 0)
        return fail("the encoder failed at the end (code " + std::to_string(bytes) + ")");
    if (Status s = sink.write(mp3.data(), static_cast<size_t>(bytes)); !s)
        return s;
    // The info tag replaces the placeholder frame at the start, so decoders can trim the
    // encoder's delay and padding.
    const size_t tag = lame_get_lametag_frame(gf.get(), mp3.data(), mp3.size());
    if (tag > 0 && tag <= mp3.size())
        return sink.writeAt(0, mp3.data(), tag);
    return ok();
}

Status encodeFile(const std::string& input, const std::string& output,
                  const EncodeSettings& settings, Progress* progress) {
    const int fd = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return fail("cannot open: " + errnoText());
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return fail("not a regular file");
    }
    auto shape = checkWav(
        [fd](uint64_t off, void* buf, size_t n) {
            const ssize_t got = pread(fd, buf, n, static_cast<off_t>(off));
            return got < 0 ? size_t{0} : static_cast<size_t>(got);
        },
        static_cast<uint64_t>(st.st_size));
    if (!shape) {
        close(fd);
        return fail(shape.error());
    }
    if (sameFile(input, output)) {
        close(fd);
        return fail("the output would overwrite the input");
    }
    SF_INFO info{};
    // libsndfile takes over the descriptor and closes it.
    std::unique_ptr<SNDFILE, SndDeleter> sf(sf_open_fd(fd, SFM_READ, &info, SF_TRUE));
    if (!sf)
        return fail(std::string("cannot read as WAV: ") + sf_strerror(nullptr));
    if (!supportedSubtype(info.format))
        return fail("unsupported WAV sample format");
    SafeOutput out;
    if (Status s = out.open(output); !s)
        return s;
    if (Status s = encodeSound(sf.get(), info, settings, out, progress); !s)
        return s;
    return out.commit();
}

} // namespace wl::bladeenc
