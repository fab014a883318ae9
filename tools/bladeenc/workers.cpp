// SPDX-License-Identifier: GPL-3.0-or-later
#include "workers.h"

#include "encode.h"
#include "programs.h"
#include "progress.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace wl::bladeenc {
namespace {

void failJob(Job& job, const std::string& why) {
    job.report += std::string(program::kBladeEnc) + ": " + job.input + ": " + why + "\n";
    job.updates.push_back({std::string(update::kFailed), job.input + ": " + why});
}

void runJob(Job& job, const Options& o, Progress* progress, int parts) {
    if (!job.refusal.empty())
        return failJob(job, job.refusal);
    const EncodeSettings settings{o.kbps, o.downmix, o.highQuality, {}, parts};
    auto encoded = encodeFile(job.input, job.output, settings, progress);
    if (progress)
        progress->clear();
    if (!encoded)
        return failJob(job, encoded.error());
    job.seconds = encoded->seconds;
    if (encoded->clamped) {
        const std::string note = job.input + ": " + std::to_string(encoded->clamped) +
                                 " samples out of range were clamped";
        job.report += std::string(program::kBladeEnc) + ": " + note + "\n";
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

} // namespace

unsigned workerCount(size_t jobs) {
    return std::max(
        1u, std::min<unsigned>(std::thread::hardware_concurrency(), static_cast<unsigned>(jobs)));
}

void runAll(std::vector<Job>& jobs, const Options& o) {
    if (jobs.size() == 1) {
        Progress progress(stderrIsTerminal());
        std::fputs(startLine(jobs[0]).c_str(), stderr);
        sendUpdate(update::kStart, jobs[0].input);
        runJob(jobs[0], o, &progress, 0);
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
    const unsigned workers = workerCount(jobs.size());
    for (unsigned w = workers; w > 0; --w)
        pool.emplace_back([&] {
            for (size_t i; (i = next++) < jobs.size();) {
                // One file per core while files are waiting; the last few are split on every
                // core, so that a core whose file is done does not idle while audio is left.
                const bool lastOnes = jobs.size() - i <= workers;
                runJob(jobs[i], o, nullptr, lastOnes ? 0 : 1);
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

} // namespace wl::bladeenc
