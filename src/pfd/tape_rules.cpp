// The full layout's frame rules: tapes, vertical speed, heading, the mode annunciator, the
// altitude alert and the speed trend.
#include "pfd/tape_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "pfd/full_layout.h"

using namespace full_layout;

namespace {

// The trend looks back about a second, keeping a sample every tenth of a second.
constexpr double kTrendWindowS = 1.0;
constexpr double kTrendSampleSpacingS = 0.1;
constexpr double kTrendWarmUpS = 0.5;
constexpr double kTrendMaxPauseS = 1.0;
constexpr double kTrendHorizonS = 10.0;
// The arrow shows from this predicted change on, and stays until the change falls below the second.
constexpr double kTrendShownKt = 2.0;
constexpr double kTrendKeptKt = 1.0;
// Mach shows from .400 and stays until it falls below .380 (in thousandths, as shown).
constexpr long long kMachShownMilli = 400;
constexpr long long kMachKeptMilli = 380;
// The vertical speed shows in figures from this rate on, to the nearest 50 ft/min.
constexpr double kVsReadoutFpm = 400;
constexpr double kVsReadoutStepFpm = 50;
// No aircraft climbs or sinks this fast: a source sending it means something else.
constexpr double kVsMeaningfulFpm = 99999;
constexpr double kHpaPerInHg = 33.8639;
// The displayed ranges: a speed of 30 to 999 kt (the tape stands still below 30), an altitude
// within five digits.
constexpr double kSpeedMin = 30;
constexpr double kSpeedMax = 999;
constexpr double kAltitudeLimit = 99999;
constexpr long long kAltitudeLimit64 = 99999;
// The radio altitude shows below this height, in steps of 2 ft below kRadioFineBelowFt, 10 above.
constexpr double kRadioShownBelowFt = 2500;
constexpr double kRadioFineBelowFt = 100;

bool Usable(const Reading& r) { return r.valid && std::isfinite(r.value); }

std::string Whole(long long v) { return std::to_string(v); }

// Rounded to the nearest whole number, halves up; values beyond any display's range are held
// within it first, so the conversion is always defined.
long long RoundHalfUp(double v) { return static_cast<long long>(std::floor(std::clamp(v, -1e15, 1e15) + 0.5)); }

// The tape's marks from `step` to `step` within `range` of `centre` (units of the tape),
// labelled every `labelEvery`, none below `lowest`.
std::vector<TapeMark> Marks(double centre, double pxPerUnit, double halfHeightPx, int step, int labelEvery,
                            double lowest) {
  std::vector<TapeMark> marks;
  // Half a label's height beyond the tape's ends still shows part of a mark.
  const double range = (halfHeightPx + kGlyphHeight) / pxPerUnit;
  long long first = static_cast<long long>(std::ceil((centre - range) / step)) * step;
  if (first < lowest) first = static_cast<long long>(std::ceil(lowest / step)) * step;
  for (long long v = first; v <= centre + range; v += step) {
    TapeMark m;
    m.offsetPx = (double(v) - centre) * pxPerUnit;
    if (v % labelEvery == 0) m.label = Whole(v);
    marks.push_back(m);
  }
  return marks;
}

// A bug at `offsetPx` held within `limitPx` of the centre.
TapeBug Bug(double offsetPx, double limitPx) {
  TapeBug b;
  b.shown = true;
  b.parked = std::fabs(offsetPx) > limitPx;
  b.offsetPx = std::clamp(offsetPx, -limitPx, limitPx);
  return b;
}

double NormalisedDegrees(double deg) {
  double d = std::fmod(deg, 360.0);
  if (d < 0) d += 360.0;
  return d;
}

// -180 up to 180.
double SignedDegrees(double deg) {
  double d = NormalisedDegrees(deg);
  return d > 180.0 ? d - 360.0 : d;
}

std::string ThreeDigitHeading(double deg) {
  long long h = RoundHalfUp(NormalisedDegrees(deg));
  if (h == 0 || h == 360) h = 360;
  char text[32];
  std::snprintf(text, sizeof text, "%03lld", h);
  return text;
}

}  // namespace

// --- Speed trend ---

void SpeedTrend::Reset() {
  count_ = 0;
  first_ = 0;
  seen_ = false;
}

