// Whether a run of texel bytes is all black (every byte 0) or all white (every byte 255): the test
// the GLES2 backend's tiles are sorted by as each picture's rows go up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace render {

// Clears `black` unless each of the `count` bytes from `bytes` is 0, and `white` unless each is
// 255; a flag already false stays so. Eight bytes at a time, stopping once both are false.
inline void NarrowBlackWhite(const uint8_t* bytes, size_t count, bool& black, bool& white) {
  constexpr size_t kBlock = 64;
  size_t i = 0;
  while (i < count && (black || white)) {
    const size_t end = count - i >= kBlock ? i + kBlock : count;
    uint64_t any = 0;                     // a bit set anywhere: not all 0
    uint64_t all = ~uint64_t{0};          // a bit clear anywhere: not all 255
    for (; i + 8 <= end; i += 8) {
      uint64_t word;
      std::memcpy(&word, bytes + i, 8);
      any |= word;
      all &= word;
    }
    for (; i < end; ++i) {
      any |= bytes[i];
      all &= uint64_t{bytes[i]} | ~uint64_t{0xFF};
    }
    black = black && any == 0;
    white = white && all == ~uint64_t{0};
  }
}

}  // namespace render
