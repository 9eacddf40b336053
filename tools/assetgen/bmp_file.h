// Writing pictures as 24-bit uncompressed Windows bitmaps, and files as a whole.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image.h"
#include "platform/byte_order.h"

namespace assetgen {

// The complete BMP file (BITMAPFILEHEADER + BITMAPINFOHEADER + bottom-up BGR rows).
std::vector<std::uint8_t> EncodeBmp24(const Image& image);

// Writes bytes to path through a temporary file and a rename; throws std::runtime_error on failure.
void WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Little-endian appenders shared by the file encoders.

}  // namespace assetgen
