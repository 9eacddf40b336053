// Child processes on Windows: CreateProcessA, bounded waits, WM_CLOSE to its windows then TerminateProcess.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "platform/process.h"

namespace platform {

namespace {

// One argument quoted the way the C runtime splits a command line.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string out = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    if (c == '"') out.append(backslashes * 2 + 1, '\\');
    else out.append(backslashes, '\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, '\\');
  out += '"';
  return out;
}

BOOL CALLBACK CloseWindowsOfProcess(HWND window, LPARAM lParam) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid == DWORD(lParam)) PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

}  // namespace

bool StartProcess(const std::string& program, const std::vector<std::string>& args, ChildProcess& child,
                  const std::string& outputFile) {
  std::string commandLine = Quote(program);
  for (const std::string& a : args) commandLine += " " + Quote(a);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  HANDLE out = INVALID_HANDLE_VALUE;
  if (!outputFile.empty()) {
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    out = CreateFileA(outputFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) return false;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = out;
    si.hStdError = out;
  }
  PROCESS_INFORMATION pi{};
  BOOL ok = CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, out != INVALID_HANDLE_VALUE,
                           0, nullptr, nullptr, &si, &pi);
  if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
  if (!ok) return false;
  CloseHandle(pi.hThread);
  child.id = reinterpret_cast<intptr_t>(pi.hProcess);
  return true;
}

bool WaitProcess(ChildProcess& child, uint32_t timeoutMs, int* exitCode) {
  if (child.id == 0) return false;
  HANDLE process = reinterpret_cast<HANDLE>(child.id);
  if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) return false;
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  CloseHandle(process);
  child.id = 0;
  if (exitCode) *exitCode = int(code);
  return true;
}

int StopProcess(ChildProcess& child, uint32_t timeoutMs) {
  if (child.id == 0) return -1;
  HANDLE process = reinterpret_cast<HANDLE>(child.id);
  EnumWindows(CloseWindowsOfProcess, LPARAM(GetProcessId(process)));
  int code = 0;
  if (WaitProcess(child, timeoutMs, &code)) return code;
  TerminateProcess(process, 1);
  WaitProcess(child, 5000, &code);
  if (child.id != 0) {
    CloseHandle(process);
    child.id = 0;
  }
  return -1;
}

bool ProcessRunning(const ChildProcess& child) {
  if (child.id == 0) return false;
  return WaitForSingleObject(reinterpret_cast<HANDLE>(child.id), 0) == WAIT_TIMEOUT;
}

}  // namespace platform
