// The settings reader against the system's own: every case of the shared table is written to a
// file and read through GetPrivateProfileStringA and through IniReader; each must give the value
// the table records for it (the system reader under Wine: Wine's value where the table has one).
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "ini_profile_cases.h"
#include "shell/ini_reader.h"

namespace {

std::string TempFolder() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathA(MAX_PATH, path);
  return length > 0 && length <= MAX_PATH ? std::string(path, length) : std::string(".\\");
}

TEST(IniProfileOracle, SystemReaderAndIniReaderAgreeWithTheTable) {
  const std::vector<orvane_test::IniCase> cases = orvane_test::IniProfileCases();
  const std::string folder = TempFolder();
  std::vector<char> buffer(70000);
  for (size_t i = 0; i < cases.size(); ++i) {
    const orvane_test::IniCase& c = cases[i];
    const std::string bytes = orvane_test::IniCaseFileBytes(c);
    // A file name of its own per case: the system reader caches files by name.
    const std::string path =
        folder + "orvane_ini_case_" + std::to_string(GetCurrentProcessId()) + "_" +
        std::to_string(i) + ".ini";
    {
      std::ofstream out(path, std::ios::binary | std::ios::trunc);
      out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      ASSERT_TRUE(static_cast<bool>(out)) << path;
    }
    const DWORD length = GetPrivateProfileStringA(c.section, c.key, c.defaultValue, buffer.data(),
                                                  static_cast<DWORD>(buffer.size()), path.c_str());
    DeleteFileA(path.c_str());
    const std::string system(buffer.data(), length);

    IniReader ini;
    std::string error;
    ASSERT_TRUE(ini.Parse(bytes, error)) << c.name << ": " << error;
    EXPECT_EQ(system, c.wine != nullptr ? std::string(c.wine) : c.expected)
        << c.name << " (system reader)";
    EXPECT_EQ(ini.Get(c.section, c.key, c.defaultValue), c.expected) << c.name << " (IniReader)";
  }
}

}  // namespace
