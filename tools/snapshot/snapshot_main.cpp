// orvane-snapshot: one PFD frame for a given flight state, rendered headless to PNG.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "model/interface_codec.h"
#include "simdata/flight_state_file.h"
#include "pfd/frame_rules.h"
#include "pfd/panel_picture.h"
#include "pfd/png_writer.h"
#include "pfd/tape_rules.h"
#include "platform/system.h"
#include "shell/ini_reader.h"
#include "shell/settings.h"
#include "simdata/demo_flight.h"
#include "cli/option_parser.h"
#include "snapshot_options.h"
#include "snapshot_render.h"

namespace {

const char* ColourName(TextColour c) {
  switch (c) {
    case TextColour::Green: return "green";
    case TextColour::White: return "white";
    case TextColour::Blue: return "blue";
    case TextColour::Amber: return "amber";
    case TextColour::ByteWhite: return "byte-white";
  }
  return "?";
}

// Negated zeroes print as 0, not -0.
double Plain(double v) { return v + 0.0; }

void PrintDescription(const FrameDescription& f) {
  std::printf("pitchOffset=%.6f bank=%.6f ils=%u gs=%.6f loc=%.6f failed=%d\n", Plain(f.pitchOffset),
              Plain(f.bank), unsigned(f.ilsState), Plain(f.glideSlopeOffset),
              Plain(f.localizerOffset), f.dataFailed ? 1 : 0);
  for (const FrameBar& b : f.bars)
    std::printf("bar %s %.6f\n", b.kind == BarKind::Horizontal ? "horizontal" : "vertical",
                Plain(b.offset));
  for (const FrameText& t : f.texts)
    std::printf("text \"%s\" %s %g %g\n", t.text.c_str(), ColourName(t.colour), double(t.x),
                double(t.y));
}

const char* YesNo(bool b) { return b ? "1" : "0"; }

std::string BugText(const TapeBug& b) {
  if (!b.shown) return "none";
  char text[48];
  std::snprintf(text, sizeof text, "%.2f%s", Plain(b.offsetPx), b.parked ? " parked" : "");
  return text;
}

// A rolling readout: what it reads, the rows above and below it, and how far the digits left of
// the drum have turned towards the next value's.
std::string ReadoutText(const RollingReadout& r, bool failed) {
  if (failed) return "reads=\"\"";
  char text[160];
  std::snprintf(text, sizeof text, "reads=\"%s\" above=\"%s\" below=\"%s\" turning=%.2f", r.Reads().c_str(),
                r.Above().c_str(), r.Below().c_str(), Plain(r.carry));
  return text;
}

std::string BandText(const SpeedBand& b) {
  if (!b.shown) return "none";
  char text[96];
  std::snprintf(text, sizeof text, "%.1fkt(%s)@%.2f", Plain(b.kt), b.source.c_str(), Plain(b.fromPx));
  return text;
}

// The envelope as drawn: the speed bands (their ends in knots, what set them, their offsets), the
// readout box's colour, the Mach target, the minimums, the slip bar, the flight path vector, the
// track and the runway.
void PrintEnvelope(const EnvelopeDescription& e) {
  char bar[64] = "none";
  if (e.manoeuvreBarShown) std::snprintf(bar, sizeof bar, "%.1fkt@%.2f", Plain(e.manoeuvreKt), Plain(e.manoeuvreFromPx));
  std::printf("speed-limits maximum=%s stall=%s manoeuvre-bar=%s readout=%s\n", BandText(e.maximum).c_str(),
              BandText(e.stall).c_str(), bar, e.readoutWarning ? "red" : "white");
  std::printf("mach-target=\"%s\" mach-target-kt=%.1f\n",
              e.selectedMachText.c_str(), Plain(e.machTargetKt));
  char marker[48] = "none";
  if (e.baroMarkerShown) std::snprintf(marker, sizeof marker, "%.2f", Plain(e.baroMarkerPx));
  std::printf("minimums text=\"%s\" marker=%s alert=%s\n", e.minimumsText.c_str(), marker, YesNo(e.minimumsAlert));
  if (e.slipShown)
    std::printf("slip offset=%.2f full=%s\n", Plain(e.slipOffsetPx), YesNo(e.slipFull));
  else
    std::printf("slip none\n");
  if (e.fpvShown)
    std::printf("fpv path=%.2f drift=%.2f right=%.2f up=%.2f\n", Plain(e.flightPathAngleDeg), Plain(e.driftDeg),
                Plain(e.fpvRightPx), Plain(e.fpvUpPx));
  else
    std::printf("fpv none\n");
  if (e.trackShown)
    std::printf("track %.1f offset=%.2f mag=%s\n", Plain(e.trackDeg), Plain(e.trackOffsetDeg),
                YesNo(e.magShown));
  else
    std::printf("track none mag=%s\n", YesNo(e.magShown));
  if (e.runwayShown)
    std::printf("runway right=%.2f below=%.2f\n", Plain(e.runwayRightPx), Plain(e.runwayTopPx));
  else
    std::printf("runway none\n");
}

// The full layout's instruments, one line each, then the mode annunciator's words with their
// columns, lines and boxes.
void PrintFullDescription(const FullFrameDescription& f) {
  std::vector<std::string> raised = RaisedFlags(f);
  std::string flags;
  for (const std::string& flag : raised) flags += (flags.empty() ? "" : ",") + flag;
  std::printf("flags %s\n", flags.empty() ? "-" : flags.c_str());
  std::printf("attitude failed=%s bars=%zu\n", YesNo(f.attitude.dataFailed), f.attitude.bars.size());
  const SpeedTapeDescription& s = f.speed;
  std::printf("speed failed=%s %s trend=%s bug=%s selected=\"%s\" mach=\"%s\"\n", YesNo(s.failed),
              ReadoutText(s.readout, s.failed).c_str(),
              s.trendShown ? std::to_string(s.trendOffsetPx).c_str() : "none", BugText(s.selectedBug).c_str(),
              s.selectedText.c_str(), s.machText.c_str());
  const AltitudeTapeDescription& a = f.altitude;
  const char* alert = a.alert == AltitudeAlert::Approaching ? "approaching"
                      : a.alert == AltitudeAlert::Deviation ? "deviation"
                                                            : "none";
  std::printf("altitude failed=%s %s bug=%s selected=\"%s\" alert=%s altimeter=\"%s\"\n", YesNo(a.failed),
              ReadoutText(a.readout, a.failed).c_str(), BugText(a.selectedBug).c_str(), a.selectedText.c_str(), alert,
              a.altimeterText.c_str());
  const VerticalSpeedDescription& v = f.verticalSpeed;
  std::printf("vertical-speed failed=%s pointer=%.2f readout=\"%s\" %s bug=%s\n", YesNo(v.failed),
              Plain(v.pointerOffsetPx), v.readout.c_str(), v.readoutAbove ? "above" : "below",
              BugText(v.selectedBug).c_str());
  const HeadingDescription& h = f.heading;
  std::printf("heading failed=%s reads=\"%s\" bug=%s selected=\"%s\"\n", YesNo(h.failed), h.readout.c_str(),
              BugText(h.selectedBug).c_str(), h.selectedText.c_str());
  std::printf("radio-altitude failed=%s reads=\"%s\"\n", YesNo(f.radioAltitude.failed), f.radioAltitude.text.c_str());
  std::printf("navigation marker=\"%s\" ident=\"%s\" dme=\"%s\"\n", f.navigation.marker.c_str(),
              f.navigation.ilsIdent.c_str(), f.navigation.dme.c_str());
  PrintEnvelope(f.envelope);
  const AttitudeAreaDescription& area = f.attitudeArea;
  std::printf("attitude-area sphere=%s bank-pointer=%s localiser-pointer=%s glide-slope-pointer=%s\n",
              f.attitude.dataFailed ? "removed" : "shown",
              f.attitude.dataFailed ? "removed" : area.bankAmber ? "amber" : "white",
              area.localiserPointer ? "shown" : "removed", area.glideSlopePointer ? "shown" : "removed");
  for (const ModeAnnunciation& m : f.modes)
    std::printf("mode \"%s\" %s column=%s line=%s boxed=%s at %g %g\n", m.text.c_str(), ColourName(m.colour),
                ModeColumnName(m.column), m.column == ModeColumn::Status ? "status" : m.armed ? "armed" : "active",
                YesNo(m.boxed), m.x, m.y);
}

// The autoflight facts of `readings` with those of `on` set as well.
AutoflightFacts FactsWith(FlightState readings, const ReadingSet& on) {
  for (size_t i = 0; i < kReadingCount; ++i)
    if (on.Has(ReadingId(i))) readings.SetFact(ReadingId(i), true);
  AutoflightFacts facts = AutoflightFactsOf(readings);
  facts.known = true;  // the command line states them
  return facts;
}

// The full layout's values: those of the flight state when one was given (every value arrived,
// unless the frame failed), each replaced by its command-line option where one was given.
// The attitude area's options over the values: the marker, the tuned ILS and the values lost.
PrimaryFlightValues WithAreaOptions(const SnapshotOptions& o, PrimaryFlightValues values) {
  if (!o.marker.empty()) {
    values.outerMarker = o.marker == "OM";
    values.middleMarker = o.marker == "MM";
    values.innerMarker = o.marker == "IM";
  }
  if (o.haveIlsIdent) values.ilsIdent = o.ilsIdent;
  if (o.haveDme) values.dmeText = o.dme;
  if (o.lostAttitude) values.pitchDeg.valid = values.bankDeg.valid = false;
  values.flightDirectorPitchValid = values.flightDirectorPitchValid && !o.lostFdPitch;
  values.flightDirectorBankValid = values.flightDirectorBankValid && !o.lostFdBank;
  values.localiserValid = values.localiserValid && !o.lostLocaliser;
  values.glideSlopeValid = values.glideSlopeValid && !o.lostGlideSlope;
  return values;
}

PrimaryFlightValues FullValues(const SnapshotOptions& o, const InterfaceValues& converted, bool haveState) {
  if (!haveState) {
    // Without a flight state the attitude is that of the layer overrides, lost with the frame.
    PrimaryFlightValues values = o.values;
    if (o.havePitch) values.pitchDeg.value = o.pitchNoseUpDeg;
    if (o.haveBank) values.bankDeg.value = o.bankRightDeg;
    values.pitchDeg.valid = values.bankDeg.valid = !o.failed;
    values.autoflight = FactsWith(FlightState{}, o.modes);
    return WithAreaOptions(o, values);
  }
  FlightState readings{};
  DecodeInterface(converted, readings);
  // Every reading the interface carries arrived (none when the frame failed).
  ReadingSet carried;
  for (size_t i = 0; i < kReadingCount; ++i)
    if (CodecRowOf(ReadingId(i)) != nullptr) carried.Add(ReadingId(i));
  readings.Valid = o.failed ? ReadingSet{} : carried;
  PrimaryFlightValues values = PrimaryValuesOf(readings);
  values.autoflight = FactsWith(readings, o.modes);
  const PrimaryFlightValues& given = o.values;
  auto take = [](Reading& value, const Reading& option) {
    if (option.valid) value = option;
  };
  take(values.indicatedAirspeedKt, given.indicatedAirspeedKt);
  take(values.mach, given.mach);
  take(values.headingMagneticDeg, given.headingMagneticDeg);
  take(values.verticalSpeedFpm, given.verticalSpeedFpm);
  take(values.altitudeFt, given.altitudeFt);
  take(values.selectedAirspeedKt, given.selectedAirspeedKt);
  take(values.selectedAltitudeFt, given.selectedAltitudeFt);
  take(values.selectedHeadingDeg, given.selectedHeadingDeg);
  take(values.selectedVerticalSpeedFpm, given.selectedVerticalSpeedFpm);
  take(values.altimeterSettingHpa, given.altimeterSettingHpa);
  take(values.radioAltitudeFt, given.radioAltitudeFt);
  values.verticalSpeedMode = values.verticalSpeedMode || given.verticalSpeedMode;
  if (o.havePitch && !o.failed) values.pitchDeg = {o.pitchNoseUpDeg, true};
  if (o.haveBank && !o.failed) values.bankDeg = {o.bankRightDeg, true};
  EnvelopeValues& e = values.envelope;
  const EnvelopeValues& g = given.envelope;
  for (Reading EnvelopeValues::*r :
       {&EnvelopeValues::trueAirspeedKt, &EnvelopeValues::groundSpeedKt, &EnvelopeValues::trackTrueDeg,
        &EnvelopeValues::magneticVariationDeg, &EnvelopeValues::flightPathAngleDeg, &EnvelopeValues::slipBall,
        &EnvelopeValues::flapPosition, &EnvelopeValues::flapSteps, &EnvelopeValues::selectedMach,
        &EnvelopeValues::maxOperatingSpeedKt, &EnvelopeValues::maxOperatingMach, &EnvelopeValues::gearPlacardKt,
        &EnvelopeValues::flapPlacardKt, &EnvelopeValues::stallCleanKt, &EnvelopeValues::stallFullFlapKt,
        &EnvelopeValues::decisionHeightFt, &EnvelopeValues::localiserDeviationDots, &EnvelopeValues::gearDown,
        &EnvelopeValues::stallWarning, &EnvelopeValues::overspeedWarning, &EnvelopeValues::ilsTuned})
    take(e.*r, g.*r);
  return WithAreaOptions(o, values);
}

// Output paths are taken from the directory the tool was started in, before it moves to --assets.
std::string Absolute(const std::string& path) {
  if (path.empty()) return path;
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::absolute(path, ec);
  return ec ? path : p.string();
}

// The options turned into the frame's values. Pitch and bank come in the pilot's signs (nose up,
// right wing down positive); the frame keeps the simulator interface's (nose down, left wing down).
void ApplyOverrides(const SnapshotOptions& o, FrameDescription& f) {
  if (o.havePitch) f.pitchOffset = -o.pitchNoseUpDeg * kPitchOffsetPerDegree;
  if (o.haveBank) f.bank = -o.bankRightDeg;
  if (o.haveIls) f.ilsState = uint16_t(o.ils);
  if (o.haveGs) f.glideSlopeOffset = o.gs;
  if (o.haveLoc) f.localizerOffset = o.loc;
  if (o.haveFdh || o.haveFdv) {
    f.bars.clear();
    if (o.haveFdh) f.bars.push_back({BarKind::Horizontal, o.fdh});
    if (o.haveFdv) f.bars.push_back({BarKind::Vertical, o.fdv});
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  SnapshotOptions o;
  std::string error;
  if (!ParseSnapshotOptions(args, o, error)) {
    std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
    return toolcli::kBadCommandLine;
  }
  if (o.help) {
    std::fputs(SnapshotUsage().c_str(), stdout);
    return 0;
  }
  if (o.version) {
    std::printf("orvane-snapshot %s\n", ORVANE_VERSION);
    return 0;
  }

  InterfaceValues state{};
  if (!o.stateFile.empty()) {
    if (!ReadFlightStateFile(o.stateFile, state, error)) {
      std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
      return 1;
    }
  } else if (o.haveDemoTime) {
    state = EncodeInterface(demo::StateAt(o.demoTime));  // as the simulator's interface carries it
  }
  if (o.dumpState) std::fputs(FormatFlightStateText(state).c_str(), stdout);
  ApplyConversions(state, o.inclination);
  FrameDescription frame = DecideFrame(state, o.failed);
  ApplyOverrides(o, frame);
  PanelPicture picture;
  picture.kind = o.fullLayout ? PanelKind::Full : PanelKind::Classic;
  picture.classic = frame;
  const bool haveState = !o.stateFile.empty() || o.haveDemoTime;
  EnvelopeSettings envelope;
  if (!o.settingsFile.empty()) {
    std::string text;
    Settings settings;
    if (!platform::ReadWholeFile(o.settingsFile, text, IniReader::MaxIniBytes)) {
      std::fprintf(stderr, "orvane-snapshot: the settings file '%s' cannot be read or is larger than %zu bytes\n",
                   o.settingsFile.c_str(), IniReader::MaxIniBytes);
      return 1;
    }
    if (!ParseSettings(o.settingsFile, text, settings, error)) {
      std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
      return 1;
    }
    envelope = settings.Envelope;
  }
  if (o.fullLayout) {
    const PrimaryFlightValues values = FullValues(o, state, haveState);
    // One frame of a descent: the aircraft came from above its minimums (at or below them, the alert
    // shows).
    FullFrameHold held;
    held.envelope.aboveMinimums = true;
    if (o.haveBefore || o.altitudeBefore.valid) {
      // The frames before: what they held (the modes and when each changed, the altitude's capture).
      PrimaryFlightValues before = values;
      if (o.haveBefore) before.autoflight = FactsWith(FlightState{}, o.modesBefore);
      if (o.altitudeBefore.valid) before.altitudeFt = o.altitudeBefore;
      held = DecideFullFrame(frame, before, o.speedTrend, o.baro, held, 0, envelope).hold;
      // The change, --since seconds before this frame.
      held = DecideFullFrame(frame, values, o.speedTrend, o.baro, held, 0, envelope).hold;
    }
    picture.full = DecideFullFrame(frame, values, o.speedTrend, o.baro, held, o.since, envelope);
  }
  const FullFrameDescription& full = picture.full;
  if (o.describe) {
    PrintDescription(o.fullLayout ? full.attitude : frame);
    if (o.fullLayout) PrintFullDescription(full);
  }
  if (o.outPanel.empty() && o.outFull.empty()) return 0;

  const std::string outPanel = Absolute(o.outPanel);
  const std::string outFull = Absolute(o.outFull);
  if (!o.assetsDir.empty()) {
    std::error_code ec;
    std::filesystem::current_path(o.assetsDir, ec);
    if (ec) {
      std::fprintf(stderr, "orvane-snapshot: cannot enter the assets folder '%s': %s\n",
                   o.assetsDir.c_str(), ec.message().c_str());
      return 1;
    }
  }

  PanelRenderer renderer(picture.kind, o.renderer);
  const SnapshotSurface at = o.fullLayout ? FullSurfaceAtScale(o.scale) : SurfaceAtScale(o.scale);
  platform::OffscreenGl gl;
  if (!OpenSnapshotRenderer(gl, renderer, at, error)) {
    std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
    return 1;
  }
  if (renderer.Backend() != o.renderer) {
    CloseSnapshotRenderer(gl);
    std::fprintf(stderr, "orvane-snapshot: the %s renderer cannot run on this OpenGL\n", render::BackendName(o.renderer));
    return 1;
  }
  const std::vector<uint8_t> surface = RenderSurface(renderer, at, picture);
  CloseSnapshotRenderer(gl);
  if (o.fullLayout) {
    if (!WritePng(outPanel, at.width, at.height, surface, error)) {
      std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
      return 1;
    }
    std::fprintf(stderr, "orvane-snapshot: wrote %s (%d x %d)\n", outPanel.c_str(), at.width, at.height);
    return 0;
  }

  int status = 0;
  if (!outFull.empty()) {
    if (WritePng(outFull, at.width, at.height, surface, error))
      std::fprintf(stderr, "orvane-snapshot: wrote %s (%d x %d)\n", outFull.c_str(), at.width, at.height);
    else {
      std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
      status = 1;
    }
  }
  if (!outPanel.empty()) {
    const std::vector<uint8_t> panel = CropLowerLeft(surface, at, at.panel, at.panel);
    if (WritePng(outPanel, at.panel, at.panel, panel, error))
      std::fprintf(stderr, "orvane-snapshot: wrote %s (%d x %d)\n", outPanel.c_str(), at.panel, at.panel);
    else {
      std::fprintf(stderr, "orvane-snapshot: %s\n", error.c_str());
      status = 1;
    }
  }
  return status;
}
