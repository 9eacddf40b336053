// Fuzz-only control of the in-memory operating-system layer: a virtual settings file and a fake clock.
#pragma once

#include <cstdint>
#include <string>

namespace fuzzsys {

// The directory CurrentDirectory() reports; files are looked up as "<dir>/<name>".
constexpr const char* kDirectory = "/fuzz";

// Makes `name` (a bare file name in kDirectory) a readable file holding `contents`; replaces the
// previous one. Only one virtual file exists at a time.
void SetFile(const std::string& name, const std::string& contents);
// No file exists any more.
void ClearFile();
// Milliseconds the program asked to sleep since the process started (sleeps return at once).
uint64_t SleptMs();

}  // namespace fuzzsys
