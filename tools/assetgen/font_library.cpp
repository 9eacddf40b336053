// Locating and opening the B612 Mono font files.
#include "font_library.h"

#include FT_TRUETYPE_TABLES_H

#include <fstream>
#include <stdexcept>
#include <vector>

namespace assetgen {

namespace {

bool FileExists(const std::string& path) { return std::ifstream(path, std::ios::binary).good(); }

// The first existing file named base + .otf or .ttf in one of the folders.
std::string FindFontFile(const std::vector<std::string>& dirs, const std::string& base) {
  for (const std::string& dir : dirs) {
    for (const char* ext : {".otf", ".ttf"}) {
      const std::string path = dir + "/" + base + ext;
      if (FileExists(path)) return path;
    }
  }
  std::string where;
  for (const std::string& dir : dirs) where += (where.empty() ? "" : ", ") + dir;
  throw std::runtime_error("font file " + base + ".otf/.ttf not found in " + where +
                           " (install the package fonts-b612, or pass --font-dir)");
}

FT_Face OpenFace(FT_Library lib, const std::string& path) {
  FT_Face face = nullptr;
  if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) {
    throw std::runtime_error("FreeType cannot open font file " + path);
  }
  return face;
}

}  // namespace

FontLibrary::FontLibrary(const std::string& fontDir) {
  std::vector<std::string> dirs;
  if (!fontDir.empty()) {
    dirs.push_back(fontDir);
  } else {
    dirs = {"/usr/share/fonts/opentype/b612", "/usr/share/fonts/truetype/b612",
            "/usr/local/share/fonts/b612"};
  }
  regularPath_ = FindFontFile(dirs, "B612Mono-Regular");
  boldPath_ = FindFontFile(dirs, "B612Mono-Bold");
  if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("FreeType failed to start");
  try {
    regular_ = OpenFace(library_, regularPath_);
    bold_ = OpenFace(library_, boldPath_);
  } catch (...) {
    if (regular_) FT_Done_Face(regular_);
    FT_Done_FreeType(library_);
    throw;
  }
}

FontLibrary::~FontLibrary() {
  FT_Done_Face(bold_);
  FT_Done_Face(regular_);
  FT_Done_FreeType(library_);
}

double CapHeightRatio(FT_Face face) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version >= 2 && os2->sCapHeight > 0 && face->units_per_EM > 0) {
    return static_cast<double>(os2->sCapHeight) / face->units_per_EM;
  }
  return 0.7;
}

}  // namespace assetgen
