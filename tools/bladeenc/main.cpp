// BladeEnc [switches] INPUT [OUTPUT] [switches]: encodes WAV files to MP3.
#include "batch.h"
#include "encode.h"
#include "options.h"

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
    std::string refusal; // set when the job must not run at all
    std::string report;
    bool ok = false;
};

void runJob(Job& job, const Options& o, Progress* progress) {
    if (!job.refusal.empty()) {
        job.report = "BladeEnc: " + job.input + ": " + job.refusal + "\n";
        return;
    }
    const EncodeSettings settings{o.kbps, o.downmix, o.highQuality};
    Status s = encodeFile(job.input, job.output, settings, progress);
    if (progress)
        progress->clear();
    if (!s) {
        job.report = "BladeEnc: " + job.input + ": " + s.error() + "\n";
        return;
    }
    job.ok = true;
    job.report = "Done " + job.output + "\n";
    // Only a complete, renamed MP3 lets its source go.
    if (o.deleteSource && unlink(job.input.c_str()) != 0)
        job.report +=
            "BladeEnc: " + job.input + ": encoded, but cannot delete: " + errnoText() + "\n";
}

std::string startLine(const Job& job) {
    return job.refusal.empty() ? "Encoding " + job.input + " -> " + job.output + "\n"
                               : std::string();
}

// Encodes the jobs, one worker per core, printing each job's lines whole and in order.
void runAll(std::vector<Job>& jobs, const Options& o) {
    if (jobs.size() == 1) {
        Progress progress(stderrIsTerminal());
        std::fputs(startLine(jobs[0]).c_str(), stderr);
        runJob(jobs[0], o, &progress);
        std::fputs(jobs[0].report.c_str(), stderr);
        return;
    }
    const unsigned workers = std::max(1u, std::min<unsigned>(std::thread::hardware_concurrency(),
                                                             static_cast<unsigned>(jobs.size())));
    std::atomic<size_t> next{0};
    std::mutex m;
    std::condition_variable cv;
    std::vector<bool> finished(jobs.size(), false);
    std::vector<std::thread> pool;
    for (unsigned w = 0; w < workers; ++w)
        pool.emplace_back([&] {
            for (size_t i; (i = next++) < jobs.size();) {
                runJob(jobs[i], o, nullptr);
                std::lock_guard lock(m);
                finished[i] = true;
                cv.notify_all();
            }
        });
    for (size_t i = 0; i < jobs.size(); ++i) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return finished[i]; });
        std::fputs((startLine(jobs[i]) + jobs[i].report).c_str(), stderr);
        std::fflush(stderr);
    }
    for (std::thread& t : pool)
        t.join();
}

// A name that exists is that file, even when it holds * or ?.
bool expandsPattern(const Options& o) {
    return isPattern(o.input) && access(o.input.c_str(), F_OK) != 0;
}

std::vector<Job> planJobs(const Options& o, std::string& error) {
    std::vector<Job> jobs;
    if (!expandsPattern(o)) {
        Job job;
        job.input = o.input;
        job.output = o.output.empty() ? replaceExtension(o.input, ".mp3") : o.output;
        jobs.push_back(job);
        return jobs;
    }
    if (!o.output.empty()) {
        error = "an output name cannot be given with a pattern";
        return jobs;
    }
    std::map<std::string, std::string> firstInputFor;
    for (const std::string& in : expandPattern(o.input)) {
        Job job;
        job.input = in;
        job.output = replaceExtension(in, ".mp3");
        // "a.WAV" and "a.wav" would both become "a.mp3": the second must not overwrite the first.
        auto [it, fresh] = firstInputFor.emplace(job.output, in);
        if (!fresh)
            job.refusal = "skipped: " + job.output + " is already written from " + it->second;
        jobs.push_back(job);
    }
    if (jobs.empty())
        error = o.input + ": no file matches this pattern";
    return jobs;
}

} // namespace

int main(int argc, char** argv) {
    installSignalCleanup();
    auto options = parseArgs(std::vector<std::string>(argv + 1, argv + argc));
    if (!options) {
        std::fprintf(stderr,
                     "BladeEnc: %s\nusage: BladeEnc [-br BITS | -KBPS] [-dm] [-hq] [-delete] "
                     "[-quit] INPUT [OUTPUT]\n",
                     options.error().c_str());
        pauseIfTerminal();
        return 2;
    }
    std::string error;
    std::vector<Job> jobs = planJobs(*options, error);
    int status = 0;
    if (!error.empty()) {
        std::fprintf(stderr, "BladeEnc: %s\n", error.c_str());
        status = options->output.empty() ? 1 : 2;
    } else {
        runAll(jobs, *options);
        const auto good =
            std::count_if(jobs.begin(), jobs.end(), [](const Job& j) { return j.ok; });
        // A pattern always gets its summary, even when it matched one file.
        if (jobs.size() > 1 || expandsPattern(*options))
            std::fprintf(stderr, "%zu encoded, %zu failed\n", static_cast<size_t>(good),
                         jobs.size() - good);
        status = good == static_cast<long>(jobs.size()) ? 0 : 1;
    }
    if (!options->quit)
        pauseIfTerminal();
    return status;
}
