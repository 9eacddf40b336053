// A small portable reader for the settings file: INI text in, case-insensitive key lookups out.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The reader gives the answers the Windows private-profile reader (GetPrivateProfileStringA) gives
// for the same file, so a settings file copied from a Windows machine means the same thing here.
// tests/ini_profile_cases.h lists the cases; ini_profile_windows_test.cpp checks them against the
// system reader of the Windows build run under Wine. Where Windows 10 and Wine are known to differ
// (a section header's ']'), the reader follows Windows and the table records both answers. Two
// files are read more kindly than Windows 10 reads them: there a UTF-8 mark is not recognised (it
// sticks to the first line, so a section header on that line is lost) and a UTF-16 big-endian
// file is not read at all; Wine reads both as this reader does.
// The rules:
//  - Encoding: a file starting with FF FE (Notepad's "Unicode") or FE FF is UTF-16 and one starting
//    with EF BB BF is UTF-8; in both the mark is dropped and the text is turned into Windows-1252
//    bytes, as the ANSI function does on a Western system: each UTF-16 unit with no 1252 byte
//    becomes '?' (no best-fit letters; a character outside the basic plane gives "??"), and a
//    malformed UTF-8 byte becomes '?'. Any other file is taken byte for byte.
//  - Lines end at every CR and every LF (CR LF, LF-only and CR-only files all work). There is no
//    line length limit apart from the file size limit.
//  - Blanks are tab, LF, VT, FF, CR, space and Ctrl-Z; each line, name and value loses those at
//    both ends. Other control characters stay part of the text.
//  - A line whose first character is ';' is a comment. A ';' later in a line is part of the value
//    ("k=v ; note" gives "v ; note"). '#' is an ordinary character: "#USELAN=Y" sets a key named
//    "#USELAN", which nothing asks for, so such a line is in effect a comment too.
//  - A line starting with '[' opens a section named by the text up to the first ']' (anything
//    after it is ignored) or, when there is no ']', up to the end of the line. Lines before the
//    first header belong to a section with an empty name; "[]" opens a second section of that
//    name, so (by the rule below) the keys after it are never found.
//  - "key=value": the key is the text before the first '=', the value the text after it (it may
//    hold more '='). A value in one pair of matching quotes ("..." or '...') loses them; text
//    inside, blanks included, is kept.
//  - A key line without '=' is a key without a value: Get gives the caller's default for it, and
//    being first, it also hides any later line of the same key.
//  - Section and key names match without regard to ASCII case. Only the first section of a name
//    counts (a later [LAN] is ignored entirely), and in it only the first line of a key.
//  - Refused (Parse gives the reason): more than MaxIniBytes bytes, or a zero character, which
//    means a binary file (or UTF-16 without its byte-order mark).
class IniReader {
 public:
  static constexpr size_t MaxIniBytes = 64 * 1024;

  // Replaces the contents with the parsed text. False (contents empty, reason in `error`) when
  // the text is too large or holds a zero character.
  bool Parse(const std::string& text, std::string& error);

  // The value of section/key, or `defaultValue` when the key is absent or has no '='.
  std::string Get(const std::string& section, const std::string& key,
                  const std::string& defaultValue) const;
  // True when Get takes the value from the file (an empty value counts).
  bool Has(const std::string& section, const std::string& key) const;

  // Removes the blanks described above from both ends.
  static std::string Trim(const std::string& text);

 private:
  struct Entry {
    std::string key;  // lower case
    bool hasValue = false;
    std::string value;
  };
  struct Section {
    std::string name;  // lower case
    std::vector<Entry> entries;
  };
  const Entry* Find(const std::string& section, const std::string& key) const;

  std::vector<Section> sections_;
};
