// Rows that turn one simulator value (a dataref, a property) into a reading, and the record of when
// each row was last refreshed.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include <array>

#include "model/flight_state.h"

// How a row turns its value into its reading. `v` is the number the simulator sent, `text` its text
// (FlightGear strings); `param`, `mask` and `match` come from the row. "In its unit" is the reading's
// unit (model/flight_state.h): degrees, knots, feet, ...
enum class FeedConv : uint8_t {
  Value,             // v x param in its unit (param -1 turns the sign)
  Heading,           // v degrees, brought into 0..360
  AtLeast,           // v in its unit when v >= param; smaller values are not stored (and do not refresh)
  Below,             // v in its unit when 0 < v < param; other values are not stored (and do not refresh)
  Fraction,          // v x param of full travel, limited to -1..+1
  OnlyAbove,         // v in its unit when v > 0; else left as an earlier row wrote it (0: not there)
  Needle,            // v x param dots, limited to full scale (2.5 dots)
  FlagAtLeast,       // the fact: v >= param
  FlagIs,            // the fact: v is the whole number param, within a half (one value of a list of modes)
  FlagAnyBit,        // the fact: the integer v has any bit of `mask`
  FlagText,          // the fact: text is one of the '|'-separated words of `match`
  FlagTextNotEmpty,  // the fact: text is not empty
  FlagTextNotEmptyToo,  // true when text is not empty, else left as an earlier row wrote it (one fact, several texts)
  TermAtLeast,       // one condition of a fact that needs several (its term `mask`): v >= param
  TermIlsChannel,    // one condition of such a fact: v x param MHz is a localiser channel
                     // (108.10..111.95, odd tenths)
  DmeText,           // text "%05.1f" of v nautical miles when v > 0 (whole miles from 1000), else empty
  BlankUnless,       // the text emptied unless v >= param (a later row gating an earlier one)
  TextChar,          // character `mask` (0 = the first) of the text: the character code v (0 ends the text)
  Text,              // text, cut to `mask` characters
};

struct FeedRow {
  const char* path;   // dataref or property
  const char* units;  // what the simulator sends
  FeedConv conv;
  ReadingId reading;  // the reading it fills
  uint32_t mask;      // the bits looked at (FlagAnyBit), the term (Term*), the character (TextChar), the
                      // longest text (Text, DmeText)
  double param;       // see FeedConv
  const char* match;  // words for FlagText
};

// The turn coordinator's ball at full scale: a sideways acceleration of a fifth of the normal one,
// the ball 11.3 degrees off centre in its tube.
constexpr double kBallFullScaleRatio = 0.2;
constexpr double kBallFullScaleDegrees = 11.3099;  // atan(0.2)

// The longest text a row builds character by character.
constexpr size_t kMaxFeedText = 16;

// The readings a feed fills, and the conditions of the facts that need several.
struct FeedState {
  FlightState readings;
  std::array<uint32_t, kReadingCount> terms{};  // by reading: the Term rows' conditions that hold
};

// Writes `row`'s value `v` (and `text`) into its reading of `state`. False, with nothing written,
// for a number that is not finite and for a value the row does not store (AtLeast).
bool ApplyFeedRow(const FeedRow& row, double v, std::string_view text, FeedState& state);
// Sets each fact of Term rows: true when every one of its terms holds.
void SettleTerms(const FeedRow* rows, size_t count, FeedState& state);

// Texts built character by character (TextChar) end at their first zero: cuts every text there.
void EndTextsAtZero(FlightState& state);

// The distinct paths of `rows` in the order they first appear, and for each row the index of its path.
struct PathIndex {
  std::vector<const char*> paths;
  std::vector<size_t> rowPath;  // rowPath[row] = index into paths
};
PathIndex IndexPaths(const FeedRow* rows, size_t count);

// When each row was last refreshed. A reading is fresh when every row that writes it was refreshed
// within `maxAgeMicros`; a range of interface bytes is fresh when every reading carried there that
// some row writes is fresh (bytes no row's reading touches are always fresh).
class FeedFreshness {
 public:
  FeedFreshness(const FeedRow* rows, size_t count, uint64_t maxAgeMicros);
  void Refreshed(size_t row, uint64_t nowMicros) { last_[row] = nowMicros; }
  // The readings some row writes.
  const ReadingSet& Written() const { return written_; }
  // The written readings that are fresh now.
  ReadingSet FreshReadings(uint64_t nowMicros) const;
  bool Fresh(uint32_t offset, uint32_t size, uint64_t nowMicros) const;
  // True when no row was ever refreshed or the newest refresh is older than the bound.
  bool AllStale(uint64_t nowMicros) const;

 private:
  const FeedRow* rows_;
  size_t count_;
  uint64_t maxAge_;
  std::vector<uint64_t> last_;  // 0 = never
  ReadingSet written_;
};

