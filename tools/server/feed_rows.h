// Rows that turn one simulator value (a dataref, a property) into bytes of the data area, and the
// record of when each row was last refreshed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "simdata/sim_data_area.h"

namespace server {

// How a row turns its value into area bytes. `v` is the number the simulator sent, `text` its text
// (FlightGear strings); `param`, `mask`, `size` and `match` come from the row.
enum class Conv : uint8_t {
  DegreesNegated,    // f64 = -v: up / right positive becomes the area's nose-down / left-wing-down positive
  FlagAtLeast,       // u32 = 1 when v >= param, else 0
  FlagAnyBit,        // u32 = 1 when the integer v has any bit of `mask`, else 0
  FlagText,          // u32 = 1 when text is one of the '|'-separated words of `match`, else 0
  FlagTextNotEmpty,  // u32 = 1 when text is not empty, else 0
  FlagTextNotEmptyToo,  // u32 = 1 when text is not empty, else left as an earlier row wrote it (one flag, several texts)
  Marker,            // u16 = 1 when v >= 0.5, else 0
  BitAtLeast,        // bit `mask` of the `size`-byte word set when v >= param, cleared otherwise
  BitAnyBit,         // bit `mask` set when the integer v has any bit of `param` (a bit set as a number)
  BitText,           // bit `mask` set when text is one of the words of `match`
  BitIlsChannel,     // bit `mask` set when v x param MHz is a localiser channel (108.10..111.95, odd tenths)
  Needle,            // s8 = v x param rounded, limited to -127..+127
  FeetToMetres16,    // s32 = v feet in metres x 65536, rounded
  FeetToMetres16Positive,  // as FeetToMetres16 when v > 0; else left as an earlier row wrote it (0: not there)
  Scaled32,          // s32 = v x param, rounded
  Scaled16,          // s16 = v x param, rounded, limited to the 16-bit range
  Inclination,       // s16 = param (an inclination, 65536 = 360 degrees) when v >= 0.5, else 0
  DmeText,           // `size`-byte text "%05.1f" of v nautical miles when v > 0 (whole miles from 1000), else empty
  BlankUnless,       // `size` bytes at offset set to zero unless v >= param (a later row gating an earlier one)
  TextChar,          // one byte: the character code v (0 ends the text)
  Text,              // `size` bytes: text, cut to size, zero-padded
};

struct FeedRow {
  const char* path;   // dataref or property
  const char* units;  // what the simulator sends
  Conv conv;
  uint16_t offset;    // where in the data area
  uint8_t size;       // bytes written at offset (bits: the word's size)
  uint32_t mask;      // the bit written (Bit*) or looked at (FlagAnyBit)
  double param;       // see Conv
  const char* match;  // words for FlagText / BitText
};

// Writes `row`'s bytes for the value `v` (and `text`) into `area`. Non-finite numbers write nothing
// and return false.
bool ApplyRow(const FeedRow& row, double v, std::string_view text, SimDataArea& area);

// The distinct paths of `rows` in the order they first appear, and for each row the index of its path.
struct PathIndex {
  std::vector<const char*> paths;
  std::vector<size_t> rowPath;  // rowPath[row] = index into paths
};
PathIndex IndexPaths(const FeedRow* rows, size_t count);

// When each row was last refreshed: a request is fresh when every row whose bytes it touches was
// refreshed within `maxAgeMicros`. Bytes no row writes are always fresh.
class Freshness {
 public:
  Freshness(const FeedRow* rows, size_t count, uint64_t maxAgeMicros);
  void Refreshed(size_t row, uint64_t nowMicros) { last_[row] = nowMicros; }
  bool Fresh(uint32_t offset, uint32_t size, uint64_t nowMicros) const;
  // True when no row was ever refreshed or the newest refresh is older than the bound.
  bool AllStale(uint64_t nowMicros) const;

 private:
  const FeedRow* rows_;
  size_t count_;
  uint64_t maxAge_;
  std::vector<uint64_t> last_;  // 0 = never
};

}  // namespace server
