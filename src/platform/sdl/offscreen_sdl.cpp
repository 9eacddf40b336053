// The hidden GL context for snapshots and render tests on Linux: an SDL window that is never shown.
#include <SDL.h>

#include <cstdlib>
#include <string>

#include "platform/gl.h"
#include "platform/window.h"

namespace platform {

struct OffscreenGl::State {
  SDL_Window* window = nullptr;
  SDL_GLContext context = nullptr;
  bool videoStarted = false;  // this context holds one of SDL's video references
};

namespace {

bool Empty(const char* value) { return value == nullptr || value[0] == '\0'; }

// Asks SDL for a compatibility-profile context with the attributes of the display window.
void RequestAttributes(bool doubleBuffer, int depthBits) {
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depthBits);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, doubleBuffer ? 1 : 0);
}

void Release(OffscreenGl::State& s) {
  if (s.context != nullptr) {
    if (SDL_GL_GetCurrentContext() == s.context) SDL_GL_MakeCurrent(s.window, nullptr);
    SDL_GL_DeleteContext(s.context);
    s.context = nullptr;
  }
  if (s.window != nullptr) {
    SDL_DestroyWindow(s.window);
    s.window = nullptr;
  }
  if (s.videoStarted) {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    s.videoStarted = false;
  }
}

}  // namespace

OffscreenGl::OffscreenGl() : state_(new State) {}

OffscreenGl::~OffscreenGl() {
  Close();
  delete state_;
}

bool OffscreenGl::IsOpen() const { return state_->context != nullptr; }

bool OffscreenGl::MakeCurrent() {
  return state_->context != nullptr && SDL_GL_MakeCurrent(state_->window, state_->context) == 0;
}

void OffscreenGl::Close() { Release(*state_); }

bool OffscreenGl::Open(int width, int height, std::string& error) {
  State& s = *state_;
  if (s.context != nullptr) {
    error = "SDL: the offscreen GL context is already open";
    return false;
  }
  if (width <= 0 || height <= 0) {
    error = "SDL: bad offscreen size " + std::to_string(width) + " x " + std::to_string(height);
    return false;
  }
  // Without a display, SDL's offscreen driver still gives a real (EGL) GL context.
  if (Empty(std::getenv("DISPLAY")) && Empty(std::getenv("WAYLAND_DISPLAY")) &&
      Empty(std::getenv("SDL_VIDEODRIVER"))) {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
  }
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    error = std::string("SDL: Failed to start video: ") + SDL_GetError();
    return false;
  }
  s.videoStarted = true;

  // The first combination the driver accepts: double-buffered first, then single, 24 then 16 bits.
  const struct {
    bool doubleBuffer;
    int depthBits;
  } attempts[] = {{true, 24}, {false, 24}, {true, 16}, {false, 16}};
  std::string reasons;
  for (const auto& attempt : attempts) {
    RequestAttributes(attempt.doubleBuffer, attempt.depthBits);
    s.window = SDL_CreateWindow("Orvane offscreen", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (s.window == nullptr) {
      reasons += std::string(" window: ") + SDL_GetError() + ";";
      continue;
    }
    s.context = SDL_GL_CreateContext(s.window);
    if (s.context != nullptr && SDL_GL_MakeCurrent(s.window, s.context) == 0) {
      break;
    }
    reasons += std::string(" context: ") + SDL_GetError() + ";";
    if (s.context != nullptr) SDL_GL_DeleteContext(s.context);
    s.context = nullptr;
    SDL_DestroyWindow(s.window);
    s.window = nullptr;
  }
  if (s.context == nullptr) {
    error = std::string("SDL: Failed to create an offscreen GL context (driver ") +
            (SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "none") + "):" + reasons;
    Release(s);
    return false;
  }
  // Reads come from the buffer that is drawn into.
  GLint doubleBuffered = 0;
  glGetIntegerv(GL_DOUBLEBUFFER, &doubleBuffered);
  glDrawBuffer(doubleBuffered ? GL_BACK : GL_FRONT);
  glReadBuffer(doubleBuffered ? GL_BACK : GL_FRONT);
  return true;
}

}  // namespace platform
