// Writes RGB pictures as PNG files (snapshots, render tests, bug reports).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes width x height RGB pixels (8 bits per channel, the first row is the picture's top row).
// False with a reason naming the file when the sizes do not match or the file cannot be written.
bool WritePng(const std::string& path, int width, int height,
              const std::vector<uint8_t>& rgbTopRowFirst, std::string& error);
