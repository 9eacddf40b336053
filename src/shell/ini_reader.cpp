// The settings file reader: line splitting, sections, keys and lookups as described in ini_reader.h.
#include "shell/ini_reader.h"

namespace {

std::string Lower(const std::string& text) {
  std::string out = text;
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

}  // namespace

std::string IniReader::Trim(const std::string& text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool IniReader::Parse(const std::string& text, std::string& error) {
  entries_.clear();
  if (text.size() > MaxIniBytes) {
    error = "it is larger than " + std::to_string(MaxIniBytes) + " bytes";
    return false;
  }
  if (text.find('\0') != std::string::npos) {
    error = "it holds a zero byte (not a plain text file)";
    return false;
  }

  size_t pos = 0;
  if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;

  bool inSection = false;
  std::string section;
  while (pos < text.size()) {
    size_t lineEnd = text.find_first_of("\r\n", pos);
    if (lineEnd == std::string::npos) lineEnd = text.size();
    const std::string line = Trim(text.substr(pos, lineEnd - pos));
    // CR LF counts as one line end, as do a lone CR and a lone LF.
    pos = lineEnd;
    if (pos < text.size()) {
      pos += (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n') ? 2 : 1;
    }

    if (line.empty() || line[0] == ';' || line[0] == '#') continue;

    if (line[0] == '[') {
      const size_t close = line.find(']');
      const std::string name = close == std::string::npos ? "" : Trim(line.substr(1, close - 1));
      inSection = !name.empty();
      section = inSection ? Lower(name) : "";
      continue;
    }

    const size_t eq = line.find('=');
    if (eq == std::string::npos || !inSection) continue;
    const std::string key = Lower(Trim(line.substr(0, eq)));
    if (key.empty()) continue;
    if (Find(section, key) != nullptr) continue;  // the first value wins
    entries_.push_back(Entry{section, key, Trim(line.substr(eq + 1))});
  }
  return true;
}

const IniReader::Entry* IniReader::Find(const std::string& section, const std::string& key) const {
  const std::string s = Lower(section);
  const std::string k = Lower(key);
  for (const Entry& e : entries_) {
    if (e.section == s && e.key == k) return &e;
  }
  return nullptr;
}

std::string IniReader::Get(const std::string& section, const std::string& key,
                           const std::string& defaultValue) const {
  const Entry* e = Find(section, key);
  return e != nullptr ? e->value : defaultValue;
}

bool IniReader::Has(const std::string& section, const std::string& key) const {
  return Find(section, key) != nullptr;
}
