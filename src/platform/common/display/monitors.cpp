// What every platform shares about monitors and window parameters: the monitor list in words and
// the checks made before a window is built.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/window.h"

namespace platform {

std::string DescribeMonitors(const std::vector<MonitorRect>& monitors) {
  if (monitors.empty()) return "none";
  std::string text;
  for (const MonitorRect& m : monitors) {
    if (!text.empty()) text += ", ";
    text += std::to_string(m.index) + " (" + std::to_string(m.left) + "," + std::to_string(m.top) + ")-(" +
            std::to_string(m.right) + "," + std::to_string(m.bottom) + ")";
  }
  return text;
}

namespace {

int ClampToInt(int64_t v) { return v < INT32_MIN ? INT32_MIN : (v > INT32_MAX ? INT32_MAX : static_cast<int>(v)); }

}  // namespace

WindowPlacement PlaceWindow(const WindowParams& params, const MonitorRect& monitor, int standardWidth,
                            int standardHeight) {
  WindowPlacement p;
  if (params.fullscreen) {
    p.x = monitor.left;
    p.y = monitor.top;
    p.width = monitor.right - monitor.left;
    p.height = monitor.bottom - monitor.top;
    return p;
  }
  p.x = ClampToInt(int64_t{monitor.left} + params.x);
  p.y = ClampToInt(int64_t{monitor.top} + params.y);
  p.width = params.clientWidth > 0 ? params.clientWidth : standardWidth;
  p.height = params.clientHeight > 0 ? params.clientHeight : standardHeight;
  return p;
}

std::string CheckWindowParams(const WindowParams& params, const std::vector<MonitorRect>& monitors) {
  const std::string sizes = " (1 to " + std::to_string(MaxClientSize) + " pixels, 0 for the standard size).";
  if (params.clientWidth < 0 || params.clientWidth > MaxClientSize) {
    return "The window width " + std::to_string(params.clientWidth) + " is out of range" + sizes;
  }
  if (params.clientHeight < 0 || params.clientHeight > MaxClientSize) {
    return "The window height " + std::to_string(params.clientHeight) + " is out of range" + sizes;
  }
  const int s = params.msaaSamples;
  if (s != 0 && s != 2 && s != 4 && s != 8) {
    return "Multisampling with " + std::to_string(s) + " samples is not offered (0, 2, 4 or 8).";
  }
  if (params.fullscreen && monitors.empty()) {
    return "Full screen needs the monitor's rectangle, and the system reports no monitor.";
  }
  // Without any monitor reported, the primary is taken to start at (0, 0) as it always does.
  const bool known = monitors.empty() ? params.monitor == 1
                                      : params.monitor >= 1 && size_t(params.monitor) <= monitors.size();
  if (!known) {
    return "Monitor " + std::to_string(params.monitor) + " does not exist; monitors found: " +
           DescribeMonitors(monitors) + ".";
  }
  return std::string();
}

}  // namespace platform
