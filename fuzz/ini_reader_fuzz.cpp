// libFuzzer harness for the settings file reader: any bytes parse or are refused, lookups stay in bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "shell/ini_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  IniReader ini;
  std::string error;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (!ini.Parse(text, error)) {
    if (error.empty()) __builtin_trap();  // a refusal always says why
    return 0;
  }
  for (const char* section : {"LAN", "WINDOW", "lan", ""}) {
    for (const char* key : {"USELAN", "ORVANEGCSERVER", "ORVANEGCPORT", "X", "Y", "MAXFPS", "VSYNC"}) {
      // A value is part of one line: it never holds a line end or a zero byte, so a default of
      // "\n" tells a value from the file from the default.
      const std::string value = ini.Get(section, key, "\n");
      const bool fromFile = value != "\n";
      if (fromFile && value.find_first_of(std::string("\r\n\0", 3)) != std::string::npos) {
        __builtin_trap();
      }
      if (ini.Has(section, key) != fromFile) __builtin_trap();
    }
  }
  return 0;
}
