// l3dec INPUT [OUTPUT] [-wav]: decodes an MPEG audio file to a 16-bit PCM WAV.
#include "decode.h"

#include <cstdio>
#include <vector>

using namespace wl;

int main(int argc, char** argv) {
    installSignalCleanup();
    std::vector<std::string> files;
    bool quit = false, switches = true;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (switches && a == "--")
            switches = false;
        else if (switches && iequals(a, "-wav"))
            continue;
        else if (switches && iequals(a, "-quit"))
            quit = true;
        else
            files.push_back(a);
    }
    if (files.empty() || files.size() > 2) {
        std::fprintf(stderr, "l3dec: %s\nusage: l3dec INPUT [OUTPUT] [-wav] [-quit]\n",
                     files.empty() ? "no input file given"
                                   : ("too many file names (\"" + files[2] + "\")").c_str());
        if (!quit)
            pauseIfTerminal();
        return 2;
    }
    const std::string input = files[0];
    const std::string output = files.size() == 2 ? files[1] : replaceExtension(input, ".wav");
    std::fprintf(stderr, "Decoding %s -> %s\n", input.c_str(), output.c_str());
    Progress progress(stderrIsTerminal());
    Status s = l3dec::decodeFile(input, output, &progress);
    progress.clear();
    if (s)
        std::fprintf(stderr, "Done %s\n", output.c_str());
    else
        std::fprintf(stderr, "l3dec: %s: %s\n", input.c_str(), s.error().c_str());
    if (!quit)
        pauseIfTerminal();
    return s ? 0 : 1;
}
