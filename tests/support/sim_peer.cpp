// Starting and stopping orvane-sim for the IPC tests, with bounded waits and its log kept.
#include "support/sim_peer.h"

#include <cstdio>

#include "platform/ipc.h"
#include "platform/net.h"
#include "platform/process.h"
#include "platform/system.h"

namespace orvane_test {

namespace {

constexpr uint32_t kStartTimeoutMs = 15000;
constexpr uint32_t kStopTimeoutMs = 5000;
constexpr uint32_t kPollMs = 20;
int g_peerCounter = 0;

// Gives every test process its own peer namespace (Linux), once.
void UseOwnNamespace() {
  static const bool done = [] {
    platform::SetIpcNamespace("test-" + std::to_string(platform::CurrentProcessId()));
    return true;
  }();
  (void)done;
}

}  // namespace

std::string SimProgramPath() {
  return platform::CurrentDirectory() + platform::PathSeparator() + "orvane-sim" + ORVANE_EXE_SUFFIX;
}

SimPeer::SimPeer() { UseOwnNamespace(); }

SimPeer::~SimPeer() { Stop(); }

bool SimPeer::Start(const std::vector<std::string>& args, std::string& error, const std::string& className) {
  Stop();
  className_ = className;
  logFile_ = "orvane-sim-test-" + std::to_string(platform::CurrentProcessId()) + "-" +
             std::to_string(++g_peerCounter) + ".log";
  log_.clear();
  if (!platform::StartProcess(SimProgramPath(), args, child_, logFile_)) {
    error = "cannot start " + SimProgramPath();
    return false;
  }
  const uint64_t deadline = platform::MonotonicMicros() + uint64_t(kStartTimeoutMs) * 1000u;
  platform::IpcClient probe;
  while (platform::MonotonicMicros() < deadline) {
    if (platform::FindIpcWindow(probe, className.c_str()) != 0) return true;
    if (!platform::ProcessRunning(child_)) break;
    platform::SleepMs(kPollMs);
  }
  Stop();
  error = "orvane-sim did not come up as " + className + "; its log:\n" + log_;
  return false;
}

int SimPeer::Stop() {
  if (child_.id == 0) return 0;
  const int code = platform::StopProcess(child_, kStopTimeoutMs);
  // The window (or socket) may outlive the process by a moment on some systems.
  const uint64_t deadline = platform::MonotonicMicros() + uint64_t(kStopTimeoutMs) * 1000u;
  platform::IpcClient probe;
  while (platform::FindIpcWindow(probe, className_.c_str()) != 0 && platform::MonotonicMicros() < deadline)
    platform::SleepMs(kPollMs);
  platform::ReadWholeFile(logFile_, log_, 1 << 20);
  std::remove(logFile_.c_str());
  return code;
}

bool SimPeer::Running() const { return child_.id != 0 && platform::ProcessRunning(child_); }

std::string SimPeer::Log() const {
  if (child_.id == 0) return log_;
  std::string now;
  platform::ReadWholeFile(logFile_, now, 1 << 20);
  return now;
}

}  // namespace orvane_test
