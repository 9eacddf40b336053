// CreateGlWindow, InitGl, ResizeGlScene and KillGlWindow: the display's side of its window.
#include <string>

#include "platform/gl.h"
#include "platform/system.h"
#include "platform/window.h"
#include "pfd/font.h"
#include "shell/display.h"

const char* const TitleSimulator = "Orvane PFD Panel v1.0 - Freeware [FSUIPC]";
const char* const TitleNetwork = "Orvane PFD Panel v1.0 - Freeware [NETWORK]";
const char* const TitleNotConnected = "Orvane PFD Panel v1.0 - Freeware [NOT CONNECTED]";
const char* const ConnectionFailedText = "ERROR !!\r\n\r\nOrvane GC Server connection failed.";

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

void SetInitialGlState() {
  glEnable(GL_TEXTURE_2D);
  glShadeModel(GL_SMOOTH);
  glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
  glClearDepth(1.0);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

Display::Display(const Settings& settings) : settings_(settings) {
  if (settings_.UseNetwork) {
    auto network = std::make_unique<NetworkSource>(settings_.Network);
    network_ = network.get();
    source_ = std::move(network);
  } else {
    auto simulator = std::make_unique<SimulatorSource>(settings_.SimReconnect);
    simulator_ = simulator.get();
    source_ = std::move(simulator);
  }
}

Display::~Display() { platform::SetSizeHandler(nullptr); }

void Display::OnGlWindowSize(int width, int height) {
  if (startupResizeDone_) return;
  ResizeGlScene(width, height);
}

bool Display::InitGl() {
  if (network_ != nullptr) {
    network_->NetworkStartup();
    ShowLinkInTitle();
  }
  const bool texturesReady = LoadTextureSet(resources_);
  std::string failure;
  if (simulator_ != nullptr) {
    // Simulator mode stands or falls with the link, opened once the textures are in.
    uint32_t resultCode = 0;
    if (!simulator_->Open(&resultCode)) {
      if (settings_.SimReconnect) {
        // Waiting for the simulator: the window stays open and says so in its title.
        platform::DebugLog("Simulator: no simulator answers (code " + std::to_string(resultCode) +
                           "); trying again every 2 s.");
        ShowLinkInTitle();
      } else {
        failure = "FSUIPC connection failed.";
      }
    }
  } else if (!texturesReady) {
    failure = std::string("The texture file \"") + TextureFileNames[SlotHorizon] +
              "\" is missing or is not a usable bitmap in the folder " + platform::CurrentDirectory() + ".";
  }
  if (!failure.empty()) {
    platform::ShowPositionedErrorDialog(failure, ErrorDialogCoordinate(settings_.WindowX),
                                        ErrorDialogCoordinate(settings_.WindowY));
    return false;
  }
  BuildFont(resources_);
  SetInitialGlState();
  return true;
}

bool Display::CreateGlWindow(const std::string& title, int32_t width, int32_t height, int32_t colourBits,
                             bool fullScreen) {
  if (fullScreen) platform::DebugLog("Full screen was requested; the window opens windowed.");

  startupResizeDone_ = false;
  platform::SetSizeHandler([this](int w, int h) { OnGlWindowSize(w, h); });

  platform::WindowParams params;
  params.title = title;
  params.x = settings_.WindowX;
  params.y = settings_.WindowY;
  params.colourBits = colourBits;
  params.iconFile = "plane2.ico";
  titleShowsConnected_ = true;
  if (!platform::OpenGlWindow(params)) return false;

  ResizeGlScene(width, height);
  startupResizeDone_ = true;

  if (!InitGl()) {
    KillGlWindow();
    platform::ShowMessageBox("initialization failed.", "Error", platform::MessageIcon::Exclamation);
    return false;
  }
  return true;
}

void Display::KillGlWindow() {
  platform::CloseGlWindow();
  if (network_ != nullptr) network_->NetworkShutdown();
}

bool Display::GlWindowActive() const { return platform::WindowActive(); }

void Display::ShowLinkInTitle() {
  // Without a way back, a lost simulator link leaves the title as it is: the flag tells.
  if (simulator_ != nullptr && !settings_.SimReconnect) return;
  const bool connected = source_->LinkUp();
  if (connected == titleShowsConnected_) return;
  const char* up = network_ != nullptr ? TitleNetwork : TitleSimulator;
  platform::SetGlWindowTitle(connected ? up : TitleNotConnected);
  titleShowsConnected_ = connected;
}