Reading SpeedTrend::Update(double t, const Reading& speed) {
  if (!Usable(speed) || !std::isfinite(t)) {
    Reset();
    return {};
  }
  if (seen_ && (t < lastTime_ || t - lastTime_ > kTrendMaxPauseS)) Reset();
  seen_ = true;
  lastTime_ = t;
  // Keep a sample every tenth of a second; drop those older than the window (but one).
  const Sample* newest = count_ > 0 ? &samples_[(first_ + count_ - 1) % kSlots] : nullptr;
  if (newest == nullptr || t - newest->t >= kTrendSampleSpacingS) {
    if (count_ == kSlots) {
      first_ = (first_ + 1) % kSlots;
      --count_;
    }
    samples_[(first_ + count_) % kSlots] = {t, speed.value};
    ++count_;
  }
  while (count_ > 1 && t - samples_[(first_ + 1) % kSlots].t >= kTrendWindowS) {
    first_ = (first_ + 1) % kSlots;
    --count_;
  }
  const Sample& oldest = samples_[first_];
  const double span = t - oldest.t;
  if (span < kTrendWarmUpS) return {};
  return {(speed.value - oldest.kt) / span * kTrendHorizonS, true};
}

// --- Rolling readouts ---

std::string RollingReadout::DrumLabel(int row) const {
  const int n = ((row % drumRows) + drumRows) % drumRows;
  char text[32];
  std::snprintf(text, sizeof text, "%0*d", drumDigits, n * drumStep);
  return text;
}

double RollingReadout::RowOffset(int row) const { return downward ? drum - row : row - drum; }

int RollingReadout::NearestRow() const { return static_cast<int>(std::floor(drum + 0.5)); }

std::string RollingReadout::RowReads(int row) const {
  const long long turn = static_cast<long long>(drumRows) * drumStep;
  // The row's value with its sign: below row 0 of a positive readout the figures go negative.
  const long long size = turnBase + static_cast<long long>(row) * drumStep;
  const bool minus = negative ? size >= 0 : size < 0;
  const long long magnitude = size < 0 ? -size : size;
  char label[32];
  std::snprintf(label, sizeof label, "%0*lld", drumDigits, magnitude % turn);
  return (minus ? "-" : "") + (magnitude >= turn ? Whole(magnitude / turn) : std::string()) + label;
}

RollingReadout MakeRollingReadout(double value, int rows, int step, int digits) {
  RollingReadout r;
  r.drumRows = rows;
  r.drumStep = step;
  r.drumDigits = digits;
  r.negative = value < 0;
  r.downward = r.negative;
  const double size = std::min(std::fabs(value), 1e12);
  const double turn = double(rows) * step;
  r.turnBase = static_cast<long long>(std::floor(size / turn) * turn);
  r.drum = (size - double(r.turnBase)) / step;
  r.carry = std::max(0.0, r.drum - (rows - 1));
  const std::string reads = r.Reads();
  r.fixed = reads.substr(0, reads.size() - size_t(digits));
  return r;
}

// --- The instruments ---

std::string FormatMach(double mach) {
  const long long milli = std::clamp(RoundHalfUp(mach * 1000), 0LL, 9999LL);
  char text[48];  // room for any long long, which the sanitizer build's format check assumes
  if (milli < 1000)
    std::snprintf(text, sizeof text, ".%03lld", milli);
  else
    std::snprintf(text, sizeof text, "%.2f", double(milli) / 1000);
  return text;
}

SpeedTapeDescription DecideSpeedTape(const PrimaryFlightValues& v, const Reading& trend, const FullFrameHold& held) {
  SpeedTapeDescription d;
  // The selected speed is a value of its own: it stays under the flag. What the speed places
  // (scale, readout, trend, bug) and Mach go with it.
  if (Usable(v.selectedAirspeedKt))
    d.selectedText = Whole(RoundHalfUp(std::clamp(v.selectedAirspeedKt.value, 0.0, kSpeedMax)));
  // A negative speed is no speed a source means: the instrument is flagged as for a lost one.
  if (!Usable(v.indicatedAirspeedKt) || v.indicatedAirspeedKt.value < 0) {
    d.failed = true;
    return d;
  }
  if (Usable(v.mach) && v.mach.value >= 0) {
    const long long milli = RoundHalfUp(v.mach.value * 1000);
    if (milli >= (held.machShown ? kMachKeptMilli : kMachShownMilli)) d.machText = FormatMach(v.mach.value);
  }
  // Below the tape's lowest speed the tape and the readout stand at it.
  const double kt = std::clamp(v.indicatedAirspeedKt.value, kSpeedMin, kSpeedMax);
  const double half = kSpeedTape.Height() / 2;
  d.marks = Marks(kt, kSpeedPxPerKt, half, kSpeedTickKt, kSpeedLabelKt, kSpeedMin);
  d.readout = MakeRollingReadout(kt, 10, 1, 1);
  if (Usable(trend) && std::fabs(trend.value) >= (held.trendShown ? kTrendKeptKt : kTrendShownKt)) {
    d.trendShown = true;
    d.trendOffsetPx = std::clamp(trend.value * kSpeedPxPerKt, -half, half);
  }
  if (Usable(v.selectedAirspeedKt))
    d.selectedBug = Bug((v.selectedAirspeedKt.value - kt) * kSpeedPxPerKt, half - kBugHalfHeight);
  return d;
}

