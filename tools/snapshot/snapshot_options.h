// Command-line options of orvane-snapshot and their parser.
#pragma once

#include <string>
#include <vector>

#include "model/interface_codec.h"
#include "pfd/tape_rules.h"
#include "render/backend.h"

struct SnapshotOptions {
  std::string stateFile;        // --state: key=value flight state in raw units
  bool haveDemoTime = false;    // --demo-time
  double demoTime = 0;
  bool failed = false;          // --failed: the data exchange of the frame failed
  InclinationRule inclination = InclinationRule::Degrees;
  std::string outPanel;         // --out: the 332 x 332 panel the window shows
  std::string outFull;          // --full: the whole 500 x 740 surface
  std::string assetsDir;        // --assets: folder of the bitmaps (default: current directory)
  double scale = 1.0;           // --scale: everything this many times its size
  bool describe = false;        // --describe: print the frame description
  bool dumpState = false;       // --dump-state: print the raw flight state as a state file
  bool fullLayout = false;      // --layout full: the full layout (default classic)
  // The full layout's values (a value not given is not valid, and its instrument shows its flag).
  PrimaryFlightValues values;
  BaroUnit baro = BaroUnit::Hpa;  // --baro hpa|inhg
  render::BackendKind renderer = render::BackendKind::GL1;  // --renderer GL1|GLES2
  Reading speedTrend;           // --speed-trend: the speed gained in the next 10 s
  std::string settingsFile;     // --settings: the envelope's settings ([AIRCRAFT], [PFD] MINIMUMS and FPV)
  // The envelope's facts (--gear-down, ...): given, each is on and valid; else as the state has it.
  bool gearDown = false, stallWarning = false, overspeedWarning = false;
  ReadingSet modes;             // --modes: autoflight facts on (added to a flight state's)
  // Frames before this one: with these facts (--modes-before) and this altitude (--altitude-before)
  // until a change to this frame's values --since seconds ago. The modes that changed then show
  // boxed as they would live.
  bool haveBefore = false;
  ReadingSet modesBefore;
  Reading altitudeBefore;
  double since = 1;
  std::string marker;           // --marker OM|MM|IM ("" = as the flight state has it)
  bool haveIlsIdent = false;    // --ils-ident: the tuned ILS's identifier
  std::string ilsIdent;
  bool haveDme = false;         // --dme: its DME distance as the source sends it ("012.5")
  std::string dme;
  // --lost: values that did not arrive in the frame.
  bool lostAttitude = false, lostFdPitch = false, lostFdBank = false, lostLocaliser = false, lostGlideSlope = false;
  bool help = false;
  bool version = false;         // --version: print the program version

  // Layer-level overrides, applied to the decided frame.
  bool havePitch = false;
  double pitchNoseUpDeg = 0;    // the pilot's sign: positive nose up
  bool haveBank = false;
  double bankRightDeg = 0;      // the pilot's sign: positive right wing down
  bool haveIls = false;
  int ils = 0;                  // 0, 1 or 4
  bool haveGs = false;
  double gs = 0;                // glide-slope offset as DrawIls takes it
  bool haveLoc = false;
  double loc = 0;               // localizer offset as DrawIls takes it
  bool haveFdh = false;
  double fdh = 0;               // horizontal bar offset
  bool haveFdv = false;
  double fdv = 0;               // vertical bar offset
};

// Parses argv[1..]; false with a message naming the option and value on any error.
bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions& options,
                          std::string& error);
// The --help text.
std::string SnapshotUsage();
