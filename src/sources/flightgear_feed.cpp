// The FlightGear property table and the parser of its generic-protocol lines.
#include "sources/flightgear_feed.h"

#include <charconv>
#include <cmath>

namespace {

constexpr const char* kPitch = "/orientation/pitch-deg";
constexpr const char* kRoll = "/orientation/roll-deg";
constexpr const char* kHeadingLock = "/autopilot/locks/heading";
constexpr const char* kAltitudeLock = "/autopilot/locks/altitude";
constexpr const char* kSpeedLock = "/autopilot/locks/speed";
constexpr const char* kLocNeedle = "/instrumentation/nav[0]/heading-needle-deflection-norm";
constexpr const char* kGsNeedle = "/instrumentation/nav[0]/gs-needle-deflection-norm";
constexpr const char* kNavInRange = "/instrumentation/nav[0]/in-range";
constexpr const char* kNavLoc = "/instrumentation/nav[0]/nav-loc";
constexpr const char* kNavHasGs = "/instrumentation/nav[0]/has-gs";
constexpr const char* kNavGsInRange = "/instrumentation/nav[0]/gs-in-range";
constexpr const char* kNavFrequency = "/instrumentation/nav[0]/frequencies/selected-mhz";
constexpr const char* kNavId = "/instrumentation/nav[0]/nav-id";
constexpr const char* kDmeInRange = "/instrumentation/dme/in-range";
constexpr const char* kDmeDistance = "/instrumentation/dme/indicated-distance-nm";
constexpr const char* kAgl = "/position/altitude-agl-ft";
constexpr const char* kRadarAltitude = "/instrumentation/radar-altimeter/radar-altitude-ft";
constexpr const char* kOuter = "/instrumentation/marker-beacon/outer";
constexpr const char* kMiddle = "/instrumentation/marker-beacon/middle";
constexpr const char* kInner = "/instrumentation/marker-beacon/inner";
constexpr const char* kAltimeter = "/instrumentation/altimeter/indicated-altitude-ft";
constexpr const char* kTargetAltitude = "/autopilot/settings/target-altitude-ft";
constexpr const char* kTargetVs = "/autopilot/settings/vertical-speed-fpm";
constexpr const char* kAirspeed = "/instrumentation/airspeed-indicator/indicated-speed-kt";
constexpr const char* kMach = "/velocities/mach";
constexpr const char* kHeading = "/orientation/heading-deg";
constexpr const char* kMagVar = "/environment/magnetic-variation-deg";
constexpr const char* kVerticalSpeed = "/velocities/vertical-speed-fps";
constexpr const char* kHeadingBug = "/autopilot/settings/heading-bug-deg";
constexpr const char* kTargetSpeed = "/autopilot/settings/target-speed-kt";
constexpr const char* kSetting = "/instrumentation/altimeter/setting-hpa";
constexpr const char* kGroundSpeed = "/velocities/groundspeed-kt";
constexpr const char* kTrack = "/orientation/track-deg";
constexpr const char* kPath = "/orientation/path-deg";
constexpr const char* kBall = "/instrumentation/slip-skid-ball/indicated-slip-skid";
constexpr const char* kFlaps = "/controls/flight/flaps";
constexpr const char* kGearDown = "/controls/gear/gear-down";
constexpr const char* kStallWarning = "/sim/alarms/stall-warning";
constexpr const char* kTrueAirspeed = "/instrumentation/airspeed-indicator/true-speed-kt";
constexpr const char* kWindSpeed = "/environment/wind-speed-kt";
constexpr const char* kWindFrom = "/environment/wind-from-heading-deg";
constexpr const char* kTargetMach = "/autopilot/settings/target-mach";
constexpr const char* kVne = "/limits/vne";
constexpr const char* kVle = "/limits/max-gear-extension-speed";

using K = FgFieldKind;
constexpr FgField kFields[] = {
    {kPitch, K::Number},        {kRoll, K::Number},        {kHeadingLock, K::Text},   {kAltitudeLock, K::Text},
    {kSpeedLock, K::Text},      {kLocNeedle, K::Number},   {kGsNeedle, K::Number},    {kNavInRange, K::Number},
    {kNavLoc, K::Number},       {kNavHasGs, K::Number},    {kNavGsInRange, K::Number}, {kNavFrequency, K::Number},
    {kNavId, K::Text},          {kDmeInRange, K::Number},  {kDmeDistance, K::Number}, {kAgl, K::Number},
    {kRadarAltitude, K::Number}, {kOuter, K::Number},      {kMiddle, K::Number},      {kInner, K::Number},
    {kAltimeter, K::Number},    {kTargetAltitude, K::Number}, {kTargetVs, K::Number}, {kAirspeed, K::Number},
    {kMach, K::Number},         {kHeading, K::Number},     {kMagVar, K::Number},      {kVerticalSpeed, K::Number},
    {kHeadingBug, K::Number},   {kTargetSpeed, K::Number}, {kSetting, K::Number},
    // Added later: a protocol file copied before it sends the lines without them.
    {kGroundSpeed, K::Number},
    // Added later again: the flight envelope.
    {kTrack, K::Number},        {kPath, K::Number},        {kBall, K::Number},        {kFlaps, K::Number},
    {kGearDown, K::Number},     {kStallWarning, K::Number}, {kTrueAirspeed, K::Number}, {kWindSpeed, K::Number},
    {kWindFrom, K::Number},     {kTargetMach, K::Number},  {kVne, K::Number},         {kVle, K::Number},
};

// Full-scale deflection (norm 1) is 2.5 dots.
constexpr double kFullScaleDots = 2.5;
constexpr const char* kLateralHolds = "dg-heading-hold|true-heading-hold";
constexpr const char* kVerticalHolds = "altitude-hold|vertical-speed-hold|agl-hold";
constexpr const char* kThrottleSpeedHolds = "speed-with-throttle|mach-with-throttle";
constexpr const char* kMachHolds = "mach-with-throttle|mach-with-pitch-trim";
// The ball's indication is ten times the sideways over the normal acceleration, positive with the
// sideways force to the right, which sends the ball left.
constexpr double kBallPerIndication = -1 / (10 * kBallFullScaleRatio);

using C = FeedConv;
using R = ReadingId;

// The ILS is tuned when NAV1 receives a localiser on a localiser channel, and its glide slope.
constexpr uint32_t kTermInRange = 1, kTermLocaliser = 2, kTermSlope = 4, kTermChannel = 8;

// Rows apply in this order for every line, all at once: the autopilot's second and third lock
// after the first, the DME gate after the DME text it gates, the radar altimeter after the height
// above ground it replaces.
constexpr FeedRow kRows[] = {
    {kPitch, "degrees, nose up +", C::Value, R::Pitch, 0, 1, nullptr},
    {kRoll, "degrees, right wing down +", C::Value, R::Bank, 0, 1, nullptr},
    {kHeadingLock, "lateral mode name", C::FlagTextNotEmpty, R::AutopilotEngaged, 0, 0, nullptr},
    {kAltitudeLock, "vertical mode name", C::FlagTextNotEmptyToo, R::AutopilotEngaged, 0, 0, nullptr},
    {kSpeedLock, "speed mode name", C::FlagTextNotEmptyToo, R::AutopilotEngaged, 0, 0, nullptr},
    {kHeadingLock, "lateral mode name", C::FlagText, R::HeadingHold, 0, 0, kLateralHolds},
    {kHeadingLock, "lateral mode name", C::FlagText, R::ApproachHold, 0, 0, "nav1-hold"},
    {kHeadingLock, "lateral mode name", C::FlagText, R::LocaliserCaptured, 0, 0, "nav1-hold"},
    {kAltitudeLock, "vertical mode name", C::FlagText, R::AltitudeHold, 0, 0, kVerticalHolds},
    {kAltitudeLock, "vertical mode name", C::FlagText, R::GlideSlopeHold, 0, 0, "gs1-hold"},
    {kAltitudeLock, "vertical mode name", C::FlagText, R::GlideSlopeCaptured, 0, 0, "gs1-hold"},
    {kLocNeedle, "-1..1 of full scale, needle right +", C::Needle, R::LocaliserDeviation, 0, kFullScaleDots, nullptr},
    {kGsNeedle, "-1..1 of full scale, needle up +", C::Needle, R::GlideSlopeDeviation, 0, -kFullScaleDots, nullptr},
    {kNavInRange, "0 / 1", C::TermAtLeast, R::IlsTuned, kTermInRange, 0.5, nullptr},
    {kNavLoc, "0 / 1 (station is a localiser)", C::TermAtLeast, R::IlsTuned, kTermLocaliser, 0.5, nullptr},
    {kNavGsInRange, "0 / 1", C::TermAtLeast, R::IlsTuned, kTermSlope, 0.5, nullptr},
    {kNavHasGs, "0 / 1", C::FlagAtLeast, R::GlideSlopePresent, 0, 0.5, nullptr},
    {kNavFrequency, "MHz", C::TermIlsChannel, R::IlsTuned, kTermChannel, 1, nullptr},
    {kNavId, "text", C::Text, R::IlsIdent, 6, 0, nullptr},
    {kDmeDistance, "nautical miles", C::DmeText, R::DmeText, 5, 0, nullptr},
    {kDmeInRange, "0 / 1", C::BlankUnless, R::DmeText, 0, 0.5, nullptr},
    {kAgl, "feet", C::Value, R::RadioAltitude, 0, 1, nullptr},
    {kRadarAltitude, "feet, 0 without a radar altimeter", C::OnlyAbove, R::RadioAltitude, 0, 0, nullptr},
    {kOuter, "0 / 1", C::FlagAtLeast, R::OuterMarker, 0, 0.5, nullptr},
    {kMiddle, "0 / 1", C::FlagAtLeast, R::MiddleMarker, 0, 0.5, nullptr},
    {kInner, "0 / 1", C::FlagAtLeast, R::InnerMarker, 0, 0.5, nullptr},
    {kAltimeter, "feet", C::Value, R::Altitude, 0, 1, nullptr},
    {kTargetAltitude, "feet", C::Value, R::SelectedAltitude, 0, 1, nullptr},
    {kTargetVs, "feet per minute", C::Value, R::SelectedVerticalSpeed, 0, 1, nullptr},
    {kAirspeed, "knots", C::Value, R::IndicatedAirspeed, 0, 1, nullptr},
    {kMach, "Mach number", C::Value, R::Mach, 0, 1, nullptr},
    {kHeading, "degrees true", C::Heading, R::HeadingTrue, 0, 0, nullptr},
    {kMagVar, "degrees, east +", C::Value, R::MagneticVariation, 0, 1, nullptr},
    {kVerticalSpeed, "feet per second", C::Value, R::VerticalSpeed, 0, 60, nullptr},
    {kHeadingBug, "degrees magnetic", C::Heading, R::SelectedHeading, 0, 0, nullptr},
    {kTargetSpeed, "knots", C::Value, R::SelectedAirspeed, 0, 1, nullptr},
    {kSetting, "hectopascals", C::Value, R::AltimeterSetting, 0, 1, nullptr},
    {kGroundSpeed, "knots", C::Value, R::GroundSpeed, 0, 1, nullptr},
    {kTrack, "degrees true", C::Heading, R::TrackTrue, 0, 0, nullptr},
    {kPath, "degrees, climbing +", C::Value, R::FlightPathAngle, 0, 1, nullptr},
    {kBall, "10 x sideways / normal acceleration", C::Fraction, R::SlipBall, 0, kBallPerIndication, nullptr},
    {kFlaps, "0 up .. 1 fully out", C::Fraction, R::FlapPosition, 0, 1, nullptr},
    {kGearDown, "0 / 1", C::FlagAtLeast, R::GearDown, 0, 0.5, nullptr},
    {kStallWarning, "0 / 1", C::FlagAtLeast, R::StallWarning, 0, 0.5, nullptr},
    {kTrueAirspeed, "knots", C::Value, R::TrueAirspeed, 0, 1, nullptr},
    {kWindSpeed, "knots", C::Value, R::WindSpeed, 0, 1, nullptr},
    {kWindFrom, "degrees true, where the wind blows from", C::Heading, R::WindDirectionTrue, 0, 0, nullptr},
    {kSpeedLock, "speed mode name", C::FlagText, R::SpeedHold, 0, 0, kThrottleSpeedHolds},
    {kSpeedLock, "speed mode name", C::FlagText, R::MachHold, 0, 0, kMachHolds},
    {kTargetMach, "Mach number, 0 when not set", C::AtLeast, R::SelectedMach, 0, 0.05, nullptr},
    {kHeadingLock, "lateral mode name", C::FlagText, R::Nav1Hold, 0, 0, "nav1-hold"},
    {kVne, "knots, 0 when the aircraft gives none", C::AtLeast, R::MaxOperatingSpeed, 0, 1, nullptr},
    {kVle, "knots, 0 when the aircraft gives none", C::AtLeast, R::GearPlacardSpeed, 0, 1, nullptr},
};

}  // namespace