std::string FormatAltimeterSetting(double hpa, BaroUnit baro) {
  char text[48];
  if (baro == BaroUnit::Hpa) {
    const long long h = RoundHalfUp(hpa);
    std::snprintf(text, sizeof text, "%lld HPA", std::clamp(h, 0LL, 9999LL));
  } else {
    const long long hundredths = RoundHalfUp(hpa / kHpaPerInHg * 100);
    const long long h = std::clamp(hundredths, 0LL, 9999LL);
    std::snprintf(text, sizeof text, "%lld.%02lld IN", h / 100, h % 100);
  }
  return text;
}

AltitudeTapeDescription DecideAltitudeTape(const PrimaryFlightValues& v, BaroUnit baro) {
  AltitudeTapeDescription d;
  // The selected altitude and the altimeter setting are values of their own: they stay under the
  // flag. A setting outside what any altimeter can be set to is not valid and not shown.
  if (Usable(v.selectedAltitudeFt))
    d.selectedText = Whole(RoundHalfUp(std::clamp(v.selectedAltitudeFt.value, -kAltitudeLimit, kAltitudeLimit)));
  const Reading& setting = v.altimeterSettingHpa;
  if (Usable(setting) && setting.value >= kAltimeterSettingMinHpa && setting.value <= kAltimeterSettingMaxHpa)
    d.altimeterText = FormatAltimeterSetting(setting.value, baro);
  if (!Usable(v.altitudeFt)) {
    d.failed = true;
    return d;
  }
  const double ft = std::clamp(v.altitudeFt.value, -kAltitudeLimit, kAltitudeLimit);
  const double half = kAltitudeTape.Height() / 2;
  d.marks = Marks(ft, kAltitudePxPerFt, half, kAltitudeTickFt, kAltitudeLabelFt, -kAltitudeLimit);
  // The last two digits roll in 20 ft steps; the figures left of them turn as the drum passes
  // from 80 to 00, so every row reads a whole altitude, its minus included.
  d.readout = MakeRollingReadout(ft, 5, 20, 2);
  if (Usable(v.selectedAltitudeFt))
    d.selectedBug = Bug((v.selectedAltitudeFt.value - ft) * kAltitudePxPerFt, half - kBugHalfHeight);
  return d;
}

VerticalSpeedDescription DecideVerticalSpeed(const PrimaryFlightValues& v) {
  VerticalSpeedDescription d;
  if (!Usable(v.verticalSpeedFpm) || std::fabs(v.verticalSpeedFpm.value) > kVsMeaningfulFpm) {
    d.failed = true;
    return d;
  }
  const bool verticalSpeedMode =
      v.verticalSpeedMode || DecideAutoflightModes(v).active[int(ModeColumn::Pitch)] == "V/S";
  if (verticalSpeedMode && Usable(v.selectedVerticalSpeedFpm)) {
    d.selectedBug.shown = true;
    d.selectedBug.offsetPx = VerticalSpeedOffsetPx(v.selectedVerticalSpeedFpm.value);
    d.selectedBug.parked = std::fabs(v.selectedVerticalSpeedFpm.value) > kVerticalSpeedMaxFpm;
  }
  const double fpm = v.verticalSpeedFpm.value;
  d.pointerOffsetPx = VerticalSpeedOffsetPx(fpm);
  d.readoutAbove = fpm >= 0;
  // The figure goes on beyond the scale's end: the needle stops at 6,000, the number does not.
  if (std::fabs(fpm) >= kVsReadoutFpm)
    d.readout = Whole(RoundHalfUp(std::fabs(fpm) / kVsReadoutStepFpm) * static_cast<long long>(kVsReadoutStepFpm));
  return d;
}

