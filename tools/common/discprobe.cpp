// SPDX-License-Identifier: GPL-3.0-or-later
#include "discprobe.h"
#include "programs.h"

#include "discfiles.h"
#include "launch.h"
#include "lookup.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <unistd.h>

namespace wl {
namespace {

using probe::Answer;
using probe::kMaxTracks;

std::atomic<int> g_probes{0};

} // namespace

Result<DiscToc> probeDisc(const std::string& image, int timeoutMs) {
    if (auto files = discFiles(image); !files)
        return Result<DiscToc>::fail(files.error());
    auto view = DiscView::of(image);
    if (!view)
        return Result<DiscToc>::fail(view.error());
    return probeDisc(*view, image, timeoutMs);
}

Result<DiscToc> probeDisc(const DiscView& view, const std::string& image, int timeoutMs) {
    using R = Result<DiscToc>;
    auto answer = makePipe();
    if (!answer)
        return R::fail("cannot look at " + image + ": " + answer.error());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    // A program of its own, started without running anything of ours in the child: a child
    // of a threaded process that runs libcdio before exec could wait forever on a lock another
    // thread held at the fork.
    Launch launch;
    launch.argv = {ownFolder() + "/" + program::kProbe, view.source(), view.folder(),
                   std::to_string(timeoutMs / 1000 + 1)};
    launch.out = answer->write.get();
    const auto pid = spawn(launch);
    answer->write.reset();
    if (!pid)
        return R::fail("cannot look at " + image + ": " + program::kProbe + ": " + pid.error());
    ++g_probes;
    Answer a;
    const auto bytes = readUntilClosed(answer->read.get(), deadline, sizeof a);
    const bool answered = bytes.has_value();
    if (answered)
        std::memcpy(&a, bytes->data(), bytes->size());
    if (!answered)
        kill(*pid, SIGKILL);
    // The probe exits 0, 2 or 3 by itself; 128 and above is a signal.
    const int status = waitExit(*pid);
    if (!answered || status >= 128)
        return R::fail(image + ": the disc image is damaged (reading it " +
                       (answered ? "crashed" : "did not end") + ")");
    if (status != 0)
        return R::fail(image + ": cannot be read as a disc image");
    DiscToc toc;
    toc.leadout = a.leadout;
    for (int i = 0; i < std::min(a.count, kMaxTracks); ++i)
        toc.tracks.push_back({a.number[i], a.audio[i] != 0, a.start[i]});
    return toc;
}

int probesStarted() { return g_probes; }

} // namespace wl
