// The settings file reader: encodings, line splitting, sections, keys and lookups as described in
// ini_reader.h.
#include "shell/ini_reader.h"

#include <cstdint>
#include <utility>

namespace {

std::string Lower(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsBlank(char c) {
  const unsigned char u = static_cast<unsigned char>(c);
  return (u >= 0x09 && u <= 0x0D) || u == 0x1A || u == ' ';
}

// Windows-1252 bytes 0x80..0x9F and the UTF-16 units they stand for (the five unassigned bytes
// stand for the control characters of the same number, as on Windows).
constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// One UTF-16 unit as a Windows-1252 byte, '?' when the code page has no such character.
char ToCp1252(uint32_t unit) {
  if (unit < 0x80 || (unit >= 0xA0 && unit <= 0xFF)) return static_cast<char>(unit);
  for (size_t i = 0; i < 32; ++i) {
    if (kCp1252High[i] == unit) return static_cast<char>(0x80 + i);
  }
  return '?';
}

// UTF-16 (after its byte-order mark) to Windows-1252; false on a zero character. An odd last
// byte is not a character and is dropped.
bool Utf16ToAnsi(const std::string& bytes, size_t start, bool bigEndian, std::string& out) {
  out.clear();
  for (size_t i = start; i + 1 < bytes.size(); i += 2) {
    const uint32_t b0 = static_cast<unsigned char>(bytes[i]);
    const uint32_t b1 = static_cast<unsigned char>(bytes[i + 1]);
    const uint32_t unit = bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0);
    if (unit == 0) return false;
    out.push_back(ToCp1252(unit));
  }
  return true;
}

// UTF-8 (after its byte-order mark) to Windows-1252; false on a zero byte. A character beyond
// U+FFFF takes two UTF-16 units and so gives "??"; each byte of a malformed sequence gives '?'.
bool Utf8ToAnsi(const std::string& bytes, size_t start, std::string& out) {
  out.clear();
  size_t i = start;
  while (i < bytes.size()) {
    const uint32_t lead = static_cast<unsigned char>(bytes[i]);
    if (lead == 0) return false;
    size_t length = 0;
    uint32_t code = 0;
    uint32_t minimum = 0;
    if (lead < 0x80) {
      length = 1;
      code = lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      code = lead & 0x1F;
      minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      code = lead & 0x0F;
      minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      code = lead & 0x07;
      minimum = 0x10000;
    }
    bool good = length != 0 && length <= bytes.size() - i;
    for (size_t k = 1; good && k < length; ++k) {
      const uint32_t next = static_cast<unsigned char>(bytes[i + k]);
      good = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    if (good && length > 1) {
      good = code >= minimum && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    }
    if (!good) {
      out.push_back('?');
      ++i;
      continue;
    }
    if (code > 0xFFFF) {
      out.append("??");
    } else {
      out.push_back(ToCp1252(code));
    }
    i += length;
  }
  return true;
}

// A value in one pair of matching quotes loses them.
std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0]) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

}  // namespace

std::string IniReader::Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool IniReader::Parse(const std::string& raw, std::string& error) {
  sections_.clear();
  if (raw.size() > MaxIniBytes) {
    error = "it is larger than " + std::to_string(MaxIniBytes) + " bytes";
    return false;
  }
  std::string text;
  bool good = true;
  if (raw.compare(0, 2, "\xFF\xFE") == 0) {
    good = Utf16ToAnsi(raw, 2, false, text);
  } else if (raw.compare(0, 2, "\xFE\xFF") == 0) {
    good = Utf16ToAnsi(raw, 2, true, text);
  } else if (raw.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    good = Utf8ToAnsi(raw, 3, text);
  } else {
    good = raw.find('\0') == std::string::npos;
    if (good) text = raw;
  }
  if (!good) {
    error = "it holds a zero byte (not a plain text file)";
    return false;
  }

  sections_.push_back(Section{});  // the lines before the first header
  size_t pos = 0;
  while (pos < text.size()) {
    size_t lineEnd = text.find_first_of("\r\n", pos);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string line = Trim(text.substr(pos, lineEnd - pos));
    pos = lineEnd + 1;  // every CR and every LF ends a line; the empty lines between are skipped

    if (line.empty() || line[0] == ';') continue;

    if (line[0] == '[') {  // the name ends at the first ']' or, without one, at the line end
      const size_t close = line.find(']');
      const size_t length = close == std::string::npos ? std::string::npos : close - 1;
      sections_.push_back(Section{Lower(Trim(line.substr(1, length))), {}});
      continue;
    }

    Entry entry;
    const size_t eq = line.find('=');
    entry.key = Lower(Trim(line.substr(0, eq)));
    if (eq != std::string::npos) {
      entry.hasValue = true;
      entry.value = Unquote(Trim(line.substr(eq + 1)));
    }
    // A repeated key is kept too: Find stops at the first line of a key.
    if (!entry.key.empty()) sections_.back().entries.push_back(std::move(entry));
  }
  return true;
}

const IniReader::Entry* IniReader::Find(const std::string& section, const std::string& key) const {
  const std::string s = Lower(Trim(section));
  const std::string k = Lower(Trim(key));
  if (k.empty()) return nullptr;
  for (const Section& sec : sections_) {
    if (sec.name != s) continue;
    for (const Entry& e : sec.entries) {
      if (e.key == k) return &e;
    }
    return nullptr;  // only the first section of a name counts
  }
  return nullptr;
}

std::string IniReader::Get(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const {
  const Entry* e = Find(section, key);
  return e != nullptr && e->hasValue ? e->value : defaultValue;
}

bool IniReader::Has(const std::string& section, const std::string& key) const {
  const Entry* e = Find(section, key);
  return e != nullptr && e->hasValue;
}
