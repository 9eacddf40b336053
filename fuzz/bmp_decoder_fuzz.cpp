// libFuzzer harness for the BMP decoder: any bytes decode to a consistent image or are refused untouched,
// whole or row by row after the file's head.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "pfd/bmp_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The decoder reads from an exact-size heap copy, so any read past the file is caught.
  const std::vector<uint8_t> file(data, data + size);
  DecodedImage image;
  image.width = -7;
  image.height = -9;
  image.rgb.assign(3, 0xAB);
  // The texture set's way: the header from the file's first bytes (in a copy of exactly that
  // size), then the rows; it takes and refuses the same files and decodes the same picture.
  const size_t headSize = file.size() < kBitmapHeadBytes ? file.size() : kBitmapHeadBytes;
  const std::vector<uint8_t> head(file.begin(), file.begin() + static_cast<long>(headSize));
  BitmapRows rows;
  const bool parsed = rows.Parse(head.empty() ? nullptr : head.data(), head.size(), file.size());
  if (!DecodeBitmap(file.empty() ? nullptr : file.data(), file.size(), image)) {
    // A refused file leaves the image as it was.
    FUZZ_CHECK(!parsed);
    FUZZ_CHECK(image.width == -7 && image.height == -9);
    FUZZ_CHECK(image.rgb.size() == 3 && image.rgb[0] == 0xAB && image.rgb[2] == 0xAB);
    return 0;
  }
  FUZZ_CHECK(parsed && rows.Width() == image.width && rows.Height() == image.height);
  std::vector<uint8_t> row(size_t(rows.Width()) * 3);
  for (int32_t r = 0; r < rows.Height(); ++r) {
    rows.DecodeRow(file.data() + rows.PixelOffset() + size_t(rows.FileRow(r)) * rows.Stride(), row.data());
    FUZZ_CHECK(std::equal(row.begin(), row.end(), image.rgb.begin() + static_cast<long>(size_t(r) * row.size())));
  }
  FUZZ_CHECK(image.width > 0 && image.width <= 8192);
  FUZZ_CHECK(image.height > 0 && image.height <= 8192);
  FUZZ_CHECK(image.rgb.size() == size_t(image.width) * size_t(image.height) * 3);
  // Every row of the picture was in the file: the pixel bytes cannot outnumber what a 1-bit
  // file of that size could hold.
  FUZZ_CHECK(size_t(image.width) * size_t(image.height) <= size * 8);
  return 0;
}
