// Tests of the simulator data area: bounds, handshake values, typed access, read-list store/load.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "model/read_list.h"
#include "simdata/sim_data_area.h"

namespace {

// A state with a distinct, non-zero value in every variable: the widest and most negative values
// the types hold where they have them, texts using every byte.
InterfaceValues DistinctState() {
  InterfaceValues s{};
  s.Pitch = -3.25;
  s.Bank = 17.125;
  s.FdPitch = -1.5e-3;
  s.FdBank = 1e300;
  s.ApApproachHold = 0xFFFFFFFFu;
  s.GsNeedle = -128;
  s.Altimeter = -2147483647 - 1;
  s.ApAltitudeRaw = 2147483647;
  s.GsInclinationRaw = -32768;
  s.DmeText = "012.4";     // all five bytes used: no zero byte in the area
  s.Nav1Ident = "IORV12";  // all six bytes used
  for (size_t v = 0; v < kFlightVarCount; ++v)
    if (RawNumber(s, FlightVar(v)) == 0) SetRawNumber(s, FlightVar(v), double(v + 1));
  return s;
}

void ExpectSameRawFields(const InterfaceValues& a, const InterfaceValues& b) {
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    EXPECT_EQ(RawNumber(a, FlightVar(v)), RawNumber(b, FlightVar(v))) << VarName(FlightVar(v));
    EXPECT_EQ(TextOf(a, FlightVar(v)), TextOf(b, FlightVar(v))) << VarName(FlightVar(v));
  }
}

// Counts the variables of `s` that differ from zero / empty.
int NonZeroFields(const InterfaceValues& s) {
  int n = 0;
  for (size_t v = 0; v < kFlightVarCount; ++v)
    n += RawNumber(s, FlightVar(v)) != 0 || !TextOf(s, FlightVar(v)).empty();
  return n;
}

TEST(SimDataAreaHandshake, VersionAndSimulatorWordsAreSetAndNothingElse) {
  SimDataArea area;
  EXPECT_GE(area.Get<uint32_t>(0x3304), 0x19980005u);
  EXPECT_EQ(area.Get<uint32_t>(0x3308) & 0xFFFF0000u, 0xFADE0000u);
  EXPECT_NE(area.Get<uint32_t>(0x3308) & 0x0000FFFFu, 0u);

  std::vector<uint8_t> all(SimDataArea::kSize);
  ASSERT_TRUE(area.Read(0, SimDataArea::kSize, all.data()));
  for (uint32_t i = 0; i < SimDataArea::kSize; ++i) {
    if (i >= 0x3304 && i < 0x330C) continue;
    ASSERT_EQ(all[i], 0) << "byte " << i;
  }
}

TEST(SimDataAreaBounds, RangesEndingAtTheLastByteWork) {
  SimDataArea area;
  const uint8_t in[4] = {1, 2, 3, 4};
  EXPECT_TRUE(area.Write(0xFFFC, 4, in));
  uint8_t out[4] = {};
  EXPECT_TRUE(area.Read(0xFFFC, 4, out));
  EXPECT_EQ(0, std::memcmp(in, out, 4));
  EXPECT_TRUE(area.Read(0xFFFF, 1, out));
  EXPECT_EQ(out[0], 4);
  EXPECT_TRUE(area.Read(0x10000, 0, out));  // empty range at the very end
}

TEST(SimDataAreaBounds, RangesLeavingTheAreaCopyNothing) {
  SimDataArea area;
  uint8_t out[8];
  std::memset(out, 0xAA, sizeof out);
  const uint8_t in[8] = {9, 9, 9, 9, 9, 9, 9, 9};

  struct Range {
    uint32_t offset, size;
  };
  const Range bad[] = {
      {0xFFFD, 4},                   // one byte past the end
      {0x10000, 1},                  // starts at the end
      {0x10001, 0},                  // empty, but starts beyond the end
      {0xFFFFFFFFu, 2},              // offset + size wraps to 1
      {8, 0xFFFFFFF9u},              // size so large that offset + size wraps to 1
      {0, SimDataArea::kSize + 1},   // whole area and one more
      {0x80000000u, 0x80000000u},    // both halves of the 32-bit range
  };
  for (const Range& r : bad) {
    EXPECT_FALSE(area.Read(r.offset, r.size, out)) << r.offset << "+" << r.size;
    EXPECT_FALSE(area.Write(r.offset, r.size, in)) << r.offset << "+" << r.size;
  }
  for (uint8_t b : out) EXPECT_EQ(b, 0xAA);
  EXPECT_EQ(area.Get<uint32_t>(0xFFFC), 0u);  // the refused write left the end untouched
  EXPECT_EQ(area.Get<uint8_t>(0), 0u);
}

