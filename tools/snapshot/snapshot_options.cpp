// Parses the command line of orvane-snapshot, strictly: unknown options and bad numbers are errors.
#include "snapshot_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

// A whole-string finite number.
bool ParseNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end != text.c_str() + text.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

}  // namespace

const char* SnapshotUsage() {
  return "Usage: orvane-snapshot [options] (--out FILE.png | --full FILE.png)\n"
         "Renders one PFD frame headless, through the display's own frame rules and layers.\n"
         "\n"
         "Flight state (default: all zero, as when nothing is delivered):\n"
         "  --state FILE          key=value flight state in raw units (InterfaceValues field names)\n"
         "  --demo-time T         the demo flight's state at T seconds\n"
         "  --failed              the frame's data exchange failed (raises the failure flag)\n"
         "  --inclination RULE    glide-slope inclination rule: degrees (simulator, default) or raw\n"
         "                        (network)\n"
         "Layout:\n"
         "  --layout L            classic (today's panel, default) or full (speed, altitude, vertical\n"
         "                        speed and heading around it, the modes in boxes along the top)\n"
         "The full layout's values (one not given is not valid: its instrument shows its flag):\n"
         "  --ias KT  --mach M  --heading DEG (magnetic)  --vs FPM  --altitude FT\n"
         "  --selected-speed KT  --selected-altitude FT  --selected-heading DEG  --selected-vs FPM\n"
         "  --altimeter HPA       the altimeter setting in hPa\n"
         "  --baro U              how the altimeter setting shows: hpa (default) or inhg\n"
         "  --vs-mode             the autopilot is in vertical-speed mode (the V/S bug shows)\n"
         "  --speed-trend KT      the speed gained in the next 10 s (the trend arrow from 2 kt)\n"
         "Output:\n"
         "  --out FILE.png        the 332 x 332 panel the window shows (lower-left of the surface);\n"
         "                        with --layout full the whole 460 x 424 panel\n"
         "  --full FILE.png       the whole 500 x 740 drawing surface (classic layout only)\n"
         "  --describe            print the decided frame (layers, bars, texts) on stdout\n"
         "  --dump-state          print the raw flight state on stdout, as a --state file\n"
         "  --assets DIR          folder holding the 16 .txr bitmaps and font.bmp (default: .)\n"
         "  --scale S             everything S times its size, as the display's [WINDOW] SCALE=S\n"
         "                        (0.5 to 8; default 1): a 332 S x 332 S panel, 500 S x 740 S surface\n"
         "                        (full layout: a 460 S x 424 S panel)\n"
         "  --renderer R          the backend that draws: GL1 (fixed function, default) or GLES2\n"
         "                        (shaders, as the display's [WINDOW] RENDERER=GLES2)\n"
         "Layer overrides, applied after the frame rules:\n"
         "  --pitch DEG  --bank DEG  --ils 0|1|4  --gs OFFSET  --loc OFFSET\n"
         "  --fdh OFFSET (replace the bars by this horizontal bar)  --fdv OFFSET (and/or vertical)\n"
         "  --help                this text\n"
         "  --version             the program version\n"
         "Exit codes: 0 written, 1 rendering or file error, 2 bad command line.\n";
}

