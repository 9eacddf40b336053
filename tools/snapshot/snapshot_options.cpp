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
         "  --state FILE          key=value flight state in raw units (FlightState field names)\n"
         "  --demo-time T         the demo flight's state at T seconds\n"
         "  --failed              the frame's data exchange failed (raises the failure flag)\n"
         "  --inclination RULE    glide-slope inclination rule: degrees (simulator, default) or raw\n"
         "                        (network)\n"
         "Output:\n"
         "  --out FILE.png        the 332 x 332 panel the window shows (lower-left of the surface)\n"
         "  --full FILE.png       the whole 500 x 740 drawing surface\n"
         "  --describe            print the decided frame (layers, bars, texts) on stdout\n"
         "  --dump-state          print the raw flight state on stdout, as a --state file\n"
         "  --assets DIR          folder holding the 16 .txr bitmaps and font.bmp (default: .)\n"
         "  --scale S             everything S times its size, as the display's [WINDOW] SCALE=S\n"
         "                        (0.5 to 8; default 1): a 332 S x 332 S panel, 500 S x 740 S surface\n"
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
  if (o.outPanel.empty() && o.outFull.empty() && !o.describe && !o.dumpState) {
    error = "nothing to do: give --out FILE.png, --full FILE.png, --describe or --dump-state";
    return false;
  }
  return true;
}
