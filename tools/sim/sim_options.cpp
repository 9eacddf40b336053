// Parsing of orvane-sim's command line, with errors that name the option and the value.
#include "sim/sim_options.h"

#include "model/sim_ipc_protocol.h"
#include "simdata/flight_state_file.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace sim {

namespace {

// A whole unsigned number (decimal or 0x hexadecimal) no larger than `max`.
bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t& out) {
  if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
  errno = 0;
  char* end = nullptr;
  const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || end == text.c_str() || *end != 0 || v > max) return false;
  out = v;
  return true;
}

// A finite number of seconds, 0 or more.
bool ParseSeconds(const std::string& text, double& out) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == text.c_str() || *end != 0 || !std::isfinite(v) || v < 0) return false;
  out = v;
  return true;
}

std::string Bad(const std::string& option, const std::string& value, const std::string& expected) {
  return "invalid value \"" + value + "\" for " + option + " (expected " + expected + ")";
}

bool ParseFault(const std::string& value, Options& o, std::string& error) {
  uint64_t n = 0;
  if (value == "no-reply") {
    o.fault = Fault::NoReply;
  } else if (value == "refuse-handshake") {
    o.fault = Fault::RefuseHandshake;
  } else if (value == "scribble") {
    o.fault = Fault::Scribble;
  } else if (value.rfind("reply=", 0) == 0) {
    if (!ParseUnsigned(value.substr(6), 0xFFFFFFFFu, n)) {
      error = Bad("--fault", value, "reply=N with N a 32-bit unsigned number");
      return false;
    }
    o.fault = Fault::Reply;
    o.faultValue = uint32_t(n);
  } else if (value.rfind("delay=", 0) == 0) {
    if (!ParseUnsigned(value.substr(6), 600000, n)) {
      error = Bad("--fault", value, "delay=MS with MS from 0 to 600000");
      return false;
    }
    o.fault = Fault::Delay;
    o.faultValue = uint32_t(n);
  } else {
    error = Bad("--fault", value, "no-reply, reply=N, delay=MS, refuse-handshake or scribble");
    return false;
  }
  return true;
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
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
    if (a == "--freeze") {
      o.freeze = true;
      continue;
    }
    const bool takesValue = a == "--class" || a == "--demo-time" || a == "--values" ||
                            a == "--duration" || a == "--fault" || a == "--fault-after" || a == "--fault-count" ||
                            a == "--sim-version" || a == "--interface-version" || a == "--pitch-steps";
    if (!takesValue) {
      error = "unknown option \"" + a + "\" (see --help)";
      return false;
    }
    if (i + 1 >= args.size()) {
      error = "option " + a + " needs a value";
      return false;
    }
    const std::string& v = args[++i];
    uint64_t n = 0;
    if (a == "--class") {
      if (v != simipc::kPrimaryClass && v != simipc::kSecondaryClass) {
        error = Bad(a, v, "UIPCMAIN or FS98MAIN");
        return false;
      }
      o.className = v;
    } else if (a == "--demo-time") {
      if (!ParseSeconds(v, o.demoTime)) {
        error = Bad(a, v, "seconds, 0 or more");
        return false;
      }
    } else if (a == "--values") {
      if (v.empty()) {
        error = Bad(a, v, "a file name");
        return false;
      }
      o.valuesFile = v;
    } else if (a == "--duration") {
      if (!ParseSeconds(v, o.durationSeconds)) {
        error = Bad(a, v, "seconds, 0 or more");
        return false;
      }
    } else if (a == "--fault") {
      if (!ParseFault(v, o, error)) return false;
    } else if (a == "--fault-after") {
      if (!ParseUnsigned(v, UINT64_MAX, n)) {
        error = Bad(a, v, "a number of batches");
        return false;
      }
      o.faultAfter = n;
    } else if (a == "--fault-count") {
      if (!ParseUnsigned(v, UINT64_MAX, n) || n == 0) {
        error = Bad(a, v, "a number of batches, 1 or more");
        return false;
      }
      o.faultCount = n;
    } else if (a == "--sim-version") {
      if (!ParseUnsigned(v, 0xFFFF, n)) {
        error = Bad(a, v, "0 to 65535 (0xFFFF)");
        return false;
      }
      o.haveSimulatorVersion = true;
      o.simulatorVersion = uint32_t(n);
    } else if (a == "--interface-version") {
      if (!ParseUnsigned(v, 0xFFFFFFFFu, n)) {
        error = Bad(a, v, "a 32-bit unsigned number");
        return false;
      }
      o.haveInterfaceVersion = true;
      o.interfaceVersion = uint32_t(n);
    } else if (a == "--pitch-steps") {
      if (!ParseUnsigned(v, 600000, n) || n < 10) {
        error = Bad(a, v, "milliseconds from 10 to 600000");
        return false;
      }
      o.pitchStepMs = uint32_t(n);
    }
  }
  return true;
}

std::string UsageText() {
  return
      "Usage: orvane-sim [options]\n"
      "Stands in for the simulator side of the IPC interface: owns a 64 KiB simulator data area fed\n"
      "by the built-in demo flight and performs the request batches of IPC clients on this machine.\n"
      "\n"
      "Options:\n"
      "  --help                 this text\n"
      "  --version              the program version\n"
      "  --class NAME           peer class UIPCMAIN (default) or FS98MAIN\n"
      "  --demo-time T          start T seconds into the demo flight\n"
      "  --freeze               hold the demo time (every batch sees the same values)\n"
      "  --values FILE          fixed values from a key=value flight-state file instead of the demo\n"
      "  --duration S           exit after S seconds (0 = run until stopped)\n"
      "  --sim-version N        simulator version in the low 16 bits at 0x3308 (marker 0xFADE above)\n"
      "  --interface-version V  interface version at 0x3304\n"
      "  --pitch-steps MS       the pitch alternates between level and 5 degrees nose up, changing\n"
      "                         at every multiple of MS milliseconds of the system's monotonic clock\n"
      "                         (level in even periods), over the demo flight or the values; for\n"
      "                         latency measurements\n"
      "  --fault F              misbehave on purpose:\n"
      "                           no-reply          never answer a batch\n"
      "                           reply=N           answer N instead of 1\n"
      "                           delay=MS          answer after MS milliseconds\n"
      "                           refuse-handshake  interface version 0x19980004 (too old)\n"
      "                           scribble          overwrite the headers after performing\n"
      "  --fault-after N        answer the first N batches normally, then start the fault\n"
      "  --fault-count N        the fault lasts N batches (default: for good)\n"
      "\n"
      "Stops cleanly on Ctrl+C, SIGTERM or a close request. Logs connections and a\n"
      "batches-per-second figure on stderr.\n"
      "\n"
      "Flight-state files (--values): one key=value a line, # comments, keys not given are 0.\n"
      "The keys, their type in the data area and their unit: \"knots x 128\" means 250 kt is\n"
      "written 32000; integers may be written in 0x hexadecimal. Signs as the data area keeps them:\n"
      "pitch positive nose down, bank positive left wing down, needles positive right / down,\n"
      "variation positive east (magnetic = true - variation).\n" +
      FlightStateKeysText();
}

}  // namespace sim
