// SPDX-License-Identifier: GPL-3.0-or-later
// The files behind a drive or disc image, checked before libcdio opens any of them.
#pragma once
#include "result.h"
#include "safeoutput.h"

#include <string>
#include <vector>

namespace wl {

// For a disc image, every file that libcdio reads for it: the image, the data files it names
// (a CUE sheet's or TOC file's FILE entries, relative to the image's folder) and, for a BIN
// given on its own, the sheet of the same name that libcdio pairs with it; nothing for a
// drive's device. Fails for a folder, a FIFO or any other file that is neither a regular file
// nor a device, for a data file that is missing or not a regular file (libcdio would hang on
// a FIFO and end the process on a folder), and for a CUE sheet whose audio libcdio cannot
// read as the sheet says: several data files, or one that is not BINARY.
Result<std::vector<std::string>> discFiles(const std::string& device);

// A data file an image's text names (FILE "x.bin" BINARY, DATAFILE "x.bin" ...), with the word
// after the name (a CUE sheet's file type) as written.
struct NamedFile {
    std::string name, type;
};
std::vector<NamedFile> namedDataFiles(std::string_view sheet);

// How libcdio must be given a disc so that it reads the files the image names. libcdio reads
// a CUE sheet's audio from the file named after the sheet, not the one its FILE line names:
// the sheet is given as a private copy in a private folder, beside a link of the matching name
// to the data file it names. It opens a TOC file's data files relative to the current folder: that
// folder must be the TOC file's while the disc is read.
class DiscView {
  public:
    // For a device or an image that discFiles() accepted.
    static Result<DiscView> of(const std::string& device);
    DiscView(DiscView&& other) noexcept;
    DiscView& operator=(DiscView&&) = delete;
    ~DiscView();
    const std::string& source() const { return source_; } // what libcdio opens
    const std::string& folder() const { return folder_; } // to be current; empty: any
    // A CUE sheet's own text, as the image holds it (its names are read from it); empty for
    // anything else.
    const std::string& sheet() const { return sheet_; }

  private:
    DiscView() = default;
    std::string source_, folder_, links_, sheet_;
    std::vector<RemovedOnSignal> removedOnSignal_; // the private folder and its links
};

} // namespace wl
