// SPDX-License-Identifier: GPL-3.0-or-later
// What the network services answered, kept per disc in $XDG_CACHE_HOME/wavelathe/ (by default
// ~/.cache/wavelathe/), each file written whole; and the turns that keep us within a
// service's rate.
#pragma once
#include "result.h"

#include <chrono>
#include <optional>
#include <string>

namespace wl {

// How long an answer that says nothing is trusted: a failed request is not tried again for a
// while, a disc the service does not know is asked again the next day.
inline constexpr long kFailureKeptSeconds = 10 * 60;
inline constexpr long kUnknownKeptSeconds = 24 * 60 * 60;

// The folder, or empty when there is no home to keep it in.
std::string cacheFolder();

// A folder of ours for what lives as long as a session: $XDG_RUNTIME_DIR/wavelathe when the
// runtime folder is there and the user's alone, else empty.
std::string runtimeFolder();

// A cached file's text, or nothing when there is none (or it cannot be read); in the cache, or
// in another folder of ours.
std::optional<std::string> readCached(const std::string& name,
                                      const std::string& folder = cacheFolder());
// When a cached file was written (seconds since the epoch), or 0.
long cachedTime(const std::string& name);
// Writes a cached file whole: a temporary file beside it, then a rename.
Status writeCached(const std::string& name, const std::string& text,
                   const std::string& folder = cacheFolder());

// Waits until at least gap has passed since the last request to a service by any of our
// processes, and takes the turn. Without a cache folder, it does not wait.
void waitForTurn(const std::string& service, std::chrono::milliseconds gap);

} // namespace wl
