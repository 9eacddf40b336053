// The data server's web folder: request targets to files inside it, and the answers to GET and HEAD.
#include "server/web_files.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace server {
namespace fs = std::filesystem;

namespace {

// The real path of an existing file or folder, every link on the way followed. The C++ library
// resolves links only where the system calls them symbolic links; Windows' links and junctions are
// followed by asking the system for the path of the opened file.
fs::path RealPath(const fs::path& path, std::error_code& ec) {
#ifdef _WIN32
  HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    ec = std::error_code(int(GetLastError()), std::system_category());
    return {};
  }
  std::vector<wchar_t> buffer(32768);
  DWORD n = GetFinalPathNameByHandleW(h, buffer.data(), DWORD(buffer.size()), FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  CloseHandle(h);
  if (n == 0 || n >= buffer.size()) {
    ec = std::error_code(ERROR_PATH_NOT_FOUND, std::system_category());
    return {};
  }
  ec.clear();
  std::wstring real(buffer.data(), n);
  // "\\?\C:\..." as the C++ library takes it: "C:\...".
  if (real.size() >= 6 && real.compare(0, 4, L"\\\\?\\") == 0 && real[5] == L':') real.erase(0, 4);
  return fs::path(real);
#else
  return fs::canonical(path, ec);
#endif
}

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool EndsWith(std::string_view text, std::string_view tail) {
  if (tail.size() > text.size()) return false;
  for (size_t i = 0; i < tail.size(); ++i) {
    char c = text[text.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

WebAnswer Error(int status, const char* text) {
  WebAnswer a;
  a.status = status;
  a.contentType = "text/plain; charset=utf-8";
  a.body = text;
  a.length = a.body.size();
  return a;
}

// True when an If-None-Match header (a comma-separated list of versions, each maybe weak: W/"...")
// names `etag`, or is "*".
bool NamesVersion(std::string_view header, std::string_view etag) {
  size_t pos = 0;
  while (pos < header.size()) {
    size_t comma = header.find(',', pos);
    if (comma == std::string_view::npos) comma = header.size();
    std::string_view item = header.substr(pos, comma - pos);
    pos = comma + 1;
    while (!item.empty() && (item.front() == ' ' || item.front() == '\t')) item.remove_prefix(1);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
    if (item.substr(0, 2) == "W/") item.remove_prefix(2);
    if (item == "*" || item == etag) return true;
  }
  return false;
}

}  // namespace

bool WebRelativePath(std::string_view target, std::string* relative) {
  if (target.empty() || target.size() > kMaxWebTarget || target[0] != '/') return false;
  size_t end = target.find_first_of("?#");
  if (end != std::string_view::npos) target = target.substr(0, end);
  std::string decoded;
  decoded.reserve(target.size());
  for (size_t i = 0; i < target.size(); ++i) {
    char c = target[i];
    if (c == '%') {
      if (i + 2 >= target.size()) return false;
      int hi = HexValue(target[i + 1]), lo = HexValue(target[i + 2]);
      if (hi < 0 || lo < 0) return false;
      c = char(hi * 16 + lo);
      i += 2;
    }
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f || c == '\\' || c == ':') return false;
    decoded.push_back(c);
  }
  std::string out;
  size_t segments = 0;
  size_t pos = 0;
  while (pos <= decoded.size()) {
    size_t slash = decoded.find('/', pos);
    if (slash == std::string::npos) slash = decoded.size();
    std::string_view segment(decoded.data() + pos, slash - pos);
    pos = slash + 1;
    if (segment.empty()) continue;
    if (segment[0] == '.') return false;
    if (++segments > 32) return false;
    if (!out.empty()) out.push_back('/');
    out.append(segment);
  }
  if (out.empty() || decoded.back() == '/') {
    if (!out.empty()) out.push_back('/');
    out += "index.html";
  }
  *relative = out;
  return true;
}

const char* WebContentType(std::string_view path) {
  if (EndsWith(path, ".html") || EndsWith(path, ".htm")) return "text/html; charset=utf-8";
  if (EndsWith(path, ".js") || EndsWith(path, ".mjs")) return "text/javascript; charset=utf-8";
  if (EndsWith(path, ".wasm")) return "application/wasm";
  if (EndsWith(path, ".css")) return "text/css; charset=utf-8";
  if (EndsWith(path, ".json")) return "application/json";
  if (EndsWith(path, ".png")) return "image/png";
  if (EndsWith(path, ".bmp")) return "image/bmp";
  if (EndsWith(path, ".ico")) return "image/x-icon";
  if (EndsWith(path, ".svg")) return "image/svg+xml";
  if (EndsWith(path, ".txt") || EndsWith(path, ".ini")) return "text/plain; charset=utf-8";
  return "application/octet-stream";
}

bool WebFiles::Open(std::string* error) {
  std::error_code ec;
  fs::path root = RealPath(fs::u8path(root_), ec);
  if (ec || !fs::is_directory(root, ec)) {
    *error = "web folder '" + root_ + "' is not a folder" + (ec ? ": " + ec.message() : std::string());
    return false;
  }
  canonicalRoot_ = root.u8string();
  return true;
}

std::string WebFiles::Resolve(std::string_view target) const {
  std::string relative;
  if (canonicalRoot_.empty() || !WebRelativePath(target, &relative)) return {};
  const fs::path root = fs::u8path(canonicalRoot_);
  std::error_code ec;
  // Links are followed, wherever they are on the way; the real path must stay inside the folder.
  const fs::path real = RealPath(root / fs::u8path(relative), ec);
  if (ec) return {};
  const fs::path inside = real.lexically_relative(root);
  if (inside.empty() || inside.is_absolute() || *inside.begin() == ".." || *inside.begin() == ".") return {};
  if (!fs::is_regular_file(real, ec) || ec) return {};
  const uintmax_t size = fs::file_size(real, ec);
  if (ec || size > kMaxWebFile) return {};
  return real.u8string();
}

WebAnswer WebFiles::Answer(std::string_view method, std::string_view target, std::string_view ifNoneMatch) const {
  const bool head = method == "HEAD";
  if (!head && method != "GET") return Error(405, "405 Method Not Allowed: this server only reads\n");
  const std::string path = Resolve(target);
  if (path.empty()) return Error(404, "404 Not Found\n");
  std::ifstream in(fs::u8path(path), std::ios::binary);
  std::error_code ec;
  const uintmax_t size = fs::file_size(fs::u8path(path), ec);
  if (!in || ec || size > kMaxWebFile) return Error(404, "404 Not Found\n");
  const auto modified = fs::last_write_time(fs::u8path(path), ec);
  if (ec) return Error(404, "404 Not Found\n");
  WebAnswer a;
  a.status = 200;
  a.contentType = WebContentType(path);
  a.length = size;
  // The clock's count as an unsigned number in hexadecimal (the file clock's epoch may lie after
  // the file's time).
  char version[64];
  std::snprintf(version, sizeof version, "\"%llx-%llx\"", static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(modified.time_since_epoch().count()));
  a.etag = version;
  if (ifNoneMatch.size() <= kMaxWebIfNoneMatch && NamesVersion(ifNoneMatch, a.etag)) {
    a.status = 304;
    return a;
  }
  if (!head) {
    a.body.resize(size_t(size));
    in.read(a.body.data(), std::streamsize(size));
    a.body.resize(size_t(in.gcount()));
    a.length = a.body.size();
  }
  return a;
}

}  // namespace server
