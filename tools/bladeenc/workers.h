// SPDX-License-Identifier: GPL-3.0-or-later
// BladeEnc's jobs, one per input, and the workers that encode them, one per core.
#pragma once
#include "bladeenc_args.h"
#include "jobprotocol.h"

#include <cstddef>
#include <string>
#include <vector>

namespace wl::bladeenc {

struct Job {
    std::string input, output;
    std::string refusal;         // set when the job must not run at all
    std::string report;          // the lines people read
    std::vector<Update> updates; // the same for the job window, sent in order
    bool ok = false;
    bool kept = false;  // encoded, but -Delete kept the WAV: it holds more than was read
    double seconds = 0; // of audio encoded
};

// How many workers encode this many jobs: one per core, at most one per job.
unsigned workerCount(size_t jobs);

// Encodes the jobs, one worker per core, printing each job's lines whole and in order and
// sending its updates; a single job shows its progress as it goes. A single job, and the last
// ones of a batch, are each encoded in parts on every core.
void runAll(std::vector<Job>& jobs, const Options& o);

} // namespace wl::bladeenc
