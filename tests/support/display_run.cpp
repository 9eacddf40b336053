// DisplayRun: scratch folders and process control for the tests that run the real display program.
#include "support/display_run.h"

#include <cstdlib>
#include <fstream>
#include <random>

#include "platform/system.h"

namespace fs = std::filesystem;

namespace orvane_test {

namespace {

void Le(std::string& b, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(char((v >> (8 * i)) & 0xFF));
}

// Headless and without modal boxes on Linux; on Windows these names mean nothing.
void UseHeadlessDisplay() {
  static char driver[] = "SDL_VIDEODRIVER=offscreen";
  static char dialogs[] = "ORVANE_NO_DIALOGS=1";
  putenv(driver);
  putenv(dialogs);
}

}  // namespace

std::string SmallIconFile() {
  std::string image;
  Le(image, 40, 4); Le(image, 16, 4); Le(image, 32, 4); Le(image, 1, 2); Le(image, 32, 2);
  for (int i = 0; i < 6; ++i) Le(image, 0, 4);
  for (int i = 0; i < 16 * 16; ++i) Le(image, 0xFF2060C0u, 4);
  image.append(16 * 4, '\0');  // AND mask
  std::string file;
  Le(file, 0, 2); Le(file, 1, 2); Le(file, 1, 2);
  Le(file, 16, 1); Le(file, 16, 1); Le(file, 0, 1); Le(file, 0, 1);
  Le(file, 1, 2); Le(file, 32, 2); Le(file, uint32_t(image.size()), 4); Le(file, 22, 4);
  return file + image;
}

std::string SmallBmpFile() {
  std::string b = "BM";
  Le(b, 54 + 48, 4); Le(b, 0, 4); Le(b, 54, 4);
  Le(b, 40, 4); Le(b, 4, 4); Le(b, 4, 4); Le(b, 1, 2); Le(b, 24, 2); Le(b, 0, 4); Le(b, 48, 4);
  Le(b, 2835, 4); Le(b, 2835, 4); Le(b, 0, 4); Le(b, 0, 4);
  b.append(48, '\x40');
  return b;
}

DisplayRun::DisplayRun() {
  UseHeadlessDisplay();
  runDir_ = fs::current_path();
  program_ = (runDir_ / (std::string("OrvaneGCPfd") + ORVANE_EXE_SUFFIX)).string();
  std::random_device rd;
  dir_ = fs::temp_directory_path() / ("orvane-pfd-run-" + std::to_string(rd()) + std::to_string(rd()));
  fs::create_directories(dir_);
  Write("plane2.ico", SmallIconFile());
}

DisplayRun::~DisplayRun() {
  if (child_.id != 0) platform::StopProcess(child_, 5000);
  std::error_code ec;
  fs::current_path(runDir_, ec);
  fs::remove_all(dir_, ec);
}

void DisplayRun::Write(const std::string& name, const std::string& bytes) const {
  std::ofstream(dir_ / name, std::ios::binary) << bytes;
}

void DisplayRun::Remove(const std::string& name) const {
  std::error_code ec;
  fs::remove(dir_ / name, ec);
}

bool DisplayRun::Start() {
  if (!fs::exists(program_)) return false;
  fs::current_path(dir_);
  const bool started = platform::StartProcess(program_, {}, child_, (dir_ / "pfd.log").string());
  fs::current_path(runDir_);
  return started;
}

bool DisplayRun::Wait(uint32_t timeoutMs, int* exitCode) { return platform::WaitProcess(child_, timeoutMs, exitCode); }

int DisplayRun::Stop(uint32_t timeoutMs) { return platform::StopProcess(child_, timeoutMs); }

bool DisplayRun::Running() const { return child_.id != 0 && platform::ProcessRunning(child_); }

std::string DisplayRun::Output() const {
  std::string text;
  platform::ReadWholeFile((dir_ / "pfd.log").string(), text, 1 << 20);
  return text;
}

}  // namespace orvane_test
