// Operating-system services on Windows: clock, sleep, files, the log.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <clocale>
#include <cstdio>

#include "platform/system.h"

namespace platform {

uint64_t MonotonicMicros() {
  LARGE_INTEGER frequency;  // fixed at boot: reading it is as cheap as keeping it
  QueryPerformanceFrequency(&frequency);
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return uint64_t(now.QuadPart / frequency.QuadPart) * 1000000u +
         uint64_t(now.QuadPart % frequency.QuadPart) * 1000000u / uint64_t(frequency.QuadPart);
}

void SleepMs(uint32_t ms) { Sleep(ms); }

uint32_t CurrentProcessId() { return uint32_t(GetCurrentProcessId()); }

std::string CurrentDirectory() {
  char buf[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  if (n == 0 || n > MAX_PATH) return ".";
  std::string dir(buf, n);
  if (dir.size() > 3 && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
  return dir;
}

char PathSeparator() { return '\\'; }

bool FileExists(const std::string& name) {
  if (name.empty()) return false;
  DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void DebugLog(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  OutputDebugStringA((line + "\n").c_str());
}

char LocaleDecimalSeparator() {
  char buf[8] = {0};
  if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf) > 0 && buf[0] != '\0')
    return buf[0];
  return '.';
}

}  // namespace platform
