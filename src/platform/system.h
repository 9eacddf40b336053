// Operating-system services: clock, sleep, process id, current directory, files, dialogs, log.
#pragma once

#include <cstdint>
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
bool ReadWholeFile(const std::string& name, std::string& out, size_t maxBytes);

enum class MessageIcon { Error, Exclamation, Information };

// A platform message box with one OK button. Without a display the text goes to stderr.
void ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon);

// The modal error dialog (caption "Error", error icon, one OK button) with its top-left corner at
// (x, y): a coordinate below zero keeps the dialog's default for it, both below zero centre it.
void ShowPositionedErrorDialog(const std::string& text, int x, int y);

// One line for the developer: stderr, and the debugger output on Windows.
void DebugLog(const std::string& line);

// The locale's decimal separator at the time of the call ('.' when the locale names none).
char LocaleDecimalSeparator();

// Process-wide tallies of live objects, so tests can see that none outlives its owner.
enum class LiveKind { BlockSocket, Count };
// Adds `delta` and returns the new tally.
int AdjustLiveCount(LiveKind kind, int delta);
int LiveCount(LiveKind kind);

}  // namespace platform
