// The settings read once from "OrvaneGCPfd.INI" at start-up, as a value handed to who needs them.
#pragma once

#include <cstdint>
#include <string>

#include "sources/network_source.h"

struct Settings {
  bool UseNetwork = false;    // "LAN"/"USELAN" = "Y" with a server and a port
  NetworkSettings Network;    // "LAN"/"ORVANEGCSERVER", "ORVANEGCPORT", "RECONNECT", "PIPELINE"
  int32_t WindowX = 0;        // "WINDOW"/"X"
  int32_t WindowY = 0;        // "WINDOW"/"Y"
  double MaxFps = 0.0;        // "WINDOW"/"MAXFPS": frames per second cap, 0 = no cap
  bool VSync = false;         // "WINDOW"/"VSYNC" = "Y": swap interval 1
  bool SimReconnect = false;  // "SIMULATOR"/"RECONNECT" = "Y": wait for the simulator, reopen its link
};

// The settings file's name, looked for in the current directory.
constexpr const char* SettingsFileName = "OrvaneGCPfd.INI";

// Reads the settings file in the current directory into `settings` (defaults when there is none).
// Returns false with a message naming the file, the key and the value when a value cannot be used.
bool ReadSettings(Settings& settings, std::string& error);
// The same from the text of a settings file at `path` (named in the messages).
bool ParseSettings(const std::string& path, const std::string& text, Settings& settings, std::string& error);
