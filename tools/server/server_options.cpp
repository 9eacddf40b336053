// Parsing and checking of the data server's command-line options.
#include "server/server_options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace server {
namespace {

bool ParseUnsigned(const std::string& text, unsigned long min, unsigned long max, unsigned long* value) {
  if (text.empty() || text.size() > 10) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  unsigned long v = std::strtoul(text.c_str(), nullptr, 10);
  if (v < min || v > max) return false;
  *value = v;
  return true;
}

bool ParseSeconds(const std::string& text, double min, double max, double* value) {
  if (text.empty() || text.size() > 32) return false;
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == nullptr || *end != '\0' || !std::isfinite(v) || v < min || v > max) return false;
  *value = v;
  return true;
}

const char* SourceName(SourceKind kind) {
  switch (kind) {
    case SourceKind::Demo: return "demo";
    case SourceKind::Ipc: return "ipc";
    case SourceKind::Values: return "values";
    case SourceKind::XPlane: return "xplane";
    case SourceKind::FlightGear: return "flightgear";
  }
  return "?";
}

}  // namespace

std::string UsageText() {
  return "Usage: OrvaneGCServer [options]\n"
         "Network data server for OrvaneGCPfd in network mode. Each request is the text\n"
         "\"offset,size,type\" followed by a zero byte; each reply is the value's text followed by\n"
         "a zero byte, in request order. Type codes: 1 and 5 signed 32-bit, 2 64-bit float,\n"
         "3 signed 8-bit, 4 signed 16-bit, 7 text (see docs/server.md). With the xplane and\n"
         "flightgear sources, a number the simulator has not sent for 2 s is answered with the\n"
         "empty reply (the zero byte alone): the display then shows its failure flag.\n"
         "\n"
         "Options:\n"
         "  --port N          TCP port to listen on (default 2100; 0 = any free port)\n"
         "  --bind ADDRESS    address to listen on (default 0.0.0.0 = all IPv4 interfaces; :: for IPv6)\n"
         "  --source KIND     demo (default), ipc (the simulator on this PC), values (needs --values),\n"
         "                    xplane (X-Plane's UDP interface) or flightgear (FlightGear's generic\n"
         "                    protocol, dist/flightgear/orvane.xml)\n"
         "  --demo-time T     demo flight time to start at, in seconds (default 0)\n"
         "  --freeze          keep the demo flight at --demo-time\n"
         "  --values FILE     serve the fixed values of a flight-state file (implies --source values)\n"
         "  --refresh-ms N    ipc source: one exchange for all clients at most every N ms (default 20)\n"
         "  --xplane-host H   xplane source: numeric address of the X-Plane PC (default 127.0.0.1)\n"
         "  --xplane-port N   xplane source: X-Plane's UDP port (default 49000)\n"
         "  --rate HZ         xplane source: values per second asked of X-Plane, 1..100 (default 30)\n"
         "  --fg-port N       flightgear source: UDP port the feed arrives on (default 5500)\n"
         "  --web PORT        also serve the display to browsers: the web folder over HTTP on PORT\n"
         "                    and the requests over a WebSocket at /ws (0 = any free port)\n"
         "  --web-root DIR    the folder served by --web (default: the folder web beside the program)\n"
         "  --max-clients N   clients served at once, browsers' connections included (default 256)\n"
         "  --duration S      stop after S seconds (default: run until Ctrl+C / SIGTERM)\n"
         "  --help            show this text\n"
         "  --version         show the version\n";
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* out, std::string* error) {
  CommandLine cl;
  bool sourceGiven = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* v) {
      if (i + 1 >= args.size()) {
        *error = "option " + a + " needs a value";
        return false;
      }
      *v = args[++i];
      return true;
    };
    std::string v;
    unsigned long n = 0;
    if (a == "--help" || a == "-h") {
      cl.help = true;
    } else if (a == "--version") {
      cl.version = true;
    } else if (a == "--freeze") {
      cl.freeze = true;
    } else if (a == "--port") {
      if (!value(&v)) return false;
      if (!ParseUnsigned(v, 0, 65535, &n)) {
        *error = "--port: '" + v + "' is not a port number 0..65535";
        return false;
      }
      cl.server.port = uint16_t(n);
    } else if (a == "--bind") {
      if (!value(&v)) return false;
      if (v.empty()) {
        *error = "--bind: empty address";
        return false;
      }
      cl.server.bindAddress = v;
    } else if (a == "--source") {
      if (!value(&v)) return false;
      if (v == "demo") cl.source = SourceKind::Demo;
      else if (v == "ipc") cl.source = SourceKind::Ipc;
      else if (v == "values") cl.source = SourceKind::Values;
      else if (v == "xplane") cl.source = SourceKind::XPlane;
      else if (v == "flightgear") cl.source = SourceKind::FlightGear;
      else {
        *error = "--source: '" + v + "' is not one of demo, ipc, values, xplane, flightgear";
        return false;
      }
      sourceGiven = true;
    } else if (a == "--demo-time") {
      if (!value(&v)) return false;
      if (!ParseSeconds(v, 0, 1e9, &cl.demoTime)) {
        *error = "--demo-time: '" + v + "' is not a number of seconds >= 0";
        return false;
      }
    } else if (a == "--values") {
      if (!value(&v)) return false;
      cl.valuesFile = v;
    } else if (a == "--refresh-ms") {
      if (!value(&v)) return false;
      if (!ParseUnsigned(v, 1, 60000, &n)) {
        *error = "--refresh-ms: '" + v + "' is not a number of milliseconds 1..60000";
        return false;
      }
      cl.refreshMs = unsigned(n);
    } else if (a == "--xplane-host") {
      if (!value(&v)) return false;
      if (v.empty() || v.size() > 253) {
        *error = "--xplane-host: '" + v + "' is not an address";
        return false;
      }
      cl.xplaneHost = v;
    } else if (a == "--xplane-port") {
      if (!value(&v)) return false;
      if (!ParseUnsigned(v, 1, 65535, &n)) {
        *error = "--xplane-port: '" + v + "' is not a port number 1..65535";
        return false;
      }
      cl.xplanePort = uint16_t(n);
    } else if (a == "--rate") {
      if (!value(&v)) return false;
      if (!ParseUnsigned(v, 1, 100, &n)) {
        *error = "--rate: '" + v + "' is not a number of values per second 1..100";
        return false;
      }
      cl.rateHz = unsigned(n);
    } else if (a == "--fg-port") {
      if (!value(&v)) return false;
      if (!ParseUnsigned(v, 1, 65535, &n)) {
        *error = "--fg-port: '" + v + "' is not a port number 1..65535";
        return false;
      }
      cl.fgPort = uint16_t(n);
    } else if (a == "--web") {
      if (!value(&v)) return false;
      if (!ParseUnsigned(v, 0, 65535, &n)) {
        *error = "--web: '" + v + "' is not a port number 0..65535";
        return false;
      }
      cl.server.webPort = int(n);
    } else if (a == "--web-root") {
      if (!value(&v)) return false;
      if (v.empty()) {
        *error = "--web-root: empty folder name";
        return false;
      }
      cl.server.webRoot = v;
      cl.webRootGiven = true;
    } else if (a == "--max-clients") {
      if (!value(&v)) return false;
      if (!ParseUnsigned(v, 1, 10000, &n)) {
        *error = "--max-clients: '" + v + "' is not a number 1..10000";
        return false;
      }
      cl.server.maxClients = int(n);
    } else if (a == "--duration") {
      if (!value(&v)) return false;
      if (!ParseSeconds(v, 0.001, 1e7, &cl.server.durationSeconds)) {
        *error = "--duration: '" + v + "' is not a number of seconds > 0";
        return false;
      }
    } else {
      *error = "unknown option '" + a + "' (see --help)";
      return false;
    }
  }
  if (cl.webRootGiven && cl.server.webPort < 0) {
    *error = "--web-root needs --web PORT";
    return false;
  }
  if (!cl.valuesFile.empty()) {
    if (sourceGiven && cl.source != SourceKind::Values) {
      *error = "--values cannot be combined with --source " + std::string(SourceName(cl.source));
      return false;
    }
    cl.source = SourceKind::Values;
  } else if (cl.source == SourceKind::Values && !cl.help && !cl.version) {
    *error = "--source values needs --values FILE";
    return false;
  }
  *out = cl;
  return true;
}

}  // namespace server
