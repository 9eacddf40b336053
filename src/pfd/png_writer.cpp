// PNG output through stb_image_write.
#include "pfd/png_writer.h"

#define STB_IMAGE_WRITE_IMPLEMENTATION
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

bool WritePng(const std::string& path, int width, int height,
              const std::vector<uint8_t>& rgbTopRowFirst, std::string& error) {
  if (width <= 0 || height <= 0 || width > 65535 || height > 65535) {
    error = "cannot write \"" + path + "\": bad picture size " + std::to_string(width) + " x " +
            std::to_string(height);
    return false;
  }
  const size_t expected = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
  if (rgbTopRowFirst.size() != expected) {
    error = "cannot write \"" + path + "\": " + std::to_string(rgbTopRowFirst.size()) +
            " bytes of pixels for " + std::to_string(width) + " x " + std::to_string(height) +
            " (expected " + std::to_string(expected) + ")";
    return false;
  }
  if (stbi_write_png(path.c_str(), width, height, 3, rgbTopRowFirst.data(), width * 3) == 0) {
    error = "cannot write \"" + path + "\": the file could not be created or written";
    return false;
  }
  return true;
}
