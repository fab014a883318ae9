// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "progress.h"
#include "wavio.h"

#include <string>
#include <sys/types.h>

namespace wl::bladeenc {

struct EncodeSettings {
    int kbps = 128;
    bool downmix = false;
    bool highQuality = false;
    Tags tags;     // for an ID3v2 tag at the start of the MP3; none when empty
    int parts = 0; // encoders working on parts of one file: 0 one per core, 1 a serial encode
};

// Encodes the audio of a checked WAV (read through read, within shape's data) into a CBR MP3
// with a LAME info tag (where the frame has room for one), written to sink from offset 0,
// after an ID3v2 tag when settings carry names.
// Fails unless every frame of the data was read and encoded.
// NaN samples become silence and samples beyond full scale are clamped, counted in clamped.
Status encodePcm(const ReadAt& read, const WavShape& shape, const EncodeSettings& settings,
                 ByteSink& sink, Progress* progress, uint64_t* clamped = nullptr);

// Which file a name led to when it was read: the name must still lead there for -delete.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    struct timespec modified {};
    struct timespec changed {};
};

struct Encoded {
    FileIdentity input;
    bool trashedOld = false; // an older file of the output's name went to the Trash
    std::string notRead;     // what of the input holds more than the audio encoded (checkWav)
    uint64_t clamped = 0;    // float samples out of range that were clamped
    double seconds = 0;      // of audio encoded
};

// Checks and encodes one WAV file into output, which is put in place only complete.
Result<Encoded> encodeFile(const std::string& input, const std::string& output,
                           const EncodeSettings& settings, Progress* progress);

// Deletes an encoded input, only while its name still leads to the file that was read
// (same device, inode, size, modification and change times).
Status deleteEncoded(const std::string& input, const FileIdentity& read);

} // namespace wl::bladeenc
