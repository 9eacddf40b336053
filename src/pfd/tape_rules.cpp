// The full layout's frame rules: tapes, vertical speed, heading, mode boxes and the speed trend.
#include "pfd/tape_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "pfd/full_layout.h"

using namespace full_layout;

namespace {

// The trend looks back about a second, keeping a sample every tenth of a second.
constexpr double kTrendWindowS = 1.0;
constexpr double kTrendSampleSpacingS = 0.1;
constexpr double kTrendWarmUpS = 0.5;
constexpr double kTrendMaxPauseS = 1.0;
constexpr double kTrendHorizonS = 10.0;
// The arrow shows from this predicted change on.
constexpr double kTrendShownKt = 2.0;
constexpr double kMachShown = 0.40;
// The vertical speed shows in figures from this rate on.
constexpr double kVsReadoutFpm = 400;
constexpr double kHpaPerInHg = 33.8639;
// The displayed ranges: a speed of 0 to 999 kt, an altitude within five digits.
constexpr double kSpeedMax = 999;
constexpr double kAltitudeLimit = 99999;

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
  char text[8];
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
  char text[16];
  std::snprintf(text, sizeof text, "%0*d", drumDigits, n * drumStep);
  return text;
}

double RollingReadout::RowOffset(int row) const { return downward ? drum - row : row - drum; }

std::string RollingReadout::Reads() const { return fixed + DrumLabel(static_cast<int>(std::floor(drum + 0.5))); }

// --- The instruments ---

SpeedTapeDescription DecideSpeedTape(const PrimaryFlightValues& v, const Reading& trend) {
  SpeedTapeDescription d;
  if (Usable(v.selectedAirspeedKt))
    d.selectedText = Whole(RoundHalfUp(std::clamp(v.selectedAirspeedKt.value, 0.0, kSpeedMax)));
  if (Usable(v.mach) && v.mach.value >= kMachShown) {
    char text[16];
    std::snprintf(text, sizeof text, "%.3f", std::min(v.mach.value, 9.999));
    d.machText = text + 1;  // ".780"
  }
  if (!Usable(v.indicatedAirspeedKt)) {
    d.failed = true;
    return d;
  }
  const double kt = std::clamp(v.indicatedAirspeedKt.value, 0.0, kSpeedMax);
  const double half = kSpeedTape.Height() / 2;
  d.marks = Marks(kt, kSpeedPxPerKt, half, kSpeedTickKt, kSpeedLabelKt, 0);
  const long long whole = RoundHalfUp(kt);
  if (whole >= 10) d.readout.fixed = Whole(whole / 10);
  d.readout.drum = std::fmod(kt, 10.0);
  if (Usable(trend) && std::fabs(trend.value) > kTrendShownKt) {
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
    if (h == 1013) return "STD";
    std::snprintf(text, sizeof text, "%lld HPA", std::clamp(h, 0LL, 9999LL));
  } else {
    const long long hundredths = RoundHalfUp(hpa / kHpaPerInHg * 100);
    if (hundredths == 2992) return "STD";
    const long long h = std::clamp(hundredths, 0LL, 9999LL);
    std::snprintf(text, sizeof text, "%lld.%02lld IN", h / 100, h % 100);
  }
  return text;
}

AltitudeTapeDescription DecideAltitudeTape(const PrimaryFlightValues& v, BaroUnit baro) {
  AltitudeTapeDescription d;
  if (Usable(v.selectedAltitudeFt))
    d.selectedText = Whole(RoundHalfUp(std::clamp(v.selectedAltitudeFt.value, -kAltitudeLimit, kAltitudeLimit)));
  if (Usable(v.altimeterSettingHpa)) d.altimeterText = FormatAltimeterSetting(v.altimeterSettingHpa.value, baro);
  if (!Usable(v.altitudeFt)) {
    d.failed = true;
    return d;
  }
  const double ft = std::clamp(v.altitudeFt.value, -kAltitudeLimit, kAltitudeLimit);
  const double half = kAltitudeTape.Height() / 2;
  d.marks = Marks(ft, kAltitudePxPerFt, half, kAltitudeTickFt, kAltitudeLabelFt, -kAltitudeLimit);
  // The figures that stand still follow the altitude rounded to the drum's 20 ft steps, so they
  // change when the drum is half way between 80 and 00.
  const double magnitude = std::fabs(ft);
  const long long steps = RoundHalfUp(ft / 20);
  const long long hundreds = (steps < 0 ? -steps : steps) * 20 / 100;
  d.readout.fixed = (steps < 0 ? "-" : "") + (hundreds > 0 ? Whole(hundreds) : std::string());
  d.readout.drum = std::fmod(magnitude, 100.0) / 20.0;
  d.readout.drumRows = 5;
  d.readout.drumStep = 20;
  d.readout.drumDigits = 2;
  d.readout.downward = ft < 0;
  if (Usable(v.selectedAltitudeFt))
    d.selectedBug = Bug((v.selectedAltitudeFt.value - ft) * kAltitudePxPerFt, half - kBugHalfHeight);
  return d;
}

