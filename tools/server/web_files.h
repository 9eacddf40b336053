// The data server's web folder: which file an HTTP request target names (never one outside the
// folder) and the answer to a GET or HEAD for it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace server {

constexpr size_t kMaxWebTarget = 2048;              // longest request target looked at
constexpr uint64_t kMaxWebFile = 64ull << 20;       // largest file served (64 MiB)

// The path inside the web folder that a request target names: the target must start with '/';
// the query ("?...") and fragment are dropped; %XX escapes are decoded; "/" and a trailing '/' name
// index.html; empty segments ("//") are skipped. False (nothing named) for a target longer than
// kMaxWebTarget, with a malformed escape, with a control character, '\\' or ':' after decoding,
// with a segment that starts with '.' (".", ".." and hidden files alike) or with more than 32
// segments. The result has '/' between segments and never starts with one.
bool WebRelativePath(std::string_view target, std::string* relative);

// The Content-Type of a file by its extension (application/octet-stream when unknown).
const char* WebContentType(std::string_view path);

struct WebAnswer {
  int status = 404;         // 200, 304, 404 or 405
  std::string contentType;  // of the body
  std::string body;         // the file (empty for HEAD and 304) or a one-line text for the errors
  uint64_t length = 0;      // the file's length (for HEAD as for GET)
  std::string etag;         // the file's version (200 and 304): "size-modification time" in hexadecimal, quoted
};

// Longest If-None-Match header looked at (longer ones are taken as naming no version).
constexpr size_t kMaxWebIfNoneMatch = 1024;

class WebFiles {
 public:
  explicit WebFiles(std::string root) : root_(std::move(root)) {}

  // Resolves the folder (following links once, here). False with a message naming it when it is
  // not a readable folder.
  bool Open(std::string* error);
  const std::string& Root() const { return canonicalRoot_; }

  // The file a request target names: a regular file whose real path (links followed) lies inside
  // the folder, at most kMaxWebFile bytes. Empty when there is none.
  std::string Resolve(std::string_view target) const;

  // The answer to `method` (GET or HEAD; anything else is 405) for `target`. `ifNoneMatch`: the
  // request's If-None-Match header: 304 without the file when it names the file's version (or is
  // "*"), so that a browser that holds the file (the page's artwork: tens of megabytes) does not
  // fetch it again.
  WebAnswer Answer(std::string_view method, std::string_view target, std::string_view ifNoneMatch = {}) const;

 private:
  std::string root_;
  std::string canonicalRoot_;
};

}  // namespace server
