// The command line of orvane-snapshot, strictly: unknown options and bad numbers are errors.
#include "snapshot_options.h"

#include <algorithm>

#include "cli/option_parser.h"
#include "pfd/panel_picture.h"

namespace {

// A comma-separated list of autoflight facts ("none" for none) into `into`.
bool ParseModeList(const std::string& text, ReadingSet& into) {
  ReadingSet set;
  if (text != "none") {
    size_t start = 0;
    while (start <= text.size()) {
      const size_t end = std::min(text.find(',', start), text.size());
      ReadingId id{};
      if (!ReadingFromName(text.substr(start, end - start), &id) || !AutoflightReadings().Has(id)) return false;
      set.Add(id);
      start = end + 1;
    }
  }
  into = set;
  return true;
}

const char* const kModeNames =
    "a comma-separated list of AutopilotEngaged, FlightDirectorOn, HeadingHold, ApproachHold, Nav1Hold, "
    "LocaliserCaptured, AltitudeHold, GlideSlopeHold, GlideSlopeCaptured, SpeedHold, MachHold, "
    "AutothrottleArmed, or none";

// Every option, in the order --help lists them.
void DefineOptions(toolcli::OptionParser& p, SnapshotOptions& o) {
  using toolcli::NumberRange;
  p.NameColumn(26);
  p.Group("Flight state (default: all zero, as when nothing is delivered)");
  p.Text("--state", "FILE", o.stateFile, "key=value flight state in raw units (InterfaceValues field names)");
  p.Number("--demo-time", "T", o.demoTime, "the demo flight's state at T seconds", {}, &o.haveDemoTime);
  p.Flag("--failed", o.failed, "the frame's data exchange failed (raises the failure flag)");
  p.Choice("--inclination", "RULE", o.inclination,
           {{"degrees", InclinationRule::Degrees}, {"raw", InclinationRule::Raw}},
           "glide-slope inclination rule: degrees (simulator, default) or raw\n(network)");

  p.Group("Layout");
  p.Choice("--layout", "L", o.fullLayout, {{"classic", false}, {"full", true}},
           "classic (today's panel, default) or full (speed, altitude, vertical\n"
           "speed and heading around it, the mode annunciator along the top)");

  p.Group("The full layout's values (one not given is not valid: its instrument shows its flag)");
  PrimaryFlightValues& v = o.values;
  p.Number("--ias", "KT", v.indicatedAirspeedKt.value, "indicated airspeed", {}, &v.indicatedAirspeedKt.valid);
  p.Number("--mach", "M", v.mach.value, "Mach number", {}, &v.mach.valid);
  p.Number("--heading", "DEG", v.headingMagneticDeg.value, "magnetic heading", {}, &v.headingMagneticDeg.valid);
  p.Number("--vs", "FPM", v.verticalSpeedFpm.value, "vertical speed, feet per minute, positive climbing", {},
           &v.verticalSpeedFpm.valid);
  p.Number("--altitude", "FT", v.altitudeFt.value, "altitude", {}, &v.altitudeFt.valid);
  p.Number("--selected-speed", "KT", v.selectedAirspeedKt.value, "the autopilot's selected speed", {},
           &v.selectedAirspeedKt.valid);
  p.Number("--selected-altitude", "FT", v.selectedAltitudeFt.value, "the autopilot's selected altitude", {},
           &v.selectedAltitudeFt.valid);
  p.Number("--selected-heading", "DEG", v.selectedHeadingDeg.value, "the autopilot's selected heading", {},
           &v.selectedHeadingDeg.valid);
  p.Number("--selected-vs", "FPM", v.selectedVerticalSpeedFpm.value, "the autopilot's selected vertical speed", {},
           &v.selectedVerticalSpeedFpm.valid);
  p.Number("--altimeter", "HPA", v.altimeterSettingHpa.value, "the altimeter setting in hPa", {},
           &v.altimeterSettingHpa.valid);
  p.Number("--radio-altitude", "FT", v.radioAltitudeFt.value, "radio altitude (shown below 2,500 ft)", {},
           &v.radioAltitudeFt.valid);
  p.Choice("--baro", "U", o.baro, {{"hpa", BaroUnit::Hpa}, {"inhg", BaroUnit::InHg}},
           "how the altimeter setting shows: hpa (default) or inhg");
  p.Flag("--vs-mode", v.verticalSpeedMode, "the autopilot is in vertical-speed mode (the V/S bug shows)");
  p.Number("--speed-trend", "KT", o.speedTrend.value, "the speed gained in the next 10 s (the trend arrow from 2 kt)",
           {}, &o.speedTrend.valid);
  p.Custom("--modes", "LIST", [&o](const std::string& text) { return ParseModeList(text, o.modes); }, kModeNames,
           "the autoflight facts that are on (AutopilotEngaged,HeadingHold,...),\n"
           "added to a flight state's: the mode annunciator's words");
  p.Custom("--modes-before", "LIST", [&o](const std::string& text) { return ParseModeList(text, o.modesBefore); },
           kModeNames,
           "these facts were on until a change --since seconds ago: a mode\nthat changed then is boxed for 10 s",
           &o.haveBefore);
  p.Number("--altitude-before", "FT", o.altitudeBefore.value,
           "the altitude before that change (the altitude alert's capture)", {},
           &o.altitudeBefore.valid);
  p.Number("--since", "S", o.since, "seconds since the change (default 1)",
           {0, 3600, "seconds from 0 to 3600"});

  p.Group("The full layout's envelope (values as the simulator publishes them; one not given is not valid)");
  EnvelopeValues& e = v.envelope;
  p.Text("--settings", "FILE", o.settingsFile,
         "a settings file whose [AIRCRAFT] section and [PFD] MINIMUMS and FPV\n"
         "keys apply (as OrvaneGCPfd.INI; the other keys are checked, not used)");
  p.Number("--track", "DEG", e.trackTrueDeg.value, "track over the ground, true (with --variation: the track line)",
           {0, 360, "a direction from 0 to 360"}, &e.trackTrueDeg.valid);
  p.Number("--variation", "DEG", e.magneticVariationDeg.value, "magnetic variation, east positive (\"MAG\")",
           {-180, 180, "an angle from -180 to 180"}, &e.magneticVariationDeg.valid);
  p.Number("--ground-speed", "KT", e.groundSpeedKt.value, "ground speed (the flight path from the vertical speed)",
           {0, 2000, "a speed from 0 to 2000 kt"}, &e.groundSpeedKt.valid);
  p.Number("--fpa", "DEG", e.flightPathAngleDeg.value, "flight path angle, climbing positive",
           {-90, 90, "an angle from -90 to 90"}, &e.flightPathAngleDeg.valid);
  p.Number("--slip", "BALL", e.slipBall.value, "slip ball, -1 full left to 1 full right",
           {-1, 1, "a fraction from -1 to 1"}, &e.slipBall.valid);
  p.Number("--flaps", "F", e.flapPosition.value, "flap position, 0 up to 1 fully out",
           {0, 1, "a fraction from 0 to 1"}, &e.flapPosition.valid);
  p.Number("--flap-steps", "N", e.flapSteps.value, "flap steps after up", {0, 64, "a count from 0 to 64"},
           &e.flapSteps.valid);
  p.Number("--selected-mach", "M", e.selectedMach.value, "the autopilot's Mach target", {0, 5, "a Mach from 0 to 5"},
           &e.selectedMach.valid);
  const NumberRange knots{0, 999, "a speed from 0 to 999 kt"};
  p.Number("--sim-vmo", "KT", e.maxOperatingSpeedKt.value, "maximum operating speed", knots,
           &e.maxOperatingSpeedKt.valid);
  p.Number("--sim-mmo", "M", e.maxOperatingMach.value, "maximum operating Mach", {0, 5, "a Mach from 0 to 5"},
           &e.maxOperatingMach.valid);
  p.Number("--sim-vle", "KT", e.gearPlacardKt.value, "gear placard speed", knots, &e.gearPlacardKt.valid);
  p.Number("--sim-vfe", "KT", e.flapPlacardKt.value, "the current flap setting's placard speed", knots,
           &e.flapPlacardKt.valid);
  p.Number("--sim-stall-clean", "KT", e.stallCleanKt.value, "stall speed, flaps up", knots, &e.stallCleanKt.valid);
  p.Number("--sim-stall-full-flap", "KT", e.stallFullFlapKt.value, "stall speed, full flap", knots,
           &e.stallFullFlapKt.valid);
  p.Number("--decision-height", "FT", e.decisionHeightFt.value, "the radio-altimeter bug (RADIO minimums)",
           {0, 2500, "a height from 0 to 2500 ft"}, &e.decisionHeightFt.valid);
  p.Number("--loc-dots", "DOTS", e.localiserDeviationDots.value,
           "localiser deviation, positive when it lies right (an ILS tuned:\nthe rising runway below 200 ft)",
           {-3, 3, "dots from -3 to 3"}, &e.localiserDeviationDots.valid);
  p.Flag("--gear-down", o.gearDown, "the gear is down");
  p.Flag("--stall-warning", o.stallWarning, "the stall warning is on");
  p.Flag("--overspeed-warning", o.overspeedWarning, "the overspeed warning is on");
  p.Choice<std::string>("--marker", "M", o.marker, {{"OM", "OM"}, {"MM", "MM"}, {"IM", "IM"}},
                        "the marker beacon overhead: OM (outer), MM (middle) or IM (inner)");
  p.Custom("--ils-ident", "TEXT",
           [&o](const std::string& text) {
             o.ilsIdent = text;
             return text.size() <= 32;
           },
           "at most 32 characters", "the tuned ILS's identifier, e.g. IORV (shown with the ILS scales:\n"
           "--ils 1 or 4, or a flight state's)", &o.haveIlsIdent);
  p.Custom("--dme", "TEXT",
           [&o](const std::string& text) {
             o.dme = text;
             return text.size() <= 32;
           },
           "at most 32 characters", "its DME distance as the simulator sends it, e.g. 012.5", &o.haveDme);
  p.Custom("--lost", "LIST",
           [&o](const std::string& list) {
             size_t at = 0;
             while (at <= list.size()) {
               const size_t end = std::min(list.find(',', at), list.size());
               const std::string word = list.substr(at, end - at);
               if (word == "attitude") o.lostAttitude = true;
               else if (word == "fd-pitch") o.lostFdPitch = true;
               else if (word == "fd-bank") o.lostFdBank = true;
               else if (word == "localiser") o.lostLocaliser = true;
               else if (word == "glide-slope") o.lostGlideSlope = true;
               else return false;
               at = end + 1;
             }
             return true;
           },
           "a comma-separated list of attitude, fd-pitch, fd-bank, localiser, glide-slope",
           "values that did not arrive, comma-separated: attitude (pitch and bank:\n"
           "the ATT flag), fd-pitch, fd-bank (a\n"
           "flight-director command: its bar goes), localiser, glide-slope (a\n"
           "deviation: its pointer goes)");

  p.Group("Output");
  p.Text("--out", "FILE.png", o.outPanel,
         "the 332 x 332 panel the window shows (lower-left of the surface);\n"
         "with --layout full the whole 460 x 424 panel");
  p.Text("--full", "FILE.png", o.outFull, "the whole 500 x 740 drawing surface (classic layout only)");
  p.Flag("--describe", o.describe, "print the decided frame (layers, bars, texts) on stdout");
  p.Flag("--dump-state", o.dumpState, "print the raw flight state on stdout, as a --state file");
  p.Text("--assets", "DIR", o.assetsDir, "folder holding the 16 .txr bitmaps and font.bmp (default: .)");
  p.Number("--scale", "S", o.scale,
           "everything S times its size, as the display's [WINDOW] SCALE=S\n"
           "(0.5 to 8; default 1): a 332 S x 332 S panel, 500 S x 740 S surface\n"
           "(full layout: a 460 S x 424 S panel)",
           {0.5, 8.0, "a size factor from 0.5 to 8, 1 = the window's own size"});
  p.Choice("--renderer", "R", o.renderer,
           {{"GL1", render::BackendKind::GL1}, {"GLES2", render::BackendKind::GLES2}},
           "the backend that draws: GL1 (fixed function, default) or GLES2\n"
           "(shaders, as the display's [WINDOW] RENDERER=GLES2)");

  p.Group("Layer overrides, applied after the frame rules (the pilot's signs)");
  p.Number("--pitch", "DEG", o.pitchNoseUpDeg, "pitch, positive nose up (10 puts the horizon below the aircraft symbol)",
           {}, &o.havePitch);
  p.Number("--bank", "DEG", o.bankRightDeg, "bank, positive right wing down", {}, &o.haveBank);
  p.Custom("--ils", "0|1|4",
           [&o](const std::string& text) {
             double ils = 0;
             if (!toolcli::OptionParser::ParseNumber(text, ils) || (ils != 0 && ils != 1 && ils != 4)) return false;
             o.ils = int(ils);
             return true;
           },
           "0, 1 or 4", "ILS display: 0 nothing, 1 the no-ILS plate, 4 the ILS scales", &o.haveIls);
  p.Number("--gs", "OFFSET", o.gs, "glide-slope index offset as the ILS layer takes it, positive up", {}, &o.haveGs);
  p.Number("--loc", "OFFSET", o.loc, "localizer index offset as the ILS layer takes it, positive right", {},
           &o.haveLoc);
  p.Number("--fdh", "OFFSET", o.fdh, "replace the flight-director bars by this horizontal bar, positive up", {},
           &o.haveFdh);
  p.Number("--fdv", "OFFSET", o.fdv, "and/or this vertical bar, positive right", {}, &o.haveFdv);

  p.Group("Program");
  p.HelpFlag(o.help);
  p.Flag("--version", o.version, "the program version");
  p.Footer("Exit codes: 0 written, 1 rendering or file error, 2 bad command line.");
}

const char* const kUsage = "Usage: orvane-snapshot [options] (--out FILE.png | --full FILE.png)";
const char* const kAbout = "Renders one PFD frame headless, through the display's own frame rules and layers.";

}  // namespace

