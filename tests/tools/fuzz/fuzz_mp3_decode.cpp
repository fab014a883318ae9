// libFuzzer target: arbitrary bytes as an MPEG audio stream through the decoder.
#include "decode.h"

namespace {

class NullSink : public wl::l3dec::PcmSink {
  public:
    wl::Status begin(long, int, uint64_t) override { return wl::ok(); }
    wl::Status write(const unsigned char*, size_t) override { return wl::ok(); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    mpg123_handle* mh = wl::l3dec::newDecoder();
    if (!mh)
        return 0;
    if (mpg123_open_feed(mh) == MPG123_OK && mpg123_feed(mh, data, size) == MPG123_OK) {
        NullSink sink;
        wl::l3dec::DecodeReport report;
        (void)wl::l3dec::decodeHandle(mh, sink, report, nullptr);
    }
    mpg123_delete(mh);
    return 0;
}
