// The X-Plane dataref table, and the RREF packets that subscribe to it and carry its values.
#include "sources/xplane_feed.h"

#include <cstring>

#include "platform/byte_order.h"

namespace {

constexpr const char* kApMode = "sim/cockpit/autopilot/autopilot_mode";
constexpr const char* kApState = "sim/cockpit/autopilot/autopilot_state";
constexpr const char* kNavFrequency = "sim/cockpit2/radios/actuators/nav1_frequency_hz";
constexpr const char* kNavHorizontal = "sim/cockpit2/radios/indicators/nav1_display_horizontal";
constexpr const char* kNavVertical = "sim/cockpit2/radios/indicators/nav1_display_vertical";
constexpr const char* kApModeUnits = "0 off, 1 flight director, 2 autopilot";
constexpr const char* kApStateUnits = "mode bits (2 heading select, 16 V/S, 32 altitude armed, 256/512 nav armed/engaged, "
                                      "1024/2048 glide slope armed/engaged, 16384 altitude hold)";
constexpr const char* kCharUnits = "character code";
// Metres per second in feet per minute.
constexpr double kFpmPerMps = 60 / 0.3048;
// Inches of mercury in hectopascals.
constexpr double kHpaPerInHg = 33.8639;
// A glide slope of 3 degrees, for "glide slope received".
constexpr double kThreeDegrees = 3;
// The autopilot's speed target is a Mach number (below this) while it holds Mach.
constexpr double kLowestKnotsTarget = 5;

using C = FeedConv;
using V = FlightVar;

// Path, units, conversion, variable, bit / bits / character, parameter, words.
constexpr FeedRow kRows[] = {
    {"sim/flightmodel/position/theta", "degrees, nose up +", C::Value, V::Pitch, 0, -1, nullptr},
    {"sim/flightmodel/position/phi", "degrees, right wing down +", C::Value, V::Bank, 0, -1, nullptr},
    {kApMode, kApModeUnits, C::FlagAtLeast, V::ApMaster, 0, 2, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, V::ApHeadingHold, 0x0002, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, V::ApAltitudeHold, 0x4000 | 0x0020 | 0x0010, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, V::ApGlideSlopeHold, 0x0400 | 0x0800, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, V::ApApproachHold, 0x0100 | 0x0200, 0, nullptr},
    {kApState, kApStateUnits, C::BitAnyBit, V::RadioStatus, 0x0100, 0x0200, nullptr},
    {kApState, kApStateUnits, C::BitAnyBit, V::RadioStatus, 0x0200, 0x0800, nullptr},
    {kApMode, kApModeUnits, C::FlagAtLeast, V::FdActive, 0, 1, nullptr},
    {"sim/cockpit/autopilot/flight_director_pitch", "degrees, nose up +", C::Value, V::FdPitch, 0, -1, nullptr},
    {"sim/cockpit/autopilot/flight_director_roll", "degrees, right +", C::Value, V::FdBank, 0, -1, nullptr},
    {"sim/cockpit/autopilot/vertical_velocity", "feet per minute", C::Value, V::ApVerticalSpeed, 0, 1, nullptr},
    {"sim/cockpit/autopilot/altitude", "feet", C::Value, V::ApAltitudeRaw, 0, 1, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_hdef_dots_pilot", "dots, needle right +", C::Needle, V::LocNeedle, 0, 1,
     nullptr},
    {"sim/cockpit2/radios/indicators/nav1_vdef_dots_pilot", "dots, aircraft above the slope +", C::Needle,
     V::GsNeedle, 0, 1, nullptr},
    {kNavHorizontal, "1 = localiser / VOR signal", C::BitAtLeast, V::RadioStatus, 0x0002, 0.5, nullptr},
    {kNavHorizontal, "1 = localiser / VOR signal", C::BitAtLeast, V::Nav1BcFlags, 0x80, 0.5, nullptr},
    {kNavFrequency, "10 kHz (11030 = 110.30 MHz)", C::BitIlsChannel, V::RadioStatus, 0x0040, 0.01, nullptr},
    {kNavFrequency, "10 kHz (11030 = 110.30 MHz)", C::BitIlsChannel, V::Nav1BcFlags, 0x02, 0.01, nullptr},
    {kNavFrequency, "10 kHz (11030 = 110.30 MHz)", C::BitIlsChannel, V::Nav1CodeFlags, 0x80, 0.01, nullptr},
    {kNavVertical, "1 = glide-slope signal", C::BitAtLeast, V::Nav1CodeFlags, 0x40, 0.5, nullptr},
    {kNavVertical, "1 = glide-slope signal", C::Inclination, V::GsInclinationRaw, 0, kThreeDegrees, nullptr},
    {"sim/cockpit2/gauges/indicators/radio_altimeter_height_ft_pilot", "feet", C::Value, V::RadioAltitudeRaw, 0, 1,
     nullptr},
    {"sim/cockpit2/radios/indicators/outer_marker_lit", "1 = lit", C::FlagAtLeast, V::OuterMarker, 0, 0.5, nullptr},
    {"sim/cockpit2/radios/indicators/middle_marker_lit", "1 = lit", C::FlagAtLeast, V::MiddleMarker, 0, 0.5, nullptr},
    {"sim/cockpit2/radios/indicators/inner_marker_lit", "1 = lit", C::FlagAtLeast, V::InnerMarker, 0, 0.5, nullptr},
    {"sim/cockpit2/gauges/indicators/altitude_ft_pilot", "feet", C::Value, V::Altimeter, 0, 1, nullptr},
    {"sim/flightmodel/position/vh_ind", "metres per second", C::Value, V::VerticalSpeedRaw, 0, kFpmPerMps, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_dme_distance_nm", "nautical miles", C::DmeText, V::DmeText, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[0]", kCharUnits, C::TextChar, V::Nav1Ident, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[1]", kCharUnits, C::TextChar, V::Nav1Ident, 1, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[2]", kCharUnits, C::TextChar, V::Nav1Ident, 2, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[3]", kCharUnits, C::TextChar, V::Nav1Ident, 3, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[4]", kCharUnits, C::TextChar, V::Nav1Ident, 4, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[5]", kCharUnits, C::TextChar, V::Nav1Ident, 5, 0, nullptr},
    {"sim/cockpit2/gauges/indicators/airspeed_kts_pilot", "knots", C::Value, V::IndicatedAirspeedRaw, 0, 1, nullptr},
    {"sim/flightmodel/misc/machno", "Mach number", C::Value, V::MachRaw, 0, 1, nullptr},
    {"sim/flightmodel/position/true_psi", "degrees true", C::Heading, V::HeadingTrueRaw, 0, 0, nullptr},
    {"sim/flightmodel/position/magnetic_variation", "degrees, west + (magnetic = true + it)", C::Value, V::MagneticVariationRaw, 0, -1,
     nullptr},
    {"sim/cockpit/autopilot/heading_mag", "degrees magnetic", C::Heading, V::ApHeadingRaw, 0, 0, nullptr},
    {"sim/cockpit/autopilot/airspeed", "knots, or a Mach number while the autopilot holds Mach", C::AtLeast,
     V::ApAirspeed, 0, kLowestKnotsTarget, nullptr},
    {"sim/cockpit2/gauges/actuators/barometer_setting_in_hg_pilot", "inches of mercury", C::Value,
     V::AltimeterSettingRaw, 0, kHpaPerInHg, nullptr},
};

void PutInt32(int32_t v, uint8_t* out) { le::Put32(out, uint32_t(v)); }

uint32_t GetUint32(const uint8_t* in) { return le::Get32(in); }

}  // namespace

const FeedRow* XPlaneRows() { return kRows; }
size_t XPlaneRowCount() { return sizeof kRows / sizeof kRows[0]; }

bool BuildRrefRequest(int32_t frequency, int32_t index, const std::string& path, RrefRequest* out) {
  if (path.empty() || path.size() > 399) return false;
  out->fill(0);
  std::memcpy(out->data(), "RREF", 4);  // and its zero byte
  PutInt32(frequency, out->data() + 5);
  PutInt32(index, out->data() + 9);
  std::memcpy(out->data() + 13, path.data(), path.size());
  return true;
}

bool ParseRrefAnswer(const uint8_t* data, size_t size, std::vector<RrefValue>* out, std::string* why) {
  out->clear();
  if (size < 5 || std::memcmp(data, "RREF", 4) != 0) {
    *why = "not an RREF answer";
    return false;
  }
  const size_t body = size - 5;
  if (body == 0) {
    *why = "RREF answer without values";
    return false;
  }
  if (body % 8 != 0) {
    *why = "RREF answer cut inside a value (" + std::to_string(size) + " bytes)";
    return false;
  }
  if (body / 8 > kMaxRrefPairs) {
    *why = "RREF answer with more than " + std::to_string(kMaxRrefPairs) + " values";
    return false;
  }
  for (size_t p = 5; p < size; p += 8) {
    RrefValue v;
    v.index = int32_t(GetUint32(data + p));
    const uint32_t bits = GetUint32(data + p + 4);
    std::memcpy(&v.value, &bits, sizeof v.value);
    out->push_back(v);
  }
  return true;
}