TEST(SimDataAreaTyped, LittleEndianAndOutOfRangeGetsZero) {
  SimDataArea area;
  area.Set<uint32_t>(0x100, 0x11223344u);
  uint8_t b[4];
  ASSERT_TRUE(area.Read(0x100, 4, b));
  EXPECT_EQ(b[0], 0x44);
  EXPECT_EQ(b[3], 0x11);
  EXPECT_EQ(area.Get<uint16_t>(0x101), 0x2233);
  area.Set<double>(0x200, -2.5);
  EXPECT_EQ(area.Get<double>(0x200), -2.5);

  area.Set<uint32_t>(0xFFFE, 0x55667788u);  // does not fit: ignored
  EXPECT_EQ(area.Get<uint16_t>(0xFFFE), 0u);
  EXPECT_EQ(area.Get<uint32_t>(0xFFFE), 0u);  // does not fit: reads as zero
}

TEST(SimDataAreaFlightState, StoreThenLoadGivesBackEveryField) {
  SimDataArea area;
  const InterfaceValues in = DistinctState();
  area.StoreInterfaceValues(in);
  ExpectSameRawFields(area.LoadInterfaceValues(), in);
  // The handshake survives a store.
  EXPECT_GE(area.Get<uint32_t>(0x3304), 0x19980005u);
  EXPECT_EQ(area.Get<uint32_t>(0x3308) & 0xFFFF0000u, 0xFADE0000u);
}

TEST(SimDataAreaFlightState, FieldsLandAtTheirReadListOffsets) {
  SimDataArea area;
  InterfaceValues s{};
  s.Altimeter = 0x01020304;
  s.RadioStatus = 0x0342;
  s.Nav1CodeFlags = 0xC0;
  s.Pitch = 4.0;
  s.Nav1Ident = "IORV";
  area.StoreInterfaceValues(s);
  uint8_t alt[4];
  ASSERT_TRUE(area.Read(0x3324, 4, alt));
  EXPECT_EQ(alt[0], 0x04);
  EXPECT_EQ(alt[3], 0x01);
  EXPECT_EQ(area.Get<uint16_t>(0x3300), 0x0342);
  EXPECT_EQ(area.Get<uint8_t>(0x0C4D), 0xC0);
  EXPECT_EQ(area.Get<uint16_t>(0x0C4C), 0xC000);  // the discarded two-byte row sees the same byte
  EXPECT_EQ(area.Get<double>(0x2F70), 4.0);
  char ident[6];
  ASSERT_TRUE(area.Read(0x3000, 6, ident));
  EXPECT_EQ(std::string(ident, 6), std::string("IORV\0\0", 6));  // zero-padded
}

TEST(SimDataAreaFlightState, EachFieldIsIndependentOfTheOthers) {
  // Storing one field alone must bring back that field alone: catches overlapping offsets and
  // wrong widths.
  const InterfaceValues full = DistinctState();
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVar var = FlightVar(v);
    if (!VarInfo(var).hasField) continue;
    InterfaceValues one{};
    uint8_t bytes[8] = {};
    LoadRawBytes(full, var, bytes);
    StoreRawBytes(one, var, bytes);
    SimDataArea area;
    area.StoreInterfaceValues(one);
    const InterfaceValues back = area.LoadInterfaceValues();
    EXPECT_EQ(NonZeroFields(back), 1) << VarName(var);
    ExpectSameRawFields(back, one);
  }
}

TEST(SimDataAreaFlightState, LongTextsAreCutToTheAreaWidths) {
  SimDataArea area;
  InterfaceValues s{};
  s.DmeText = "1234567";
  s.Nav1Ident = "ABCDEFGH";
  area.StoreInterfaceValues(s);
  const InterfaceValues back = area.LoadInterfaceValues();
  EXPECT_EQ(back.DmeText, "12345");
  EXPECT_EQ(back.Nav1Ident, "ABCDEF");
  EXPECT_EQ(area.Get<uint8_t>(0x0C29 + 5), 0u);  // the byte after the DME text is not written
}

TEST(SimDataAreaFlightState, AFreshAreaLoadsAsTheZeroState) {
  SimDataArea area;
  EXPECT_EQ(NonZeroFields(area.LoadInterfaceValues()), 0);
}

}  // namespace
