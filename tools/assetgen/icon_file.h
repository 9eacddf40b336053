// The application icon: an aircraft silhouette as a Windows ICO file with 16, 32 and 48 pixel images.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

// The complete ICO file: 32-bit BGRA images with their 1-bit AND masks.
std::vector<std::uint8_t> BuildIcon();

}  // namespace assetgen
