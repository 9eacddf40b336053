// A small portable reader for the settings file: INI text in, case-insensitive key lookups out.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

// What the reader accepts (the rules a Windows private-profile lookup follows, made explicit):
//  - Lines end with CR LF, LF or a lone CR. A UTF-8 byte-order mark at the very start is skipped.
//  - Blank lines and comment lines (first non-blank character ';' or '#') are skipped.
//  - "[name]" opens a section; blanks around the name are dropped. A header line without the
//    closing ']' (or with an empty name) is malformed: the keys after it belong to no section
//    until the next good header.
//  - "key=value": the key is the text before the first '=', the value the text after it, both
//    trimmed of every character with a code of 32 or below at both ends. No quoting and no
//    trailing comments: everything between the trims is the value.
//  - Lines without '=', lines with an empty key and keys before the first section are ignored.
//  - Section and key names match without regard to ASCII case.
//  - A section that appears twice is one section (its keys merge); a key that appears twice in a
//    section keeps its first value.
//  - The text may hold at most MaxIniBytes bytes and no zero byte; Parse refuses anything else.
class IniReader {
 public:
  static constexpr size_t MaxIniBytes = 64 * 1024;

  // Replaces the contents with the parsed text. False (contents empty, reason in `error`) when
  // the text is too large or holds a zero byte.
  bool Parse(const std::string& text, std::string& error);

  // The trimmed value of section/key, or `defaultValue` when the key is absent.
  std::string Get(const std::string& section, const std::string& key,
                  const std::string& defaultValue) const;
  // True when section/key is present (even with an empty value).
  bool Has(const std::string& section, const std::string& key) const;

  // Removes every character with a code of 32 or below from both ends.
  static std::string Trim(const std::string& text);

 private:
  struct Entry {
    std::string section;  // lower case
    std::string key;      // lower case
    std::string value;
  };
  const Entry* Find(const std::string& section, const std::string& key) const;

  std::vector<Entry> entries_;
};
