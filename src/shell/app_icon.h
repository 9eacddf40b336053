// The start-up check of the application icon "plane2.ico" in the current directory.
#pragma once

#include <string>

constexpr const char* AppIconFileName = "plane2.ico";

// True when `fileName` (relative to the current directory) can be read and starts like an icon
// file with at least one image. Otherwise false with a message naming the file and the directory.
bool CheckAppIcon(const std::string& fileName, std::string& error);

// True when `bytes` hold an icon directory (reserved 0, type 1, 1 or more entries that fit).
bool LooksLikeIcon(const std::string& bytes);