const FgField* FlightGearFields() { return kFields; }
size_t FlightGearFieldCount() { return sizeof kFields / sizeof kFields[0]; }
const FeedRow* FlightGearRows() { return kRows; }
size_t FlightGearRowCount() { return sizeof kRows / sizeof kRows[0]; }

bool ParseGenericLine(const char* data, size_t size, const FgField* fields, size_t count, std::vector<FgValue>* out,
                      std::string* why, size_t least) {
  if (least == 0 || least > count) least = count;
  out->clear();
  std::vector<FgValue> parsed;  // handed out only when the whole line is good
  if (size > kMaxFgLine) {
    *why = "line longer than " + std::to_string(kMaxFgLine) + " bytes";
    return false;
  }
  if (size > 0 && data[size - 1] == '\n') --size;
  if (size > 0 && data[size - 1] == '\r') --size;
  size_t field = 0;
  size_t start = 0;
  for (size_t i = 0; i <= size; ++i) {
    if (i < size && data[i] != ',') {
      const unsigned char c = static_cast<unsigned char>(data[i]);
      if (c < 32 || c > 126) {
        *why = "byte " + std::to_string(int(c)) + " at " + std::to_string(i) + " is not printable";
        return false;
      }
      continue;
    }
    if (field >= count) {
      *why = "more than " + std::to_string(count) + " values";
      return false;
    }
    const char* begin = data + start;
    const size_t n = i - start;
    FgValue v;
    if (fields[field].kind == FgFieldKind::Text) {
      if (n > kMaxFgText) {
        *why = "value " + std::to_string(field + 1) + " longer than " + std::to_string(kMaxFgText) + " characters";
        return false;
      }
      v.text.assign(begin, n);
    } else {
      auto [ptr, ec] = std::from_chars(begin, begin + n, v.number);
      if (n == 0 || ec != std::errc() || ptr != begin + n || !std::isfinite(v.number)) {
        *why = "value " + std::to_string(field + 1) + " (" + fields[field].path + ") is not a number";
        return false;
      }
    }
    parsed.push_back(std::move(v));
    ++field;
    start = i + 1;
  }
  if (field < least) {
    *why = std::to_string(field) + " values instead of " +
           (least == count ? std::to_string(count) : std::to_string(least) + " to " + std::to_string(count));
    return false;
  }
  *out = std::move(parsed);
  return true;
}

