// libFuzzer harness for the X-Plane source's packets: any datagram through the RREF answer parser,
// and every value it yields through the dataref table into the readings.
//
// An accepted answer is "RREF", one byte and whole (index, value) pairs, at least one and at most
// the limit; each pair reads back from its bytes. Writing any value through any row changes only
// the row's reading, and no text grows beyond its bound, nor beyond the interface's once encoded.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "support/feed_checks.h"
#include "sources/xplane_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<RrefValue> values;
  std::string why = "unset";
  const bool ok = ParseRrefAnswer(data, size, &values, &why);
  if (!ok) {
    FUZZ_CHECK(values.empty() && !why.empty() && why != "unset");
    return 0;
  }
  FUZZ_CHECK(size >= 13 && std::memcmp(data, "RREF", 4) == 0 && (size - 5) % 8 == 0);
  FUZZ_CHECK(values.size() == (size - 5) / 8 && values.size() <= kMaxRrefPairs);
  for (size_t i = 0; i < values.size(); ++i) {
    int32_t index;
    float value;
    std::memcpy(&index, data + 5 + 8 * i, 4);
    std::memcpy(&value, data + 9 + 8 * i, 4);
    FUZZ_CHECK(values[i].index == index);
    FUZZ_CHECK(std::memcmp(&values[i].value, &value, 4) == 0);
  }
  FeedState state{};
  ReadingSet written;
  for (const RrefValue& v : values) {
    const FeedRow& row = XPlaneRows()[uint32_t(v.index) % XPlaneRowCount()];
    ApplyFeedRow(row, double(v.value), {}, state);
    written.Add(row.reading);
  }
  CheckFeedReadings(XPlaneRows(), XPlaneRowCount(), state, written);
  return 0;
}