VerticalSpeedDescription DecideVerticalSpeed(const PrimaryFlightValues& v) {
  VerticalSpeedDescription d;
  if (v.verticalSpeedMode && Usable(v.selectedVerticalSpeedFpm)) {
    d.selectedBug.shown = true;
    d.selectedBug.offsetPx = VerticalSpeedOffsetPx(v.selectedVerticalSpeedFpm.value);
    d.selectedBug.parked = std::fabs(v.selectedVerticalSpeedFpm.value) > kVerticalSpeedMaxFpm;
  }
  if (!Usable(v.verticalSpeedFpm)) {
    d.failed = true;
    return d;
  }
  const double fpm = v.verticalSpeedFpm.value;
  d.pointerOffsetPx = VerticalSpeedOffsetPx(fpm);
  d.readoutAbove = fpm >= 0;
  if (std::fabs(fpm) >= kVsReadoutFpm)
    d.readout = Whole(std::min(RoundHalfUp(std::fabs(fpm) / 100), 99LL));
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
    d.selectedBug = Bug(SignedDegrees(v.selectedHeadingDeg.value - d.cardDeg), kRoseShownHalfAngleDeg - 3);
  return d;
}

std::vector<FrameText> ArrangeModeBoxes(const std::vector<FrameText>& modeTexts) {
  // Which box a text belongs in: 0 lateral, 1 vertical, 2 autopilot.
  auto boxOf = [](const std::string& text) {
    if (text == "LOC" || text == "HDG") return 0;
    if (text == "AP ENG") return 2;
    return 1;
  };
  std::vector<FrameText> placed;
  const double boxWidth = kModeStrip.Width() / kModeBoxCount;
  for (int box = 0; box < kModeBoxCount; ++box) {
    std::vector<FrameText> in;
    for (const FrameText& t : modeTexts)
      if (boxOf(t.text) == box && t.colour == TextColour::Green) in.push_back(t);
    for (const FrameText& t : modeTexts)
      if (boxOf(t.text) == box && t.colour != TextColour::Green) in.push_back(t);
    int line = 0;
    for (FrameText t : in) {
      // An armed mode alone keeps to the lower line; a box holds two lines.
      if (line == 0 && t.colour != TextColour::Green) line = 1;
      if (line > 1) break;
      const double centre = kModeStrip.x0 + boxWidth * (box + 0.5);
      t.x = float(std::round(centre - kGlyphAdvance * double(t.text.size()) / 2));
      t.y = float(kModeStrip.y1 - kModeLinePitch * (line + 1));
      placed.push_back(t);
      ++line;
    }
  }
  return placed;
}

FullFrameDescription DecideFullFrame(const FrameDescription& today, const PrimaryFlightValues& values,
                                     const Reading& speedTrend10s, BaroUnit baro) {
  FullFrameDescription f;
  f.attitude = today;
  f.attitude.texts.clear();
  std::vector<FrameText> modes;
  for (const FrameText& t : today.texts) (t.modeAnnunciation ? modes : f.attitude.texts).push_back(t);
  f.modeTexts = ArrangeModeBoxes(modes);
  f.speed = DecideSpeedTape(values, speedTrend10s);
  f.altitude = DecideAltitudeTape(values, baro);
  f.verticalSpeed = DecideVerticalSpeed(values);
  f.heading = DecideHeading(values);
  return f;
}
