// The B612 Mono faces (regular and bold) opened with FreeType.
#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <string>

namespace assetgen {

class FontLibrary {
 public:
  // Opens B612 Mono from fontDir, or from the system font folders when fontDir is empty.
  // Throws std::runtime_error naming what is missing.
  explicit FontLibrary(const std::string& fontDir);
  ~FontLibrary();
  FontLibrary(const FontLibrary&) = delete;
  FontLibrary& operator=(const FontLibrary&) = delete;

  FT_Face Regular() const { return regular_; }
  FT_Face Bold() const { return bold_; }
  const std::string& RegularPath() const { return regularPath_; }
  const std::string& BoldPath() const { return boldPath_; }

 private:
  FT_Library library_ = nullptr;
  FT_Face regular_ = nullptr;
  FT_Face bold_ = nullptr;
  std::string regularPath_;
  std::string boldPath_;
};

// Cap height of a face as a fraction of its em.
double CapHeightRatio(FT_Face face);

}  // namespace assetgen
