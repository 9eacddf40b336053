// The display program: its settings, its data source and its panel renderer, the window's life
// from creation to teardown, and the main loop.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "model/read_list.h"
#include "pfd/panel_layout.h"
#include "pfd/renderer.h"
#include "pfd/texture_set.h"
#include "platform/window.h"
#include "shell/settings.h"
#include "sources/flight_data_source.h"

// The window title that ends in a source's title word.
std::string WindowTitle(const std::string& titleWord);
// The titles of the two modes and of a link that is down, and network mode's connection-failure text.
extern const char* const TitleSimulator;
extern const char* const TitleNetwork;
extern const char* const TitleNotConnected;
extern const char* const ConnectionFailedText;

// The data source the settings choose, reading `plan` each frame. The one place that knows the kinds.
std::unique_ptr<FlightDataSource> MakeSource(const Settings& settings, const ReadPlan& plan);

// A window coordinate + 10, the error dialogs' corner (kept within the 32-bit range).
int ErrorDialogCoordinate(int32_t windowCoordinate);

class Display {
 public:
  explicit Display(const Settings& settings);
  // A display over a source of the caller's making.
  Display(const Settings& settings, std::unique_ptr<FlightDataSource> source);
  ~Display();
  Display(const Display&) = delete;
  Display& operator=(const Display&) = delete;

  // Runs the display until the window is closed or a frame asks to stop. Returns 0 when the window
  // could not be created, otherwise the quit message's code (0).
  int32_t MainLoop();
  // After MainLoop: true when the panel never ran (no window, "initialization failed." or no
  // server), so the program can end with a failure code a launcher script sees.
  bool StartupFailed() const { return startupFailed_; }

  // Opens the window and its current GL context at (WindowX, WindowY), sets the start-up
  // projection for a width x height drawing surface and runs InitGl. False when any step failed:
  // its message has been shown and everything built so far released. Full-screen display modes
  // are not offered: a true `fullScreen` opens the window windowed.
  bool CreateGlWindow(const std::string& title, int32_t width, int32_t height, int32_t colourBits,
                      bool fullScreen);
  // Opens the data source (before or after the artwork, as the source wants), loads the textures,
  // the font and the GL state. Called by CreateGlWindow.
  bool InitGl();
  // Releases the context, the window and the class, then the source's transport.
  void KillGlWindow();
  // False while the window is minimised: no frame is drawn then.
  bool GlWindowActive() const;
  // One frame: the source fetches, the frame rules decide, the renderer draws (the panel, the
  // source's pause, the guidance). Returns the converted values the picture was drawn from, and
  // the picture in `decided` when given.
  FlightFrame DrawFrame(PanelPicture* decided = nullptr);
  // Brings the window title in step with the source's link (once per main-loop pass).
  void ShowLinkInTitle();

  const Settings& settings() const { return settings_; }
  FlightDataSource& source() { return *source_; }
  const PanelResources& resources() const { return renderer_.Resources(); }
  // Where the panel is in the window and at what scale.
  const PanelLayout& layout() const { return renderer_.Layout(); }
  // The display window (open between CreateGlWindow and KillGlWindow).
  platform::GlWindow& window() { return window_; }

 private:
  void OnGlWindowSize(int width, int height);
  // The panel fitted into the window's client area as it is now (today's layout for today's window).
  void FitPanelToWindow();
  // The renderer's surface and layout, and the same place as the context's state.
  void SetSurface(int width, int height);
  void SetLayout(const PanelLayout& layout);
  // The panel's size at scale 1: today's client area, or the full panel's own size.
  void PanelSize(int* width, int* height) const;
  // `frameCap`: frames per second at most, 0 = no cap.
  void RunLoop(double frameCap);
  // Empty when the panel's drawing surface at the layout's scale fits the GL viewport limit
  // (GL_MAX_VIEWPORT_DIMS); otherwise the message naming the window keys, the size and the limit.
  std::string SurfaceTooLargeText() const;

  // Opens the source and shows its link in the title.
  void OpenSource();

  Settings settings_;
  std::unique_ptr<FlightDataSource> source_;
  PanelRenderer renderer_;
  PanelFrameRules rules_;
  SourceStart sourceStart_;  // what opening the source came to
  // Set once CreateGlWindow has fixed the start-up projection; from then on a size message fits the
  // panel into the window again (FitPanelToWindow: today's window keeps its start-up surface) and
  // a minimised window's 0 x 0 keeps the layout for the restore.
  bool startupResizeDone_ = false;
  std::string titleWord_;  // the title's last word as shown
  bool startupFailed_ = false;
  platform::GlWindow window_;  // last: it goes first, with the handlers that point back here
};
