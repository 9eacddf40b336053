// Message boxes on Linux: SDL's, after a line on stderr (only that without a display).
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/dialogs.h"

namespace platform {

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

}  // namespace platform
