// Child processes for tests, the main job and benchmarks: start, wait with a bound, stop.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

struct ChildProcess {
  intptr_t id = 0;  // process id (Linux) or process handle (Windows); 0 = none
};

// Starts `program` with `args` (not including the program itself). stdout/stderr are inherited,
// or redirected to `outputFile` (both streams) when it is not empty. False when it cannot start.
bool StartProcess(const std::string& program, const std::vector<std::string>& args, ChildProcess& child,
                  const std::string& outputFile = "");
// Waits up to timeoutMs for the child to end; true with its exit code when it did.
bool WaitProcess(ChildProcess& child, uint32_t timeoutMs, int* exitCode);
// Asks the child to stop (SIGTERM / WM_CLOSE to its windows then TerminateProcess), waits up to
// timeoutMs, then kills it. Returns its exit code, or -1 when it had to be killed.
int StopProcess(ChildProcess& child, uint32_t timeoutMs);
// True while the child runs.
bool ProcessRunning(const ChildProcess& child);

}  // namespace platform
