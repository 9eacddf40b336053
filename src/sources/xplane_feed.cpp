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
constexpr const char* kAutothrottle = "sim/cockpit2/autopilot/autothrottle_enabled";
constexpr const char* kAutothrottleUnits = "-1 off, 0 armed, 1 speed hold, 2 N1, 3 retard (X-Plane 11: 0 off, 1 on)";
// Metres per second in feet per minute.
constexpr double kFpmPerMps = 60 / 0.3048;
// Inches of mercury in hectopascals.
constexpr double kHpaPerInHg = 33.8639;
// Metres per second in knots.
constexpr double kKnotsPerMps = 3600 / 1852.0;
// The autopilot's speed target is a Mach number (below this) while it holds Mach.
constexpr double kLowestKnotsTarget = 5;

using C = FeedConv;
using R = ReadingId;

// The ILS is tuned when NAV1 is on a localiser channel and receives both its signals.
constexpr uint32_t kTermSignal = 1, kTermChannel = 2, kTermSlope = 4;

// Path, units, conversion, reading, bits / term / character / length, parameter, words.
constexpr FeedRow kRows[] = {
    {"sim/flightmodel/position/theta", "degrees, nose up +", C::Value, R::Pitch, 0, 1, nullptr},
    {"sim/flightmodel/position/phi", "degrees, right wing down +", C::Value, R::Bank, 0, 1, nullptr},
    {kApMode, kApModeUnits, C::FlagAtLeast, R::AutopilotEngaged, 0, 2, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, R::HeadingHold, 0x0002, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, R::AltitudeHold, 0x4000 | 0x0020 | 0x0010, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, R::GlideSlopeHold, 0x0400 | 0x0800, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, R::ApproachHold, 0x0100 | 0x0200, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, R::LocaliserCaptured, 0x0200, 0, nullptr},
    {kApState, kApStateUnits, C::FlagAnyBit, R::GlideSlopeCaptured, 0x0800, 0, nullptr},
    {kApMode, kApModeUnits, C::FlagAtLeast, R::FlightDirectorOn, 0, 1, nullptr},
    {"sim/cockpit/autopilot/flight_director_pitch", "degrees, nose up +", C::Value, R::FdPitch, 0, 1, nullptr},
    {"sim/cockpit/autopilot/flight_director_roll", "degrees, right +", C::Value, R::FdBank, 0, 1, nullptr},
    {"sim/cockpit/autopilot/vertical_velocity", "feet per minute", C::Value, R::SelectedVerticalSpeed, 0, 1, nullptr},
    {"sim/cockpit/autopilot/altitude", "feet", C::Value, R::SelectedAltitude, 0, 1, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_hdef_dots_pilot", "dots, needle right +", C::Needle, R::LocaliserDeviation,
     0, 1, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_vdef_dots_pilot", "dots, aircraft above the slope +", C::Needle,
     R::GlideSlopeDeviation, 0, 1, nullptr},
    {kNavHorizontal, "1 = localiser / VOR signal", C::TermAtLeast, R::IlsTuned, kTermSignal, 0.5, nullptr},
    {kNavFrequency, "10 kHz (11030 = 110.30 MHz)", C::TermIlsChannel, R::IlsTuned, kTermChannel, 0.01, nullptr},
    {kNavVertical, "1 = glide-slope signal", C::TermAtLeast, R::IlsTuned, kTermSlope, 0.5, nullptr},
    {kNavVertical, "1 = glide-slope signal", C::FlagAtLeast, R::GlideSlopePresent, 0, 0.5, nullptr},
    {"sim/cockpit2/gauges/indicators/radio_altimeter_height_ft_pilot", "feet", C::Value, R::RadioAltitude, 0, 1,
     nullptr},
    {"sim/cockpit2/radios/indicators/outer_marker_lit", "1 = lit", C::FlagAtLeast, R::OuterMarker, 0, 0.5, nullptr},
    {"sim/cockpit2/radios/indicators/middle_marker_lit", "1 = lit", C::FlagAtLeast, R::MiddleMarker, 0, 0.5, nullptr},
    {"sim/cockpit2/radios/indicators/inner_marker_lit", "1 = lit", C::FlagAtLeast, R::InnerMarker, 0, 0.5, nullptr},
    {"sim/cockpit2/gauges/indicators/altitude_ft_pilot", "feet", C::Value, R::Altitude, 0, 1, nullptr},
    {"sim/flightmodel/position/vh_ind", "metres per second", C::Value, R::VerticalSpeed, 0, kFpmPerMps, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_dme_distance_nm", "nautical miles", C::DmeText, R::DmeText, 5, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[0]", kCharUnits, C::TextChar, R::IlsIdent, 0, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[1]", kCharUnits, C::TextChar, R::IlsIdent, 1, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[2]", kCharUnits, C::TextChar, R::IlsIdent, 2, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[3]", kCharUnits, C::TextChar, R::IlsIdent, 3, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[4]", kCharUnits, C::TextChar, R::IlsIdent, 4, 0, nullptr},
    {"sim/cockpit2/radios/indicators/nav1_nav_id[5]", kCharUnits, C::TextChar, R::IlsIdent, 5, 0, nullptr},
    {"sim/cockpit2/gauges/indicators/airspeed_kts_pilot", "knots", C::Value, R::IndicatedAirspeed, 0, 1, nullptr},
    {"sim/flightmodel/misc/machno", "Mach number", C::Value, R::Mach, 0, 1, nullptr},
    {"sim/flightmodel/position/groundspeed", "metres per second", C::Value, R::GroundSpeed, 0, kKnotsPerMps, nullptr},
    {"sim/flightmodel/position/true_psi", "degrees true", C::Heading, R::HeadingTrue, 0, 0, nullptr},
    {"sim/flightmodel/position/magnetic_variation", "degrees, west + (magnetic = true + it)", C::Value,
     R::MagneticVariation, 0, -1, nullptr},
    {"sim/cockpit/autopilot/heading_mag", "degrees magnetic", C::Heading, R::SelectedHeading, 0, 0, nullptr},
    {"sim/cockpit/autopilot/airspeed", "knots, or a Mach number while the autopilot holds Mach", C::AtLeast,
     R::SelectedAirspeed, 0, kLowestKnotsTarget, nullptr},
    {"sim/cockpit2/gauges/actuators/barometer_setting_in_hg_pilot", "inches of mercury", C::Value,
     R::AltimeterSetting, 0, kHpaPerInHg, nullptr},
    // The envelope: where the aircraft goes, how it flies, its configuration and warnings.
    {"sim/flightmodel/position/hpath", "degrees true", C::Heading, R::TrackTrue, 0, 0, nullptr},
    {"sim/flightmodel/position/vpath", "degrees, climbing +", C::Value, R::FlightPathAngle, 0, 1, nullptr},
    {"sim/cockpit2/gauges/indicators/slip_deg", "degrees of ball deflection, right +", C::Fraction, R::SlipBall, 0,
     1 / kBallFullScaleDegrees, nullptr},
    {"sim/cockpit2/controls/flap_ratio", "0 up .. 1 fully out", C::Fraction, R::FlapPosition, 0, 1, nullptr},
    {"sim/aircraft/controls/acf_flap_detents", "count", C::Value, R::FlapSteps, 0, 1, nullptr},
    {"sim/cockpit2/controls/gear_handle_down", "1 = down", C::FlagAtLeast, R::GearDown, 0, 0.5, nullptr},
    {"sim/cockpit2/annunciators/stall_warning", "1 = on", C::FlagAtLeast, R::StallWarning, 0, 0.5, nullptr},
    {"sim/flightmodel/failures/over_vne", "1 = above the maximum speed", C::FlagAtLeast, R::OverspeedWarning, 0, 0.5,
     nullptr},
    {"sim/flightmodel/position/true_airspeed", "metres per second", C::Value, R::TrueAirspeed, 0, kKnotsPerMps,
     nullptr},
    {"sim/cockpit2/gauges/indicators/wind_speed_kts", "knots", C::Value, R::WindSpeed, 0, 1, nullptr},
    {"sim/weather/wind_direction_degt", "degrees true, where the wind blows from", C::Heading, R::WindDirectionTrue,
     0, 0, nullptr},
    // The autothrottle and the autopilot's speed and NAV modes.
    {"sim/cockpit2/autopilot/autothrottle_arm", "1 = armed", C::FlagAtLeast, R::AutothrottleArmed, 0, 0.5, nullptr},
    {kAutothrottle, kAutothrottleUnits, C::FlagIs, R::SpeedHold, 0, 1, nullptr},
    {"sim/cockpit2/autopilot/airspeed_is_mach", "1 = the speed target is a Mach number", C::FlagAtLeast, R::MachHold,
     0, 0.5, nullptr},
    {"sim/cockpit/autopilot/airspeed", "knots, or a Mach number while the autopilot holds Mach", C::Below,
     R::SelectedMach, 0, kLowestKnotsTarget, nullptr},
    {"sim/cockpit2/autopilot/nav_status", "0 off, 1 armed, 2 captured", C::FlagAtLeast, R::Nav1Hold, 0, 1, nullptr},
    // The aircraft's limits (0 where the aircraft does not give one: not stored) and the decision height.
    {"sim/aircraft/view/acf_Vne", "knots indicated", C::AtLeast, R::MaxOperatingSpeed, 0, 1, nullptr},
    {"sim/aircraft/view/acf_Mmo", "Mach number", C::AtLeast, R::MaxOperatingMach, 0, 0.1, nullptr},
    {"sim/aircraft/overflow/acf_Vle", "knots indicated", C::AtLeast, R::GearPlacardSpeed, 0, 1, nullptr},
    {"sim/aircraft/view/acf_Vfe", "knots indicated", C::AtLeast, R::FlapPlacardSpeed, 0, 1, nullptr},
    {"sim/aircraft/view/acf_Vs", "knots indicated", C::AtLeast, R::StallSpeedClean, 0, 1, nullptr},
    {"sim/aircraft/view/acf_Vso", "knots indicated", C::AtLeast, R::StallSpeedFullFlap, 0, 1, nullptr},
    {"sim/cockpit2/gauges/actuators/radio_altimeter_bug_ft_pilot", "feet", C::AtLeast, R::DecisionHeight, 0, 1,
     nullptr},
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

