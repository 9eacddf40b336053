// Rows that turn one simulator value (a dataref, a property) into a flight variable, and the record
// of when each row was last refreshed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/interface_values.h"

// How a row turns its value into its variable. `v` is the number the simulator sent, `text` its
// text (FlightGear strings); `param`, `mask` and `match` come from the row. "In its unit" is the
// variable's unit (flight_variables.h): degrees, knots, feet, ...
enum class FeedConv : uint8_t {
  Value,             // v x param in its unit (param -1 turns the sign: up / right positive becomes the
                     // interface's nose-down / left-wing-down positive)
  Heading,           // v degrees, brought into 0..360
  AtLeast,           // v in its unit when v >= param; smaller values are not stored (and do not refresh)
  OnlyAbove,         // v in its unit when v > 0; else left as an earlier row wrote it (0: not there)
  Needle,            // v x param dots, limited to full scale (2.5 dots)
  Inclination,       // param degrees when v >= 0.5, else 0
  FlagAtLeast,       // 1 when v >= param, else 0
  FlagAnyBit,        // 1 when the integer v has any bit of `mask`, else 0
  FlagText,          // 1 when text is one of the '|'-separated words of `match`, else 0
  FlagTextNotEmpty,  // 1 when text is not empty, else 0
  FlagTextNotEmptyToo,  // 1 when text is not empty, else left as an earlier row wrote it (one flag, several texts)
  BitAtLeast,        // bit `mask` of the variable set when v >= param, cleared otherwise
  BitAnyBit,         // bit `mask` set when the integer v has any bit of `param` (a bit set as a number)
  BitText,           // bit `mask` set when text is one of the words of `match`
  BitIlsChannel,     // bit `mask` set when v x param MHz is a localiser channel (108.10..111.95, odd tenths)
  DmeText,           // text "%05.1f" of v nautical miles when v > 0 (whole miles from 1000), else empty
  BlankUnless,       // the text emptied unless v >= param (a later row gating an earlier one)
  TextChar,          // character `mask` (0 = the first) of the text: the character code v (0 ends the text)
  Text,              // text, cut to the variable's size
};

struct FeedRow {
  const char* path;   // dataref or property
  const char* units;  // what the simulator sends
  FeedConv conv;
  FlightVar var;      // the variable it fills
  uint32_t mask;      // the bit written (Bit*), looked at (FlagAnyBit) or the character (TextChar)
  double param;       // see FeedConv
  const char* match;  // words for FlagText / BitText
};

// Writes `row`'s value `v` (and `text`) into its variable of `state`. False, with nothing written,
// for a number that is not finite and for a value the row does not store (AtLeast).
bool ApplyFeedRow(const FeedRow& row, double v, std::string_view text, InterfaceValues& state);

// Texts built character by character (TextChar) end at their first zero: cuts every text there.
void EndTextsAtZero(InterfaceValues& state);

// The distinct paths of `rows` in the order they first appear, and for each row the index of its path.
struct PathIndex {
  std::vector<const char*> paths;
  std::vector<size_t> rowPath;  // rowPath[row] = index into paths
};
PathIndex IndexPaths(const FeedRow* rows, size_t count);

// When each row was last refreshed. A variable is fresh when every row that writes it was
// refreshed within `maxAgeMicros`; a range of interface bytes is fresh when every variable whose
// bytes it touches and that some row writes is fresh (bytes no row writes are always fresh).
class FeedFreshness {
 public:
  FeedFreshness(const FeedRow* rows, size_t count, uint64_t maxAgeMicros);
  void Refreshed(size_t row, uint64_t nowMicros) { last_[row] = nowMicros; }
  // The variables some row writes.
  const VarSet& Written() const { return written_; }
  // The written variables that are fresh now.
  VarSet FreshVars(uint64_t nowMicros) const;
  bool Fresh(uint32_t offset, uint32_t size, uint64_t nowMicros) const;
  // True when no row was ever refreshed or the newest refresh is older than the bound.
  bool AllStale(uint64_t nowMicros) const;

 private:
  const FeedRow* rows_;
  size_t count_;
  uint64_t maxAge_;
  std::vector<uint64_t> last_;  // 0 = never
  VarSet written_;
};

