// SPDX-License-Identifier: GPL-3.0-or-later
// BladeEnc [switches] INPUT [OUTPUT] [switches]: encodes WAV files to MP3.
#include "batch.h"
#include "bladeenc_args.h"
#include "encode.h"
#include "jobprotocol.h"
#include "paths.h"
#include "programs.h"
#include "toolmain.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>

using namespace wl;
using namespace wl::bladeenc;

namespace {

struct Job {
    std::string input, output;
    std::string refusal;         // set when the job must not run at all
    std::string report;          // the lines people read
    std::vector<Update> updates; // the same for the job window, sent in order
    bool ok = false;
    bool kept = false;  // encoded, but -Delete kept the WAV: it holds more than was read
    double seconds = 0; // of audio encoded
};

void failJob(Job& job, const std::string& why) {
    job.report += "BladeEnc: " + job.input + ": " + why + "\n";
    job.updates.push_back({std::string(update::kFailed), job.input + ": " + why});
}

void runJob(Job& job, const Options& o, Progress* progress) {
    if (!job.refusal.empty())
        return failJob(job, job.refusal);
    const EncodeSettings settings{o.kbps, o.downmix, o.highQuality, {}};
    auto encoded = encodeFile(job.input, job.output, settings, progress);
    if (progress)
        progress->clear();
    if (!encoded)
        return failJob(job, encoded.error());
    job.seconds = encoded->seconds;
    if (encoded->clamped) {
        const std::string note = job.input + ": " + std::to_string(encoded->clamped) +
                                 " samples out of range were clamped";
        job.report += "BladeEnc: " + note + "\n";
        job.updates.push_back({std::string(update::kWarning), note});
    }
    const OutputReport done = outputReport(job.output, encoded->trashedOld);
    job.report += done.text;
    job.updates.insert(job.updates.end(), done.updates.begin(), done.updates.end());
    // Only a complete MP3, on disk with its folder entry, lets the very file that was read go,
    // and only when what was read is all the file holds.
    if (o.deleteSource && !encoded->notRead.empty()) {
        const std::string note = "kept " + job.input + ": " + encoded->notRead;
        job.report += note + "\n";
        job.updates.push_back({std::string(update::kKept), note});
        job.kept = true;
    } else if (o.deleteSource) {
        if (Status s = deleteEncoded(job.input, encoded->input); !s)
            return failJob(job, s.error());
        job.updates.push_back({std::string(update::kDeleted), job.input});
    }
    job.ok = true;
}

std::string startLine(const Job& job) {
    return job.refusal.empty() ? "Encoding " + job.input + " -> " + job.output + "\n"
                               : std::string();
}

void publish(const Job& job) {
    std::fputs((startLine(job) + job.report).c_str(), stderr);
    std::fflush(stderr);
    for (const Update& u : job.updates)
        sendUpdate(u.keyword, u.text);
}

unsigned workerCount(size_t jobs) {
    return std::max(
        1u, std::min<unsigned>(std::thread::hardware_concurrency(), static_cast<unsigned>(jobs)));
}

// Encodes the jobs, one worker per core, printing each job's lines whole and in order.
void runAll(std::vector<Job>& jobs, const Options& o) {
    if (jobs.size() == 1) {
        Progress progress(stderrIsTerminal());
        std::fputs(startLine(jobs[0]).c_str(), stderr);
        sendUpdate(update::kStart, jobs[0].input);
        runJob(jobs[0], o, &progress);
        std::fputs(jobs[0].report.c_str(), stderr);
        for (const Update& u : jobs[0].updates)
            sendUpdate(u.keyword, u.text);
        return;
    }
    std::atomic<size_t> next{0};
    std::mutex m;
    std::condition_variable cv;
    std::vector<bool> finished(jobs.size(), false);
    std::vector<std::thread> pool;
    for (unsigned w = workerCount(jobs.size()); w > 0; --w)
        pool.emplace_back([&] {
            for (size_t i; (i = next++) < jobs.size();) {
                runJob(jobs[i], o, nullptr);
                std::lock_guard lock(m);
                finished[i] = true;
                cv.notify_all();
            }
        });
    double seconds = 0;
    for (size_t i = 0; i < jobs.size(); ++i) {
        sendUpdate(update::kStart, jobs[i].input);
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return finished[i]; });
        publish(jobs[i]);
        seconds += jobs[i].seconds;
        sendUpdate(update::kProgress, std::to_string((i + 1) * 1000 / jobs.size()));
        sendUpdate(update::kAudio, secondsText(seconds));
    }
    for (std::thread& t : pool)
        t.join();
}

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
        std::fprintf(stderr, "BladeEnc: %s\n", jobs.error().c_str());
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
