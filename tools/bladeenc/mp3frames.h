// SPDX-License-Identifier: GPL-3.0-or-later
// The MPEG audio Layer III frames of a stream our encoder wrote, as far as joining streams
// needs them: where each frame and its main data lie, and its info frame's fields. libmpg123
// reads frames for decoding but does not tell a frame's side information.
#pragma once
#include "result.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace wl::bladeenc {

struct Mp3Frame {
    size_t at = 0, size = 0; // in the stream
    size_t slot = 0;         // where its main data slot begins (after header and side info)
    int mainDataBegin = 0;   // how many bytes before its slot its main data begins
    size_t dataBytes = 0;    // the main data it uses (its granules' bits, in whole bytes)
    bool info = false;       // a Xing or Info frame: no audio
    size_t slotBytes() const { return at + size - slot; }
};

// The frames of a stream of Layer III frames and nothing else; fails on anything else.
Result<std::vector<Mp3Frame>> layer3Frames(const std::vector<unsigned char>& stream);

// CRC-16 as the LAME tag computes it (polynomial 0x8005, bits from the lowest).
uint16_t lameCrc16(const unsigned char* data, size_t size, uint16_t crc = 0);

// What an info frame says of the whole stream after it.
struct WholeStream {
    uint32_t audioFrames = 0;    // frames after the info frame
    uint32_t bytes = 0;          // of the stream, the info frame included
    int padding = 0;             // samples after the audio in the last frame
    uint16_t musicCrc = 0;       // of the frames after the info frame
    std::vector<size_t> frameAt; // each frame's place, from the info frame's start
};

// Rewrites an info frame (Xing or Info header, LAME extension) to describe a stream: its
// frame count, byte count, table of contents, padding, music length and CRC, and its own CRC.
// Fails on a frame that is not such an info frame.
Status describeStream(std::vector<unsigned char>& infoFrame, const WholeStream& stream);

} // namespace wl::bladeenc
