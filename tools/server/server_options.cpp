// The data server's command-line options, their checks and the help text.
#include "server/server_options.h"

#include "cli/option_parser.h"

namespace server {
namespace {

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

const char* const kUsage = "Usage: OrvaneGCServer [options]";
const char* const kAbout =
    "Network data server for OrvaneGCPfd in network mode. Each request is the text\n"
    "\"offset,size,type\" followed by a zero byte; each reply is the value's text followed by\n"
    "a zero byte, in request order. Type codes: 1 and 5 signed 32-bit, 2 64-bit float,\n"
    "3 signed 8-bit, 4 signed 16-bit, 7 text (see docs/server.md). With the xplane and\n"
    "flightgear sources, a number the simulator has not sent for 2 s is answered with the\n"
    "empty reply (the zero byte alone): the display then shows its failure flag.";

// Every option, in the order --help lists them; `sourceGiven` is set by --source.
void DefineOptions(toolcli::OptionParser& p, CommandLine& cl, bool& sourceGiven) {
  p.NameColumn(20);
  p.Whole("--port", "N", cl.server.port, 0, 65535, "a port number 0..65535",
          "TCP port to listen on (default 2100; 0 = any free port)");
  p.Text("--bind", "ADDRESS", cl.server.bindAddress,
         "address to listen on (default 0.0.0.0 = all IPv4 interfaces; :: for IPv6)", true);
  p.Choice("--source", "KIND", cl.source,
           {{"demo", SourceKind::Demo}, {"ipc", SourceKind::Ipc}, {"values", SourceKind::Values},
            {"xplane", SourceKind::XPlane}, {"flightgear", SourceKind::FlightGear}},
           "demo (default), ipc (the simulator on this PC), values (needs --values),\n"
           "xplane (X-Plane's UDP interface) or flightgear (FlightGear's generic\n"
           "protocol, dist/flightgear/orvane.xml)",
           &sourceGiven);
  p.Number("--demo-time", "T", cl.demoTime, "demo flight time to start at, in seconds (default 0)",
           {0, 1e9, "a number of seconds >= 0"});
  p.Flag("--freeze", cl.freeze, "keep the demo flight at --demo-time");
  p.Text("--values", "FILE", cl.valuesFile, "serve the fixed values of a flight-state file (implies --source values)");
  p.Whole("--refresh-ms", "N", cl.refreshMs, 1, 60000, "a number of milliseconds 1..60000",
          "ipc source: one exchange for all clients at most every N ms (default 20)");
  p.Custom("--xplane-host", "H",
           [&cl](const std::string& v) {
             if (v.empty() || v.size() > 253) return false;
             cl.xplaneHost = v;
             return true;
           },
           "an address", "xplane source: numeric address of the X-Plane PC (default 127.0.0.1)");
  p.Whole("--xplane-port", "N", cl.xplanePort, 1, 65535, "a port number 1..65535",
          "xplane source: X-Plane's UDP port (default 49000)");
  p.Whole("--rate", "HZ", cl.rateHz, 1, 100, "a number of values per second 1..100",
          "xplane source: values per second asked of X-Plane, 1..100 (default 30)");
  p.Whole("--fg-port", "N", cl.fgPort, 1, 65535, "a port number 1..65535",
          "flightgear source: UDP port the feed arrives on (default 5500)");
  p.Whole("--web", "PORT", cl.server.webPort, 0, 65535, "a port number 0..65535",
          "also serve the display to browsers: the web folder over HTTP on PORT\n"
          "and the requests over a WebSocket at /ws (0 = any free port)");
  p.Custom("--web-root", "DIR",
           [&cl](const std::string& v) {
             if (v.empty()) return false;
             cl.server.webRoot = v;
             cl.webRootGiven = true;
             return true;
           },
           "a folder name", "the folder served by --web (default: the folder web beside the program)");
  p.Whole("--max-clients", "N", cl.server.maxClients, 1, 10000, "a number 1..10000",
          "clients served at once, browsers' connections included (default 256)");
  p.Number("--duration", "S", cl.server.durationSeconds,
           "stop after S seconds (default: run until Ctrl+C / SIGTERM)", {0.001, 1e7, "a number of seconds > 0"});
  p.HelpFlag(cl.help);
  p.Flag("--version", cl.version, "show the version");
}

}  // namespace

std::string UsageText() {
  CommandLine cl;
  bool sourceGiven = false;
  toolcli::OptionParser p("OrvaneGCServer", kUsage, kAbout);
  DefineOptions(p, cl, sourceGiven);
  return p.Help();
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* out, std::string* error) {
  CommandLine cl;
  bool sourceGiven = false;
  toolcli::OptionParser p("OrvaneGCServer", kUsage, kAbout);
  DefineOptions(p, cl, sourceGiven);
  if (!p.Parse(args, *error)) return false;
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
