// libFuzzer harness for the FlightGear source's packets: any datagram through the generic-protocol
// line parser, and an accepted line through the property table into the readings.
//
// An accepted line has exactly one value per field; numbers are finite, texts printable without
// commas and within the length limit; joining the values with commas gives the line back (without
// its line end). Writing the line changes only the table's readings, and no text grows beyond its
// bound, nor beyond the interface's once encoded.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "support/feed_checks.h"
#include "sources/flightgear_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* text = reinterpret_cast<const char*>(data);
  const FgField* fields = FlightGearFields();
  const size_t count = FlightGearFieldCount();
  std::vector<FgValue> values;
  std::string why = "unset";
  if (!ParseGenericLine(text, size, fields, count, &values, &why)) {
    FUZZ_CHECK(values.empty() && !why.empty() && why != "unset");
    return 0;
  }
  FUZZ_CHECK(size <= kMaxFgLine && values.size() == count);
  std::string body(text, size);
  if (!body.empty() && body.back() == '\n') body.pop_back();
  if (!body.empty() && body.back() == '\r') body.pop_back();
  size_t at = 0;
  for (size_t f = 0; f < count; ++f) {
    const size_t comma = body.find(',', at);
    const std::string piece = body.substr(at, comma == std::string::npos ? std::string::npos : comma - at);
    if (fields[f].kind == FgFieldKind::Text) {
      FUZZ_CHECK(values[f].text == piece && piece.size() <= kMaxFgText);
    } else {
      FUZZ_CHECK(std::isfinite(values[f].number) && !piece.empty());
    }
    for (char c : piece) FUZZ_CHECK(c >= 32 && c <= 126 && c != ',');
    FUZZ_CHECK((comma == std::string::npos) == (f + 1 == count));
    at = comma + 1;
  }
  FeedState state{};
  ReadingSet written;
  for (size_t r = 0; r < FlightGearRowCount(); ++r) {
    const FeedRow& row = FlightGearRows()[r];
    size_t f = 0;
    while (f < count && std::strcmp(fields[f].path, row.path) != 0) ++f;
    FUZZ_CHECK(f < count);
    ApplyFeedRow(row, values[f].number, values[f].text, state);
    written.Add(row.reading);
  }
  CheckFeedReadings(FlightGearRows(), FlightGearRowCount(), state, written);
  return 0;
}
