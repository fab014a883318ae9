// SPDX-License-Identifier: GPL-3.0-or-later
// The files a disc-image fuzz target writes: a private folder, and an input split at its first
// NUL into a sheet and its data file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace fuzz {

inline void put(const std::string& path, const uint8_t* data, size_t size) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

// A folder of this run's own, made once.
inline const std::string& folder() {
    static const std::string path = [] {
        char templ[] = "/tmp/fuzz-disc-XXXXXX";
        return std::string(mkdtemp(templ));
    }();
    return path;
}

// The bytes up to the first NUL become the sheet, the rest its data file.
inline void putSheetAndData(const std::string& sheet, const std::string& data, const uint8_t* bytes,
                            size_t size) {
    const auto* nul = static_cast<const uint8_t*>(std::memchr(bytes, 0, size));
    const size_t text = nul ? static_cast<size_t>(nul - bytes) : size;
    const size_t rest = text < size ? text + 1 : size;
    put(sheet, bytes, text);
    put(data, bytes + rest, size - rest);
}

} // namespace fuzz
