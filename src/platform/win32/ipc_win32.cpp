// Simulator IPC transport on Windows: window lookup, registered message, global atom, paging-file mapping, and the peer window.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/ipc.h"
#include "platform/system.h"

namespace platform {

// ---- Client side ---------------------------------------------------------------------------------
// The system keeps the tables (windows, atoms, mappings): the client object holds nothing.

struct IpcClient::Tables {};

IpcClient::IpcClient() {}

IpcClient::~IpcClient() {}

IpcWindow FindIpcWindow(IpcClient&, const char* className) {
  return IpcWindow(FindWindowExA(nullptr, nullptr, className, nullptr));
}

uint32_t RegisterIpcMessage(const char* name) { return uint32_t(RegisterWindowMessageA(name)); }

uint16_t AddGlobalAtom(IpcClient&, const char* name) { return uint16_t(GlobalAddAtomA(name)); }

void DeleteGlobalAtom(IpcClient&, uint16_t atom) { GlobalDeleteAtom(ATOM(atom)); }

uint16_t FindGlobalAtom(IpcClient&, const char* name) { return uint16_t(GlobalFindAtomA(name)); }

IpcMapping CreateSharedBlock(IpcClient&, const char* name, uint32_t size, bool* alreadyExisted) {
  SetLastError(0);  // only this call's own report of an existing object counts
  HANDLE h = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, DWORD(size), name);
  const DWORD error = GetLastError();
  if (alreadyExisted) *alreadyExisted = h != nullptr && error == ERROR_ALREADY_EXISTS;
  return IpcMapping(h);
}

void* MapSharedBlock(IpcClient&, IpcMapping mapping, uint32_t size) {
  (void)size;  // the whole block, as created
  if (mapping == 0) return nullptr;
  return MapViewOfFile(HANDLE(mapping), FILE_MAP_WRITE, 0, 0, 0);
}

void UnmapSharedBlock(void* view, uint32_t size) {
  (void)size;
  if (view) UnmapViewOfFile(view);
}

void CloseSharedBlock(IpcClient&, IpcMapping mapping) {
  if (mapping) CloseHandle(HANDLE(mapping));
}

bool SendIpcMessage(IpcClient&, IpcWindow window, uint32_t message, uintptr_t wparam, intptr_t lparam,
                    uint32_t timeoutMs, uintptr_t* reply) {
  DWORD_PTR result = 0;
  const LRESULT ok = SendMessageTimeoutA(HWND(window), UINT(message), WPARAM(wparam), LPARAM(lparam),
                                         SMTO_BLOCK, UINT(timeoutMs), &result);
  if (ok == 0) return false;
  if (reply) *reply = uintptr_t(result);
  return true;
}

uint32_t LastSystemError() { return uint32_t(GetLastError()); }

void ClearLastSystemError() { SetLastError(0); }

bool IsIpcTimeoutError(uint32_t error) { return error == 0 || error == ERROR_TIMEOUT; }

// ---- Peer side -----------------------------------------------------------------------------------

namespace {

// The process's one stop flag (Ctrl+C, a close event, WM_CLOSE).
volatile LONG g_stopRequested = 0;
// How long a withheld reply keeps the sender waiting: past any client's 2,000 ms time-out.
constexpr uint32_t kWithheldMs = 2500;
// The longest a serving wait goes without looking at the stop flag, which the console handler
// sets from a thread of its own.
constexpr DWORD kStopLookMs = 50;

void RequestStop() { InterlockedExchange(&g_stopRequested, 1); }

BOOL WINAPI OnConsoleEvent(DWORD) {
  RequestStop();
  return TRUE;
}

}  // namespace

struct IpcPeer {
  std::string className;
  UINT messageId = 0;
  HWND window = nullptr;
  IpcBatchHandler handler;
  IpcPeerLog log;
  std::string lastBlock;

  void Log(const std::string& line) const {
    if (log) log(line);
  }

