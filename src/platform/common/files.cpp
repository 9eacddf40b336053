// File reading shared by every platform: a whole file into memory with a size bound, and files
// read in pieces.
#include <climits>
#include <fstream>

#include "platform/system.h"

namespace platform {

bool ReadWholeFile(const std::string& name, std::string& out, size_t maxBytes) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  out.clear();
  // The size the file states, read in one piece into a buffer of that size.
  in.seekg(0, std::ios::end);
  const std::streamoff stated = in ? static_cast<std::streamoff>(in.tellg()) : -1;
  in.clear();
  in.seekg(0);
  if (stated > 0 && in) {
    if (static_cast<uint64_t>(stated) > maxBytes) return false;
    out.resize(static_cast<size_t>(stated));
    in.read(&out[0], stated);
    out.resize(static_cast<size_t>(in.gcount()));
    if (in.gcount() < stated) return !in.bad();  // it became shorter meanwhile
  }
  in.clear(in.rdstate() & std::ios::badbit);
  // What the size did not tell: a file that grew meanwhile, or one without a size (a pipe).
  char buf[4096];
  while (in) {
    in.read(buf, sizeof buf);
    const std::streamsize got = in.gcount();
    if (got <= 0) break;
    if (out.size() + static_cast<size_t>(got) > maxBytes) return false;
    out.append(buf, static_cast<size_t>(got));
  }
  return !in.bad();
}

FileReader::~FileReader() {
  if (file_ != nullptr) std::fclose(file_);
}

bool FileReader::Open(const std::string& name) {
  if (file_ != nullptr) std::fclose(file_);
  file_ = nullptr;
  size_ = position_ = 0;
  if (!FileExists(name)) return false;
  file_ = std::fopen(name.c_str(), "rb");
  if (file_ == nullptr) return false;
  // The caller's buffer is the only one: no copy through the C library's.
  std::setvbuf(file_, nullptr, _IONBF, 0);
  const long end = std::fseek(file_, 0, SEEK_END) == 0 ? std::ftell(file_) : -1L;
  if (end < 0 || std::fseek(file_, 0, SEEK_SET) != 0) {
    std::fclose(file_);
    file_ = nullptr;
    return false;
  }
  size_ = static_cast<uint64_t>(end);
  return true;
}

bool FileReader::ReadAt(uint64_t offset, void* to, size_t count) {
  if (file_ == nullptr || offset > size_ || count > size_ - offset) return false;
  if (offset != position_) {
    if (offset > static_cast<uint64_t>(LONG_MAX) ||
        std::fseek(file_, static_cast<long>(offset), SEEK_SET) != 0) {
      return false;
    }
    position_ = offset;
  }
  const size_t got = std::fread(to, 1, count, file_);
  position_ += got;
  return got == count;
}

}  // namespace platform
