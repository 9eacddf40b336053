// Fuzz-only operating-system layer: no real sleeps, files served from memory, no dialogs, no log output.
#include "support/fuzz_system.h"

#include "platform/system.h"

namespace {

std::string g_fileName;      // full path, empty = no file
std::string g_fileContents;
uint64_t g_clockMicros = 1000000;  // advances on every look and every sleep, so waits always end
uint64_t g_sleptMs = 0;

}  // namespace

namespace fuzzsys {

void SetFile(const std::string& name, const std::string& contents) {
  g_fileName = std::string(kDirectory) + "/" + name;
  g_fileContents = contents;
}

void ClearFile() {
  g_fileName.clear();
  g_fileContents.clear();
}

uint64_t SleptMs() { return g_sleptMs; }

}  // namespace fuzzsys

namespace platform {

uint64_t MonotonicMicros() { return g_clockMicros += 1000; }

void SleepMs(uint32_t ms) {
  g_sleptMs += ms;
  g_clockMicros += uint64_t(ms) * 1000;
}

uint32_t CurrentProcessId() { return 4242; }

std::string CurrentDirectory() { return fuzzsys::kDirectory; }

char PathSeparator() { return '/'; }

bool FileExists(const std::string& name) { return !g_fileName.empty() && name == g_fileName; }

bool ReadWholeFile(const std::string& name, std::string& out, size_t maxBytes) {
  if (!FileExists(name) || g_fileContents.size() > maxBytes) return false;
  out = g_fileContents;
  return true;
}

void DebugLog(const std::string&) {}

char LocaleDecimalSeparator() { return '.'; }

}  // namespace platform
