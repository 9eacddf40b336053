// Operating-system services: clock, sleep, process id, current directory, files, log. (Dialogs, which
// need the window system, are in platform/dialogs.h.)
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

// Monotonic clock in microseconds (arbitrary origin).
uint64_t MonotonicMicros();
// The operating system's sleep, in milliseconds.
void SleepMs(uint32_t ms);
uint32_t CurrentProcessId();
// The process's current directory, without a trailing separator.
std::string CurrentDirectory();
// The separator used to join the current directory and a file name ('\\' on Windows, '/' elsewhere).
char PathSeparator();
// True when a regular file of that name exists (relative names are taken from the current directory).
bool FileExists(const std::string& name);
// Reads a whole file into `out` (at most maxBytes); false when it cannot be opened or is larger.
// The buffer is sized once from the file's size.
bool ReadWholeFile(const std::string& name, std::string& out, size_t maxBytes);

// A file read in pieces from given places, for files too large to be worth copying whole: the
// pieces go straight into the caller's buffer.
class FileReader {
 public:
  FileReader() = default;
  ~FileReader();
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;

  // Opens a regular file of up to 2 GB (relative names from the current directory); false when
  // there is none of that name or it cannot be read.
  bool Open(const std::string& name);
  // The file's size when it was opened.
  uint64_t Size() const { return size_; }
  // Reads `count` bytes from `offset` into `to`; false when the file does not have them.
  bool ReadAt(uint64_t offset, void* to, size_t count);

 private:
  std::FILE* file_ = nullptr;
  uint64_t size_ = 0;
  uint64_t position_ = 0;
};

// One line for the developer: stderr, and the debugger output on Windows.
void DebugLog(const std::string& line);

// The locale's decimal separator at the time of the call ('.' when the locale names none).
char LocaleDecimalSeparator();

}  // namespace platform
