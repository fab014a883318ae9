// SPDX-License-Identifier: GPL-3.0-or-later
// One bounded HTTP(S) GET with libcurl, for the network services a rip may ask.
#pragma once
#include "result.h"

#include <string>

namespace wl {

struct HttpAnswer {
    long status = 0;      // the HTTP status
    std::string body;     // at most kMostBody bytes
    long retryAfter = -1; // seconds a 503 asks to wait, or -1
};

struct HttpLimits {
    long connectMs = 5000; // to reach the server
    long totalMs = 15000;  // for the whole exchange
};

// The most an answer may hold: a disc's names are far smaller.
inline constexpr size_t kMostBody = 4 << 20;

// GETs url with our User-Agent; fails with a short reason a person can read ("the server does
// not answer", "cannot connect: Connection refused", ...) when no HTTP answer came.
Result<HttpAnswer> httpGet(const std::string& url, const HttpLimits& limits = {});

// "Wavelathe/1.08 ( https://www.example.org )"
std::string userAgent();

// A service's base address: the environment variable's when it is set (a mirror, a test's
// server), else fallback; without a trailing "/".
std::string serviceBase(const char* variable, const char* fallback);

} // namespace wl
