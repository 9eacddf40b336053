// X-Plane's UDP dataref interface: the dataref table and the RREF request and answer packets.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sources/feed_rows.h"

// The datarefs the feed subscribes to and the variable each value fills.
const FeedRow* XPlaneRows();
size_t XPlaneRowCount();

// "RREF\0", frequency (int32), index (int32), the dataref path zero-padded to 400 bytes.
constexpr size_t kRrefRequestSize = 5 + 4 + 4 + 400;
using RrefRequest = std::array<uint8_t, kRrefRequestSize>;
// Builds a subscription (frequency > 0, values per second) or its end (frequency 0). False when
// the path does not fit 399 bytes.
bool BuildRrefRequest(int32_t frequency, int32_t index, const std::string& path, RrefRequest* out);

struct RrefValue {
  int32_t index = 0;
  float value = 0;
};
// The most (index, value) pairs one answer may hold.
constexpr size_t kMaxRrefPairs = 200;
// Parses an answer: "RREF", one byte, then (int32 index, float32 value) pairs, little-endian.
// False, with the reason, for anything else (wrong header, a partial pair, no pair, too many).
bool ParseRrefAnswer(const uint8_t* data, size_t size, std::vector<RrefValue>* out, std::string* why);

