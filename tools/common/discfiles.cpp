// SPDX-License-Identifier: GPL-3.0-or-later
#include "discfiles.h"

#include "paths.h"
#include "sheet.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace wl {
namespace {

using Files = Result<std::vector<std::string>>;

bool hasExtension(const std::string& path, const char* ext) {
    const size_t dot = path.rfind('.');
    return dot != std::string::npos && iequals(path.substr(dot), ext);
}

// The next word of a line from from, quoted or not; after is set past it.
std::string nameAfterKeyword(std::string_view line, size_t from, size_t& after) {
    while (from < line.size() && (line[from] == ' ' || line[from] == '\t'))
        ++from;
    if (from < line.size() && line[from] == '"') {
        const size_t end = line.find('"', from + 1);
        after = end == std::string_view::npos ? line.size() : end + 1;
        return std::string(line.substr(
            from + 1, end == std::string_view::npos ? std::string_view::npos : end - from - 1));
    }
    const size_t end = line.find_first_of(" \t", from);
    after = end == std::string_view::npos ? line.size() : end;
    return std::string(line.substr(from, end == std::string_view::npos ? end : end - from));
}

} // namespace

std::vector<NamedFile> namedDataFiles(std::string_view sheet) {
    std::vector<NamedFile> names;
    for (const std::string_view line : sheetLines(sheet)) {
        const size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos)
            continue;
        const size_t wordEnd = line.find_first_of(" \t", first);
        const std::string keyword = lower(
            line.substr(first, wordEnd == std::string_view::npos ? wordEnd : wordEnd - first));
        if (wordEnd == std::string_view::npos ||
            (keyword != "file" && keyword != "datafile" && keyword != "audiofile"))
            continue;
        size_t after = 0;
        std::string name = nameAfterKeyword(line, wordEnd, after);
        if (name.empty())
            continue;
        std::string type = nameAfterKeyword(line, after, after);
        names.push_back({std::move(name), std::move(type)});
    }
    return names;
}