  // Opens the block named by the atom, lets the handler perform it, and gives the message result.
  LRESULT Batch(WPARAM atom) {
    char name[256] = {};
    if (GlobalGetAtomNameA(ATOM(atom), name, sizeof name) == 0) {
      Log("batch with an unknown atom " + std::to_string(unsigned(atom)));
      return 0;
    }
    HANDLE mapping = OpenFileMappingA(FILE_MAP_WRITE, FALSE, name);
    if (!mapping) {
      Log(std::string("cannot open the block \"") + name + "\"");
      return 0;
    }
    void* view = MapViewOfFile(mapping, FILE_MAP_WRITE, 0, 0, 0);
    MEMORY_BASIC_INFORMATION info{};
    if (!view || VirtualQuery(view, &info, sizeof info) == 0 || info.RegionSize < kIpcBlockSize) {
      if (view) UnmapViewOfFile(view);
      CloseHandle(mapping);
      Log(std::string("cannot map the block \"") + name + "\"");
      return 0;
    }
    if (lastBlock != name) {
      lastBlock = name;
      Log(std::string("client block ") + name);
    }
    const IpcPeerReply reply = handler(static_cast<uint8_t*>(view), kIpcBlockSize);
    UnmapViewOfFile(view);
    CloseHandle(mapping);
    if (!reply.answer) {
      // Hold the sender past its time-out. A stop request cuts this short, also a close request
      // waiting in the queue (looked at without dispatching anything).
      for (uint32_t waited = 0; waited < kWithheldMs && !g_stopRequested; waited += 50) {
        MSG pending;
        if (PeekMessageA(&pending, nullptr, WM_CLOSE, WM_CLOSE, PM_NOREMOVE | PM_QS_POSTMESSAGE)) RequestStop();
        Sleep(50);
      }
      return 0;
    }
    return LRESULT(reply.value);
  }
};

namespace {

LRESULT CALLBACK PeerWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  IpcPeer* peer = reinterpret_cast<IpcPeer*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (peer && peer->messageId != 0 && message == peer->messageId) return peer->Batch(wparam);
  if (message == WM_CLOSE) {
    RequestStop();
    return 0;
  }
  return DefWindowProcA(window, message, wparam, lparam);
}

std::string SystemErrorText(DWORD error) {
  char text[256] = {};
  FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                 sizeof text, nullptr);
  std::string s(text);
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return "Win32: " + s + " (" + std::to_string(unsigned(error)) + ")";
}

}  // namespace

IpcPeer* StartIpcPeer(const std::string& className, const std::string& messageName,
                      IpcBatchHandler handler, IpcPeerLog log, std::string& error) {
  if (className.empty()) {
    error = "empty peer class name";
    return nullptr;
  }
  if (FindWindowExA(nullptr, nullptr, className.c_str(), nullptr)) {
    error = "a peer of class \"" + className + "\" is already running";
    return nullptr;
  }
  const UINT messageId = RegisterWindowMessageA(messageName.c_str());
  if (messageId == 0) {
    error = "cannot register the message \"" + messageName + "\": " + SystemErrorText(GetLastError());
    return nullptr;
  }
  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PeerWindowProc;
  wc.hInstance = instance;
  wc.lpszClassName = className.c_str();
  if (!RegisterClassExA(&wc)) {
    error = "cannot register window class \"" + className + "\": " + SystemErrorText(GetLastError());
    return nullptr;
  }
  HWND window = CreateWindowExA(0, className.c_str(), "orvane-sim", WS_OVERLAPPED, 0, 0, 100, 100,
                                nullptr, nullptr, instance, nullptr);
  if (!window) {
    error = "cannot create the peer window: " + SystemErrorText(GetLastError());
    UnregisterClassA(className.c_str(), instance);
    return nullptr;
  }
  IpcPeer* peer = new IpcPeer;
  peer->className = className;
  peer->messageId = messageId;
  peer->window = window;
  peer->handler = std::move(handler);
  peer->log = std::move(log);
  SetWindowLongPtrA(window, GWLP_USERDATA, LONG_PTR(peer));
  return peer;
}

bool ServeIpcPeer(IpcPeer* peer, uint32_t waitMs) {
  if (!peer) return false;
  const uint64_t deadline = MonotonicMicros() + uint64_t(waitMs) * 1000u;
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) RequestStop();
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (g_stopRequested) return false;
    const uint64_t now = MonotonicMicros();
    if (now >= deadline) return true;
    DWORD wait = DWORD((deadline - now + 999) / 1000);
    if (wait > kStopLookMs) wait = kStopLookMs;
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void StopIpcPeer(IpcPeer* peer) {
  if (!peer) return;
  SetWindowLongPtrA(peer->window, GWLP_USERDATA, 0);
  DestroyWindow(peer->window);
  UnregisterClassA(peer->className.c_str(), GetModuleHandleA(nullptr));
  delete peer;
}

void InstallIpcStopHandlers() {
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

bool IpcStopRequested() { return g_stopRequested != 0; }

void SetIpcNamespace(const std::string& name) { (void)name; }

}  // namespace platform
