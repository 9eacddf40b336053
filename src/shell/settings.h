// The settings read once from "OrvaneGCPfd.INI" at start-up, as a value handed to who needs them.
#pragma once

#include <cstdint>
#include <string>

#include "pfd/panel_picture.h"
#include "render/backend.h"
#include "sources/network_source.h"
#include "sources/udp_feed_settings.h"

// Where the values come from without network mode.
enum class SimulatorKind { Ipc, XPlane, FlightGear };

struct Settings {
  bool UseNetwork = false;    // "LAN"/"USELAN" = "Y" with a server and a port
  NetworkSettings Network;    // "LAN"/"ORVANEGCSERVER", "ORVANEGCPORT", "RECONNECT", "PIPELINE"
  int32_t WindowX = 0;        // "WINDOW"/"X"
  int32_t WindowY = 0;        // "WINDOW"/"Y"
  double MaxFps = 0.0;        // "WINDOW"/"MAXFPS": frames per second cap (1 to 1000), 0 = no cap
  bool VSync = false;         // "WINDOW"/"VSYNC" = "Y": swap interval 1
  bool SimReconnect = false;  // "SIMULATOR"/"RECONNECT" = "Y": wait for the simulator, reopen its link
  SimulatorKind Simulator = SimulatorKind::Ipc;  // "SIMULATOR"/"SOURCE": IPC, XPLANE or FLIGHTGEAR
  XPlaneSettings XPlane;      // "SIMULATOR"/"XPLANEHOST", "XPLANEPORT"
  FlightGearSettings FlightGear;  // "SIMULATOR"/"FGPORT"

  // The window in a cockpit (all off by default: today's window).
  int32_t Width = 0;          // "WINDOW"/"WIDTH": client area width in pixels, 0 = standard
  int32_t Height = 0;         // "WINDOW"/"HEIGHT": client area height in pixels, 0 = standard
  double Scale = 0.0;         // "WINDOW"/"SCALE": client area as a multiple of today's, 0 = not set;
                              // never together with WIDTH or HEIGHT
  bool Borderless = false;    // "WINDOW"/"BORDERLESS": no caption, no frame
  bool Fullscreen = false;    // "WINDOW"/"FULLSCREEN": borderless, covering the monitor
  bool Topmost = false;       // "WINDOW"/"TOPMOST": above other windows
  int32_t Monitor = 1;        // "WINDOW"/"MONITOR": X and Y count from this monitor's corner
  int32_t Msaa = 0;           // "WINDOW"/"MSAA": 0, 2, 4 or 8 samples per pixel
  // "WINDOW"/"RENDERER": GL1 (fixed function, default) or GLES2 (shaders)
  render::BackendKind Renderer = render::BackendKind::GL1;

  // The picture.
  PanelKind Panel = PanelKind::Classic;  // "PFD"/"LAYOUT": CLASSIC (today's panel) or FULL
  BaroUnit Baro = BaroUnit::Hpa;         // "PFD"/"BARO": the altimeter setting in HPA or INHG
  // The full layout's envelope: "AIRCRAFT"/"VMO", "MMO", "VLE", "VFE", "STALL_CLEAN", "STALL_FULL_FLAP";
  // "PFD"/"MINIMUMS" (RADIO 200, BARO 1200) and "FPV" (Y: the flight path vector).
  EnvelopeSettings Envelope;

  // True when any of the keys above asks for something other than today's window.
  bool CustomWindow() const {
    return Width != 0 || Height != 0 || Scale != 0.0 || Borderless || Fullscreen || Monitor != 1;
  }
};

// The settings file's name, looked for in the current directory.
constexpr const char* SettingsFileName = "OrvaneGCPfd.INI";

// The settings file's full name: the current directory and SettingsFileName.
std::string SettingsFilePath();
// Reads the settings file in the current directory into `settings` (defaults when there is none).
// Returns false with a message naming the file, the key and the value when a value cannot be used.
bool ReadSettings(Settings& settings, std::string& error);
// The same from the text of a settings file at `path` (named in the messages).
bool ParseSettings(const std::string& path, const std::string& text, Settings& settings, std::string& error);
