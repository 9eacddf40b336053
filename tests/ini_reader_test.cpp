// The settings file reader: lines, comments, sections, keys, trimming, duplicates and limits.
#include <gtest/gtest.h>

#include <string>

#include "shell/ini_reader.h"

namespace {

IniReader Parsed(const std::string& text) {
  IniReader ini;
  std::string error;
  EXPECT_TRUE(ini.Parse(text, error)) << error;
  return ini;
}

TEST(IniReaderLines, AcceptsCrLfLoneCrAndLoneLfLineEnds) {
  const IniReader ini = Parsed("[A]\r\nk1=one\r\nk2=two\rk3=three\nk4=four");
  EXPECT_EQ(ini.Get("A", "k1", "-"), "one");
  EXPECT_EQ(ini.Get("A", "k2", "-"), "two");
  EXPECT_EQ(ini.Get("A", "k3", "-"), "three");
  EXPECT_EQ(ini.Get("A", "k4", "-"), "four");  // last line without a line end
}

TEST(IniReaderLines, SkipsUtf8ByteOrderMarkOnlyAtTheStart) {
  const IniReader ini = Parsed("\xEF\xBB\xBF[LAN]\nUSELAN=Y\n");
  EXPECT_EQ(ini.Get("LAN", "USELAN", ""), "Y");
}

TEST(IniReaderLines, SkipsBlankAndCommentLinesAndLinesWithoutEquals) {
  const IniReader ini = Parsed(
      "; leading comment\n\n[S]\n  ; indented comment=1\n# hash comment=2\n"
      "just some words\n\t\nkey=value\n");
  EXPECT_EQ(ini.Get("S", "key", "-"), "value");
  EXPECT_FALSE(ini.Has("S", "; indented comment"));
  EXPECT_FALSE(ini.Has("S", "# hash comment"));
  EXPECT_FALSE(ini.Has("S", "just some words"));
}

TEST(IniReaderKeys, TrimsEveryControlCharacterAndBlankAtBothEnds) {
  const IniReader ini = Parsed("[ S ]\n \t key \x01 = \x02 a b \t\x1f\n");
  EXPECT_EQ(ini.Get("S", "key", "-"), "a b");
}

TEST(IniReaderKeys, ValueIsEverythingAfterTheFirstEqualsSign) {
  const IniReader ini = Parsed("[S]\nk = a=b ; not a comment\nq=\"quoted\"\n");
  EXPECT_EQ(ini.Get("S", "k", "-"), "a=b ; not a comment");
  EXPECT_EQ(ini.Get("S", "q", "-"), "\"quoted\"");
}

TEST(IniReaderKeys, SectionAndKeyNamesMatchWithoutRegardToCase) {
  const IniReader ini = Parsed("[lan]\nUseLan=Y\n");
  EXPECT_EQ(ini.Get("LAN", "USELAN", "-"), "Y");
  EXPECT_EQ(ini.Get("Lan", "uselan", "-"), "Y");
}

TEST(IniReaderKeys, ValuesKeepTheirCase) {
  const IniReader ini = Parsed("[S]\nk=yEs\n");
  EXPECT_EQ(ini.Get("S", "k", "-"), "yEs");
}

TEST(IniReaderKeys, EmptyValueIsPresentAndDiffersFromAbsent) {
  const IniReader ini = Parsed("[S]\nempty=\n");
  EXPECT_TRUE(ini.Has("S", "empty"));
  EXPECT_EQ(ini.Get("S", "empty", "default"), "");
  EXPECT_FALSE(ini.Has("S", "absent"));
  EXPECT_EQ(ini.Get("S", "absent", "default"), "default");
  EXPECT_EQ(ini.Get("Other", "empty", "default"), "default");
}

TEST(IniReaderKeys, EmptyKeysAndKeysBeforeAnySectionAreIgnored) {
  const IniReader ini = Parsed("orphan=1\n=nameless\n[S]\n = 2\nk=3\n");
  EXPECT_FALSE(ini.Has("", "orphan"));
  EXPECT_FALSE(ini.Has("S", ""));
  EXPECT_EQ(ini.Get("S", "k", "-"), "3");
}

TEST(IniReaderSections, DuplicateKeyKeepsTheFirstValue) {
  const IniReader ini = Parsed("[S]\nk=first\nK=second\n");
  EXPECT_EQ(ini.Get("S", "k", "-"), "first");
}

TEST(IniReaderSections, RepeatedSectionsMergeAndTheFirstValueStillWins) {
  const IniReader ini = Parsed("[S]\na=1\n[T]\nb=2\n[s]\na=9\nc=3\n");
  EXPECT_EQ(ini.Get("S", "a", "-"), "1");
  EXPECT_EQ(ini.Get("S", "c", "-"), "3");
  EXPECT_EQ(ini.Get("T", "b", "-"), "2");
  EXPECT_FALSE(ini.Has("T", "c"));
}

TEST(IniReaderSections, MalformedHeaderDetachesTheKeysAfterIt) {
  const IniReader ini = Parsed("[S]\na=1\n[broken\nb=2\n[]\nc=3\n[S]\nd=4\n");
  EXPECT_EQ(ini.Get("S", "a", "-"), "1");
  EXPECT_FALSE(ini.Has("S", "b"));
  EXPECT_FALSE(ini.Has("broken", "b"));
  EXPECT_FALSE(ini.Has("S", "c"));
  EXPECT_EQ(ini.Get("S", "d", "-"), "4");
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

TEST(IniReaderLimits, RefusesZeroBytes) {
  IniReader ini;
  std::string error;
  EXPECT_FALSE(ini.Parse(std::string("[S]\nk=a\0b\n", 10), error));
  EXPECT_NE(error.find("zero byte"), std::string::npos) << error;
}

TEST(IniReaderLimits, EmptyTextGivesDefaults) {
  const IniReader ini = Parsed("");
  EXPECT_EQ(ini.Get("S", "k", "dflt"), "dflt");
}

TEST(IniReaderTrim, RemovesCodesUpTo32AndKeepsHigherBytes) {
  EXPECT_EQ(IniReader::Trim(std::string("\0\t a\x7f \x1f", 7)), "a\x7f");
  EXPECT_EQ(IniReader::Trim(" \xC3\xA9 "), "\xC3\xA9");
  EXPECT_EQ(IniReader::Trim(" \r\n "), "");
}

}  // namespace
