// The settings file reader: the shared table of files Windows' own reader was asked about, then
// lookups, limits and refusals.
#include <gtest/gtest.h>

#include <string>

#include "ini_profile_cases.h"
#include "shell/ini_reader.h"

namespace {

IniReader Parsed(const std::string& text) {
  IniReader ini;
  std::string error;
  EXPECT_TRUE(ini.Parse(text, error)) << error;
  return ini;
}

TEST(IniReaderProfileTable, GivesWhatWindowsGaveForEveryCase) {
  for (const orvane_test::IniCase& c : orvane_test::IniProfileCases()) {
    IniReader ini;
    std::string error;
    ASSERT_TRUE(ini.Parse(orvane_test::IniCaseFileBytes(c), error)) << c.name << ": " << error;
    EXPECT_EQ(ini.Get(c.section, c.key, c.defaultValue), c.expected) << c.name;
  }
}

TEST(IniReaderKeys, HasTellsAFileValueFromTheDefault) {
  const IniReader ini = Parsed("[S]\nempty=\nbare\n");
  EXPECT_TRUE(ini.Has("S", "empty"));
  EXPECT_EQ(ini.Get("S", "empty", "default"), "");
  EXPECT_FALSE(ini.Has("S", "bare")) << "a key without '=' gives the default";
  EXPECT_FALSE(ini.Has("S", "absent"));
  EXPECT_EQ(ini.Get("Other", "empty", "default"), "default");
  EXPECT_FALSE(ini.Has("S", "")) << "an empty key name is never found";
}

TEST(IniReaderKeys, LookupNamesAreTrimmedAndIgnoreCase) {
  const IniReader ini = Parsed("[Lan]\nUseLan=Y\n");
  EXPECT_EQ(ini.Get(" LAN ", "\tuselan ", "-"), "Y");
}

TEST(IniReaderLimits, AcceptsExactlyTheSizeBoundAndRefusesOneByteMore) {
  std::string text = "[S]\nk=v\n";
  text.append(IniReader::MaxIniBytes - text.size(), ' ');
  IniReader ini;
  std::string error;
  EXPECT_TRUE(ini.Parse(text, error)) << error;
  EXPECT_EQ(ini.Get("S", "k", "-"), "v");

  text.push_back(' ');
  EXPECT_FALSE(ini.Parse(text, error));
  EXPECT_NE(error.find(std::to_string(IniReader::MaxIniBytes)), std::string::npos) << error;
  EXPECT_FALSE(ini.Has("S", "k")) << "a refused text leaves nothing behind";
}

TEST(IniReaderLimits, RefusesZeroCharactersInEveryEncoding) {
  IniReader ini;
  std::string error;
  EXPECT_FALSE(ini.Parse(std::string("[S]\nk=a\0b\n", 10), error));
  EXPECT_NE(error.find("zero byte"), std::string::npos) << error;
  // UTF-16 without its byte-order mark is not recognised: its zero bytes refuse it.
  EXPECT_FALSE(ini.Parse(std::string("[\0S\0]\0", 6), error));
  // With the mark, a zero character (two zero bytes on a unit boundary) is still binary.
  EXPECT_FALSE(ini.Parse(std::string("\xFF\xFE[\0S\0]\0\0\0k\0", 12), error));
  EXPECT_FALSE(ini.Parse(std::string("\xEF\xBB\xBF[S]\0", 7), error));
  // An odd trailing byte of a UTF-16 file is dropped.
  ASSERT_TRUE(ini.Parse(std::string("\xFF\xFE[\0S\0]\0\n\0k\0=\0""1\0x", 17), error)) << error;
  EXPECT_EQ(ini.Get("S", "k", "-"), "1");
}

TEST(IniReaderLimits, MalformedUtf8BecomesQuestionMarks) {
  // A stray continuation byte, a cut-off sequence and an overlong encoding of '/'.
  const IniReader ini = Parsed("\xEF\xBB\xBF[S]\nk=a\x80" "b\xE4\xB8\nj=\xC0\xAF\n");
  EXPECT_EQ(ini.Get("S", "k", "-"), "a?b??");
  EXPECT_EQ(ini.Get("S", "j", "-"), "??");
}

TEST(IniReaderLimits, EmptyTextGivesDefaults) {
  const IniReader ini = Parsed("");
  EXPECT_EQ(ini.Get("S", "k", "dflt"), "dflt");
}

TEST(IniReaderTrim, RemovesOnlyTheProfileBlanks) {
  EXPECT_EQ(IniReader::Trim("\t\x0B\x0C\x1A a\x7f \r\n"), "a\x7f");
  EXPECT_EQ(IniReader::Trim(" \xC3\xA9 "), "\xC3\xA9");
  EXPECT_EQ(IniReader::Trim("\x01 a \x1F"), "\x01 a \x1F");
  EXPECT_EQ(IniReader::Trim(" \r\n "), "");
}

}  // namespace
