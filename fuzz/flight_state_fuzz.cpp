// libFuzzer harness for flight-state files: any text gives a state that writes and reads back the same, or an error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "simdata/flight_state_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  InterfaceValues state{};
  state.Altimeter = 1234;
  state.DmeText = "keep";
  std::string error;
  if (!ParseFlightStateText(text, "fuzz.state", state, error)) {
    // Refused: the state is untouched and the message names the source.
    FUZZ_CHECK(state.Altimeter == 1234 && state.DmeText == "keep");
    FUZZ_CHECK(error.rfind("fuzz.state", 0) == 0);
    return 0;
  }
  FUZZ_CHECK(state.DmeText.size() <= kFlightStateDmeTextMax);
  FUZZ_CHECK(state.Nav1Ident.size() <= kFlightStateIdentMax);
  // Written out, the state reads back to the same text.
  const std::string written = FormatFlightStateText(state);
  InterfaceValues again{};
  std::string againError;
  FUZZ_CHECK(ParseFlightStateText(written, "written", again, againError));
  FUZZ_CHECK(FormatFlightStateText(again) == written);
  return 0;
}
