// Headless recording of the live display: grabs the panel from the back buffer at an interval.
#include "shell/snapshot_recorder.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
void Capture() {
  const int size = 332;
  std::vector<uint8_t> bottomUp(size_t(size) * size * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
  std::vector<uint8_t> topDown(bottomUp.size());
  for (int y = 0; y < size; ++y)
    std::copy_n(&bottomUp[size_t(size - 1 - y) * size * 3], size_t(size) * 3, &topDown[size_t(y) * size * 3]);
  char name[64];
  std::snprintf(name, sizeof name, "pfd-%04d.png", g_recorder.count++);
  std::string path = g_recorder.dir + "/" + name;
  std::string error;
  if (!WritePng(path, size, size, topDown, error)) platform::DebugLog("snapshot: " + error);
  else platform::DebugLog("snapshot: " + path);
}

}  // namespace

void RecorderInit() {
  const char* dir = std::getenv("ORVANE_SNAPSHOT_DIR");
  g_recorder.dir = dir ? dir : "";
  g_recorder.everyUs = EnvNumber("ORVANE_SNAPSHOT_EVERY_MS", 5000) * 1000u;
  g_recorder.runUs = EnvNumber("ORVANE_RUN_SECONDS", 0) * 1000000u;
  g_recorder.startUs = platform::MonotonicMicros();
  g_recorder.nextUs = g_recorder.startUs;
}

bool RecorderAfterFrame() {
  uint64_t now = platform::MonotonicMicros();
  if (!g_recorder.dir.empty() && now >= g_recorder.nextUs) {
    Capture();
    g_recorder.nextUs = now + g_recorder.everyUs;
  }
  return g_recorder.runUs == 0 || now - g_recorder.startUs < g_recorder.runUs;
}
