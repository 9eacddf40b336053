// Test bitmaps on disk: 24-bit BMP encoding of a decoded image and whole-file writing.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "pfd/bmp_decoder.h"

namespace orvane_test {

// A plain 24-bit bottom-up BMP of the image (rows padded to 4 bytes).
std::vector<uint8_t> EncodeBmp24(const DecodedImage& image);
// Writes bytes to a file, replacing it. False when the file cannot be written.
bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace orvane_test
