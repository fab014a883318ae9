// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in program for tests: appends its argument vector, one argument per line with C
// escapes for control bytes, to "argv.txt" in the current folder.
#include <cstdio>

int main(int argc, char** argv) {
    std::FILE* f = std::fopen("argv.txt", "ab");
    if (!f)
        return 1;
    for (int i = 0; i < argc; ++i) {
        for (const unsigned char* p = reinterpret_cast<const unsigned char*>(argv[i]); *p; ++p) {
            if (*p < 0x20 || *p == '\\')
                std::fprintf(f, "\\x%02x", *p);
            else
                std::fputc(*p, f);
        }
        std::fputc('\n', f);
    }
    std::fputs("--\n", f);
    return std::fclose(f) == 0 ? 0 : 1;
}