std::string SnapshotUsage() {
  SnapshotOptions o;
  toolcli::OptionParser p("orvane-snapshot", kUsage, kAbout);
  DefineOptions(p, o);
  return p.Help();
}

bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions& o, std::string& error) {
  toolcli::OptionParser p("orvane-snapshot", kUsage, kAbout);
  DefineOptions(p, o);
  if (!p.Parse(args, error)) return false;
  if (o.help || o.version) return true;
  EnvelopeValues& e = o.values.envelope;
  const std::pair<bool, Reading*> facts[] = {{o.gearDown, &e.gearDown},
                                             {o.stallWarning, &e.stallWarning},
                                             {o.overspeedWarning, &e.overspeedWarning},
                                             {e.localiserDeviationDots.valid, &e.ilsTuned}};
  for (const auto& fact : facts)
    if (fact.first) *fact.second = {1, true};
  if (!o.stateFile.empty() && o.haveDemoTime) {
    error = "--state and --demo-time exclude each other";
    return false;
  }
  if (o.fullLayout && !o.outFull.empty()) {
    error = "--full is the classic layout's whole drawing surface; with --layout full, --out writes the whole panel";
    return false;
  }
  if (o.outPanel.empty() && o.outFull.empty() && !o.describe && !o.dumpState) {
    error = "nothing to do: give --out FILE.png, --full FILE.png, --describe or --dump-state";
    return false;
  }
  return true;
}
