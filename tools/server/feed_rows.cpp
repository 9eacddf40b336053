// Simulator values into data-area bytes, row by row, and the age of each row's last refresh.
#include "server/feed_rows.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace server {
namespace {

constexpr double kMetresPerFoot = 0.3048;

bool OneOf(std::string_view text, const char* words) {
  if (words == nullptr) return false;
  std::string_view list(words);
  while (!list.empty()) {
    size_t bar = list.find('|');
    std::string_view word = list.substr(0, bar);
    if (word == text) return true;
    if (bar == std::string_view::npos) break;
    list.remove_prefix(bar + 1);
  }
  return false;
}

// The integer value of a flag word sent as a float; negative or huge values have no bits.
uint32_t Bits(double v) {
  if (!(v >= 0) || v > 4294967295.0) return 0;
  return uint32_t(std::llround(v));
}

int64_t RoundLimited(double v, int64_t low, int64_t high) {
  if (v <= double(low)) return low;
  if (v >= double(high)) return high;
  return std::llround(v);
}

void WriteBit(const FeedRow& row, bool on, SimDataArea& area) {
  if (row.size == 1) {
    uint8_t word = area.Get<uint8_t>(row.offset);
    word = uint8_t(on ? (word | row.mask) : (word & ~row.mask));
    area.Set<uint8_t>(row.offset, word);
  } else {
    uint16_t word = area.Get<uint16_t>(row.offset);
    word = uint16_t(on ? (word | row.mask) : (word & ~row.mask));
    area.Set<uint16_t>(row.offset, word);
  }
}

void WriteText(const FeedRow& row, std::string_view text, SimDataArea& area) {
  char bytes[256] = {};
  size_t n = text.size() < row.size ? text.size() : row.size;
  if (n > 0) std::memcpy(bytes, text.data(), n);  // an empty view may have no data at all
  area.Write(row.offset, row.size, bytes);
}

// A localiser channel: 108.10 to 111.95 MHz with an odd tenths digit (108.10, 108.15, 108.30 ...).
bool IsLocaliserChannel(double mhz) {
  const long hundredths = std::lround(mhz * 100);
  return hundredths >= 10810 && hundredths <= 11195 && (hundredths / 10) % 2 == 1;
}

}  // namespace

bool ApplyRow(const FeedRow& row, double v, std::string_view text, SimDataArea& area) {
  if (!std::isfinite(v)) return false;
  switch (row.conv) {
    case Conv::DegreesNegated:
      area.Set<double>(row.offset, -v);
      break;
    case Conv::FlagAtLeast:
      area.Set<uint32_t>(row.offset, v >= row.param ? 1u : 0u);
      break;
    case Conv::FlagAnyBit:
      area.Set<uint32_t>(row.offset, (Bits(v) & row.mask) != 0 ? 1u : 0u);
      break;
    case Conv::FlagText:
      area.Set<uint32_t>(row.offset, OneOf(text, row.match) ? 1u : 0u);
      break;
    case Conv::FlagTextNotEmpty:
      area.Set<uint32_t>(row.offset, text.empty() ? 0u : 1u);
      break;
    case Conv::FlagTextNotEmptyToo:
      if (!text.empty()) area.Set<uint32_t>(row.offset, 1u);
      break;
    case Conv::Marker:
      area.Set<uint16_t>(row.offset, v >= 0.5 ? uint16_t(1) : uint16_t(0));
      break;
    case Conv::BitAtLeast:
      WriteBit(row, v >= row.param, area);
      break;
    case Conv::BitAnyBit:
      WriteBit(row, (Bits(v) & Bits(row.param)) != 0, area);
      break;
    case Conv::BitText:
      WriteBit(row, OneOf(text, row.match), area);
      break;
    case Conv::BitIlsChannel:
      WriteBit(row, IsLocaliserChannel(v * row.param), area);
      break;
    case Conv::Needle:
      area.Set<int8_t>(row.offset, int8_t(RoundLimited(v * row.param, -127, 127)));
      break;
    case Conv::FeetToMetres16Positive:
      if (!(v > 0)) break;
      [[fallthrough]];
    case Conv::FeetToMetres16:
      area.Set<int32_t>(row.offset, int32_t(RoundLimited(v * kMetresPerFoot * 65536.0, INT32_MIN, INT32_MAX)));
      break;
    case Conv::Scaled32:
      area.Set<int32_t>(row.offset, int32_t(RoundLimited(v * row.param, INT32_MIN, INT32_MAX)));
      break;
    case Conv::Scaled16:
      area.Set<int16_t>(row.offset, int16_t(RoundLimited(v * row.param, INT16_MIN, INT16_MAX)));
      break;
    case Conv::Inclination:
      area.Set<int16_t>(row.offset, v >= 0.5 ? int16_t(row.param) : int16_t(0));
      break;
    case Conv::DmeText: {
      char t[32] = {};
      if (v > 0 && v < 1000) std::snprintf(t, sizeof t, "%05.1f", v);
      else if (v >= 1000 && v < 10000) std::snprintf(t, sizeof t, "%4.0f", v);
      WriteText(row, t, area);
      break;
    }
    case Conv::BlankUnless:
      if (!(v >= row.param)) WriteText(row, {}, area);
      break;
    case Conv::TextChar: {
      const int64_t c = RoundLimited(v, 0, 255);
      area.Set<uint8_t>(row.offset, uint8_t(c >= 32 && c < 127 ? c : 0));
      break;
    }
    case Conv::Text:
      WriteText(row, text, area);
      break;
  }
  return true;
}

PathIndex IndexPaths(const FeedRow* rows, size_t count) {
  PathIndex index;
  for (size_t r = 0; r < count; ++r) {
    size_t p = 0;
    while (p < index.paths.size() && std::strcmp(index.paths[p], rows[r].path) != 0) ++p;
    if (p == index.paths.size()) index.paths.push_back(rows[r].path);
    index.rowPath.push_back(p);
  }
  return index;
}

Freshness::Freshness(const FeedRow* rows, size_t count, uint64_t maxAgeMicros)
    : rows_(rows), count_(count), maxAge_(maxAgeMicros), last_(count, 0) {}

bool Freshness::Fresh(uint32_t offset, uint32_t size, uint64_t nowMicros) const {
  for (size_t r = 0; r < count_; ++r) {
    const uint32_t begin = rows_[r].offset;
    const uint32_t end = begin + rows_[r].size;
    if (offset >= end || offset + size <= begin) continue;
    if (last_[r] == 0 || nowMicros - last_[r] > maxAge_) return false;
  }
  return true;
}

bool Freshness::AllStale(uint64_t nowMicros) const {
  for (uint64_t t : last_)
    if (t != 0 && nowMicros - t <= maxAge_) return false;
  return true;
}

}  // namespace server
