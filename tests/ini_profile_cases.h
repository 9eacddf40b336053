// Settings files and the value Windows' private-profile reader gives for one key of each. The
// expected values were taken from GetPrivateProfileStringA of the Windows build under Wine
// (ini_profile_windows_test runs every case through it and through IniReader); ini_reader_test
// runs the same list through IniReader on Linux. Where Windows 10 is known to answer otherwise
// than Wine, `expected` is the Windows answer (what IniReader gives) and `wine` Wine's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvane_test {

enum class IniEncoding { Bytes, Utf16Le, Utf16Be };

struct IniCase {
  const char* name;
  std::string text;  // the file's bytes, or (for UTF-16) its text in UTF-8
  IniEncoding encoding;
  const char* section;
  const char* key;
  const char* defaultValue;
  std::string expected;
  const char* wine = nullptr;  // Wine's answer, where it differs from Windows 10's
};

// The file as saved: UTF-16 cases get their byte-order mark and units (surrogate pairs included).
inline std::string IniCaseFileBytes(const IniCase& c) {
  if (c.encoding == IniEncoding::Bytes) return c.text;
  std::vector<uint16_t> units = {0xFEFF};
  for (size_t i = 0; i < c.text.size();) {
    const uint32_t lead = static_cast<unsigned char>(c.text[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length && i + k < c.text.size(); ++k) {
      code = (code << 6) | (static_cast<unsigned char>(c.text[i + k]) & 0x3F);
    }
    i += length;
    if (code > 0xFFFF) {
      units.push_back(static_cast<uint16_t>(0xD800 + ((code - 0x10000) >> 10)));
      units.push_back(static_cast<uint16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<uint16_t>(code));
    }
  }
  std::string bytes;
  for (uint16_t u : units) {
    const char hi = static_cast<char>(u >> 8);
    const char lo = static_cast<char>(u & 0xFF);
    bytes.push_back(c.encoding == IniEncoding::Utf16Le ? lo : hi);
    bytes.push_back(c.encoding == IniEncoding::Utf16Le ? hi : lo);
  }
  return bytes;
}

inline std::vector<IniCase> IniProfileCases() {
  using E = IniEncoding;
  const std::string longValue(5000, '7');
  return {
      // Quotes: one pair of matching quotes goes, nothing else.
      {"double quotes", "[LAN]\r\nUSELAN=\"Y\"\r\n", E::Bytes, "LAN", "USELAN", "-", "Y"},
      {"single quotes", "[LAN]\r\nUSELAN='Y'\r\n", E::Bytes, "LAN", "USELAN", "-", "Y"},
      {"quotes that differ", "[LAN]\r\nUSELAN=\"Y'\r\n", E::Bytes, "LAN", "USELAN", "-", "\"Y'"},
      {"a lone quote", "[LAN]\r\nUSELAN=\"\r\n", E::Bytes, "LAN", "USELAN", "-", "\""},
      {"empty quotes", "[LAN]\r\nUSELAN=\"\"\r\n", E::Bytes, "LAN", "USELAN", "-", ""},
      {"a quote inside", "[LAN]\r\nORVANEGCSERVER=\"a\"b\"\r\n", E::Bytes, "LAN",
       "ORVANEGCSERVER", "-", "a\"b"},
      {"blanks inside quotes", "[LAN]\r\nUSELAN = \" Y \" \r\n", E::Bytes, "LAN", "USELAN", "-",
       " Y "},
      {"doubled quotes", "[LAN]\r\nUSELAN=\"\"Y\"\"\r\n", E::Bytes, "LAN", "USELAN", "-",
       "\"Y\""},
      {"quotes after a blank", "[LAN]\r\nUSELAN= 'Y' ; on\r\n", E::Bytes, "LAN", "USELAN", "-",
       "'Y' ; on"},

      // Sections.
      {"repeated section: first value", "[LAN]\r\nUSELAN=N\r\n[WINDOW]\r\nX=1\r\n[lan]\r\nUSELAN=Y\r\n",
       E::Bytes, "LAN", "USELAN", "-", "N"},
      {"repeated section: key only in the second",
       "[LAN]\r\nUSELAN=N\r\n[WINDOW]\r\nX=1\r\n[LAN]\r\nORVANEGCPORT=2020\r\n", E::Bytes, "LAN",
       "ORVANEGCPORT", "-", "-"},
      {"blanks around a section name", "  [ LAN\t]  \r\nUSELAN=Y\r\n", E::Bytes, "LAN", "USELAN",
       "-", "Y"},
      {"text after the closing bracket", "[LAN] old settings\r\nUSELAN=Y\r\n", E::Bytes, "LAN",
       "USELAN", "-", "Y"},
      // Windows 10 ends a section name at the first ']' or at the line end; Wine at the last ']'
      // and takes a '[' line without one for a key.
      {"the first bracket closes", "[LAN]x]\r\nUSELAN=Y\r\n", E::Bytes, "LAN", "USELAN", "-",
       "Y", "-"},
      {"header without closing bracket: the section opens",
       "[LAN]\r\nUSELAN=N\r\n[ WINDOW \r\nX=5\r\n", E::Bytes, "WINDOW", "X", "-", "5", "-"},
      {"header without closing bracket: the section before ends",
       "[LAN]\r\nUSELAN=N\r\n[ WINDOW \r\nX=5\r\n", E::Bytes, "LAN", "X", "-", "-", "5"},
      {"empty section name ends the section before", "[LAN]\r\n[]\r\nUSELAN=Y\r\n", E::Bytes,
       "LAN", "USELAN", "-", "-"},
      {"keys before any section", "USELAN=Y\r\n[LAN]\r\nORVANEGCPORT=1\r\n", E::Bytes, "LAN",
       "USELAN", "-", "-"},
      {"section names ignore case", "[window]\r\nx=12\r\n", E::Bytes, "WINDOW", "X", "-", "12"},

      // Keys.
      {"key without equals sign", "[WINDOW]\r\nX\r\n", E::Bytes, "WINDOW", "X", "0", "0"},
      {"key without equals sign hides a later value", "[WINDOW]\r\nX\r\nX=5\r\n", E::Bytes,
       "WINDOW", "X", "0", "0"},
      {"key without equals sign after a value", "[WINDOW]\r\nX=5\r\nX\r\n", E::Bytes, "WINDOW",
       "X", "0", "5"},
      {"repeated key: first value", "[WINDOW]\r\nX=1\r\nx=2\r\n", E::Bytes, "WINDOW", "X", "-",
       "1"},
      {"empty value", "[LAN]\r\nUSELAN=\r\n", E::Bytes, "LAN", "USELAN", "N", ""},
      {"values keep their case", "[LAN]\r\nUSELAN=yEs\r\n", E::Bytes, "LAN", "USELAN", "-", "yEs"},
      {"blanks around key and value", "[WINDOW]\r\n \t X \t = \t 1 2 \t \r\n", E::Bytes,
       "WINDOW", "X", "-", "1 2"},
      {"Ctrl-Z, VT and FF are blanks", "[WINDOW]\r\nX=\x1A\x0B" "5\x0C\x1A\r\n", E::Bytes,
       "WINDOW", "X", "-", "5"},
      {"other control characters are text", "[WINDOW]\r\nX=5\x01\r\n", E::Bytes, "WINDOW", "X",
       "-", "5\x01"},
      {"control character in a key name", "[WINDOW]\r\n\x01X=5\r\n", E::Bytes, "WINDOW", "X", "-",
       "-"},
      {"equals sign in a value", "[LAN]\r\nORVANEGCSERVER=a=b\r\n", E::Bytes, "LAN",
       "ORVANEGCSERVER", "-", "a=b"},
      {"a semicolon after a value is text",
       "[LAN]\r\nORVANEGCSERVER=simpc        ; the simulator PC's name\r\n", E::Bytes, "LAN",
       "ORVANEGCSERVER", "-", "simpc        ; the simulator PC's name"},
      {"comment line", "[LAN]\r\n; USELAN=Y\r\n", E::Bytes, "LAN", "USELAN", "-", "-"},
      {"indented comment line", "[LAN]\r\n   ;USELAN=Y\r\nUSELAN=N\r\n", E::Bytes, "LAN",
       "USELAN", "-", "N"},
      // Windows 10 never finds a key that starts with ';'; Wine keeps comment lines as keys.
      {"a comment line is no key", "[LAN]\r\n  ;USELAN=Y\r\n", E::Bytes, "LAN", ";USELAN", "-",
       "-", "Y"},
      {"hash line is a key of its own", "[LAN]\r\n#USELAN=Y\r\n", E::Bytes, "LAN", "USELAN", "-",
       "-"},
      {"a long line", "[WINDOW]\r\nX=" + longValue + "\r\n", E::Bytes, "WINDOW", "X", "-",
       longValue},

      // Line ends.
      {"CR-only line ends", "[LAN]\rUSELAN=Y\rORVANEGCPORT=2020\r", E::Bytes, "LAN",
       "ORVANEGCPORT", "-", "2020"},
      {"LF-only line ends", "[LAN]\nUSELAN=Y\nORVANEGCPORT=2020\n", E::Bytes, "LAN",
       "ORVANEGCPORT", "-", "2020"},
      {"lone CR in a CR LF file", "[LAN]\r\nORVANEGCPORT=1\rUSELAN=Y\r\n", E::Bytes, "LAN",
       "USELAN", "-", "Y"},
      {"no line end at the end", "[LAN]\r\nUSELAN=Y", E::Bytes, "LAN", "USELAN", "-", "Y"},

      // Encodings.
      {"system code page bytes pass through", "[LAN]\r\nORVANEGCSERVER=caf\xE9\x80\r\n",
       E::Bytes, "LAN", "ORVANEGCSERVER", "-", "caf\xE9\x80"},
      {"UTF-8 byte-order mark", "\xEF\xBB\xBF[LAN]\r\nUSELAN=Y\r\n", E::Bytes, "LAN", "USELAN",
       "-", "Y"},
      {"UTF-8 text to the code page",
       "\xEF\xBB\xBF[LAN]\r\nORVANEGCSERVER=caf\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD\xF0\x9F\x98\x80\r\n",
       E::Bytes, "LAN", "ORVANEGCSERVER", "-", "caf\xE9\x80???"},
      {"UTF-16 LE (Notepad Unicode)", "[LAN]\r\nUSELAN=\"Y\"\r\nORVANEGCPORT=2020\r\n",
       E::Utf16Le, "LAN", "USELAN", "-", "Y"},
      {"UTF-16 LE text to the code page",
       "[LAN]\r\nORVANEGCSERVER=caf\xC3\xA9\xE2\x82\xAC\xE4\xB8\xAD\xF0\x9F\x98\x80\r\n",
       E::Utf16Le, "LAN", "ORVANEGCSERVER", "-", "caf\xE9\x80???"},
      {"UTF-16 LE, repeated section", "[LAN]\r\nUSELAN=N\r\n[LAN]\r\nUSELAN=Y\r\n", E::Utf16Le,
       "LAN", "USELAN", "-", "N"},
      {"UTF-16 BE", "[WINDOW]\nX=-40\n", E::Utf16Be, "WINDOW", "X", "-", "-40"},
  };
}

}  // namespace orvane_test
