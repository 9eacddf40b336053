// Headless recording of the live display: grabs the panel from the back buffer at an interval, logs frames.
#include "shell/snapshot_recorder.h"

#include <algorithm>
#include <cmath>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "pfd/frame_rules.h"
#include "pfd/full_attitude.h"
#include "platform/gl.h"
#include "platform/system.h"
#include "pfd/png_writer.h"

namespace {

// A positive whole number from the environment, or the fallback.
uint64_t EnvNumber(const char* name, uint64_t fallback) {
  const char* text = std::getenv(name);
  if (text == nullptr || *text == '\0') return fallback;
  char* end = nullptr;
  unsigned long long value = std::strtoull(text, &end, 10);
  if (end == text || *end != '\0') {
    platform::DebugLog(std::string("ignoring ") + name + "=" + text + ": not a whole number");
    return fallback;
  }
  return value;
}

// The panel: in today's window the lower-left 332 x 332 pixels of the drawing surface (what the
// Linux window shows), in any other the panel's rectangle at its scale. Returns the index of the
// PNG written, or -1.
int Capture(const std::string& dir, int& count, const PanelLayout& layout) {
  const int width = layout.standard ? 332 : layout.ScaledPanelWidth();
  const int height = layout.standard ? 332 : layout.ScaledPanelHeight();
  std::vector<uint8_t> bottomUp(size_t(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(layout.originX, layout.originY, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  std::vector<uint8_t> topDown(bottomUp.size());
  const size_t row = size_t(width) * 3;
  for (int y = 0; y < height; ++y) std::copy_n(&bottomUp[size_t(height - 1 - y) * row], row, &topDown[size_t(y) * row]);
  char name[64];
  const int index = count++;
  std::snprintf(name, sizeof name, "pfd-%04d.png", index);
  std::string path = dir + "/" + name;
  std::string error;
  if (!WritePng(path, width, height, topDown, error)) {
    platform::DebugLog("snapshot: " + error);
    return -1;
  }
  platform::DebugLog("snapshot: " + path);
  return index;
}

// True when the failure flag is on the drawn picture: the text box of "ATT" holds only the black
// of its plate and the amber of its letters (both in good measure), which neither the sky, the
// ground nor the pitch ladder behind it can give. Today's panel has it where its text space puts
// it; the full layout over its aircraft symbol, whose yellow (green at 84% of red, amber's at 76%)
// the test there keeps apart from the flag's amber.
bool FailureFlagShown(const PanelLayout& layout, PanelKind kind) {
  const float s = float(layout.scale);
  const int one = s < 1.0f ? 1 : int(s);
  int x0 = 0, y0 = 0, width = 0, height = 0;
  int greenPercentMax = 100;
  if (kind == PanelKind::Full) {
    greenPercentMax = 80;
    // Panel pixels times the panel's size in the window.
    const double sx = std::lround(full_layout::kPanelWidth * layout.scale) / double(full_layout::kPanelWidth);
    const double sy = std::lround(full_layout::kPanelHeight * layout.scale) / double(full_layout::kPanelHeight);
    const full_layout::Box cells = full_layout::AttitudeFlagCells();
    x0 = layout.originX + int(std::ceil(cells.x0 * sx)) + one;
    y0 = layout.originY + int(std::ceil(cells.y0 * sy)) + one;
    width = int(std::floor(cells.x1 * sx)) - int(std::ceil(cells.x0 * sx)) - 2 * one;
    height = int(std::floor(cells.y1 * sy)) - int(std::ceil(cells.y0 * sy)) - 2 * one;
  } else {
    // Text space is 640 wide over the 500-pixel drawing surface, 740 high over 740 pixels, both
    // times the panel's scale.
    const float xScale = 500.0f / 640.0f;
    x0 = layout.originX + int(kFailureFlagX * xScale * s) + one;
    y0 = layout.originY + int(kFailureFlagY * s) + one;
    width = int(36.0f * xScale * s) - 2 * one;  // three glyphs: two advances of 10 and one of 16
    height = int(16.0f * s) - 2 * one;
  }
  if (width <= 0 || height <= 0) return false;  // a panel too small to read the flag from
  std::vector<uint8_t> pixels(size_t(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(x0, y0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  size_t black = 0, amber = 0;
  for (size_t i = 0; i < pixels.size(); i += 3) {
    const int r = pixels[i], g = pixels[i + 1], b = pixels[i + 2];
    if (r < 24 && g < 24 && b < 24) {
      ++black;
    } else if (b < 48 && g * 100 <= r * greenPercentMax && g * 100 >= r * 55) {  // amber at any strength, fringes included
      ++amber;
    }
  }
  const size_t total = size_t(width) * height;
  return (black + amber) * 100 >= total * 97 && black * 100 >= total * 30 && amber * 100 >= total * 3;
}

}  // namespace

void SnapshotRecorder::WriteFrameLine(uint64_t now, int snapshot, const FlightState& state,
                                      const PanelPicture& picture) {
  const uint64_t sincePump = now - std::min(now, r_.lastPumpUs);
  const uint64_t sinceFrame = now - std::min(now, r_.lastFrameUs);
  // The attitude the picture shows, nose up and right wing down positive.
  std::fprintf(r_.frameLog, "%" PRIu64 " %" PRIu64 " %d %" PRIu64 " %" PRIu64 " %" PRIu64 " %d %.3f %.3f %s\n",
               r_.frames, now, FailureFlagShown(r_.layout, picture.kind) ? 1 : 0, sincePump, sinceFrame, r_.messages,
               snapshot, state.Pitch, state.Bank, RaisedFlagsText(picture).c_str());
  std::fflush(r_.frameLog);
  ++r_.frames;
  r_.lastFrameUs = now;
  r_.messages = 0;
}

// The start-up times, once the first frame has been swapped.
void SnapshotRecorder::WriteStartupLine(uint64_t swappedUs) {
  r_.startupWritten = true;
  std::FILE* f = std::fopen(r_.startupLog.c_str(), "a");
  if (f == nullptr) {
    platform::DebugLog("start-up log: cannot open " + r_.startupLog);
    return;
  }
  std::fprintf(f, "%" PRIu64 " %" PRIu64 " %" PRIu64 "\n", r_.startUs, r_.firstFrameUs, swappedUs);
  std::fclose(f);
}

SnapshotRecorder::~SnapshotRecorder() {
  if (r_.frameLog != nullptr) std::fclose(r_.frameLog);
}

void SnapshotRecorder::RecorderInit(const PanelLayout& layout) {
  r_.layout = layout;
  const char* startupLog = std::getenv("ORVANE_STARTUP_LOG");
  r_.startupLog = startupLog ? startupLog : "";
  const char* dir = std::getenv("ORVANE_SNAPSHOT_DIR");
  r_.dir = dir ? dir : "";
  if (!r_.dir.empty()) {
    // A folder that is not there yet is made, with the folders above it.
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(r_.dir), ec);
    if (ec) platform::DebugLog("snapshot: cannot create the folder " + r_.dir + ": " + ec.message());
  }
  r_.everyUs = EnvNumber("ORVANE_SNAPSHOT_EVERY_MS", 5000) * 1000u;
  r_.runUs = EnvNumber("ORVANE_RUN_SECONDS", 0) * 1000000u;
  r_.startUs = platform::MonotonicMicros();
  r_.nextUs = r_.startUs;
  r_.lastPumpUs = r_.startUs;
  r_.lastFrameUs = r_.startUs;
  const char* log = std::getenv("ORVANE_FRAME_LOG");
  if (log != nullptr && *log != '\0' && r_.frameLog == nullptr) {
    r_.frameLog = std::fopen(log, "a");
    if (r_.frameLog == nullptr) platform::DebugLog(std::string("frame log: cannot open ") + log);
    else std::fputs("# frame end_us flag since_pump_us since_last_frame_us messages snapshot pitch_deg bank_deg flags\n", r_.frameLog);
  }
}

void SnapshotRecorder::RecorderNoteMessagePump(bool handled) {
  r_.lastPumpUs = platform::MonotonicMicros();
  if (handled) ++r_.messages;
  if (!r_.startupLog.empty() && r_.firstFrameUs != 0 && !r_.startupWritten)
    WriteStartupLine(r_.lastPumpUs);
}

bool SnapshotRecorder::RecorderAfterFrame(const FlightState& state, const PanelPicture& picture) {
  uint64_t now = platform::MonotonicMicros();
  int snapshot = -1;
  if (!r_.dir.empty() && now >= r_.nextUs) {
    snapshot = Capture(r_.dir, r_.count, r_.layout);
    r_.nextUs = now + r_.everyUs;
  }
  if (r_.frameLog != nullptr) WriteFrameLine(now, snapshot, state, picture);
  if (!r_.startupLog.empty() && r_.firstFrameUs == 0) r_.firstFrameUs = now;
  const bool goOn = (r_.runUs == 0 || now - r_.startUs < r_.runUs) && !r_.startupWritten;
  if (!goOn && r_.frameLog != nullptr) {
    std::fclose(r_.frameLog);
    r_.frameLog = nullptr;
  }
  return goOn;
}
