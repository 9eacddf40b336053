// Test helper: a user-like folder for the real OrvaneGCPfd, and starting, stopping and reading it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/process.h"

namespace orvane_test {

// The bytes of a 16 x 16 icon file with one 32-bit image.
std::string SmallIconFile();
// The bytes of a 4 x 4 24-bit BMP.
std::string SmallBmpFile();

// A scratch folder holding plane2.ico, in which the display program runs headless (SDL offscreen
// driver and stderr messages on Linux). Removed again, with the program stopped, on destruction.
class DisplayRun {
 public:
  DisplayRun();
  ~DisplayRun();
  DisplayRun(const DisplayRun&) = delete;
  DisplayRun& operator=(const DisplayRun&) = delete;

  const std::filesystem::path& Folder() const { return dir_; }
  void Write(const std::string& name, const std::string& bytes) const;
  void Remove(const std::string& name) const;

  // Starts OrvaneGCPfd from the run folder with the scratch folder as its current directory.
  bool Start();
  // Waits up to timeoutMs for the end; true with its exit code when it ended.
  bool Wait(uint32_t timeoutMs, int* exitCode);
  // Asks it to close (SIGTERM / WM_CLOSE), then kills it after timeoutMs; its exit code or -1.
  int Stop(uint32_t timeoutMs);
  bool Running() const;
  // Everything it wrote on stdout and stderr so far.
  std::string Output() const;

 private:
  std::filesystem::path runDir_;
  std::filesystem::path dir_;
  std::string program_;
  platform::ChildProcess child_;
};

}  // namespace orvane_test
