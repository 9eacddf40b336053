// orvane-sim: the simulator stand-in that serves IPC clients from a data area fed by the demo flight.
#include <cstdio>
#include <string>
#include <vector>

#include "simdata/flight_state_file.h"
#include "platform/ipc.h"
#include "platform/system.h"
#include "sim/batch_performer.h"
#include "sim/sim_options.h"
#include "model/sim_ipc_protocol.h"
#include "simdata/demo_flight.h"
#include "simdata/sim_data_area.h"

namespace {

using simipc::kInterfaceVersionOffset;
using simipc::kLibraryVersionOffset;
using simipc::kMessageName;
using simipc::kSimulatorVersionOffset;

constexpr const char* kVersionText = "orvane-sim " ORVANE_VERSION;
constexpr uint32_t kTooOldInterface = 0x19980004;
constexpr uint32_t kPitchOffset = 0x2F70;     // degrees, float64, nose down positive
constexpr double kPitchStepNoseUpDeg = 5.0;   // --pitch-steps: the pitch of the odd periods
constexpr uint64_t kStatsEveryMicros = 5000000;
constexpr uint64_t kProblemLogEveryMicros = 1000000;

void Log(const std::string& line) { std::fprintf(stderr, "orvane-sim: %s\n", line.c_str()); }

// Everything one batch needs: the area, where its values come from, and the fault to act out.
struct Simulator {
  sim::Options options;
  SimDataArea area;
  bool fixedValues = false;
  uint64_t startMicros = 0;
  uint64_t batches = 0;
  uint64_t lastProblemMicros = 0;
  uint32_t interfaceVersion = 0;  // the handshake values, as prepared
  uint32_t simulatorVersion = 0;
  uint32_t libraryVersion = 0;    // last one a client wrote at 0x330A

  double DemoTime() const {
    if (options.freeze) return options.demoTime;
    return options.demoTime + double(platform::MonotonicMicros() - startMicros) / 1e6;
  }

  // A client's library version lands on the upper half of the simulator version word: note it, and
  // put the handshake values back for the next client.
  void KeepHandshakeValues() {
    const uint16_t library = area.Get<uint16_t>(kLibraryVersionOffset);
    if (library != uint16_t(simulatorVersion >> 16)) {
      libraryVersion = library;
      Log("client library version " + std::to_string(library));
    }
    area.Set<uint32_t>(kInterfaceVersionOffset, interfaceVersion);
    area.Set<uint32_t>(kSimulatorVersionOffset, simulatorVersion);
  }

  platform::IpcPeerReply Batch(uint8_t* block, uint32_t size) {
    const bool faulty = batches >= options.faultAfter &&
                        (options.faultCount == 0 || batches - options.faultAfter < options.faultCount);
    ++batches;
    if (faulty && options.fault == sim::Fault::NoReply) return {false, 0};
    if (faulty && options.fault == sim::Fault::Delay) platform::SleepMs(options.faultValue);

    if (!fixedValues) area.StoreReadings(demo::StateAt(DemoTime()));
    if (options.pitchStepMs > 0) {
      const uint64_t period = platform::MonotonicMicros() / (uint64_t(options.pitchStepMs) * 1000);
      area.Set<double>(kPitchOffset, period % 2 == 1 ? -kPitchStepNoseUpDeg : 0.0);
    }
    const sim::BatchOutcome outcome = sim::PerformBatch(block, size, area);
    KeepHandshakeValues();
    if (!outcome.complete) {
      const uint64_t now = platform::MonotonicMicros();
      if (now - lastProblemMicros >= kProblemLogEveryMicros) {
        lastProblemMicros = now;
        Log("batch stopped early: " + outcome.problem);
      }
    }
    if (faulty && options.fault == sim::Fault::Scribble) sim::ScribbleBatch(block, size, batches);
    if (faulty && options.fault == sim::Fault::Reply) return {true, options.faultValue};
    return {true, outcome.complete ? 1u : 0u};
  }
};

// Sets the handshake values and, with --values, the fixed flight state. False on a bad file.
bool PrepareArea(Simulator& s) {
  if (s.options.haveInterfaceVersion) s.area.Set<uint32_t>(kInterfaceVersionOffset, s.options.interfaceVersion);
  if (s.options.fault == sim::Fault::RefuseHandshake) s.area.Set<uint32_t>(kInterfaceVersionOffset, kTooOldInterface);
  if (s.options.haveSimulatorVersion)
    s.area.Set<uint32_t>(kSimulatorVersionOffset, (simipc::kSimulatorMarker << 16) | s.options.simulatorVersion);
  s.interfaceVersion = s.area.Get<uint32_t>(kInterfaceVersionOffset);
  s.simulatorVersion = s.area.Get<uint32_t>(kSimulatorVersionOffset);
  if (!s.options.valuesFile.empty()) {
    InterfaceValues state{};
    std::string error;
    if (!ReadFlightStateFile(s.options.valuesFile, state, error)) {
      Log(error);
      return false;
    }
    s.area.StoreInterfaceValues(state);
    s.fixedValues = true;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  Simulator s;
  std::string error;
  if (!sim::ParseOptions(args, s.options, error)) {
    Log(error);
    return 2;
  }
  if (s.options.help) {
    std::fputs(sim::UsageText().c_str(), stdout);
    return 0;
  }
  if (s.options.version) {
    std::printf("%s\n", kVersionText);
    return 0;
  }
  if (!PrepareArea(s)) return 1;

  platform::InstallIpcStopHandlers();
  s.startMicros = platform::MonotonicMicros();
  platform::IpcPeer* peer = platform::StartIpcPeer(
      s.options.className, kMessageName,
      [&s](uint8_t* block, uint32_t size) { return s.Batch(block, size); }, Log, error);
  if (!peer) {
    Log(error);
    return 1;
  }
  Log("serving class " + s.options.className + " (" +
      (s.fixedValues ? "fixed values from " + s.options.valuesFile
                     : std::string("demo flight") + (s.options.freeze ? ", frozen" : "")) +
      ")");

  const uint64_t endMicros =
      s.options.durationSeconds > 0 ? s.startMicros + uint64_t(s.options.durationSeconds * 1e6) : 0;
  uint64_t statsMicros = s.startMicros;
  uint64_t statsBatches = 0;
  while (platform::ServeIpcPeer(peer, 100)) {
    const uint64_t now = platform::MonotonicMicros();
    if (now - statsMicros >= kStatsEveryMicros) {
      const double seconds = double(now - statsMicros) / 1e6;
      char line[128];
      std::snprintf(line, sizeof line, "%.0f batches/s (%llu batches in %.1f s)",
                    double(s.batches - statsBatches) / seconds,
                    static_cast<unsigned long long>(s.batches - statsBatches), seconds);
      Log(line);
      statsMicros = now;
      statsBatches = s.batches;
    }
    if (endMicros && now >= endMicros) break;
  }
  platform::StopIpcPeer(peer);
  Log("stopped after " + std::to_string(s.batches) + " batches");
  return 0;
}
