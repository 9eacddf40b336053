// orvane-sim's command line: what to serve, from which values, and which fault to act out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

// Misbehaviour on purpose, for testing clients.
enum class Fault {
  None,
  NoReply,          // never answer a batch (the client runs into its time-out)
  Reply,            // answer `faultValue` instead of 1
  Delay,            // answer after `faultValue` milliseconds
  RefuseHandshake,  // interface version 0x19980004, below what clients accept
  Scribble,         // after performing, overwrite the headers with garbage
};

struct Options {
  bool help = false;
  bool version = false;
  std::string className = "UIPCMAIN";
  double demoTime = 0;          // seconds into the demo flight at start
  bool freeze = false;          // hold the demo time
  std::string valuesFile;       // fixed values instead of the demo flight
  double durationSeconds = 0;   // 0 = run until stopped
  Fault fault = Fault::None;
  uint32_t faultValue = 0;
  uint64_t faultAfter = 0;      // batches answered normally before the fault starts
  uint64_t faultCount = 0;      // batches the fault lasts; 0 = for good
  bool haveSimulatorVersion = false;
  uint32_t simulatorVersion = 0;  // low 16 bits at 0x3308
  bool haveInterfaceVersion = false;
  uint32_t interfaceVersion = 0;  // at 0x3304
  uint32_t pitchStepMs = 0;       // 0 = off; else the pitch steps between level and 5 degrees nose up
};

// Parses the arguments (without the program name). False with `error` naming the option and value.
bool ParseOptions(const std::vector<std::string>& args, Options& options, std::string& error);

// The --help text.
std::string UsageText();

}  // namespace sim
