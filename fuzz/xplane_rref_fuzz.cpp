// libFuzzer harness for the X-Plane source's packets: any datagram through the RREF answer parser,
// and every value it yields through the dataref table into a data area.
//
// An accepted answer is "RREF", one byte and whole (index, value) pairs, at least one and at most
// the limit; each pair reads back from its bytes. Writing any value through any row stays inside
// the row's bytes of the area and leaves every other byte alone.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "server/xplane_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<server::RrefValue> values;
  std::string why = "unset";
  const bool ok = server::ParseRrefAnswer(data, size, &values, &why);
  if (!ok) {
    FUZZ_CHECK(values.empty() && !why.empty() && why != "unset");
    return 0;
  }
  FUZZ_CHECK(size >= 13 && std::memcmp(data, "RREF", 4) == 0 && (size - 5) % 8 == 0);
  FUZZ_CHECK(values.size() == (size - 5) / 8 && values.size() <= server::kMaxRrefPairs);
  for (size_t i = 0; i < values.size(); ++i) {
    int32_t index;
    float value;
    std::memcpy(&index, data + 5 + 8 * i, 4);
    std::memcpy(&value, data + 9 + 8 * i, 4);
    FUZZ_CHECK(values[i].index == index);
    FUZZ_CHECK(std::memcmp(&values[i].value, &value, 4) == 0);
  }
  const SimDataArea before;
  SimDataArea area;
  std::vector<bool> written(SimDataArea::kSize, false);
  for (const server::RrefValue& v : values) {
    const server::FeedRow& row = server::XPlaneRows()[uint32_t(v.index) % server::XPlaneRowCount()];
    server::ApplyRow(row, double(v.value), {}, area);
    for (uint32_t b = row.offset; b < uint32_t(row.offset) + row.size; ++b) written[b] = true;
  }
  for (uint32_t o = 0; o < SimDataArea::kSize; ++o)
    if (!written[o]) FUZZ_CHECK(area.Get<uint8_t>(o) == before.Get<uint8_t>(o));
  return 0;
}
