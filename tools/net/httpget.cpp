// SPDX-License-Identifier: GPL-3.0-or-later
#include "httpget.h"

#include <cstdlib>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace wl {
namespace {

size_t keepBody(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<std::string*>(user);
    const size_t n = size * count;
    if (body->size() + n > kMostBody)
        return 0; // ends the transfer: far more than any answer we ask for
    body->append(data, n);
    return n;
}

std::string reasonOf(CURLcode code, const char* detail) {
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT:
        return "the server did not answer in time";
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return "the server's name cannot be resolved (offline?)";
    case CURLE_COULDNT_CONNECT:
        return "cannot connect to the server";
    case CURLE_WRITE_ERROR:
        return "the answer is too large";
    default:
        return *detail ? std::string(detail) : std::string(curl_easy_strerror(code));
    }
}

} // namespace

std::string userAgent() {
    return std::string("Wavelathe/") + WL_VERSION + " ( https://www.example.org )";
}

std::string serviceBase(const char* variable, const char* fallback) {
    const char* base = std::getenv(variable);
    std::string url = base && *base ? base : fallback;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url;
}

Result<HttpAnswer> httpGet(const std::string& url, const HttpLimits& limits) {
    static std::once_flag initialised;
    std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                   curl_easy_cleanup);
    if (!curl)
        return Result<HttpAnswer>::fail("cannot start a request");
    HttpAnswer answer;
    char detail[CURL_ERROR_SIZE] = {};
    const std::string agent = userAgent();
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_USERAGENT, agent.c_str());
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs);
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, limits.totalMs);
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 3L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, keepBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, detail);
    const CURLcode code = curl_easy_perform(c);
    if (code != CURLE_OK)
        return Result<HttpAnswer>::fail(reasonOf(code, detail));
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &answer.status);
    curl_off_t wait = -1;
    if (curl_easy_getinfo(c, CURLINFO_RETRY_AFTER, &wait) == CURLE_OK && wait >= 0)
        answer.retryAfter = static_cast<long>(wait);
    return answer;
}

} // namespace wl
