// Test helper: runs orvane-sim as a separate process with chosen options and stops it again.
#pragma once

#include <string>
#include <vector>

#include "platform/process.h"

namespace orvane_test {

// orvane-sim in the run folder (the tests' working directory).
std::string SimProgramPath();

// One orvane-sim process. On Linux all peers started by this test process share a namespace of
// their own, so concurrent test programs never see each other's simulator.
class SimPeer {
 public:
  SimPeer();
  ~SimPeer();
  SimPeer(const SimPeer&) = delete;
  SimPeer& operator=(const SimPeer&) = delete;

  // Starts orvane-sim with `args` and waits (at most 15 s) until a peer of `className` can be
  // found. False with `error` (including the program's log) when it did not come up.
  bool Start(const std::vector<std::string>& args, std::string& error,
             const std::string& className = "UIPCMAIN");
  // Stops it (close request, then kill after 5 s), waits until its peer is gone and returns its
  // exit code (-1 when it had to be killed, 0 when nothing ran).
  int Stop();
  bool Running() const;
  // What the program wrote on stderr, as far as it got (complete after Stop).
  std::string Log() const;

 private:
  platform::ChildProcess child_;
  std::string className_;
  std::string logFile_;
  std::string log_;
};

}  // namespace orvane_test