bool ParseSnapshotOptions(const std::vector<std::string>& args, SnapshotOptions& o,
                          std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      o.help = true;
      continue;
    }
    if (a == "--version") {
      o.version = true;
      continue;
    }
    if (a == "--failed") {
      o.failed = true;
      continue;
    }
    if (a == "--describe") {
      o.describe = true;
      continue;
    }
    if (a == "--dump-state") {
      o.dumpState = true;
      continue;
    }
    if (a == "--vs-mode") {
      o.values.verticalSpeedMode = true;
      continue;
    }
    if (a.rfind("--", 0) != 0) {
      error = "unexpected argument '" + a + "'";
      return false;
    }
    if (i + 1 >= args.size()) {
      error = "option " + a + " needs a value";
      return false;
    }
    const std::string& v = args[++i];
    auto number = [&](bool& have, double& into) {
      if (!ParseNumber(v, into)) {
        error = "option " + a + ": '" + v + "' is not a finite number";
        return false;
      }
      have = true;
      return true;
    };
    bool ok = true;
    if (a == "--state") {
      o.stateFile = v;
    } else if (a == "--demo-time") {
      ok = number(o.haveDemoTime, o.demoTime);
    } else if (a == "--inclination") {
      if (v == "degrees") {
        o.inclination = InclinationRule::Degrees;
      } else if (v == "raw") {
        o.inclination = InclinationRule::Raw;
      } else {
        error = "option --inclination: '" + v + "' is neither 'raw' nor 'degrees'";
        return false;
      }
    } else if (a == "--out") {
      o.outPanel = v;
    } else if (a == "--full") {
      o.outFull = v;
    } else if (a == "--assets") {
      o.assetsDir = v;
    } else if (a == "--scale") {
      bool given = false;
      ok = number(given, o.scale);
      if (ok && (o.scale < 0.5 || o.scale > 8.0)) {
        error = "option --scale: '" + v + "' is not a size factor from 0.5 to 8 (1 = the window's own size)";
        return false;
      }
    } else if (a == "--layout") {
      if (v == "classic" || v == "full") {
        o.fullLayout = v == "full";
      } else {
        error = "option --layout: '" + v + "' is neither 'classic' nor 'full'";
        return false;
      }
    } else if (a == "--renderer") {
      if (!render::ParseBackendName(v, o.renderer)) {
        error = "option --renderer: '" + v + "' is neither 'GL1' nor 'GLES2'";
        return false;
      }
    } else if (a == "--baro") {
      if (v == "hpa" || v == "inhg") {
        o.baro = v == "hpa" ? BaroUnit::Hpa : BaroUnit::InHg;
      } else {
        error = "option --baro: '" + v + "' is neither 'hpa' nor 'inhg'";
        return false;
      }
    } else if (a == "--ias") {
      ok = number(o.values.indicatedAirspeedKt.valid, o.values.indicatedAirspeedKt.value);
    } else if (a == "--mach") {
      ok = number(o.values.mach.valid, o.values.mach.value);
    } else if (a == "--heading") {
      ok = number(o.values.headingMagneticDeg.valid, o.values.headingMagneticDeg.value);
    } else if (a == "--vs") {
      ok = number(o.values.verticalSpeedFpm.valid, o.values.verticalSpeedFpm.value);
    } else if (a == "--altitude") {
      ok = number(o.values.altitudeFt.valid, o.values.altitudeFt.value);
    } else if (a == "--selected-speed") {
      ok = number(o.values.selectedAirspeedKt.valid, o.values.selectedAirspeedKt.value);
    } else if (a == "--selected-altitude") {
      ok = number(o.values.selectedAltitudeFt.valid, o.values.selectedAltitudeFt.value);
    } else if (a == "--selected-heading") {
      ok = number(o.values.selectedHeadingDeg.valid, o.values.selectedHeadingDeg.value);
    } else if (a == "--selected-vs") {
      ok = number(o.values.selectedVerticalSpeedFpm.valid, o.values.selectedVerticalSpeedFpm.value);
    } else if (a == "--altimeter") {
      ok = number(o.values.altimeterSettingHpa.valid, o.values.altimeterSettingHpa.value);
    } else if (a == "--speed-trend") {
      ok = number(o.speedTrend.valid, o.speedTrend.value);
    } else if (a == "--pitch") {
      ok = number(o.havePitch, o.pitch);
    } else if (a == "--bank") {
      ok = number(o.haveBank, o.bank);
    } else if (a == "--ils") {
      double ils = 0;
      ok = number(o.haveIls, ils);
      if (ok && ils != 0 && ils != 1 && ils != 4) {
        error = "option --ils: '" + v + "' is not 0, 1 or 4";
        return false;
      }
      o.ils = int(ils);
    } else if (a == "--gs") {
      ok = number(o.haveGs, o.gs);
    } else if (a == "--loc") {
      ok = number(o.haveLoc, o.loc);
    } else if (a == "--fdh") {
      ok = number(o.haveFdh, o.fdh);
    } else if (a == "--fdv") {
      ok = number(o.haveFdv, o.fdv);
    } else {
      error = "unknown option '" + a + "' (see --help)";
      return false;
    }
    if (!ok) return false;
  }
  if (o.help || o.version) return true;
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
