// The pilot state (tests/support/pilot_state.h) through each source into the model, in the frames'
// units: the simulator interface served by orvane-sim, and the network served by OrvaneGCServer,
// both from one flight-state file; and every variable of the demo flight as orvane-sim serves it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "model/read_list.h"
#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"
#include "simdata/demo_flight.h"
#include "simdata/flight_state_file.h"
#include "sources/network_source.h"
#include "sources/simulator_source.h"
#include "support/pilot_state.h"
#include "support/server_feeds.h"
#include "support/sim_peer.h"
#include "support/test_env.h"

namespace {

using orvane_test::ExpectPilotState;
using orvane_test::PilotState;
using orvane_test::PilotStateVars;

// The pilot state written as a flight-state file in a scratch folder.
class PilotStateFile {
 public:
  PilotStateFile() : folder_("pilot-state") { written_ = folder_.Write("pilot.state", FormatFlightStateText(PilotState())); }
  bool Written() const { return written_; }
  std::string Path() const { return (folder_.Path() / "pilot.state").string(); }

 private:
  orvane_test::TempFolder folder_;
  bool written_ = false;
};

// One frame's reads of the pilot variables from the simulator on this machine.
InterfaceValues FetchOverIpc(std::string& problem) {
  SimulatorSource source(false, ReadPlan::With(PilotStateVars()));
  uint32_t code = 0;
  InterfaceValues state{};
  if (!source.Open(&code)) {
    problem = "no link, code " + std::to_string(code);
  } else if (!source.FetchInterface(state)) {
    problem = "the exchange failed";
  }
  source.Client().SimIpcClose();
  return state;
}

TEST(PilotStateSources, SimulatorInterfaceFromOrvaneSimValues) {
  PilotStateFile file;
  ASSERT_TRUE(file.Written());
  orvane_test::SimPeer sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--values", file.Path(), "--duration", "60"}, error)) << error;
  std::string problem;
  const InterfaceValues state = FetchOverIpc(problem);
  ASSERT_EQ(problem, "") << sim.Log();
  ExpectPilotState(state, "orvane-sim --values over IPC");
  EXPECT_EQ(sim.Stop(), 0) << sim.Log();
}

// OrvaneGCServer serving a values file on a loopback port; stopped and its log removed at the end.
class ValuesServer {
 public:
  explicit ValuesServer(const std::string& valuesFile)
      : port_(orvane_test::PortForServer()),
        log_("pilot-state-server-" + std::to_string(platform::CurrentProcessId()) + ".log") {
    started_ = port_ != 0 &&
               platform::StartProcess(platform::CurrentDirectory() + "/OrvaneGCServer" + ORVANE_EXE_SUFFIX,
                                      {"--port", std::to_string(port_), "--bind", "127.0.0.1", "--source", "values",
                                       "--values", valuesFile, "--duration", "60"},
                                      child_, log_);
  }
  ~ValuesServer() {
    Stop();
    std::remove(log_.c_str());
  }
  // True once it answers (at most 15 s).
  bool Up() const {
    return started_ && orvane_test::WaitUntil(
                           [&] { return orvane_test::AskServer(port_, "13092,4,1") != "<no reply>"; }, 15000);
  }
  int Stop() {
    const int code = started_ ? platform::StopProcess(child_, 5000) : -1;
    started_ = false;
    return code;
  }
  uint16_t Port() const { return port_; }
  std::string Log() const {
    std::string text;
    platform::ReadWholeFile(log_, text, 1 << 20);
    return text;
  }

 private:
  uint16_t port_;
  std::string log_;
  platform::ChildProcess child_;
  bool started_ = false;
};

TEST(PilotStateSources, NetworkFromOrvaneGCServerValues) {
  PilotStateFile file;
  ASSERT_TRUE(file.Written());
  ValuesServer server(file.Path());
  ASSERT_TRUE(server.Up()) << server.Log();

  NetworkSettings settings;
  settings.ServerAddress = "127.0.0.1";
  settings.ServerPort = std::to_string(server.Port());
  const ReadPlan plan = ReadPlan::With(PilotStateVars());
  NetworkSource net(settings, plan);
  net.NetworkStartup();
  ASSERT_TRUE(net.NetworkConnected());
  for (bool pipeline : {false, true}) {
    InterfaceValues state{};
    EXPECT_TRUE(FetchNetworkState(net.ClientObject(), net.DataExchangeObject(), pipeline, state, plan));
    ExpectPilotState(state, pipeline ? "OrvaneGCServer --source values, pipelined"
                                     : "OrvaneGCServer --source values, one by one");
  }
  net.NetworkShutdown();
  EXPECT_EQ(server.Stop(), 0) << server.Log();
}

TEST(PilotStateSources, OrvaneSimServesEveryVariableOfTheDemo) {
  const double t = demo::times::kIlsCaptured;
  orvane_test::SimPeer sim;
  std::string error;
  ASSERT_TRUE(sim.Start({"--demo-time", std::to_string(t), "--freeze", "--duration", "60"}, error)) << error;
  VarSet all;
  for (size_t v = 0; v < kFlightVarCount; ++v) all.Add(FlightVar(v));
  SimulatorSource source(false, ReadPlan::With(all));
  uint32_t code = 0;
  ASSERT_TRUE(source.Open(&code)) << code;
  InterfaceValues served{};
  ASSERT_TRUE(source.FetchInterface(served));
  source.Client().SimIpcClose();
  const InterfaceValues demo = EncodeInterface(demo::StateAt(t));
  for (size_t v = 0; v < kFlightVarCount; ++v) {
    const FlightVar var = FlightVar(v);
    if (!VarInfo(var).hasField) continue;
    EXPECT_TRUE(served.Valid.Has(var)) << VarName(var);
    EXPECT_EQ(RawNumber(served, var), RawNumber(demo, var)) << VarName(var);
    EXPECT_EQ(TextOf(served, var), TextOf(demo, var)) << VarName(var);
  }
  EXPECT_EQ(sim.Stop(), 0) << sim.Log();
}

}  // namespace
