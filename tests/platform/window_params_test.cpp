// The window parameters a platform refuses before building anything, and the monitor list in words.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window.h"

namespace {

using platform::CheckWindowParams;
using platform::MonitorRect;
using platform::WindowParams;

// A 1920 x 1080 primary with a 1280 x 1024 monitor to its right.
const std::vector<MonitorRect> kTwoMonitors = {{1, 0, 0, 1920, 1080}, {2, 1920, 0, 3200, 1024}};

TEST(WindowParams, MonitorsAreListedByNumberAndRectangle) {
  EXPECT_EQ(platform::DescribeMonitors(kTwoMonitors), "1 (0,0)-(1920,1080), 2 (1920,0)-(3200,1024)");
  EXPECT_EQ(platform::DescribeMonitors({{1, -1280, -200, 0, 824}}), "1 (-1280,-200)-(0,824)");
  EXPECT_EQ(platform::DescribeMonitors({}), "none");
}

TEST(WindowParams, MonitorNumberMustNameAnAttachedMonitor) {
  WindowParams p;
  EXPECT_EQ(CheckWindowParams(p, kTwoMonitors), "");
  p.monitor = 2;
  EXPECT_EQ(CheckWindowParams(p, kTwoMonitors), "");
  p.monitor = 3;
  EXPECT_EQ(CheckWindowParams(p, kTwoMonitors),
            "Monitor 3 does not exist; monitors found: 1 (0,0)-(1920,1080), 2 (1920,0)-(3200,1024).");
  p.monitor = 0;
  EXPECT_NE(CheckWindowParams(p, kTwoMonitors).find("Monitor 0 does not exist"), std::string::npos);

  // A system that reports no monitor still has its primary at (0, 0), but no rectangle to fill.
  p.monitor = 1;
  EXPECT_EQ(CheckWindowParams(p, {}), "");
  p.fullscreen = true;
  EXPECT_NE(CheckWindowParams(p, {}).find("Full screen"), std::string::npos);
  p.fullscreen = false;
  p.monitor = 2;
  EXPECT_EQ(CheckWindowParams(p, {}), "Monitor 2 does not exist; monitors found: none.");
}

TEST(WindowParams, PositionCountsFromTheChosenMonitorsCornerAndFullScreenTakesItsRectangle) {
  WindowParams p;
  p.x = 30;
  p.y = 40;
  platform::WindowPlacement w = platform::PlaceWindow(p, kTwoMonitors[1], 331, 321);
  EXPECT_EQ(w.x, 1950);
  EXPECT_EQ(w.y, 40);
  EXPECT_EQ(w.width, 331) << "no size asked: the standard one";
  EXPECT_EQ(w.height, 321);

  p.x = -100;  // a monitor left of the primary has negative coordinates
  p.clientWidth = 1024;
  w = platform::PlaceWindow(p, {2, -1280, -200, 0, 824}, 331, 321);
  EXPECT_EQ(w.x, -1380);
  EXPECT_EQ(w.y, -160);
  EXPECT_EQ(w.width, 1024);
  EXPECT_EQ(w.height, 321);

  p.x = 2147483000;  // far beyond any screen: held at the largest coordinate, no wrap-around
  w = platform::PlaceWindow(p, kTwoMonitors[1], 331, 321);
  EXPECT_EQ(w.x, 2147483647);

  p.fullscreen = true;
  w = platform::PlaceWindow(p, kTwoMonitors[1], 331, 321);
  EXPECT_EQ(w.x, 1920);
  EXPECT_EQ(w.y, 0);
  EXPECT_EQ(w.width, 1280);
  EXPECT_EQ(w.height, 1024);
}

TEST(WindowParams, SizesAndSampleCountsOutsideTheirRangesAreNamed) {
  WindowParams p;
  p.clientWidth = 1024;
  p.clientHeight = 768;
  EXPECT_EQ(CheckWindowParams(p, kTwoMonitors), "");
  p.clientWidth = platform::MaxClientSize;
  EXPECT_EQ(CheckWindowParams(p, kTwoMonitors), "");
  p.clientWidth = platform::MaxClientSize + 1;
  EXPECT_NE(CheckWindowParams(p, kTwoMonitors).find("width 16385"), std::string::npos);
  p.clientWidth = 0;
  p.clientHeight = -1;
  EXPECT_NE(CheckWindowParams(p, kTwoMonitors).find("height -1"), std::string::npos);
  p.clientHeight = 0;

  for (int samples : {0, 2, 4, 8}) {
    p.msaaSamples = samples;
    EXPECT_EQ(CheckWindowParams(p, kTwoMonitors), "") << samples;
  }
  for (int samples : {1, 3, 16, -2}) {
    p.msaaSamples = samples;
    EXPECT_NE(CheckWindowParams(p, kTwoMonitors).find("with " + std::to_string(samples) + " samples"),
              std::string::npos)
        << samples;
  }
}

}  // namespace
