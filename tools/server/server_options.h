// The data server's command line: options, their checks and the help text.
#pragma once

#include <string>
#include <vector>

#include "server/server_core.h"

namespace server {

enum class SourceKind { Demo, Ipc, Values, XPlane, FlightGear };

struct CommandLine {
  ServerOptions server;
  SourceKind source = SourceKind::Demo;
  double demoTime = 0;        // --demo-time
  bool freeze = false;        // --freeze
  std::string valuesFile;     // --values
  unsigned refreshMs = 20;    // --refresh-ms (ipc source)
  std::string xplaneHost = "127.0.0.1";  // --xplane-host (xplane source)
  uint16_t xplanePort = 49000;           // --xplane-port (xplane source)
  unsigned rateHz = 30;                  // --rate (xplane source: values per second asked for)
  uint16_t fgPort = 5500;                // --fg-port (flightgear source: UDP port to listen on)
  bool webRootGiven = false;             // --web-root (else the folder "web" beside the program)
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. False with a message naming the option and value.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* out, std::string* error);
// The --help text.
std::string UsageText();

}  // namespace server
