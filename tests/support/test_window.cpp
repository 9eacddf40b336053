// The display's window in a scratch folder, for the window tests.
#include "support/test_window.h"

#include <gtest/gtest.h>

#include <string>

#include "support/display_run.h"

namespace orvane_test {

TestDisplayWindow::TestDisplayWindow(int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight)
    : folder_("orvane-window", true) {
  folder_.Write("pfd_2.txr", SmallBmpFile());
  folder_.Write("plane2.ico", SmallIconFile());
  Settings settings;
  settings.UseNetwork = true;
  settings.Network.ServerAddress = "127.0.0.1";
  settings.Network.ServerPort = std::to_string(noServer_.Port());
  settings.WindowX = x;
  settings.WindowY = y;
  settings.Width = clientWidth;
  settings.Height = clientHeight;
  display_ = std::make_unique<Display>(settings);
}

TestDisplayWindow::~TestDisplayWindow() {
  Close();
  display_.reset();
}

bool TestDisplayWindow::Open() {
  open_ = display_->CreateGlWindow(TitleNetwork, 500, 740, 32, false);
  return open_;
}

void TestDisplayWindow::Close() {
  if (!open_) return;
  display_->KillGlWindow();
  open_ = false;
}

bool TestDisplayWindow::Drain() {
  for (int i = 0; i < 10000; ++i) {
    const platform::PumpResult r = display_->window().PumpOneMessage();
    if (r == platform::PumpResult::Empty) return true;
    if (r == platform::PumpResult::Quit) return false;
  }
  ADD_FAILURE() << "the message queue never ran empty";
  return true;
}

}  // namespace orvane_test