namespace {

// A name an image holds, found from the image's own folder.
std::string resolve(const std::string& image, const std::string& name) {
    return joinPath(folderOf(image), name);
}

Result<std::string> readSheet(const std::string& path, const struct stat& st) {
    if (st.st_size > (1 << 20))
        return Result<std::string>::fail(path + ": too large for a CUE sheet or TOC file");
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The sheet libcdio pairs with a BIN: its name with "bin" turned into "cue" (or "BIN" into
// "CUE"); empty when libcdio would not take the name for a BIN.
std::string pairedSheet(const std::string& bin) {
    const size_t n = bin.size();
    if (n < 4 || bin[n - 4] != '.')
        return {};
    if (bin.compare(n - 3, 3, "bin") == 0)
        return bin.substr(0, n - 3) + "cue";
    if (bin.compare(n - 3, 3, "BIN") == 0)
        return bin.substr(0, n - 3) + "CUE";
    return {};
}

// A file libcdio will read: it must be a regular file (a FIFO would hang it).
Status readable(const std::string& path, const std::string& image) {
    struct stat data {};
    if (stat(path.c_str(), &data) != 0)
        return fail(path + " (named by " + image + ") is missing");
    if (!S_ISREG(data.st_mode))
        return fail(path + " (named by " + image + ") is not a regular file");
    return ok();
}

// The data files a sheet names, checked; a CUE sheet's must be one BINARY file.
Status addNamedFiles(const std::string& sheet, const struct stat& st,
                     std::vector<std::string>& files) {
    auto text = readSheet(sheet, st);
    if (!text)
        return fail(text.error());
    const std::vector<NamedFile> names = namedDataFiles(*text);
    if (names.empty())
        return fail(sheet + ": no audio tracks (the sheet names no data file)");
    const bool cue = hasExtension(sheet, ".cue");
    for (const NamedFile& n : names) {
        if (cue && n.name != names[0].name)
            return fail(sheet + " names several data files; only a sheet with one data file "
                                "can be ripped");
        if (cue && !iequals(n.type, "BINARY"))
            return fail(sheet + ": " + n.name + " is a " + (n.type.empty() ? "file" : n.type) +
                        " file; only BINARY data files can be ripped");
        const std::string path = resolve(sheet, n.name);
        if (Status s = readable(path, sheet); !s)
            return s;
        files.push_back(path);
    }
    return ok();
}

// A small private file, written whole; false with errno set when it could not be.
bool writeWhole(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int err = n < 0 ? errno : ENOSPC;
            ::close(fd);
            errno = err;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return ::close(fd) == 0;
}

} // namespace

Files discFiles(const std::string& device) {
    struct stat st {};
    if (stat(device.c_str(), &st) != 0)
        return Files::fail(device + ": no such drive or disc image");
    if (S_ISBLK(st.st_mode) || S_ISCHR(st.st_mode))
        return std::vector<std::string>{};
    if (S_ISDIR(st.st_mode))
        return Files::fail(device + " is a folder, not a drive or a disc image");
    if (!S_ISREG(st.st_mode))
        return Files::fail(device + " is not a regular file");
    std::vector<std::string> files{device};
    std::string sheet = device;
    if (const std::string paired = pairedSheet(device); !paired.empty()) {
        if (Status s = readable(paired, device); !s)
            return Files::fail(device + " needs its sheet " + paired + " beside it");
        files.push_back(paired);
        sheet = paired;
    }
    if (!hasExtension(sheet, ".cue") && !hasExtension(sheet, ".toc"))
        return files;
    struct stat sheetInfo {};
    if (stat(sheet.c_str(), &sheetInfo) != 0)
        return Files::fail(sheet + ": " + errnoText());
    if (Status s = addNamedFiles(sheet, sheetInfo, files); !s)
        return Files::fail(s.error());
    return files;
}

// ---- DiscView ----

Result<DiscView> DiscView::of(const std::string& device) {
    using R = Result<DiscView>;
    DiscView view;
    view.source_ = device;
    struct stat st {};
    if (stat(device.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return view;
    char real[PATH_MAX];
    if (hasExtension(device, ".toc")) {
        if (!realpath(device.c_str(), real))
            return R::fail(device + ": " + errnoText());
        view.source_ = real;
        view.folder_ = folderOf(view.source_);
        return view;
    }
    if (!hasExtension(device, ".cue"))
        return view;
    auto text = readSheet(device, st);
    if (!text)
        return R::fail(text.error());
    const std::vector<NamedFile> names = namedDataFiles(*text);
    if (names.empty())
        return R::fail(device + ": no audio tracks (the sheet names no data file)");
    char data[PATH_MAX];
    if (!realpath(device.c_str(), real) || !realpath(resolve(device, names[0].name).c_str(), data))
        return R::fail(device + ": " + errnoText());
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp == '/' ? tmp : "/tmp") + "/wavelathe-disc-XXXXXX";
    if (!mkdtemp(templ.data()))
        return R::fail("cannot make a private folder for " + device + ": " + errnoText());
    view.links_ = templ;
    view.removedOnSignal_.emplace_back(templ);
    view.removedOnSignal_.emplace_back(templ + "/disc.cue");
    view.removedOnSignal_.emplace_back(templ + "/disc.bin");
    // libcdio reads a private copy of the sheet, its line ends and byte-order mark made plain.
    if (!writeWhole(templ + "/disc.cue", normalisedSheet(*text)) ||
        symlink(data, (templ + "/disc.bin").c_str()) != 0)
        return R::fail("cannot make a private folder for " + device + ": " + errnoText());
    view.source_ = templ + "/disc.cue";
    view.sheet_ = std::move(*text);
    return view;
}

DiscView::DiscView(DiscView&& other) noexcept
    : source_(std::move(other.source_)), folder_(std::move(other.folder_)),
      links_(std::move(other.links_)), sheet_(std::move(other.sheet_)),
      removedOnSignal_(std::move(other.removedOnSignal_)) {
    other.links_.clear();
}

DiscView::~DiscView() {
    if (links_.empty())
        return;
    unlink((links_ + "/disc.cue").c_str());
    unlink((links_ + "/disc.bin").c_str());
    rmdir(links_.c_str());
}

} // namespace wl
