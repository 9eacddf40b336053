// Operating-system services on Linux: clock, sleep, files, SDL message boxes (stderr without a display).
#include <SDL.h>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/system.h"

namespace platform {

uint64_t MonotonicMicros() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

void SleepMs(uint32_t ms) {
  timespec ts{time_t(ms / 1000), long(ms % 1000) * 1000000L};
  while (nanosleep(&ts, &ts) != 0) {
  }
}

uint32_t CurrentProcessId() { return uint32_t(getpid()); }

std::string CurrentDirectory() {
  char buf[4096];
  if (getcwd(buf, sizeof buf) == nullptr) return ".";
  return buf;
}

char PathSeparator() { return '/'; }

bool FileExists(const std::string& name) {
  struct stat st {};
  return !name.empty() && stat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

// A display is there when an X11 or Wayland server is named and SDL is not forced offscreen.
bool HaveDisplay() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver && (std::string(driver) == "offscreen" || std::string(driver) == "dummy")) return false;
  return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

Uint32 SdlFlags(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error: return SDL_MESSAGEBOX_ERROR;
    case MessageIcon::Exclamation: return SDL_MESSAGEBOX_WARNING;
    case MessageIcon::Information: return SDL_MESSAGEBOX_INFORMATION;
  }
  return SDL_MESSAGEBOX_ERROR;
}

// The text as one stderr line: line breaks shown as " / " so a log stays one line per message.
std::string OneLine(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r') continue;
    if (c == '\n') {
      if (!out.empty() && out.back() != ' ') out += " ";
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  std::fprintf(stderr, "[%s] %s\n", caption.c_str(), OneLine(text).c_str());
  std::fflush(stderr);
  if (!HaveDisplay() || std::getenv("ORVANE_NO_DIALOGS") != nullptr) return;
  SDL_ShowSimpleMessageBox(SdlFlags(icon), caption.c_str(), text.c_str(), nullptr);
}

void ShowPositionedErrorDialog(const std::string& text, int x, int y) {
  // SDL places its message boxes itself; the position matters on Windows only.
  (void)x;
  (void)y;
  ShowMessageBox(text, "Error", MessageIcon::Error);
}

void DebugLog(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
}

char LocaleDecimalSeparator() {
  const lconv* lc = std::localeconv();
  if (lc == nullptr || lc->decimal_point == nullptr || lc->decimal_point[0] == '\0') return '.';
  return lc->decimal_point[0];
}

}  // namespace platform
