// CreateGlWindow, InitGl, ResizeGlScene and KillGlWindow: the display's side of its window.
#include <cmath>
#include <cstdio>
#include <string>

#include "platform/gl.h"
#include "platform/system.h"
#include "platform/window.h"
#include "pfd/font.h"
#include "pfd/frame_draw.h"
#include "shell/display.h"

const char* const TitleSimulator = "Orvane PFD Panel v1.0 - Freeware [FSUIPC]";
const char* const TitleNetwork = "Orvane PFD Panel v1.0 - Freeware [NETWORK]";
const char* const TitleNotConnected = "Orvane PFD Panel v1.0 - Freeware [NOT CONNECTED]";
const char* const ConnectionFailedText = "ERROR !!\r\n\r\nOrvane GC Server connection failed.";

int ErrorDialogCoordinate(int32_t windowCoordinate) {
  const int64_t c = int64_t{windowCoordinate} + 10;
  return c > INT32_MAX ? INT32_MAX : static_cast<int>(c);
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

Display::~Display() {
  platform::SetSizeHandler(nullptr);
  platform::SetDpiHandler(nullptr);
}

void Display::OnGlWindowSize(int width, int height) {
  if (!startupResizeDone_) {
    ResizeGlScene(width, height);
    return;
  }
  // Minimised (a 0 x 0 client area): nothing is drawn, and the layout waits for the restore.
  if (width <= 0 || height <= 0) return;
  // Today's window keeps its drawing surface whatever the size messages say (FitPanelToWindow);
  // a window of any other size keeps the panel fitted into it (resized, restored, moved to a
  // monitor of another scale).
  FitPanelToWindow();
}

void Display::FitPanelToWindow() {
  int panelWidth = 0, panelHeight = 0, width = 0, height = 0;
  platform::StandardClientSize(&panelWidth, &panelHeight);
  platform::ClientSize(&width, &height);
  if (width <= 0 || height <= 0) return;  // minimised: keep the layout for the restore
  // Without a window key and at the monitor's own scale of 1, the window is today's, whatever its
  // frame leaves of its fixed outer size: the surface stays at (0, 0) at scale 1.
  if (!settings_.CustomWindow() && platform::WindowScale() == 1.0) {
    const bool wasFitted = !layout_.standard;
    layout_ = StandardLayout(panelWidth, panelHeight);
    // Back from a monitor of another scale: the start-up surface again, nothing clipped.
    if (wasFitted) {
      ResizeGlScene(kSurfaceWidth, kSurfaceHeight);
      glDisable(GL_SCISSOR_TEST);
    }
    return;
  }
  layout_ = FitLayout(panelWidth, panelHeight, width, height);
  ApplyPanelLayout(layout_);
}

std::string Display::SurfaceTooLargeText() const {
  GLint limit[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, limit);
  const long width = std::lround(kSurfaceWidth * layout_.scale);
  const long height = std::lround(kSurfaceHeight * layout_.scale);
  if (limit[0] <= 0 || limit[1] <= 0 || (width <= limit[0] && height <= limit[1])) return std::string();

  std::string keys;
  auto add = [&keys](const std::string& key) { keys += (keys.empty() ? "" : ", ") + key; };
  if (settings_.Fullscreen) add("FULLSCREEN=Y (monitor " + std::to_string(settings_.Monitor) + ")");
  if (!settings_.Fullscreen && settings_.Width != 0) add("WIDTH=" + std::to_string(settings_.Width));
  if (!settings_.Fullscreen && settings_.Height != 0) add("HEIGHT=" + std::to_string(settings_.Height));
  if (!settings_.Fullscreen && settings_.Scale != 0.0) {
    char scale[32];
    std::snprintf(scale, sizeof scale, "SCALE=%g", settings_.Scale);
    add(scale);
  }
  int clientWidth = 0, clientHeight = 0;
  platform::ClientSize(&clientWidth, &clientHeight);
  // The tallest panel the limit allows: the panel is the lower part of the surface.
  const long panelHeight = long{limit[1]} * layout_.panelHeight / kSurfaceHeight;
  return "Settings file " + SettingsFilePath() + ", section [WINDOW]: " +
         (keys.empty() ? std::string("the drawing area") : "with " + keys + " the drawing area") + " is " +
         std::to_string(clientWidth) + " x " + std::to_string(clientHeight) +
         " pixels, and the panel would need a drawing surface of " + std::to_string(width) + " x " +
         std::to_string(height) + " pixels; this graphics driver draws at most " + std::to_string(limit[0]) +
         " x " + std::to_string(limit[1]) + " (GL_MAX_VIEWPORT_DIMS). Choose a smaller window: the panel can be at most " +
         std::to_string(panelHeight) + " pixels high.";
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
  platform::SetDpiHandler([this](double) {
    if (startupResizeDone_) FitPanelToWindow();
  });

  platform::WindowParams params;
  params.title = title;
  params.x = settings_.WindowX;
  params.y = settings_.WindowY;
  params.colourBits = colourBits;
  params.iconFile = "plane2.ico";
  params.borderless = settings_.Borderless;
  params.fullscreen = settings_.Fullscreen;
  params.topmost = settings_.Topmost;
  params.monitor = settings_.Monitor;
  params.msaaSamples = settings_.Msaa;
  int standardWidth = 0, standardHeight = 0;
  platform::StandardClientSize(&standardWidth, &standardHeight);
  params.clientWidth = settings_.Width;
  params.clientHeight = settings_.Height;
  if (settings_.Scale > 0.0 && settings_.Width == 0 && settings_.Height == 0) {
    params.clientWidth = static_cast<int>(std::lround(standardWidth * settings_.Scale));
    params.clientHeight = static_cast<int>(std::lround(standardHeight * settings_.Scale));
  }
  // Sharp on a monitor of any scale: the window draws in the monitor's own pixels.
  params.dpiAware = true;
  platform::DeclareDpiAware();
  titleShowsConnected_ = true;
  if (!platform::OpenGlWindow(params)) return false;

  ResizeGlScene(width, height);
  layout_ = StandardLayout(standardWidth, standardHeight);
  FitPanelToWindow();
  startupResizeDone_ = true;
  const std::string tooLarge = SurfaceTooLargeText();
  if (!tooLarge.empty()) {
    // Before the data source is opened: the window goes, and the message says why.
    platform::CloseGlWindow();
    platform::ShowMessageBox(tooLarge, "Error", platform::MessageIcon::Exclamation);
    return false;
  }

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
