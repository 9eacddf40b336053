// Child processes on Linux: fork/exec, bounded waits, SIGTERM then SIGKILL.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/process.h"
#include "platform/system.h"

namespace platform {

bool StartProcess(const std::string& program, const std::vector<std::string>& args, ChildProcess& child,
                  const std::string& outputFile) {
  std::vector<std::string> all;
  all.push_back(program);
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  int outFd = -1;
  if (!outputFile.empty()) {
    outFd = open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (outFd < 0) return false;
  }
  // A pipe that closes on a successful exec tells the parent whether exec worked.
  int status[2];
  if (pipe2(status, O_CLOEXEC) != 0) {
    if (outFd >= 0) close(outFd);
    return false;
  }
  pid_t pid = fork();
  if (pid < 0) {
    close(status[0]);
    close(status[1]);
    if (outFd >= 0) close(outFd);
    return false;
  }
  if (pid == 0) {
    if (outFd >= 0) {
      dup2(outFd, 1);
      dup2(outFd, 2);
    }
    execv(program.c_str(), argv.data());
    int err = errno;
    ssize_t ignored = write(status[1], &err, sizeof err);
    (void)ignored;
    _exit(127);
  }
  close(status[1]);
  if (outFd >= 0) close(outFd);
  int err = 0;
  ssize_t got = read(status[0], &err, sizeof err);
  close(status[0]);
  if (got > 0) {
    waitpid(pid, nullptr, 0);
    return false;
  }
  child.id = pid;
  return true;
}

bool WaitProcess(ChildProcess& child, uint32_t timeoutMs, int* exitCode) {
  if (child.id == 0) return false;
  uint64_t deadline = MonotonicMicros() + uint64_t(timeoutMs) * 1000u;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid_t(child.id), &status, WNOHANG);
    if (r == pid_t(child.id)) {
      child.id = 0;
      if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return true;
    }
    if (r < 0) {
      child.id = 0;
      if (exitCode) *exitCode = -1;
      return true;
    }
    if (MonotonicMicros() >= deadline) return false;
    SleepMs(5);
  }
}

int StopProcess(ChildProcess& child, uint32_t timeoutMs) {
  if (child.id == 0) return -1;
  kill(pid_t(child.id), SIGTERM);
  int code = 0;
  if (WaitProcess(child, timeoutMs, &code)) return code;
  kill(pid_t(child.id), SIGKILL);
  WaitProcess(child, 5000, &code);
  child.id = 0;
  return -1;
}

bool ProcessRunning(const ChildProcess& child) {
  if (child.id == 0) return false;
  int status = 0;
  return waitpid(pid_t(child.id), &status, WNOHANG) == 0;
}

}  // namespace platform
