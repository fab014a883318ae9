// SPDX-License-Identifier: GPL-3.0-or-later
#include "cdda_args.h"

#include "paths.h"

#include <algorithm>
#include <cstdio>

namespace wl::cdda {
namespace {

// "1,2,3": track numbers from 1 to 99, each once, in any order; kept in disc order.
Result<std::vector<int>> trackList(const std::string& text) {
    using R = Result<std::vector<int>>;
    std::vector<int> tracks;
    size_t at = 0;
    while (at <= text.size()) {
        const size_t comma = std::min(text.find(',', at), text.size());
        const std::string number = text.substr(at, comma - at);
        const bool digits =
            !number.empty() && number.size() <= 2 &&
            std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; });
        const int track = digits ? std::stoi(number) : 0;
        if (track < 1 || std::find(tracks.begin(), tracks.end(), track) != tracks.end())
            return R::fail("/L needs a list of tracks such as 1,2,3, not \"" + text + "\"");
        tracks.push_back(track);
        at = comma + 1;
    }
    std::sort(tracks.begin(), tracks.end());
    return tracks;
}

std::string withoutTrailingDigits(std::string name) {
    const size_t slash = name.rfind('/');
    const size_t keep = slash == std::string::npos ? 0 : slash + 1;
    while (name.size() > keep && name.back() >= '0' && name.back() <= '9')
        name.pop_back();
    return name;
}

} // namespace

Result<Options> parseArgs(const std::vector<std::string>& args) {
    Options o;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "/?") {
            o.help = true;
            continue;
        }
        if (a == "--version") {
            o.version = true;
            continue;
        }
        if (a.size() < 2 || a[0] != '/')
            return Result<Options>::fail("unexpected argument \"" + a + "\"");
        const char sw = static_cast<char>(std::tolower(static_cast<unsigned char>(a[1])));
        if (sw == 'o' && a.size() == 2) {
            o.overwrite = true;
            continue;
        }
        if (sw != 't' && sw != 'f' && sw != 'd' && sw != 'l')
            return Result<Options>::fail("unknown switch \"" + a + "\"");
        std::string value = a.substr(2);
        if (value.empty()) {
            // "/F /O" (an empty wave name) must not make "/O" the file name.
            if (i + 1 >= args.size() || iequals(args[i + 1], "/O"))
                return Result<Options>::fail("switch " + a + " needs a value");
            value = args[++i];
        }
        if (sw == 'f') {
            o.name = value;
        } else if (sw == 'd') {
            o.device = value;
        } else if (sw == 'l') {
            auto tracks = trackList(value);
            if (!tracks)
                return Result<Options>::fail(tracks.error());
            o.ripOf = std::move(*tracks);
        } else {
            o.trackText = value;
            const bool digits =
                value.size() <= 3 && std::all_of(value.begin(), value.end(),
                                                 [](char c) { return c >= '0' && c <= '9'; });
            o.track = digits ? std::stoi(value) : -1;
        }
    }
    return o;
}

const char* const kUsage =
    "usage: CDDA /T TRACK [/F NAME] [/O] [/D DEVICE] [/L TRACKS]\n"
    "Rips one track of an audio CD, or of a CUE/BIN, TOC or NRG disc image, to a 44.1 kHz\n"
    "16-bit stereo WAV file with full error correction, and prints its copy CRC32 and its\n"
    "AccurateRip v1 and v2 checksums.\n"
    "\n"
    "  /T TRACK    the track number (1 to 99)\n"
    "  /F NAME     the WAV file; .wav is added when NAME has no extension (default TrackNN.wav)\n"
    "  /O          replace an existing file (the old one goes to the Trash first)\n"
    "  /D DEVICE   the drive (/dev/sr0) or disc image (disc.cue) to rip from; default: the\n"
    "              first drive that holds an audio disc\n"
    "  /L TRACKS   the track is one of a rip of these tracks (1,2,3), each to NAME without\n"
    "              its trailing digits and the track's two-digit number; the first also keeps\n"
    "              audio hidden before track 1 (NAME00.wav), the last writes NAME.log and\n"
    "              NAME.cue\n"
    "  --help      this text;  --version  the version\n"
    "\n"
    "Switches are not case-sensitive; a value may follow its switch or be glued to it (/T5).\n"
    "Exit status: 0 ripped, 1 failed (nothing written), 2 usage error.\n";

std::string outputName(const Options& o) {
    if (o.name.empty()) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "Track%02d.wav", o.track);
        return buf;
    }
    // A dot that starts the last component of a path is no extension.
    const std::string last = baseName(o.name);
    const size_t dot = last.rfind('.');
    const bool hasExt = dot != std::string::npos && (dot > 0 || last == o.name);
    return hasExt ? o.name : o.name + ".wav";
}

std::string ripBaseOf(const Options& o) {
    std::string base = withoutTrailingDigits(o.name.empty() ? "Track" : o.name);
    // A name box of digits alone ("1") gives 01.wav, 02.wav, ...: the rip's own files are
    // named after the disc.
    if (base.empty() || base.back() == '/')
        base += "Disc";
    return base;
}

std::string trackFileOf(const Options& o, int track) {
    char number[8];
    std::snprintf(number, sizeof number, "%02d", track);
    Options of = o;
    of.name = withoutTrailingDigits(o.name.empty() ? "Track" : o.name) + number;
    return outputName(of);
}

} // namespace wl::cdda
