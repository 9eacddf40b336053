// The X-Plane dataref table, and the RREF packets that subscribe to it and carry its values.
#include "server/xplane_feed.h"
#include "platform/byte_order.h"

#include <cstring>

namespace server {
namespace {

constexpr const char* kApMode = "sim/cockpit/autopilot/autopilot_mode";
constexpr const char* kApState = "sim/cockpit/autopilot/autopilot_state";
constexpr const char* kNavFrequency = "sim/cockpit2/radios/actuators/nav1_frequency_hz";
constexpr const char* kNavHorizontal = "sim/cockpit2/radios/indicators/nav1_display_horizontal";
constexpr const char* kNavVertical = "sim/cockpit2/radios/indicators/nav1_display_vertical";
constexpr const char* kApStateUnits = "mode bits (2 heading select, 16 V/S, 32 altitude armed, 256/512 nav armed/engaged, "
                                      "1024/2048 glide slope armed/engaged, 16384 altitude hold)";
// One dot of deflection in the area's needle units: full scale (2.5 dots) is 127.
constexpr double kNeedlePerDot = 127.0 / 2.5;
// A glide slope of 3 degrees in the area's units (65536 = 360 degrees), for "glide slope received".
constexpr double kThreeDegrees = 546;

using C = Conv;

// Path, units, conversion, offset, size, bit / bits looked at, parameter, words.
constexpr FeedRow kRows[] = {
    {"sim/flightmodel/position/theta", "degrees, nose up +", C::DegreesNegated, 0x2F70, 8, 0, 0, nullptr},
    {"sim/flightmodel/position/phi", "degrees, right wing down +", C::DegreesNegated, 0x2F78, 8, 0, 0, nullptr},
    {kApMode, "0 off, 1 flight director, 2 autopilot", C::FlagAtLeast, 0x07BC, 4, 0, 2, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, 0x07C8, 4, 0x0002, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, 0x07D0, 4, 0x4000 | 0x0020 | 0x0010, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, 0x07FC, 4, 0x0400 | 0x0800, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, 0x0800, 4, 0x0100 | 0x0200, 0, nullptr},
    {kApState, kApStateUnits, C::BitAnyBit, 0x3300, 2, 0x0100, 0x0200, nullptr},
    {kApState, kApStateUnits, C::BitAnyBit, 0x3300, 2, 0x0200, 0x0800, nullptr},
    {kApMode, "0 off, 1 flight director, 2 autopilot", C::FlagAtLeast, 0x2EE0, 4, 0, 1, nullptr},
    {"sim/cockpit/autopilot/flight_director_pitch", "degrees, nose up +", C::DegreesNegated, 0x2EE8, 8, 0, 0, nullptr},
    {"sim/cockpit/autopilot/flight_director_roll", "degrees, right +", C::DegreesNegated, 0x2EF0, 8, 0, 0, nullptr},
    {"sim/cockpit/autopilot/vertical_velocity", "feet per minute", C::Scaled16, 0x07F2, 2, 0, 1, nullptr},
    {"sim/cockpit/autopilot/altitude", "feet", C::FeetToMetres16, 0x07D4, 4, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_hdef_dots_pilot", "dots, needle right +", C::Needle, 0x0C48, 1, 0,
     kNeedlePerDot, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_vdef_dots_pilot", "dots, aircraft above the slope +", C::Needle, 0x0C49, 1,
     0, kNeedlePerDot, nullptr},
    {kNavHorizontal, "1 = localiser / VOR signal", C::BitAtLeast, 0x3300, 2, 0x0002, 0.5, nullptr},
    {kNavHorizontal, "1 = localiser / VOR signal", C::BitAtLeast, 0x0C4A, 1, 0x80, 0.5, nullptr},
    {kNavFrequency, "10 kHz (11030 = 110.30 MHz)", C::BitIlsChannel, 0x3300, 2, 0x0040, 0.01, nullptr},
    {kNavFrequency, "10 kHz (11030 = 110.30 MHz)", C::BitIlsChannel, 0x0C4A, 1, 0x02, 0.01, nullptr},
    {kNavFrequency, "10 kHz (11030 = 110.30 MHz)", C::BitIlsChannel, 0x0C4D, 1, 0x80, 0.01, nullptr},
    {kNavVertical, "1 = glide-slope signal", C::BitAtLeast, 0x0C4D, 1, 0x40, 0.5, nullptr},
    {kNavVertical, "1 = glide-slope signal", C::Inclination, 0x0872, 2, 0, kThreeDegrees, nullptr},
    {"sim/cockpit2/gauges/indicators/radio_altimeter_height_ft_pilot", "feet", C::FeetToMetres16, 0x31E4, 4, 0, 0,
     nullptr},
    {"sim/cockpit2/radios/indicators/outer_marker_lit", "1 = lit", C::Marker, 0x0BB0, 2, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/middle_marker_lit", "1 = lit", C::Marker, 0x0BAE, 2, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/inner_marker_lit", "1 = lit", C::Marker, 0x0BAC, 2, 0, 0, nullptr},
    {"sim/cockpit2/gauges/indicators/altitude_ft_pilot", "feet", C::Scaled32, 0x3324, 4, 0, 1, nullptr},
    {"sim/flightmodel/position/vh_ind", "metres per second", C::Scaled32, 0x02C8, 4, 0, 256, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_dme_distance_nm", "nautical miles", C::DmeText, 0x0C29, 5, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[0]", "character code", C::TextChar, 0x3000, 1, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[1]", "character code", C::TextChar, 0x3001, 1, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[2]", "character code", C::TextChar, 0x3002, 1, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[3]", "character code", C::TextChar, 0x3003, 1, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[4]", "character code", C::TextChar, 0x3004, 1, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[5]", "character code", C::TextChar, 0x3005, 1, 0, 0, nullptr},
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

}  // namespace server
