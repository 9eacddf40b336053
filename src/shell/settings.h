// The settings values read once from "OrvaneGCPfd.INI" at start-up, and the reader that fills them.
#pragma once

#include <cstdint>
#include <string>

// Process-wide, written only by ReadSettings.
extern bool UseNetwork;
extern std::string ServerAddress;
extern std::string ServerPort;
extern int32_t WindowX;
extern int32_t WindowY;

// Optional keys beyond the original five (all off by default).
extern double MaxFps;       // "WINDOW"/"MAXFPS": frames per second cap, 0 = no cap
extern bool VSync;          // "WINDOW"/"VSYNC" = "Y": swap interval 1
extern bool Reconnect;      // "LAN"/"RECONNECT" = "Y": reconnect every 2 s after a lost connection
extern bool Pipeline;       // "LAN"/"PIPELINE" = "Y": send a frame's requests at once

// Fills the settings values from the settings file in the current directory. Returns false with
// a message naming the file, the key and the value when a value cannot be used.
bool ReadSettings(std::string& error);