RadioAltitudeDescription DecideRadioAltitude(const Reading& ra) {
  RadioAltitudeDescription d;
  if (!Usable(ra)) {
    d.failed = true;
    return d;
  }
  const double ft = std::max(ra.value, 0.0);
  if (ft >= kRadioShownBelowFt) return d;
  const long long step = ft < kRadioFineBelowFt ? 2 : 10;
  d.text = Whole(RoundHalfUp(ft / double(step)) * step);
  return d;
}

std::string IlsIdentShown(const std::string& ident) {
  std::string shown;
  for (const char c : TrimBlanksAndControls(ident)) {
    if (c < 32 || c > 126) break;  // the characters before any that is not printable
    if (shown.size() == kIlsIdentMaxChars) break;
    shown.push_back(c);
  }
  return shown;
}

std::string DmeShown(const std::string& dme) {
  const std::string text = TrimBlanksAndControls(dme);
  if (text.empty() || text.size() > kDmeMaxChars) return "";
  int points = 0;
  for (const char c : text) {
    if (c == '.') ++points;
    else if (c < '0' || c > '9') return "";
  }
  if (points > 1 || text.front() == '.' || text.back() == '.') return "";
  // Leading zeros go, but the one before the point.
  size_t first = 0;
  while (first + 1 < text.size() && text[first] == '0' && text[first + 1] != '.') ++first;
  return text.substr(first);
}

AttitudeAreaDescription DecideAttitudeArea(const PrimaryFlightValues& v, double bankDeg, bool attitudeFailed) {
  AttitudeAreaDescription d;
  d.localiserPointer = v.localiserValid;
  d.glideSlopePointer = v.glideSlopeValid;
  // No bank pointer without an attitude; NaN compares false.
  d.bankAmber = !attitudeFailed && std::fabs(bankDeg) >= kBankAmberDeg;
  return d;
}

HeadingDescription DecideHeading(const PrimaryFlightValues& v) {
  HeadingDescription d;
  if (Usable(v.selectedHeadingDeg)) d.selectedText = ThreeDigitHeading(v.selectedHeadingDeg.value);
  if (!Usable(v.headingMagneticDeg)) {
    d.failed = true;
    return d;
  }
  d.cardDeg = NormalisedDegrees(v.headingMagneticDeg.value);
  d.readout = ThreeDigitHeading(d.cardDeg);
  if (Usable(v.selectedHeadingDeg))
    d.selectedBug = Bug(SignedDegrees(v.selectedHeadingDeg.value - d.cardDeg), kHeadingBugParkDeg);
  return d;
}

// --- The flight mode annunciator ---

namespace {

// The pitch mode altitude hold flies: holding the selected altitude, capturing it, or climbing or
// descending towards it at the selected rate (as today's panel tells them apart).
std::string AltitudeHoldMode(const PrimaryFlightValues& v) {
  if (!Usable(v.altitudeFt) || !Usable(v.selectedAltitudeFt)) return "";
  const auto feet = [](double ft) { return int32_t(std::clamp(RoundHalfUp(ft), -kAltitudeLimit64, kAltitudeLimit64)); };
  switch (DecideVerticalMode(feet(v.altitudeFt.value), feet(v.selectedAltitudeFt.value))) {
    case VerticalMode::Alt: return "ALT HOLD";
    case VerticalMode::AltCapture: return "ALT ACQ";
    case VerticalMode::Vs: return "V/S";
    case VerticalMode::None: break;
  }
  return "";
}

}  // namespace

const char* ModeColumnName(ModeColumn column) {
  switch (column) {
    case ModeColumn::Autothrottle: return "autothrottle";
    case ModeColumn::Roll: return "roll";
    case ModeColumn::Pitch: return "pitch";
    case ModeColumn::Status: return "status";
  }
  return "?";
}

const std::string& AutoflightModes::Slot(int slot) const {
  if (slot >= 2 * kModeColumns) return status;
  return slot % 2 == 0 ? active[slot / 2] : armed[slot / 2];
}
std::string& AutoflightModes::Slot(int slot) {
  return const_cast<std::string&>(static_cast<const AutoflightModes&>(*this).Slot(slot));
}

