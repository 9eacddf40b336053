// Tests of the flight model: readings in the pilot's units from what the interface delivers, and the
// reads a layout adds to the read list.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "model/interface_codec.h"
#include "model/network_reply.h"
#include "model/read_list.h"

namespace {

constexpr double kMetresPerFoot = 0.3048;

// 250 kt, 10,000 ft, heading 090 magnetic with 10 degrees of west variation, -700 ft/min, 1013 hPa,
// selected 220 kt / 3,000 ft / 270 / -1,000 ft/min, as the interface's documentation describes
// those values.
InterfaceValues PilotState() {
  InterfaceValues s{};
  s.IndicatedAirspeedRaw = 250 * 128;
  s.MachRaw = uint16_t(std::lround(0.52 * 20480));
  s.HeadingTrueRaw = uint32_t(std::llround(80.0 / 360.0 * 4294967296.0));
  s.MagneticVariationRaw = int16_t(std::lround(-10.0 / 360.0 * 65536));
  s.VerticalSpeedRaw = int32_t(std::lround(-700 * kMetresPerFoot / 60 * 256));
  s.Altimeter = 10000;
  s.AltimeterSettingRaw = 1013 * 16;
  s.ApAirspeed = 220;
  s.ApAltitudeRaw = int32_t(std::lround(3000 * kMetresPerFoot * 65536));
  s.ApHeadingRaw = uint16_t(std::lround(270.0 / 360.0 * 65536));
  s.ApVerticalSpeed = -1000;
  return s;
}

// The readings of interface values that arrived (the data server's rules for the inclination).
FlightState Decoded(InterfaceValues s) {
  ApplyConversions(s, InclinationRule::Raw);
  FlightState r{};
  DecodeInterface(s, r);
  return r;
}

TEST(FlightModel, ThePilotsValuesInTheirUnits) {
  InterfaceValues s = PilotState();
  s.Valid.Add(FlightVar::IndicatedAirspeedRaw);
  FlightState r = Decoded(s);
  EXPECT_NEAR(r.IndicatedAirspeed, 250, 1e-9);
  EXPECT_TRUE(r.Valid.Has(ReadingId::IndicatedAirspeed));
  EXPECT_FALSE(r.Valid.Has(ReadingId::Altitude));  // not marked as arrived
  EXPECT_NEAR(r.Mach, 0.52, 1e-4);
  EXPECT_NEAR(r.HeadingTrue, 80, 1e-6);
  EXPECT_NEAR(r.MagneticVariation, -10, 0.01);
  EXPECT_NEAR(MagneticHeading(r).value, 90, 0.01);
  EXPECT_NEAR(r.VerticalSpeed, -700, 0.5);
  EXPECT_EQ(r.Altitude, 10000);
  EXPECT_NEAR(r.AltimeterSetting, 1013, 1e-9);
  EXPECT_EQ(r.SelectedAirspeed, 220);
  EXPECT_NEAR(r.SelectedAltitude, 3000, 0.01);
  EXPECT_NEAR(r.SelectedHeading, 270, 0.01);
  EXPECT_EQ(r.SelectedVerticalSpeed, -1000);
  // One dot of glide slope is 127 / 2.5 needle units; the needle's -128 reads full scale.
  s.GsNeedle = 51;
  EXPECT_NEAR(Decoded(s).GlideSlopeDeviation, 1.0, 0.01);
  s.GsNeedle = -128;
  EXPECT_NEAR(Decoded(s).GlideSlopeDeviation, -2.5, 1e-9);
}

// The wind triangle as a pilot works it: 10 kt of wind square across 100 kt of true airspeed drifts
// the aircraft about 5.7 degrees downwind, a wind from straight ahead or behind none at all, and a
// wind as fast as the aircraft from abeam 45 degrees.
TEST(FlightModel, TrackFromTheWindTriangle) {
  EXPECT_NEAR(WindTriangleTrack(360, 100, 270, 10), 5.71, 0.01);    // from the left: drift right
  EXPECT_NEAR(WindTriangleTrack(90, 100, 180, 10), 84.29, 0.01);    // from the right: drift left
  EXPECT_NEAR(WindTriangleTrack(5, 100, 275, 10), 10.71, 0.01);     // across north
  EXPECT_NEAR(WindTriangleTrack(355, 100, 85, 10), 349.29, 0.01);   // and back
  EXPECT_NEAR(WindTriangleTrack(180, 120, 180, 30), 180, 1e-9);     // headwind
  EXPECT_NEAR(WindTriangleTrack(180, 120, 0, 30), 180, 1e-9);       // tailwind
  EXPECT_NEAR(WindTriangleTrack(0, 50, 270, 50), 45, 1e-9);
  EXPECT_NEAR(WindTriangleTrack(123, 0, 0, 0), 123, 1e-9);          // standing still: the heading
  EXPECT_NEAR(WindTriangleTrack(40, 20, 40, 20), 40, 1e-9);         // hovering into the wind
}

TEST(FlightModel, ReadingsEncodedComeBackAsTheInterfaceHoldsThem) {
  const InterfaceValues pilot = PilotState();
  FlightState r{};
  r.Set(ReadingId::IndicatedAirspeed, 250);
  r.Set(ReadingId::VerticalSpeed, -700);
  r.Set(ReadingId::SelectedAltitude, 3000);
  r.Set(ReadingId::HeadingTrue, 80);
  r.Set(ReadingId::MagneticVariation, -10);
  InterfaceValues s = EncodeInterface(r);
  EXPECT_EQ(s.IndicatedAirspeedRaw, pilot.IndicatedAirspeedRaw);
  EXPECT_NEAR(s.VerticalSpeedRaw, pilot.VerticalSpeedRaw, 1);
  EXPECT_NEAR(s.ApAltitudeRaw, pilot.ApAltitudeRaw, 8);  // 3.28084 ft per metre against 1 / 0.3048
  EXPECT_NEAR(double(s.HeadingTrueRaw), double(pilot.HeadingTrueRaw), 1);
  EXPECT_EQ(s.MagneticVariationRaw, pilot.MagneticVariationRaw);
  EXPECT_TRUE(s.Valid.Has(FlightVar::VerticalSpeedRaw));
  // Out of range: a deviation stops at full scale, a heading comes round the circle.
  r.Set(ReadingId::GlideSlopeDeviation, -9);
  r.Set(ReadingId::HeadingTrue, -5);
  s = EncodeInterface(r);
  EXPECT_EQ(s.GsNeedle, -127);
  EXPECT_NEAR(Decoded(s).HeadingTrue, 355, 1e-6);
}

TEST(ReadPlans, TheClassicPlanIsTheReadListAndItsNetworkOrder) {
  const ReadPlan plan = ReadPlan::Classic();
  ASSERT_EQ(plan.ipc.size(), size_t(kReadListRows));
  ASSERT_EQ(plan.network.size(), size_t(kNetworkRequests));
  for (size_t i = 0; i < plan.ipc.size(); ++i) EXPECT_EQ(plan.ipc[i].offset, ReadList()[i].offset) << i;
  for (size_t i = 0; i < plan.network.size(); ++i)
    EXPECT_EQ(RequestTextOf(plan.network[i]), RequestTextOf(*NetworkRequestOrder()[i])) << i;
}

TEST(ReadPlans, FurtherVariablesComeAfterTheReadListOnceEach) {
  const ReadPlan plan = ReadPlan::With({FlightVar::IndicatedAirspeedRaw, FlightVar::ApHeadingRaw,
                                        FlightVar::Altimeter, FlightVar::AltimeterSettingRaw});
  // IPC: the read list already has the heading setting and the altitude.
  ASSERT_EQ(plan.ipc.size(), size_t(kReadListRows) + 2);
  EXPECT_EQ(plan.ipc[kReadListRows].offset, 0x02BCu);
  EXPECT_EQ(plan.ipc[kReadListRows + 1].offset, 0x0330u);
  // Network: the heading setting is asked for as well (the read list's network order leaves it out).
  ASSERT_EQ(plan.network.size(), size_t(kNetworkRequests) + 3);
  EXPECT_EQ(RequestTextOf(plan.network[kNetworkRequests]), "1996,2,4");
  EXPECT_EQ(RequestTextOf(plan.network[kNetworkRequests + 1]), "700,4,5");
  EXPECT_EQ(RequestTextOf(plan.network[kNetworkRequests + 2]), "816,2,4");
  for (size_t i = 0; i < plan.network.size(); ++i) EXPECT_EQ(plan.network[i].netPosition, int(i));
}

TEST(NetworkReplies, NewVariablesFollowTheReplyRules) {
  const ReadPlan plan = ReadPlan::With({FlightVar::HeadingTrueRaw, FlightVar::MachRaw});
  InterfaceValues s{};
  // A heading of 270 true arrives as a negative 32-bit reply from a server that sends signed
  // numbers, or as its unsigned value from one that does not: both read 270.
  const ReadListRow& heading = plan.network[kNetworkRequests + 1];
  ASSERT_EQ(heading.field, FlightVar::HeadingTrueRaw);
  ASSERT_TRUE(StoreNumberReply(s, heading, -1073741824.0));
  EXPECT_NEAR(Decoded(s).HeadingTrue, 270, 1e-9);
  ASSERT_TRUE(StoreNumberReply(s, heading, 3221225472.0));
  EXPECT_NEAR(Decoded(s).HeadingTrue, 270, 1e-9);
  // Mach 1.7 no longer fits a signed 16-bit reply; its low 16 bits still read back right.
  const ReadListRow& mach = plan.network[kNetworkRequests];
  ASSERT_EQ(mach.field, FlightVar::MachRaw);
  ASSERT_TRUE(StoreNumberReply(s, mach, double(int16_t(uint16_t(std::lround(1.7 * 20480))))));
  EXPECT_NEAR(Decoded(s).Mach, 1.7, 1e-4);
}

}  // namespace
