// File reading shared by every platform: a whole file into memory, with a size bound.
#include <fstream>

#include "platform/system.h"

namespace platform {

bool ReadWholeFile(const std::string& name, std::string& out, size_t maxBytes) {
  std::ifstream in(name, std::ios::binary);
  if (!in) return false;
  out.clear();
  char buf[65536];
  while (in) {
    in.read(buf, sizeof buf);
    std::streamsize got = in.gcount();
    if (got <= 0) break;
    if (out.size() + size_t(got) > maxBytes) return false;
    out.append(buf, size_t(got));
  }
  return !in.bad();
}

}  // namespace platform
