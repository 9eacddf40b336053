// Message boxes on Windows, and the positioned error dialog.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdio>
#include <string>

#include "platform/dialogs.h"

namespace platform {

namespace {

UINT IconFlag(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Error: return MB_ICONERROR;
    case MessageIcon::Exclamation: return MB_ICONEXCLAMATION;
    case MessageIcon::Information: return MB_ICONINFORMATION;
  }
  return MB_ICONERROR;
}

// Where the message box this thread is showing is to be moved (see the CBT hook below): set only
// for the length of ShowPositionedErrorDialog's modal call, as a hook procedure is handed no data of
// its own.
struct DialogPlacement {
  HHOOK hook = nullptr;
  int x = -1;
  int y = -1;
};
thread_local DialogPlacement tPlacement;

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
      if (tPlacement.x < 0 && tPlacement.y < 0) {
        left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
        top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
      } else {
        if (tPlacement.x >= 0) left = tPlacement.x;
        if (tPlacement.y >= 0) top = tPlacement.y;
      }
      SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    HHOOK hook = tPlacement.hook;
    tPlacement.hook = nullptr;
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
  tPlacement.x = x;
  tPlacement.y = y;
  tPlacement.hook = SetWindowsHookExA(WH_CBT, PlaceDialogHook, nullptr, GetCurrentThreadId());
  MessageBoxA(nullptr, text.c_str(), "Error", MB_OK | MB_ICONERROR);
  if (tPlacement.hook != nullptr) {
    UnhookWindowsHookEx(tPlacement.hook);
    tPlacement.hook = nullptr;
  }
}

}  // namespace platform
