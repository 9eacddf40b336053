// CheckAppIcon: the program refuses to start without a readable "plane2.ico" next to it.
#include "shell/app_icon.h"

#include <cstdint>

#include "platform/system.h"
#include "platform/byte_order.h"

namespace {

constexpr size_t MaxIconBytes = 4 * 1024 * 1024;

uint16_t U16(const std::string& b, size_t at) { return le::Get16(reinterpret_cast<const uint8_t*>(b.data()) + at); }

}  // namespace

bool LooksLikeIcon(const std::string& bytes) {
  if (bytes.size() < 6) return false;
  const uint16_t count = U16(bytes, 4);
  return U16(bytes, 0) == 0 && U16(bytes, 2) == 1 && count >= 1 &&
         6 + size_t{count} * 16 <= bytes.size();
}

bool CheckAppIcon(const std::string& fileName, std::string& error) {
  const std::string dir = platform::CurrentDirectory();
  if (!platform::FileExists(fileName)) {
    error = "The icon file \"" + fileName + "\" is missing from the current directory " + dir + ".";
    return false;
  }
  std::string bytes;
  if (!platform::ReadWholeFile(fileName, bytes, MaxIconBytes)) {
    error = "The icon file \"" + fileName + "\" in " + dir + " cannot be read or is larger than " +
            std::to_string(MaxIconBytes) + " bytes.";
    return false;
  }
  if (!LooksLikeIcon(bytes)) {
    error = "The file \"" + fileName + "\" in " + dir + " is not an icon file.";
    return false;
  }
  return true;
}
