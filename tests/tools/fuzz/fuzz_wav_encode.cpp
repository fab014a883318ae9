// libFuzzer target: arbitrary bytes as a WAV file through the header check and the encoder.
#include "encode.h"
#include "wavcheck.h"

#include <cstring>

namespace {

struct Memory {
    const uint8_t* data;
    sf_count_t size, pos;
};

sf_count_t vlen(void* u) { return static_cast<Memory*>(u)->size; }
sf_count_t vseek(sf_count_t off, int whence, void* u) {
    auto* m = static_cast<Memory*>(u);
    const sf_count_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? m->pos : m->size;
    if (base + off < 0 || base + off > m->size)
        return -1;
    return m->pos = base + off;
}
sf_count_t vread(void* buf, sf_count_t n, void* u) {
    auto* m = static_cast<Memory*>(u);
    const sf_count_t got = std::min(n, m->size - m->pos);
    std::memcpy(buf, m->data + m->pos, static_cast<size_t>(got));
    m->pos += got;
    return got;
}
sf_count_t vwrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t vtell(void* u) { return static_cast<Memory*>(u)->pos; }

class NullSink : public wl::ByteSink {
  public:
    wl::Status write(const void*, size_t) override { return wl::ok(); }
    wl::Status writeAt(long, const void*, size_t) override { return wl::ok(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto shape = wl::checkWav(
        [&](uint64_t off, void* buf, size_t n) {
            if (off >= size)
                return size_t{0};
            const size_t got = std::min<size_t>(n, size - off);
            std::memcpy(buf, data + off, got);
            return got;
        },
        size);
    if (!shape || shape->dataBytes > (1u << 20))
        return 0;
    Memory m{data, static_cast<sf_count_t>(size), 0};
    SF_VIRTUAL_IO io{vlen, vseek, vread, vwrite, vtell};
    SF_INFO info{};
    SNDFILE* sf = sf_open_virtual(&io, SFM_READ, &info, &m);
    if (!sf)
        return 0;
    NullSink sink;
    (void)wl::bladeenc::encodeSound(sf, info, {}, sink, nullptr);
    sf_close(sf);
    return 0;
}
