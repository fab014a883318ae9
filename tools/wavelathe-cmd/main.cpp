// wavelathe-cmd SCRIPT: runs a job script line by line, each line one program with its argument
// vector, never through a shell. The whole script is read before the first line runs, so a job
// that rewrites the script while it runs cannot change what this run does.
#include "cmdline.h"
#include "lookup.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <unistd.h>

namespace {

int runCommand(const std::vector<std::string>& words) {
    const std::string program = wl::findProgram(words[0]);
    if (program.empty()) {
        std::fprintf(stderr, "wavelathe-cmd: %s: program not found\n", words[0].c_str());
        return 127;
    }
    std::vector<char*> argv;
    for (const std::string& w : words)
        argv.push_back(const_cast<char*>(w.c_str()));
    argv.push_back(nullptr);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) {
        std::fprintf(stderr, "wavelathe-cmd: %s: cannot start: %s\n", words[0].c_str(),
                     std::strerror(errno));
        return 126;
    }
    if (pid == 0) {
        execv(program.c_str(), argv.data());
        std::fprintf(stderr, "wavelathe-cmd: %s: cannot start: %s\n", program.c_str(),
                     std::strerror(errno));
        _exit(126);
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wavelathe-cmd SCRIPT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "wavelathe-cmd: %s: cannot read: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    const std::string script((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
    int status = 0;
    for (std::string_view line : wl::scriptLines(script)) {
        const auto words = wl::tokenizeLine(line);
        if (!words) {
            std::fprintf(stderr, "wavelathe-cmd: %s: a line holds a NUL byte; skipped\n", argv[1]);
            status = 1;
            continue;
        }
        if (!words->empty())
            status = runCommand(*words);
    }
    return status;
}
