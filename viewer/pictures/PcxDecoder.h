// A decoder of our own for PCX pictures, which the platform's imaging component does not read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "Bitmap32.h"
#include "PixelBudget.h"

namespace Pictures {

struct PcxResult {
    Bitmap32 bitmap;        // empty on failure
    std::string error;      // why the file was refused; empty on success
    bool truncated = false; // the data ended early: the rows it did not reach are opaque black
    bool ok() const { return error.empty(); }
};

// Decodes a PCX file (run-length coded or plain) of 1 bit in 1 to 4 planes, 2, 4 or 8 bits in one
// plane with the header's or the trailing 256-colour palette, or 8 bits in 3 (RGB) or 4 (RGBA)
// planes into 32-bit pixels. Refuses, with a reason, a header that lies or an unknown layout, a
// picture above budget pixels and data too short to hold the picture even at the best run-length
// ratio, all before allocating; data that is merely cut short is padded (truncated is set).
PcxResult DecodePcx(const std::uint8_t* bytes, std::size_t size, std::uint64_t budget = kPixelBudget);

} // namespace Pictures
