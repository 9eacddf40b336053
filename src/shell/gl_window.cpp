// CreateGlWindow, InitGl, ResizeGlScene and KillGlWindow: the shell's side of the display window.
#include "shell/gl_window.h"

#include "platform/gl.h"
#include "platform/system.h"
#include "platform/window.h"
#include "shell/font.h"
#include "shell/settings.h"
#include "shell/texture_set.h"
#include "sources/network_link.h"

bool FullScreen = true;  // MainLoop sets it to false before the window is created

const char* const TitleSimulator = "Orvane PFD Panel v1.0 - Freeware [FSUIPC]";
const char* const TitleNetwork = "Orvane PFD Panel v1.0 - Freeware [NETWORK]";
const char* const TitleNotConnected = "Orvane PFD Panel v1.0 - Freeware [NOT CONNECTED]";
const char* const ConnectionFailedText = "ERROR !!\r\n\r\nOrvane GC Server connection failed.";

namespace {

// Set once CreateGlWindow has fixed the start-up projection; later size messages are ignored.
bool StartupResizeDone = false;

}  // namespace

int ErrorDialogCoordinate(int32_t windowCoordinate) {
  const int64_t c = int64_t{windowCoordinate} + 10;
  return c > INT32_MAX ? INT32_MAX : static_cast<int>(c);
}

void ResizeGlScene(int32_t width, int32_t height) {
  if (height == 0) height = 1;
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void OnGlWindowSize(int width, int height) {
  if (StartupResizeDone) return;
  ResizeGlScene(width, height);
}

bool InitGl() {
  if (UseNetwork) NetworkStartup();
  if (!LoadTextureSet()) {
    platform::ShowPositionedErrorDialog("FSUIPC connection failed.", ErrorDialogCoordinate(WindowX),
                                        ErrorDialogCoordinate(WindowY));
    return false;
  }
  BuildFont();
  SetInitialGlState();
  return true;
}

void SetInitialGlState() {
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

bool CreateGlWindow(const std::string& title, int32_t width, int32_t height, int32_t colourBits,
                    bool fullScreen) {
  FullScreen = false;  // full-screen display modes are not offered
  if (fullScreen) platform::DebugLog("Full screen was requested; the window opens windowed.");

  StartupResizeDone = false;
  platform::SetSizeHandler(&OnGlWindowSize);

  platform::WindowParams params;
  params.title = title;
  params.x = WindowX;
  params.y = WindowY;
  params.colourBits = colourBits;
  params.iconFile = "plane2.ico";
  if (!platform::OpenGlWindow(params)) return false;

  ResizeGlScene(width, height);
  StartupResizeDone = true;

  if (!InitGl()) {
    KillGlWindow();
    platform::ShowMessageBox("initialization failed.", "Error", platform::MessageIcon::Exclamation);
    return false;
  }
  return true;
}

void KillGlWindow() {
  platform::CloseGlWindow();
  if (UseNetwork) NetworkShutdown();
}

bool GlWindowActive() { return platform::WindowActive(); }
