// The data server's command line: options, their checks and the help text.
#pragma once

#include <string>
#include <vector>

#include "server/server_core.h"

namespace server {

enum class SourceKind { Demo, Ipc, Values };

struct CommandLine {
  ServerOptions server;
  SourceKind source = SourceKind::Demo;
  double demoTime = 0;        // --demo-time
  bool freeze = false;        // --freeze
  std::string valuesFile;     // --values
  unsigned refreshMs = 20;    // --refresh-ms (ipc source)
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name. False with a message naming the option and value.
bool ParseCommandLine(const std::vector<std::string>& args, CommandLine* out, std::string* error);
// The --help text.
std::string UsageText();

}  // namespace server
