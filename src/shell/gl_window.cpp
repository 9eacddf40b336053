// CreateGlWindow, InitGl and KillGlWindow: the display's side of its window.
#include <cmath>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>

#include "pfd/frame_draw.h"
#include "platform/gl.h"
#include "platform/dialogs.h"
#include "platform/system.h"
#include "platform/window.h"
#include "shell/display.h"
#include "sources/network_source.h"
#include "sources/simulator_source.h"
#include "sources/udp_feed_source.h"

const char* const TitleSimulator = "Orvane PFD Panel v1.0 - Freeware [FSUIPC]";
const char* const TitleNetwork = "Orvane PFD Panel v1.0 - Freeware [NETWORK]";
const char* const TitleNotConnected = "Orvane PFD Panel v1.0 - Freeware [NOT CONNECTED]";
const char* const ConnectionFailedText = NetworkSource::kConnectionFailedText;

std::string WindowTitle(const std::string& titleWord) { return "Orvane PFD Panel v1.0 - Freeware " + titleWord; }

std::unique_ptr<FlightDataSource> MakeSource(const Settings& settings, const ReadPlan& plan) {
  if (settings.UseNetwork) return std::make_unique<NetworkSource>(settings.Network, plan);
  switch (settings.Simulator) {
    case SimulatorKind::XPlane:
      return std::make_unique<XPlaneSource>(settings.XPlane);
    case SimulatorKind::FlightGear:
      return std::make_unique<FlightGearSource>(settings.FlightGear);
    case SimulatorKind::Ipc:
      break;
  }
  return std::make_unique<SimulatorSource>(settings.SimReconnect, plan);
}

int ErrorDialogCoordinate(int32_t windowCoordinate) {
  const int64_t c = int64_t{windowCoordinate} + 10;
  return c > INT32_MAX ? INT32_MAX : static_cast<int>(c);
}

Display::Display(const Settings& settings)
    : Display(settings, MakeSource(settings, ReadPlan::With(InterfaceVarsOf(PanelFrameRules::ReadingsShown(settings.Panel))))) {}

Display::Display(const Settings& settings, std::unique_ptr<FlightDataSource> source)
    : settings_(settings), source_(std::move(source)), renderer_(settings.Panel, settings.Renderer), rules_(settings.Panel, settings.Baro, settings.Envelope) {}

void Display::PanelSize(int* width, int* height) const {
  int standardWidth = 0, standardHeight = 0;
  platform::StandardClientSize(&standardWidth, &standardHeight);
  renderer_.PanelSize(standardWidth, standardHeight, width, height);
}

Display::~Display() {
  window_.SetSizeHandler(nullptr);
  window_.SetDpiHandler(nullptr);
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
  PanelSize(&panelWidth, &panelHeight);
  window_.ClientSize(&width, &height);
  if (width <= 0 || height <= 0) return;  // minimised: keep the layout for the restore
  // Without a window key and at the monitor's own scale of 1, today's panel has today's window,
  // whatever its frame leaves of its fixed outer size: the surface stays at (0, 0) at scale 1.
  if (renderer_.Kind() == PanelKind::Classic && !settings_.CustomWindow() && window_.Scale() == 1.0) {
    // Back from a monitor of another scale: the start-up surface again, nothing clipped.
    if (!renderer_.Layout().standard) SetSurface(kSurfaceWidth, kSurfaceHeight);
    SetLayout(StandardLayout(panelWidth, panelHeight));
    return;
  }
  SetLayout(FitLayout(panelWidth, panelHeight, width, height));
}

void Display::SetSurface(int width, int height) {
  renderer_.SetSurface(width, height);
  ApplyGlSurface(width, height);
}

void Display::SetLayout(const PanelLayout& layout) {
  renderer_.SetLayout(layout);
  // The full panel places its parts at every step.
  if (layout.standard || renderer_.Kind() != PanelKind::Classic) return;
  const render::View view = PanelView(layout);
  const render::PixelRect clip = PanelClip(layout);
  ApplyGlPanelPlace(view.viewport.x, view.viewport.y, view.viewport.w, view.viewport.h, clip.x, clip.y, clip.w,
                    clip.h);
}