AutoflightModes DecideAutoflightModes(const PrimaryFlightValues& v) {
  const AutoflightFacts& a = v.autoflight;
  AutoflightModes m;
  constexpr int kThrust = int(ModeColumn::Autothrottle), kRoll = int(ModeColumn::Roll), kPitch = int(ModeColumn::Pitch);
  const bool speedMode = a.speedHold || a.machHold;
  if (speedMode) m.active[kThrust] = "MCP SPD";
  else if (a.autothrottleArmed) m.armed[kThrust] = "ARM";
  // The localiser (or VOR) captured takes over from the selected heading; armed until then.
  const bool navigation = a.approachHold || a.navHold;
  if (navigation && a.localiserCaptured) m.active[kRoll] = "VOR/LOC";
  else if (a.headingHold) m.active[kRoll] = "HDG SEL";
  if (navigation && !a.localiserCaptured) m.armed[kRoll] = "VOR/LOC";
  // The glide slope captured flies the pitch. Armed, altitude hold keeps holding or capturing its
  // altitude, but no longer climbs or descends towards it at the selected rate.
  if (a.glideSlopeHold && a.glideSlopeCaptured) m.active[kPitch] = "G/S";
  else if (a.altitudeHold) m.active[kPitch] = AltitudeHoldMode(v);
  if (a.glideSlopeHold && m.active[kPitch] == "V/S") m.active[kPitch].clear();
  if (a.glideSlopeHold && !a.glideSlopeCaptured) m.armed[kPitch] = "G/S";
  if (a.autopilotEngaged) m.status = "CMD";
  else if (a.flightDirectorOn) m.status = "FD";
  return m;
}

std::vector<ModeAnnunciation> ArrangeModes(const AutoflightModes& modes, const FullFrameHold& held, double t,
                                           FullFrameHold& next) {
  std::vector<ModeAnnunciation> placed;
  const double columnWidth = kModeStrip.Width() / kModeColumns;
  next.modesSeen = true;
  next.modes = modes;
  for (int slot = 0; slot < kModeSlots; ++slot) {
    const std::string& text = modes.Slot(slot);
    // Nothing held: the modes were not changed, they were found (no box on the first frame).
    double changedAt = held.modesSeen ? held.modeChangedAt[slot] : -std::numeric_limits<double>::infinity();
    if (held.modesSeen && text != held.modes.Slot(slot) && std::isfinite(t)) changedAt = t;
    next.modeChangedAt[slot] = changedAt;
    if (text.empty()) continue;
    ModeAnnunciation m;
    m.text = text;
    const bool status = slot >= 2 * kModeColumns;
    m.column = status ? ModeColumn::Status : ModeColumn(slot / 2);
    m.armed = !status && slot % 2 == 1;
    m.colour = m.armed ? TextColour::White : TextColour::Green;
    // A time going back (never on the monotonic clock) boxes nothing rather than for ever.
    m.boxed = t >= changedAt && t - changedAt < kModeBoxSeconds;
    const double centre = status ? kModeStrip.CentreX() : kModeStrip.x0 + columnWidth * (slot / 2 + 0.5);
    const double inkWidth = (double(text.size()) - 1) * kGlyphAdvance + kGlyphInkRight - kGlyphInkLeft;
    m.x = std::round(centre - inkWidth / 2 - kGlyphInkLeft);
    m.y = status ? kModeStatusY : m.armed ? kModeArmedY : kModeActiveY;
    placed.push_back(m);
  }
  return placed;
}

AltitudeAlert DecideAltitudeAlert(const PrimaryFlightValues& v, const FullFrameHold& held, FullFrameHold& next) {
  next.altitudeCaptured = held.altitudeCaptured;
  next.selectionSeen = held.selectionSeen;
  next.selectedAltitudeFt = held.selectedAltitudeFt;
  if (!Usable(v.altitudeFt) || !Usable(v.selectedAltitudeFt)) return AltitudeAlert::None;
  const long long selection = RoundHalfUp(std::clamp(v.selectedAltitudeFt.value, -kAltitudeLimit, kAltitudeLimit));
  // A new selection starts again: approaching it, not yet reached.
  bool captured = held.selectionSeen && held.selectedAltitudeFt == selection && held.altitudeCaptured;
  const double away = std::fabs(v.altitudeFt.value - double(selection));
  if (away <= kAltitudeAlertToFt) captured = true;
  next.selectionSeen = true;
  next.selectedAltitudeFt = selection;
  next.altitudeCaptured = captured;
  // On the glide slope the aircraft leaves the selected altitude by design: no alert.
  if (v.autoflight.glideSlopeHold && v.autoflight.glideSlopeCaptured) return AltitudeAlert::None;
  if (captured) return away > kAltitudeAlertToFt ? AltitudeAlert::Deviation : AltitudeAlert::None;
  return away <= kAltitudeAlertFromFt ? AltitudeAlert::Approaching : AltitudeAlert::None;
}

