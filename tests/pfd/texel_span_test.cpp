// The test that sorts the GLES2 backend's tiles: a run of texels is all black, all white or neither,
// whichever byte of the run (in the eight-byte words or the bytes after them) breaks it.
#include <gtest/gtest.h>

#include <vector>

#include "render/texel_span.h"

namespace {

struct Flags {
  bool black = true;
  bool white = true;
};

Flags Narrow(const std::vector<uint8_t>& bytes, Flags flags = {}) {
  render::NarrowBlackWhite(bytes.data(), bytes.size(), flags.black, flags.white);
  return flags;
}

// A tile's run of a 2048-texel RGB row: 128 texels, 384 bytes; one of 100 grey texels: 100 bytes.
TEST(TexelSpan, TellsBlackWhiteAndNeitherWhereverTheOddByteSits) {
  for (const size_t size : {size_t{384}, size_t{100}, size_t{7}}) {
    const Flags black = Narrow(std::vector<uint8_t>(size, 0));
    EXPECT_TRUE(black.black) << size;
    EXPECT_FALSE(black.white) << size;
    const Flags white = Narrow(std::vector<uint8_t>(size, 255));
    EXPECT_FALSE(white.black) << size;
    EXPECT_TRUE(white.white) << size;
    for (const size_t at : {size_t{0}, size / 2, size - 1}) {
      std::vector<uint8_t> nearlyBlack(size, 0), nearlyWhite(size, 255);
      nearlyBlack[at] = 1;    // the faintest grey
      nearlyWhite[at] = 254;  // a mask that lets one level through
      EXPECT_FALSE(Narrow(nearlyBlack).black) << size << " at " << at;
      EXPECT_FALSE(Narrow(nearlyWhite).white) << size << " at " << at;
    }
  }
}

TEST(TexelSpan, AFlagOnceClearedStaysClearedAndNothingClearsNothing) {
  EXPECT_FALSE(Narrow(std::vector<uint8_t>(384, 0), {false, true}).black);
  EXPECT_FALSE(Narrow(std::vector<uint8_t>(384, 255), {true, false}).white);
  const Flags untouched = Narrow({});
  EXPECT_TRUE(untouched.black);
  EXPECT_TRUE(untouched.white);
}

}  // namespace