std::string Display::SurfaceTooLargeText() const {
  GLint limit[2] = {0, 0};
  glGetIntegerv(GL_MAX_VIEWPORT_DIMS, limit);
  const PanelLayout& layout = renderer_.Layout();
  const long width = std::lround(kSurfaceWidth * layout.scale);
  const long height = std::lround(kSurfaceHeight * layout.scale);
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
  window_.ClientSize(&clientWidth, &clientHeight);
  // The tallest panel the limit allows: the panel is the lower part of the surface.
  const long panelHeight = long{limit[1]} * layout.panelHeight / kSurfaceHeight;
  return "Settings file " + SettingsFilePath() + ", section [WINDOW]: " +
         (keys.empty() ? std::string("the drawing area") : "with " + keys + " the drawing area") + " is " +
         std::to_string(clientWidth) + " x " + std::to_string(clientHeight) +
         " pixels, and the panel would need a drawing surface of " + std::to_string(width) + " x " +
         std::to_string(height) + " pixels; this graphics driver draws at most " + std::to_string(limit[0]) +
         " x " + std::to_string(limit[1]) + " (GL_MAX_VIEWPORT_DIMS). Choose a smaller window: the panel can be at most " +
         std::to_string(panelHeight) + " pixels high.";
}

void Display::OpenSource() {
  sourceStart_ = source_->Open();
  ShowLinkInTitle();
}

bool Display::InitGl() {
  sourceStart_ = SourceStart{};
  if (source_->OpensBeforeArtwork()) OpenSource();
  // A source opened after the artwork (the simulator's link, whose handshake mostly waits for the
  // simulator's answers) opens on a thread of its own while the textures load: the two wait on
  // different things. Its opening is bounded; the title shows its outcome once both are done.
  std::thread opening;
  if (!source_->OpensBeforeArtwork()) {
    try {
      opening = std::thread([this] { sourceStart_ = source_->Open(); });
    } catch (const std::system_error&) {
      // No thread to be had: opened after the textures, one after the other.
    }
  }
  bool texturesReady = false;
  try {
    texturesReady = renderer_.LoadTextures();
  } catch (...) {
    if (opening.joinable()) opening.join();  // a thread left running would end the program
    throw;
  }
  if (opening.joinable()) {
    opening.join();
    ShowLinkInTitle();
  } else if (!source_->OpensBeforeArtwork()) {
    OpenSource();
  }
  std::string failure;
  if (sourceStart_.outcome == SourceStart::Outcome::FailNow) {
    failure = sourceStart_.message;
  } else if (!texturesReady && source_->NeedsArtwork()) {
    failure = std::string("The texture file \"") + TextureFileNames[SlotHorizon] +
              "\" is missing or is not a usable bitmap in the folder " + platform::CurrentDirectory() + ".";
  }
  if (!failure.empty()) {
    platform::ShowPositionedErrorDialog(failure, ErrorDialogCoordinate(settings_.WindowX),
                                        ErrorDialogCoordinate(settings_.WindowY));
    return false;
  }
  renderer_.FinishSetUp();
  return true;
}

bool Display::CreateGlWindow(const std::string& title, int32_t width, int32_t height, int32_t colourBits,
                             bool fullScreen) {
  if (fullScreen) platform::DebugLog("Full screen was requested; the window opens windowed.");

  startupResizeDone_ = false;
  window_.SetSizeHandler([this](int w, int h) { OnGlWindowSize(w, h); });
  window_.SetDpiHandler([this](double) {
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
  int panelWidth = 0, panelHeight = 0;
  PanelSize(&panelWidth, &panelHeight);
  params.clientWidth = settings_.Width;
  params.clientHeight = settings_.Height;
  // SCALE times the panel; the full panel's window is its own size without a window key.
  const bool fullPanel = renderer_.Kind() == PanelKind::Full;
  if ((settings_.Scale > 0.0 || fullPanel) && settings_.Width == 0 && settings_.Height == 0) {
    const double scale = settings_.Scale > 0.0 ? settings_.Scale : 1.0;
    params.clientWidth = static_cast<int>(std::lround(panelWidth * scale));
    params.clientHeight = static_cast<int>(std::lround(panelHeight * scale));
  }
  // Sharp on a monitor of any scale: the window draws in the monitor's own pixels.
  params.dpiAware = true;
  platform::DeclareDpiAware();
  titleWord_ = source_->TitleWord();
  if (!window_.Open(params)) return false;

  SetSurface(width, height);
  SetLayout(StandardLayout(panelWidth, panelHeight));
  FitPanelToWindow();
  startupResizeDone_ = true;
  const std::string tooLarge = SurfaceTooLargeText();
  if (!tooLarge.empty()) {
    // Before the data source is opened: the window goes, and the message says why.
    window_.Close();
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
  window_.Close();
  source_->Close();
}

bool Display::GlWindowActive() const { return window_.Active(); }

void Display::ShowLinkInTitle() {
  const std::string word = source_->TitleWord();
  if (word == titleWord_) return;
  window_.SetTitle(WindowTitle(word));
  platform::DebugLog("Window title: " + WindowTitle(word));
  titleWord_ = word;
}
