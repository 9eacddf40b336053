// libFuzzer harness for the X-Plane source's packets: any datagram through the RREF answer parser,
// and every value it yields through the dataref table into the flight variables.
//
// An accepted answer is "RREF", one byte and whole (index, value) pairs, at least one and at most
// the limit; each pair reads back from its bytes. Writing any value through any row changes only
// the row's variable, and no text grows beyond its variable's size.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "model/interface_codec.h"
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
  SettleTerms(XPlaneRows(), XPlaneRowCount(), state);
  // Readings no row wrote are left as they were; texts stay within their bounds, and the encoded
  // interface values within the interface's widths.
  const InterfaceValues encoded = EncodeInterface(state.readings, written);
  for (size_t i = 0; i < kReadingCount; ++i) {
    const ReadingId id = ReadingId(i);
    FUZZ_CHECK(state.readings.Text(id).size() <= kMaxFeedText);
    if (written.Has(id)) continue;
    FUZZ_CHECK(!state.readings.Valid.Has(id));
    FUZZ_CHECK(state.readings.Get(id).value == 0 && state.readings.Text(id).empty());
  }
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVarInfo& info = VarInfo(FlightVar(v));
    FUZZ_CHECK(TextOf(encoded, info.var).size() <= info.size);
    uint8_t bytes[16] = {};
    LoadRawBytes(encoded, info.var, bytes);
  }
  return 0;
}
