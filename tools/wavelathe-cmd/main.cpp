// SPDX-License-Identifier: GPL-3.0-or-later
// wavelathe-cmd SCRIPT: runs a job script line by line, each line one program with its argument
// vector, never through a shell. The whole script is read before the first line runs, so a job
// that rewrites the script while it runs cannot change what this run does.
#include "cmdline.h"
#include "jobprotocol.h"
#include "launch.h"
#include "lookup.h"
#include "programs.h"
#include "toolmain.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr off_t kMaxScript = 1 << 20;

const char* const kUsage =
    "usage: wavelathe-cmd SCRIPT\n"
    "       wavelathe-cmd -        (the script is the file on standard input)\n"
    "Runs a Wavelathe job script: each line is one program and its arguments, separated by\n"
    "blanks; a double-quoted stretch is one argument (\"\" inside it is one \"); the program\n"
    "name also ends at a \"/\". No other character is special and no shell is involved.\n"
    "Programs are looked for beside wavelathe-cmd, then (BladeEnc, l3dec, CDDA, notepad.exe\n"
    "and start.exe only) in the current folder, then on PATH.\n"
    "\n"
    "  --help      this text;  --version  the version\n"
    "\n"
    "Exit status: that of the last line; 127 a program was not found, 126 it could not be\n"
    "started, 128+N it was ended by signal N, 1 the script could not be read, 2 usage error.\n";

wl::Result<std::string> readScript(const char* path) {
    using R = wl::Result<std::string>;
    const bool onStdin = std::strcmp(path, "-") == 0;
    const int fd = onStdin ? dup(STDIN_FILENO) : open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return R::fail(std::string("cannot read: ") + std::strerror(errno));
    struct Closer {
        int fd;
        ~Closer() { close(fd); }
    } closer{fd};
    // The programs of the job get no script to read from.
    if (onStdin) {
        const int null = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (null >= 0) {
            dup2(null, STDIN_FILENO);
            close(null);
        }
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return R::fail("not a regular file");
    if (st.st_size > kMaxScript)
        return R::fail("too large for a job script (over 1 MiB)");
    std::string script(static_cast<size_t>(kMaxScript) + 1, '\0');
    size_t got = 0;
    while (got < script.size()) {
        const ssize_t n =
            pread(fd, script.data() + got, script.size() - got, static_cast<off_t>(got));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return R::fail(std::string("cannot read: ") + std::strerror(errno));
        if (n == 0)
            break;
        got += static_cast<size_t>(n);
    }
    if (got > static_cast<size_t>(kMaxScript))
        return R::fail("too large for a job script (over 1 MiB)");
    script.resize(got);
    if (script.rfind("\xEF\xBB\xBF", 0) == 0) // a byte-order mark some editors write
        script.erase(0, 3);
    return script;
}

// Stop (SIGTERM to the job's process group), Ctrl+C or a closed terminal: the program running
// got the signal too and ends cleanly. The interpreter waits for it, so that a job that has
// ended has left nothing behind, and runs no further line.
volatile sig_atomic_t g_stopSignal = 0;

void onStop(int signal) { g_stopSignal = signal; }

void stopWhenAsked() {
    struct sigaction action {};
    action.sa_handler = onStop;
    sigemptyset(&action.sa_mask);
    for (int s : {SIGTERM, SIGINT, SIGHUP})
        sigaction(s, &action, nullptr);
}

int runCommand(const std::vector<std::string>& words) {
    const std::string program = wl::findProgram(words[0]);
    if (program.empty()) {
        std::fprintf(stderr, "wavelathe-cmd: %s: program not found\n", words[0].c_str());
        return 127;
    }
    wl::Launch launch;
    launch.argv = words;
    launch.path = program;
    const auto pid = wl::spawn(launch);
    if (!pid) {
        std::fprintf(stderr, "wavelathe-cmd: %s: cannot start: %s\n", program.c_str(),
                     pid.error().c_str());
        return 126;
    }
    // A stop that came as the program was being started did not reach it.
    if (g_stopSignal)
        kill(*pid, SIGTERM);
    return wl::waitExit(*pid);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 &&
        (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "--version") == 0)) {
        wl::printHelp(wl::program::kInterpreter, argv[1][2] == 'h' ? kUsage : nullptr,
                      argv[1][2] == 'v');
        return wl::kExitOk;
    }
    if (argc != 2)
        return wl::usageError(wl::program::kInterpreter,
                              argc < 2 ? "no script given" : "one script only");
    // A job window that went away must not end the job.
    signal(SIGPIPE, SIG_IGN);
    stopWhenAsked();
    auto script = readScript(argv[1]);
    if (!script) {
        std::fprintf(stderr, "wavelathe-cmd: %s: %s\n", argv[1], script.error().c_str());
        return 1;
    }
    // Each line split once; a line that cannot be split is told of where it stands.
    struct Line {
        std::string_view text;
        std::optional<std::vector<std::string>> words;
    };
    std::vector<Line> lines;
    size_t jobLines = 0;
    for (std::string_view text : wl::scriptLines(*script)) {
        lines.push_back({text, wl::tokenizeLine(text)});
        jobLines += lines.back().words && !lines.back().words->empty();
    }
    if (jobLines > 1)
        wl::sendUpdate(wl::update::kLines, std::to_string(jobLines));
    int status = 0;
    for (const Line& line : lines) {
        if (!line.words) {
            std::fprintf(stderr, "wavelathe-cmd: %s: a line holds a NUL byte; skipped\n", argv[1]);
            status = 1;
            continue;
        }
        if (line.words->empty())
            continue;
        if (g_stopSignal)
            break;
        wl::sendUpdate(wl::update::kLine, line.text);
        status = runCommand(*line.words);
        wl::sendUpdate(wl::update::kExit, std::to_string(status));
    }
    if (g_stopSignal)
        return 128 + g_stopSignal;
    return status;
}