std::vector<std::string> RaisedFlags(const FullFrameDescription& f) {
  std::vector<std::string> flags;
  if (f.attitude.dataFailed) flags.push_back(kFailureFlagText);
  if (f.speed.failed) flags.push_back("SPD");
  if (f.altitude.failed) flags.push_back("ALT");
  if (f.verticalSpeed.failed) flags.push_back("V/S");
  if (f.heading.failed) flags.push_back("HDG");
  if (f.radioAltitude.failed) flags.push_back("RA");
  return flags;
}

FullFrameDescription DecideFullFrame(const FrameDescription& today, const PrimaryFlightValues& values,
                                     const Reading& speedTrend10s, BaroUnit baro, const FullFrameHold& held,
                                     double timeSeconds, const EnvelopeSettings& envelope) {
  FullFrameDescription f;
  f.attitude = today;
  // Today's texts: the modes go to the annunciator; its radio altitude, marker letter and flag (which
  // follows the whole exchange) give way to the attitude area's own.
  f.attitude.texts.clear();
  // The attitude flag only when the attitude itself is lost; the bars go with it, and a bar goes
  // on its own when its command was lost.
  f.attitude.dataFailed = !Usable(values.pitchDeg) || !Usable(values.bankDeg);
  std::vector<FrameBar>& bars = f.attitude.bars;
  bars.erase(std::remove_if(bars.begin(), bars.end(),
                            [&](const FrameBar& b) {
                              return f.attitude.dataFailed ||
                                     (b.kind == BarKind::Horizontal ? !values.flightDirectorPitchValid
                                                                    : !values.flightDirectorBankValid);
                            }),
             bars.end());
  f.attitudeArea = DecideAttitudeArea(values, today.bank, f.attitude.dataFailed);
  if (values.autoflight.known) {
    f.modes = ArrangeModes(DecideAutoflightModes(values), held, timeSeconds, f.hold);
  } else {
    f.hold.modesSeen = held.modesSeen;
    f.hold.modes = held.modes;
    std::copy(std::begin(held.modeChangedAt), std::end(held.modeChangedAt), std::begin(f.hold.modeChangedAt));
  }
  f.speed = DecideSpeedTape(values, speedTrend10s, held);
  f.altitude = DecideAltitudeTape(values, baro);
  const AltitudeAlert alert = DecideAltitudeAlert(values, held, f.hold);
  if (!f.altitude.failed) f.altitude.alert = alert;
  f.verticalSpeed = DecideVerticalSpeed(values);
  f.heading = DecideHeading(values);
  f.radioAltitude = DecideRadioAltitude(values.radioAltitudeFt);
  f.navigation.marker = values.innerMarker ? "IM" : values.middleMarker ? "MM" : values.outerMarker ? "OM" : "";
  // The identifier and DME of an ILS: while today's picture shows a localiser's scale.
  if (today.ilsState != 0) {
    f.navigation.ilsIdent = IlsIdentShown(values.ilsIdent);
    f.navigation.dme = DmeShown(values.dmeText);
  }
  f.envelope = DecideEnvelope(values, envelope, held.envelope);
  f.envelope.minimumsAbove = f.radioAltitude.text.size() > 3;
  f.hold.envelope = f.envelope.hold;
  // While the autopilot holds Mach, the selected Mach above the tape and the bug at its speed.
  if (f.envelope.machTarget) {
    f.speed.selectedText = f.envelope.selectedMachText;
    f.speed.selectedBug = {};
    if (!f.speed.failed && f.envelope.machTargetKt > 0)
      f.speed.selectedBug = Bug((f.envelope.machTargetKt - std::clamp(values.indicatedAirspeedKt.value, kSpeedMin, kSpeedMax)) *
                                    kSpeedPxPerKt,
                                kSpeedTape.Height() / 2 - kBugHalfHeight);
  }
  f.hold.machShown = !f.speed.machText.empty();
  f.hold.trendShown = f.speed.trendShown;
  return f;
}
