// The display's window opened as the program opens it, for the window tests of both systems: in a
// new current folder holding only a small "pfd_2.txr" and "plane2.ico", network mode against a port
// where no server listens (so no simulator is needed and the title turns to "[NOT CONNECTED]").
#pragma once

#include <cstdint>
#include <memory>

#include "platform/window.h"
#include "shell/display.h"
#include "support/test_env.h"

namespace orvane_test {

class TestDisplayWindow {
 public:
  // clientWidth and clientHeight: the WIDTH and HEIGHT keys (0: not given).
  TestDisplayWindow(int32_t x, int32_t y, int32_t clientWidth = 0, int32_t clientHeight = 0);
  ~TestDisplayWindow();
  TestDisplayWindow(const TestDisplayWindow&) = delete;
  TestDisplayWindow& operator=(const TestDisplayWindow&) = delete;

  // CreateGlWindow with the network title and the 500 x 740 surface.
  bool Open();
  // KillGlWindow, once; Open() may follow.
  void Close();
  bool IsOpen() const { return open_; }
  Display& display() { return *display_; }
  // Handles every pending message; false if the quit message came.
  bool Drain();

 private:
  UnusedPort noServer_;
  TempFolder folder_;
  std::unique_ptr<Display> display_;
  bool open_ = false;
};

}  // namespace orvane_test
