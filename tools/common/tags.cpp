// SPDX-License-Identifier: GPL-3.0-or-later
#include "tags.h"

#include <cstdint>
#include <utility>

namespace wl {
namespace {

void put32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((v >> (8 * i)) & 0xff);
}

uint32_t get32(std::string_view s, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = v << 8 | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
    return v;
}

// A name as a sub-chunk holds it: no NUL inside, at most 4 KiB.
std::string cleaned(const std::string& text) {
    std::string out;
    for (char c : text.substr(0, 4096))
        if (c != '\0')
            out += c;
    return out;
}

} // namespace

std::string infoChunk(const Tags& tags) {
    const std::pair<const char*, const std::string*> fields[] = {{"INAM", &tags.title},
                                                                 {"IART", &tags.artist},
                                                                 {"IPRD", &tags.album},
                                                                 {"ITRK", &tags.track}};
    std::string body = "INFO";
    for (const auto& [id, text] : fields) {
        const std::string value = cleaned(*text);
        if (value.empty())
            continue;
        body += id;
        put32(body, static_cast<uint32_t>(value.size() + 1));
        body += value;
        body += '\0';
        if ((value.size() + 1) & 1)
            body += '\0';
    }
    if (body.size() == 4)
        return {};
    std::string chunk = "LIST";
    put32(chunk, static_cast<uint32_t>(body.size()));
    return chunk + body;
}

Tags parseInfo(std::string_view body) {
    Tags tags;
    if (body.substr(0, 4) != "INFO")
        return tags;
    for (size_t pos = 4; pos + 8 <= body.size();) {
        const std::string_view id = body.substr(pos, 4);
        const uint32_t size = get32(body, pos + 4);
        if (size > body.size() - pos - 8)
            break;
        std::string text(body.substr(pos + 8, size));
        text = text.substr(0, text.find('\0'));
        if (id == "INAM")
            tags.title = text;
        else if (id == "IART")
            tags.artist = text;
        else if (id == "IPRD")
            tags.album = text;
        else if (id == "ITRK" || id == "IPRT")
            tags.track = text;
        pos += 8 + size + (size & 1);
    }
    return tags;
}

} // namespace wl
