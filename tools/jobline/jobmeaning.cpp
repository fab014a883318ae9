// SPDX-License-Identifier: GPL-3.0-or-later
#include "jobmeaning.h"
#include "programs.h"

#include "paths.h"

#include "bladeenc_args.h"
#include "cdda_args.h"
#include "l3dec_args.h"

namespace wl {
namespace {

std::string flag(bool b) { return b ? "1" : "0"; }

std::string folderName(const std::string& path) {
    const std::string folder = folderOf(path);
    return folder == "." || folder == "/" ? folder : baseName(folder);
}

} // namespace

Result<JobFields> jobMeaning(const std::vector<std::string>& words) {
    if (words.empty())
        return Result<JobFields>::fail("an empty line");
    const std::string& program = words[0];
    const std::vector<std::string> args(words.begin() + 1, words.end());
    JobFields f{{"program", program}};
    if (program == program::kBladeEnc) {
        auto o = bladeenc::parseArgs(args);
        if (!o)
            return Result<JobFields>::fail(o.error());
        f.insert(f.end(), {{"input", o->input},
                           {"output", o->output},
                           {"kbps", std::to_string(o->kbps)},
                           {"downmix", flag(o->downmix)},
                           {"hq", flag(o->highQuality)},
                           {"delete", flag(o->deleteSource)},
                           {"info", flag(o->help || o->version)}});
    } else if (program == program::kL3dec) {
        auto o = l3dec::parseArgs(args);
        if (!o)
            return Result<JobFields>::fail(o.error());
        f.insert(
            f.end(),
            {{"input", o->input}, {"output", o->output}, {"info", flag(o->help || o->version)}});
    } else if (program == program::kCdda) {
        auto o = cdda::parseArgs(args);
        if (!o)
            return Result<JobFields>::fail(o.error());
        f.insert(f.end(), {{"track", o->trackText},
                           {"name", o->name},
                           {"overwrite", flag(o->overwrite)},
                           {"device", o->device},
                           {"info", flag(o->help || o->version)}});
    }
    return f;
}

std::string jobTitle(const std::vector<std::string>& words) {
    auto fields = jobMeaning(words);
    if (words.empty())
        return "Job";
    if (!fields || fields->size() < 2)
        return words[0];
    auto value = [&](const std::string& key) {
        for (const auto& [k, v] : *fields)
            if (k == key)
                return v;
        return std::string();
    };
    if (words[0] == program::kCdda)
        return "Ripping track " + value("track");
    const std::string input = value("input");
    if (words[0] == program::kL3dec)
        return "Decoding " + baseName(input);
    if (baseName(input).find_first_of("*?") != std::string::npos)
        return "Encoding the WAV files of " + folderName(input);
    return "Encoding " + baseName(input);
}

} // namespace wl
