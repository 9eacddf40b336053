// What the UDP feeds' harnesses check once a packet's values went through their table: readings no
// row wrote are left as they were, texts stay within their bounds, and the readings encoded for the
// interface stay within its widths.
#pragma once

#include <cstdint>

#include "fuzz_check.h"
#include "model/interface_codec.h"
#include "sources/feed_rows.h"

inline void CheckFeedReadings(const FeedRow* rows, size_t count, FeedState& state, const ReadingSet& written) {
  SettleTerms(rows, count, state);
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
}
