// Parsing of orvane-sim's command line, with errors that name the option and the value.
#include "sim/sim_options.h"

#include "model/sim_ipc_protocol.h"
#include "simdata/flight_state_file.h"

#include "cli/option_parser.h"

namespace sim {

namespace {

bool TakeFault(const std::string& value, Options& o) {
  uint64_t n = 0;
  const bool hasNumber = value.rfind("reply=", 0) == 0 || value.rfind("delay=", 0) == 0;
  const std::string number = hasNumber ? value.substr(6) : std::string();
  if (value == "no-reply") {
    o.fault = Fault::NoReply;
  } else if (value == "refuse-handshake") {
    o.fault = Fault::RefuseHandshake;
  } else if (value == "scribble") {
    o.fault = Fault::Scribble;
  } else if (value.rfind("reply=", 0) == 0 && toolcli::OptionParser::ParseWhole(number, true, n) && n <= 0xFFFFFFFFu) {
    o.fault = Fault::Reply;
    o.faultValue = uint32_t(n);
  } else if (value.rfind("delay=", 0) == 0 && toolcli::OptionParser::ParseWhole(number, true, n) && n <= 600000) {
    o.fault = Fault::Delay;
    o.faultValue = uint32_t(n);
  } else {
    return false;
  }
  return true;
}

const char* const kUsage = "Usage: orvane-sim [options]";
const char* const kAbout =
    "Stands in for the simulator side of the IPC interface: owns a 64 KiB simulator data area fed\n"
    "by the built-in demo flight and performs the request batches of IPC clients on this machine.";

// Every option, in the order --help lists them.
void DefineOptions(toolcli::OptionParser& p, Options& o) {
  p.NameColumn(26);
  p.HelpFlag(o.help);
  p.Flag("--version", o.version, "the program version");
  p.Choice("--class", "NAME", o.className,
           {{simipc::kPrimaryClass, std::string(simipc::kPrimaryClass)},
            {simipc::kSecondaryClass, std::string(simipc::kSecondaryClass)}},
           "peer class UIPCMAIN (default) or FS98MAIN");
  p.Number("--demo-time", "T", o.demoTime, "start T seconds into the demo flight", {0, 1e300, "seconds, 0 or more"});
  p.Flag("--freeze", o.freeze, "hold the demo time (every batch sees the same values)");
  p.Text("--values", "FILE", o.valuesFile, "fixed values from a key=value flight-state file instead of the demo", true);
  p.Number("--duration", "S", o.durationSeconds, "exit after S seconds (0 = run until stopped)",
           {0, 1e300, "seconds, 0 or more"});
  p.Whole("--sim-version", "N", o.simulatorVersion, 0, 0xFFFF, "0 to 65535, 0xFFFF",
          "simulator version in the low 16 bits at 0x3308 (marker 0xFADE above)", &o.haveSimulatorVersion, true);
  p.Whole("--interface-version", "V", o.interfaceVersion, 0, 0xFFFFFFFFu, "a 32-bit unsigned number",
          "interface version at 0x3304", &o.haveInterfaceVersion, true);
  p.Whole("--pitch-steps", "MS", o.pitchStepMs, 10, 600000, "milliseconds from 10 to 600000",
          "the pitch alternates between level and 5 degrees nose up, changing\n"
          "at every multiple of MS milliseconds of the system's monotonic clock\n"
          "(level in even periods), over the demo flight or the values; for\n"
          "latency measurements",
          nullptr, true);
  p.Custom("--fault", "F", [&o](const std::string& v) { return TakeFault(v, o); },
           "no-reply, reply=N with N 32-bit, delay=MS with MS 0 to 600000, refuse-handshake or scribble",
           "misbehave on purpose:\n"
           "  no-reply          never answer a batch\n"
           "  reply=N           answer N instead of 1\n"
           "  delay=MS          answer after MS milliseconds\n"
           "  refuse-handshake  interface version 0x19980004 (too old)\n"
           "  scribble          overwrite the headers after performing");
  p.Whole("--fault-after", "N", o.faultAfter, 0, UINT64_MAX, "a number of batches",
          "answer the first N batches normally, then start the fault", nullptr, true);
  p.Whole("--fault-count", "N", o.faultCount, 1, UINT64_MAX, "a number of batches, 1 or more",
          "the fault lasts N batches (default: for good)", nullptr, true);
  p.Footer(
      "Stops cleanly on Ctrl+C, SIGTERM or a close request. Logs connections and a\n"
      "batches-per-second figure on stderr.\n"
      "\n"
      "Flight-state files (--values): one key=value a line, # comments, keys not given are 0.\n"
      "The keys, their type in the data area and their unit: \"knots x 128\" means 250 kt is\n"
      "written 32000; integers may be written in 0x hexadecimal. Signs as the data area keeps them:\n"
      "pitch positive nose down, bank positive left wing down, needles positive right / down,\n"
      "variation positive east (magnetic = true - variation).\n" +
      FlightStateKeysText());
}

}  // namespace

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::string& error) {
  toolcli::OptionParser p("orvane-sim", kUsage, kAbout);
  DefineOptions(p, o);
  return p.Parse(args, error);
}

std::string UsageText() {
  Options o;
  toolcli::OptionParser p("orvane-sim", kUsage, kAbout);
  DefineOptions(p, o);
  return p.Help();
}

}  // namespace sim
