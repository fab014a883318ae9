// SPDX-License-Identifier: GPL-3.0-or-later
#include "parts.h"

#include "lame.h"
#include "mp3frames.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <sched.h>
#include <utility>

namespace wl::bladeenc {
namespace {

// Frames a part encodes before its first kept frame, so that its encoder's state (the MDCT's
// overlap, the psychoacoustic model, the bit reservoir) has settled as a serial encode's has:
// a fresh encoder saves up a full reservoir, and on busy music it takes some fifty frames to
// spend it down to what a serial encode keeps.
constexpr uint64_t kPreRoll = 64;
// Frames in which two parts may meet: the first where the later part's first frame finds the
// main data it borrows room for at the end of the earlier part's frames.
constexpr uint64_t kJoinWindow = 64;
// Frames encoded after the last frame a part may give, so that its end is a serial one's.
constexpr uint64_t kPostRoll = 4;
// A part shorter than this (about ten seconds) is not worth its pre-roll and its thread.
constexpr uint64_t kLeastFramesPerPart = 400;
// Sample frames read at a time.
constexpr int kBlock = 4608;

struct Part {
    uint64_t fromSample = 0, toSample = 0; // the samples it encodes
    uint64_t countFrom = 0, countTo = 0;   // the samples whose clamping it counts
    uint64_t firstFrame = 0;               // the serial stream's frame its stream begins at
    std::vector<unsigned char> mp3, infoFrame, id3;
    std::vector<Mp3Frame> frames; // its audio frames
    int delay = 0;
    uint64_t clamped = 0;
};

// Reads the part's samples in blocks that do not cross where its clamping is counted.
Status encodePart(const ReadAt& read, const WavShape& shape, const EncodeSettings& settings,
                  bool first, Part& part, std::atomic<uint64_t>& done) {
    auto gf = makeEncoder(shape, settings, first, first && !settings.tags.empty());
    if (!gf)
        return fail(gf.error());
    part.delay = lame_get_encoder_delay(gf->get());
    if (first && !settings.tags.empty()) {
        auto tag = id3Tag(gf->get());
        if (!tag)
            return fail(tag.error());
        part.id3 = std::move(*tag);
    }
    Samples samples(read, shape);
    if (Status s = samples.opened(); !s)
        return s;
    if (!samples.seek(part.fromSample))
        return fail("cannot read the samples: the file changed or is damaged");
    std::vector<float> pcm(static_cast<size_t>(kBlock) * shape.channels);
    // The part's MP3 at its bitrate, and a little more: no buffer twice as large as it needs.
    part.mp3.reserve(static_cast<size_t>((part.toSample - part.fromSample) *
                                         static_cast<uint64_t>(settings.kbps) * 125 /
                                         static_cast<uint64_t>(shape.rate)) +
                     (1 << 16));
    for (uint64_t at = part.fromSample; at < part.toSample;) {
        uint64_t end = std::min(part.toSample, at + kBlock);
        for (const uint64_t edge : {part.countFrom, part.countTo})
            if (edge > at && edge < end)
                end = edge;
        uint64_t clamped = 0;
        const int n = samples.read(pcm.data(), static_cast<int>(end - at), clamped);
        if (n <= 0)
            return fail(!samples.error().empty() ? samples.error()
                                                 : "the file changed or is damaged: its samples "
                                                   "end before the header says");
        if (at >= part.countFrom && at < part.countTo)
            part.clamped += clamped;
        if (Status s = encodeFrames(gf->get(), pcm.data(), n, shape.channels, part.mp3); !s)
            return s;
        at += static_cast<uint64_t>(n);
        done += static_cast<uint64_t>(n);
    }
    if (Status s = flushEncoder(gf->get(), part.mp3); !s)
        return s;
    if (first)
        part.infoFrame = infoFrameOf(gf->get()); // what later fills its stream's first frame
    auto frames = layer3Frames(part.mp3);
    if (!frames)
        return fail(frames.error());
    part.frames = std::move(*frames);
    // The first part's stream begins with the room its info frame takes, still blank.
    if (first && (part.frames.empty() || part.frames.front().size != part.infoFrame.size()))
        return fail("the encoder's stream does not begin with room for its info frame");
    if (first)
        part.frames.erase(part.frames.begin());
    return ok();
}

// The places of the last n main data bytes before frame index's slot, walking back through
// the frames before it; fewer when the frames before hold fewer.
std::vector<size_t> mainDataBefore(const std::vector<Mp3Frame>& frames, size_t index, size_t n) {
    std::vector<size_t> places;
    for (size_t i = index; i-- > 0 && places.size() < n;)
        for (size_t at = frames[i].at + frames[i].size; at-- > frames[i].slot && places.size() < n;)
            places.push_back(at);
    std::reverse(places.begin(), places.end());
    return places;
}

// The room after frame index's main data, up to the next frame's slot: its data begins
// mainDataBegin bytes before its own slot and takes dataBytes; the rest is free.
int roomAfter(const std::vector<Mp3Frame>& frames, size_t index) {
    const Mp3Frame& f = frames[index];
    const long end = -static_cast<long>(f.mainDataBegin) + static_cast<long>(f.dataBytes);
    return static_cast<int>(static_cast<long>(f.slotBytes()) - end);
}

// Whether every frame's main data lies after the data before it and within reach: the
// stream a decoder will read is valid.
bool reservoirHolds(const std::vector<Mp3Frame>& frames, int most) {
    long slotStart = 0, dataEnd = 0;
    for (const Mp3Frame& f : frames) {
        const long start = slotStart - f.mainDataBegin;
        if (f.mainDataBegin > most || start < dataEnd || start < 0)
            return false;
        dataEnd = start + static_cast<long>(f.dataBytes);
        slotStart += static_cast<long>(f.slotBytes());
        if (dataEnd > slotStart)
            return false;
    }
    return true;
}

// The frame where part `later` takes over from part `earlier`: the first in the join window
// whose borrowed main data fits in the room the earlier part leaves before it.
std::optional<uint64_t> joinAt(const Part& earlier, const Part& later, uint64_t nominal) {
    for (uint64_t k = nominal; k < nominal + kJoinWindow; ++k) {
        const uint64_t a = k - earlier.firstFrame, b = k - later.firstFrame;
        if (a < 1 || a >= earlier.frames.size() || b >= later.frames.size())
            return std::nullopt;
        if (later.frames[b].mainDataBegin <= roomAfter(earlier.frames, a - 1))
            return k;
    }
    return std::nullopt;
}

// A run of one part's frames in the joined stream.
struct Segment {
    const Part* part;
    size_t from, to; // its frames
};

// The parts' frames joined: each part's from its join on, the main data the first of them
// borrows put in the room the part before leaves (in that part's own bytes). Gives the runs
// and where each frame lies in the joined stream.
std::optional<std::pair<std::vector<Segment>, std::vector<Mp3Frame>>>
joined(std::vector<Part>& parts, const std::vector<uint64_t>& joins) {
    std::vector<Segment> segments;
    std::vector<Mp3Frame> placed;
    size_t length = 0;
    for (size_t p = 0; p < parts.size(); ++p) {
        const Part& part = parts[p];
        const auto from = static_cast<size_t>(joins[p] - part.firstFrame);
        const size_t to = p + 1 < parts.size() ? static_cast<size_t>(joins[p + 1] - part.firstFrame)
                                               : part.frames.size();
        if (from >= to || to > part.frames.size())
            return std::nullopt;
        if (p > 0) {
            Part& before = parts[p - 1];
            const auto borrowed = static_cast<size_t>(part.frames[from].mainDataBegin);
            const auto source = mainDataBefore(part.frames, from, borrowed);
            const auto target = mainDataBefore(before.frames, segments.back().to, borrowed);
            if (source.size() != borrowed || target.size() != borrowed)
                return std::nullopt;
            for (size_t i = 0; i < borrowed; ++i)
                before.mp3[target[i]] = part.mp3[source[i]];
        }
        segments.push_back({&part, from, to});
        for (size_t i = from; i < to; ++i) {
            Mp3Frame f = part.frames[i];
            f.slot = f.slot - f.at + length;
            f.at = length;
            length += f.size;
            placed.push_back(f);
        }
    }
    return std::pair{std::move(segments), std::move(placed)};
}

// The parts of a file of frames frames: nominal first frames K_p, and the samples each reads.
std::vector<Part> planParts(int count, uint64_t frames, uint64_t samples, uint64_t frameSize) {
    std::vector<Part> parts(static_cast<size_t>(count));
    std::vector<uint64_t> first(static_cast<size_t>(count) + 1);
    for (int p = 0; p <= count; ++p)
        first[static_cast<size_t>(p)] = frames * static_cast<uint64_t>(p) / count;
    for (size_t p = 0; p < parts.size(); ++p) {
        Part& part = parts[p];
        part.firstFrame = p == 0 ? 0 : first[p] - kPreRoll;
        part.fromSample = part.firstFrame * frameSize;
        const bool last = p + 1 == parts.size();
        part.toSample =
            last ? samples
                 : std::min(samples, (first[p + 1] + kJoinWindow + kPostRoll) * frameSize);
        part.countFrom = p == 0 ? 0 : first[p] * frameSize;
        part.countTo = last ? samples : first[p + 1] * frameSize;
    }
    return parts;
}

} // namespace

int partCount() {
    if (const char* forced = std::getenv("WAVELATHE_THREADS"); forced && *forced) {
        const int n = std::atoi(forced);
        if (n >= 1)
            return std::min(n, 64);
    }
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return std::max(1, CPU_COUNT(&set));
    return 1;
}

std::optional<Status> encodeInParts(const ReadAt& read, const WavShape& shape,
                                    const EncodeSettings& settings, ByteSink& sink,
                                    Progress* progress, uint64_t& clamped) {
    int count = settings.parts > 0 ? settings.parts : partCount();
    if (count <= 1)
        return std::nullopt;
    // Resampled audio has no whole number of input samples to a frame: encoded serially.
    auto probe = makeEncoder(shape, settings, false, false);
    if (!probe || lame_get_out_samplerate(probe->get()) != shape.rate)
        return std::nullopt;
    const auto frameSize = static_cast<uint64_t>(lame_get_framesize(probe->get()));
    const int mostBorrowed = lame_get_version(probe->get()) == 1 ? 511 : 255;
    probe->reset();
    const uint64_t samples = shape.dataBytes / static_cast<uint64_t>(shape.frameBytes());
    const uint64_t frames = samples / frameSize;
    count = static_cast<int>(
        std::min<uint64_t>(static_cast<uint64_t>(count), frames / kLeastFramesPerPart));
    if (count <= 1)
        return std::nullopt;

    std::vector<Part> parts = planParts(count, frames, samples, frameSize);
    uint64_t total = 0;
    for (const Part& part : parts)
        total += part.toSample - part.fromSample;
    std::atomic<uint64_t> done{0};
    std::vector<std::future<Status>> running;
    for (size_t p = 0; p < parts.size(); ++p)
        running.push_back(std::async(std::launch::async, [&, p] {
            return encodePart(read, shape, settings, p == 0, parts[p], done);
        }));
    for (std::future<Status>& r : running)
        while (r.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
            if (progress) {
                const double share = static_cast<double>(done) / static_cast<double>(total);
                progress->update(share, share * static_cast<double>(samples) / shape.rate);
            }
    for (std::future<Status>& r : running)
        if (Status s = r.get(); !s)
            return s;

    std::vector<uint64_t> joins{0};
    for (size_t p = 1; p < parts.size(); ++p) {
        const auto k = joinAt(parts[p - 1], parts[p], parts[p].firstFrame + kPreRoll);
        if (!k)
            return std::nullopt;
        joins.push_back(*k);
    }
    auto stream = joined(parts, joins);
    if (!stream || !reservoirHolds(stream->second, mostBorrowed) || parts[0].infoFrame.empty())
        return std::nullopt;
    const auto& [segments, placed] = *stream;

    WholeStream whole;
    const size_t infoSize = parts[0].infoFrame.size();
    whole.audioFrames = static_cast<uint32_t>(placed.size());
    whole.bytes = static_cast<uint32_t>(infoSize + placed.back().at + placed.back().size);
    const long padding =
        static_cast<long>(placed.size() * frameSize) - parts[0].delay - static_cast<long>(samples);
    whole.padding = static_cast<int>(padding);
    whole.frameAt.push_back(0);
    for (const Mp3Frame& f : placed)
        whole.frameAt.push_back(infoSize + f.at);
    for (const Segment& run : segments) {
        const Part& part = *run.part;
        const size_t at = part.frames[run.from].at;
        const size_t end = part.frames[run.to - 1].at + part.frames[run.to - 1].size;
        whole.musicCrc = lameCrc16(part.mp3.data() + at, end - at, whole.musicCrc);
    }
    std::vector<unsigned char> info = parts[0].infoFrame;
    if (padding < 0 || !describeStream(info, whole))
        return std::nullopt;

    for (const Part& part : parts)
        clamped += part.clamped;
    for (const std::vector<unsigned char>* bytes :
         {&std::as_const(parts[0].id3), &std::as_const(info)})
        if (Status s = sink.write(bytes->data(), bytes->size()); !s)
            return s;
    for (const Segment& run : segments) {
        const Part& part = *run.part;
        const size_t at = part.frames[run.from].at;
        const size_t end = part.frames[run.to - 1].at + part.frames[run.to - 1].size;
        if (Status s = sink.write(part.mp3.data() + at, end - at); !s)
            return s;
    }
    if (progress)
        progress->update(1.0, static_cast<double>(samples) / shape.rate);
    return ok();
}

} // namespace wl::bladeenc
