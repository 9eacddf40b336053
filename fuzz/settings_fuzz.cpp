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
  Settings settings;
  if (!ReadSettings(settings, error)) {
    // The message names the file.
    FUZZ_CHECK(error.find("OrvaneGCPfd.INI") != std::string::npos);
    return 0;
  }
  FUZZ_CHECK(error.empty());
  // Network mode only with somewhere to connect to.
  if (settings.UseNetwork) FUZZ_CHECK(!settings.Network.ServerAddress.empty() && !settings.Network.ServerPort.empty());
  FUZZ_CHECK(settings.MaxFps >= 0.0 && settings.MaxFps <= 1000.0);
  // Network mode reads the server, never X-Plane or FlightGear; their ports and host are usable.
  if (settings.UseNetwork) FUZZ_CHECK(settings.Simulator == SimulatorKind::Ipc);
  FUZZ_CHECK(settings.XPlane.Port != 0 && settings.FlightGear.Port != 0);
  FUZZ_CHECK(IsNumericAddress(settings.XPlane.Host));
  return 0;
}
