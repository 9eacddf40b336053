// libFuzzer harness for the BMP decoder: any bytes decode to a consistent image or are refused untouched.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "pfd/texture_set.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The decoder reads from an exact-size heap copy, so any read past the file is caught.
  const std::vector<uint8_t> file(data, data + size);
  DecodedImage image;
  image.width = -7;
  image.height = -9;
  image.rgb.assign(3, 0xAB);
  if (!DecodeBitmap(file.empty() ? nullptr : file.data(), file.size(), image)) {
    // A refused file leaves the image as it was.
    FUZZ_CHECK(image.width == -7 && image.height == -9);
    FUZZ_CHECK(image.rgb.size() == 3 && image.rgb[0] == 0xAB && image.rgb[2] == 0xAB);
    return 0;
  }
  FUZZ_CHECK(image.width > 0 && image.width <= 8192);
  FUZZ_CHECK(image.height > 0 && image.height <= 8192);
  FUZZ_CHECK(image.rgb.size() == size_t(image.width) * size_t(image.height) * 3);
  // Every row of the picture was in the file: the pixel bytes cannot outnumber what a 1-bit
  // file of that size could hold.
  FUZZ_CHECK(size_t(image.width) * size_t(image.height) <= size * 8);
  return 0;
}
