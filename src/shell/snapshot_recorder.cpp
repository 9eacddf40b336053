// Headless recording of the live display: grabs the panel from the back buffer at an interval, logs frames.
#include "shell/snapshot_recorder.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pfd/frame_rules.h"
#include "platform/gl.h"
#include "platform/system.h"
#include "shell/png_writer.h"

namespace {

struct Recorder {
  std::string dir;
  uint64_t everyUs = 5000000;
  uint64_t runUs = 0;
  uint64_t startUs = 0;
  uint64_t nextUs = 0;
  int count = 0;
  std::FILE* frameLog = nullptr;
  uint64_t frames = 0;
  uint64_t lastPumpUs = 0;
  uint64_t lastFrameUs = 0;
  uint64_t messages = 0;
  std::string startupLog;  // ORVANE_STARTUP_LOG
  uint64_t firstFrameUs = 0;
  bool startupWritten = false;
};
Recorder g_recorder;

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

// The panel the Linux window shows: the lower-left 332 x 332 pixels of the drawing surface.
// Returns the index of the PNG written, or -1.
int Capture() {
  const int size = 332;
  std::vector<uint8_t> bottomUp(size_t(size) * size * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  std::vector<uint8_t> topDown(bottomUp.size());
  for (int y = 0; y < size; ++y)
    std::copy_n(&bottomUp[size_t(size - 1 - y) * size * 3], size_t(size) * 3, &topDown[size_t(y) * size * 3]);
  char name[64];
  const int index = g_recorder.count++;
  std::snprintf(name, sizeof name, "pfd-%04d.png", index);
  std::string path = g_recorder.dir + "/" + name;
  std::string error;
  if (!WritePng(path, size, size, topDown, error)) {
    platform::DebugLog("snapshot: " + error);
    return -1;
  }
  platform::DebugLog("snapshot: " + path);
  return index;
}

// True when the failure flag is on the drawn picture: the text box of "ATT" holds only the black
// of its plate and the amber of its letters (both in good measure), which neither the sky, the
// ground nor the pitch ladder behind it can give.
bool FailureFlagShown() {
  // Text space is 640 wide over the 500-pixel drawing surface, 740 high over 740 pixels.
  const float xScale = 500.0f / 640.0f;
  const int x0 = int(kFailureFlagX * xScale) + 1;
  const int y0 = int(kFailureFlagY) + 1;
  const int width = int(36.0f * xScale) - 2;  // three glyphs: two advances of 10 and one of 16
  const int height = 14;
  std::vector<uint8_t> pixels(size_t(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(x0, y0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
  size_t black = 0, amber = 0;
  for (size_t i = 0; i < pixels.size(); i += 3) {
    const int r = pixels[i], g = pixels[i + 1], b = pixels[i + 2];
    if (r < 24 && g < 24 && b < 24) {
      ++black;
    } else if (b < 48 && r > 40 && g <= r && g * 100 >= r * 55) {
      ++amber;
    }
  }
  const size_t total = size_t(width) * height;
  return (black + amber) * 100 >= total * 97 && black * 100 >= total * 30 && amber * 100 >= total * 3;
}

void WriteFrameLine(uint64_t now, int snapshot) {
  const uint64_t sincePump = now - std::min(now, g_recorder.lastPumpUs);
  const uint64_t sinceFrame = now - std::min(now, g_recorder.lastFrameUs);
  std::fprintf(g_recorder.frameLog, "%" PRIu64 " %" PRIu64 " %d %" PRIu64 " %" PRIu64 " %" PRIu64 " %d\n",
               g_recorder.frames, now, FailureFlagShown() ? 1 : 0, sincePump, sinceFrame, g_recorder.messages,
               snapshot);
  std::fflush(g_recorder.frameLog);
  ++g_recorder.frames;
  g_recorder.lastFrameUs = now;
  g_recorder.messages = 0;
}

// The start-up times, once the first frame has been swapped.
void WriteStartupLine(uint64_t swappedUs) {
  g_recorder.startupWritten = true;
  std::FILE* f = std::fopen(g_recorder.startupLog.c_str(), "a");
  if (f == nullptr) {
    platform::DebugLog("start-up log: cannot open " + g_recorder.startupLog);
    return;
  }
  std::fprintf(f, "%" PRIu64 " %" PRIu64 " %" PRIu64 "\n", g_recorder.startUs, g_recorder.firstFrameUs, swappedUs);
  std::fclose(f);
}

}  // namespace

void RecorderInit() {
  const char* startupLog = std::getenv("ORVANE_STARTUP_LOG");
  g_recorder.startupLog = startupLog ? startupLog : "";
  const char* dir = std::getenv("ORVANE_SNAPSHOT_DIR");
  g_recorder.dir = dir ? dir : "";
  g_recorder.everyUs = EnvNumber("ORVANE_SNAPSHOT_EVERY_MS", 5000) * 1000u;
  g_recorder.runUs = EnvNumber("ORVANE_RUN_SECONDS", 0) * 1000000u;
  g_recorder.startUs = platform::MonotonicMicros();
  g_recorder.nextUs = g_recorder.startUs;
  g_recorder.lastPumpUs = g_recorder.startUs;
  g_recorder.lastFrameUs = g_recorder.startUs;
  const char* log = std::getenv("ORVANE_FRAME_LOG");
  if (log != nullptr && *log != '\0' && g_recorder.frameLog == nullptr) {
    g_recorder.frameLog = std::fopen(log, "a");
    if (g_recorder.frameLog == nullptr) platform::DebugLog(std::string("frame log: cannot open ") + log);
    else std::fputs("# frame end_us flag since_pump_us since_last_frame_us messages snapshot\n", g_recorder.frameLog);
  }
}

void RecorderNoteMessagePump(bool handled) {
  g_recorder.lastPumpUs = platform::MonotonicMicros();
  if (handled) ++g_recorder.messages;
  if (!g_recorder.startupLog.empty() && g_recorder.firstFrameUs != 0 && !g_recorder.startupWritten)
    WriteStartupLine(g_recorder.lastPumpUs);
}

bool RecorderAfterFrame() {
  uint64_t now = platform::MonotonicMicros();
  int snapshot = -1;
  if (!g_recorder.dir.empty() && now >= g_recorder.nextUs) {
    snapshot = Capture();
    g_recorder.nextUs = now + g_recorder.everyUs;
  }
  if (g_recorder.frameLog != nullptr) WriteFrameLine(now, snapshot);
  if (!g_recorder.startupLog.empty() && g_recorder.firstFrameUs == 0) g_recorder.firstFrameUs = now;
  const bool goOn = (g_recorder.runUs == 0 || now - g_recorder.startUs < g_recorder.runUs) && !g_recorder.startupWritten;
  if (!goOn && g_recorder.frameLog != nullptr) {
    std::fclose(g_recorder.frameLog);
    g_recorder.frameLog = nullptr;
  }
  return goOn;
}
