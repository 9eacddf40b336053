// libFuzzer harness for the settings file as the program reads it: any file gives usable settings or a clear error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "shell/settings.h"
#include "support/fuzz_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzsys::SetFile("OrvaneGCPfd.INI", std::string(reinterpret_cast<const char*>(data), size));
  std::string error;
  if (!ReadSettings(error)) {
    // The message names the file.
    FUZZ_CHECK(error.find("OrvaneGCPfd.INI") != std::string::npos);
    return 0;
  }
  FUZZ_CHECK(error.empty());
  // Network mode only with somewhere to connect to.
  if (UseNetwork) FUZZ_CHECK(!ServerAddress.empty() && !ServerPort.empty());
  FUZZ_CHECK(MaxFps >= 0.0 && MaxFps <= 1000.0);
  return 0;
}
