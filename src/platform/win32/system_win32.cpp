// Operating-system services on Windows: clock, sleep, files, message boxes and the positioned error dialog.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <clocale>
#include <cstdio>

#include "platform/system.h"

namespace platform {

uint64_t MonotonicMicros() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
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

namespace {

UINT IconFlag(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error: return MB_ICONERROR;
    case MessageIcon::Exclamation: return MB_ICONEXCLAMATION;
    case MessageIcon::Information: return MB_ICONINFORMATION;
  }
  return MB_ICONERROR;
}

// Where the next message box created on this thread is to be moved (see the CBT hook below).
struct DialogPlacement {
  HHOOK hook = nullptr;
  int x = -1;
  int y = -1;
};
DialogPlacement g_placement;

// Moves the message box as it is activated: a coordinate below zero keeps the default, both below
// zero centre it on the screen.
LRESULT CALLBACK PlaceDialogHook(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND dialog = reinterpret_cast<HWND>(wParam);
    RECT r;
    if (GetWindowRect(dialog, &r)) {
      int width = r.right - r.left;
      int height = r.bottom - r.top;
      int left = r.left;
      int top = r.top;
      if (g_placement.x < 0 && g_placement.y < 0) {
        left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
      } else {
        if (g_placement.x >= 0) left = g_placement.x;
        if (g_placement.y >= 0) top = g_placement.y;
      }
      SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HHOOK hook = g_placement.hook;
    g_placement.hook = nullptr;
    UnhookWindowsHookEx(hook);
    return 0;
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void EchoToStderr(const std::string& caption, const std::string& text) {
  std::string line = "[" + caption + "] ";
  for (char c : text) {
    if (c == '\r') continue;
    line += (c == '\n') ? ' ' : c;
  }
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  OutputDebugStringA((line + "\n").c_str());
}

}  // namespace

void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  EchoToStderr(caption, text);
  MessageBoxA(nullptr, text.c_str(), caption.c_str(), MB_OK | IconFlag(icon));
}

void ShowPositionedErrorDialog(const std::string& text, int x, int y) {
  EchoToStderr("Error", text);
  g_placement.x = x;
  g_placement.y = y;
  g_placement.hook = SetWindowsHookExA(WH_CBT, PlaceDialogHook, nullptr, GetCurrentThreadId());
  MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR);
  if (g_placement.hook != nullptr) {
    UnhookWindowsHookEx(g_placement.hook);
    g_placement.hook = nullptr;
  }
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
