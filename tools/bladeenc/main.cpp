// SPDX-License-Identifier: GPL-3.0-or-later
// BladeEnc [switches] INPUT [OUTPUT] [switches]: encodes WAV files to MP3.
#include "batch.h"
#include "bladeenc_args.h"
#include "encode.h"
#include "jobprotocol.h"
#include "paths.h"
#include "programs.h"
#include "toolmain.h"
#include "workers.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <unistd.h>

using namespace wl;
using namespace wl::bladeenc;

namespace {

// A name that exists is that file, even when it holds * or ?.
bool expandsPattern(const Options& o) {
    return isPattern(o.input) && access(o.input.c_str(), F_OK) != 0;
}

Result<std::vector<Job>> planJobs(const Options& o) {
    using R = Result<std::vector<Job>>;
    std::vector<Job> jobs;
    if (!expandsPattern(o)) {
        Job job;
        job.input = o.input;
        job.output = o.output.empty() ? replaceExtension(o.input, ".mp3") : o.output;
        jobs.push_back(job);
        return jobs;
    }
    if (!o.output.empty())
        return R::fail("an output name cannot be given with a pattern");
    auto inputs = expandPattern(o.input);
    if (!inputs)
        return R::fail(inputs.error());
    std::map<std::string, std::string> firstInputFor;
    for (const std::string& in : *inputs) {
        Job job;
        job.input = in;
        job.output = replaceExtension(in, ".mp3");
        // "a.WAV" and "a.wav" would both become "a.mp3": the second must not replace the first.
        auto [it, fresh] = firstInputFor.emplace(job.output, in);
        if (!fresh)
            job.refusal = "skipped: " + job.output + " is already written from " + it->second;
        jobs.push_back(job);
    }
    if (jobs.empty())
        return R::fail(o.input + ": no file matches this pattern");
    return jobs;
}

} // namespace

int main(int argc, char** argv) {
    installSignalCleanup();
    auto options = parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (const auto status = answerCommandLine(program::kBladeEnc, options, kUsage))
        return *status;
    auto jobs = planJobs(*options);
    if (!jobs) {
        std::fprintf(stderr, "%s: %s\n", program::kBladeEnc, jobs.error().c_str());
        sendUpdate(update::kFailed, jobs.error());
        return options->output.empty() ? kExitFailed : kExitUsage;
    }
    const bool batch = expandsPattern(*options);
    if (batch)
        sendUpdate(update::kFiles, std::to_string(jobs->size()));
    installSignalCleanup(workerCount(jobs->size()));
    runAll(*jobs, *options);
    const size_t good = static_cast<size_t>(
        std::count_if(jobs->begin(), jobs->end(), [](const Job& j) { return j.ok; }));
    // A pattern always gets its summary, even when it matched one file.
    if (batch) {
        const size_t kept = static_cast<size_t>(
            std::count_if(jobs->begin(), jobs->end(), [](const Job& j) { return j.kept; }));
        const std::string failed = std::to_string(jobs->size() - good) + " failed" +
                                   (kept ? ", " + std::to_string(kept) + " kept" : "");
        std::fprintf(stderr, "%zu encoded, %s\n", good, failed.c_str());
        sendUpdate(update::kSummary,
                   std::to_string(good) + (good == 1 ? " file" : " files") + " encoded, " + failed);
    }
    return good == jobs->size() ? kExitOk : kExitFailed;
}
