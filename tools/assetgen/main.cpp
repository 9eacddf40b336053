// orvane-assetgen: writes the panel textures, font.bmp and plane2.ico, and can preview the panel.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "art_tapes.h"
#include "bmp_file.h"
#include "font_library.h"
#include "font_sheet.h"
#include "icon_file.h"
#include "panel_art.h"
#include "preview.h"
#include "screen_geometry.h"

namespace {

const char* const kUsage =
    "Usage: orvane-assetgen [options]\n"
    "Writes the 16 panel textures (*.txr), the 12 textures of the full layout, font.bmp and plane2.ico\n"
    "of the Orvane PFD.\n"
    "\n"
    "Options:\n"
    "  --out DIR          folder to write into (default: the current folder; created if missing)\n"
    "  --font-dir DIR     folder holding B612Mono-Regular and B612Mono-Bold (.otf or .ttf)\n"
    "                     (default: the system folders of the fonts-b612 package)\n"
    "  --preview FILE     also compose the panel in software and write it as a PNG\n"
    "  --pitch DEG        preview: pitch, positive nose down (default 0)\n"
    "  --bank DEG         preview: bank, positive left wing down (default 0)\n"
    "  --ils N            preview: ILS state 0, 1 (no-ILS plate) or 4 (scales) (default 4)\n"
    "  --gs NEEDLE        preview: glide-slope needle -127..127, positive = index down\n"
    "  --loc NEEDLE       preview: localizer needle -127..127, positive = index right\n"
    "  --fd-pitch DEG     preview: flight-director pitch command minus pitch\n"
    "  --fd-bank DEG      preview: flight-director bank command minus bank\n"
    "  --no-fd            preview: no flight-director bars\n"
    "  --no-text          preview: no sample annunciations\n"
    "  --scale N          preview: enlargement 1..8 (default 2)\n"
    "  --geometry         print where each texture's quad lands on the screen, and exit\n"
    "  --quiet            no progress lines\n"
    "  --help             this text\n"
    "  --version          the program version\n";

struct Options {
  std::string outDir = ".";
  std::string fontDir;
  std::string previewPath;
  assetgen::PreviewState preview;
  bool quiet = false;
  bool geometryOnly = false;
  bool versionOnly = false;
};

double ParseNumber(const std::string& option, const std::string& text) {
  try {
    std::size_t used = 0;
    const double v = std::stod(text, &used);
    if (used == text.size()) return v;
  } catch (const std::exception&) {
  }
  throw std::invalid_argument("invalid value '" + text + "' for " + option);
}

// Reads the command line; throws std::invalid_argument with a message naming the bad argument.
Options ParseArgs(const std::vector<std::string>& args, bool& helpOnly) {
  Options o;
  helpOnly = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string& {
      if (i + 1 >= args.size()) throw std::invalid_argument("option " + a + " needs a value");
      return args[++i];
    };
    if (a == "--help" || a == "-h") {
      helpOnly = true;
    } else if (a == "--out") {
      o.outDir = value();
    } else if (a == "--font-dir") {
      o.fontDir = value();
    } else if (a == "--preview") {
      o.previewPath = value();
    } else if (a == "--pitch") {
      o.preview.pitchDeg = ParseNumber(a, value());
    } else if (a == "--bank") {
      o.preview.bankDeg = ParseNumber(a, value());
    } else if (a == "--ils") {
      const double v = ParseNumber(a, value());
      if (v != 0 && v != 1 && v != 4) throw std::invalid_argument("--ils must be 0, 1 or 4");
      o.preview.ilsState = static_cast<int>(v);
    } else if (a == "--gs") {
      o.preview.gsNeedle = ParseNumber(a, value());
    } else if (a == "--loc") {
      o.preview.locNeedle = ParseNumber(a, value());
    } else if (a == "--fd-pitch") {
      o.preview.fdPitchDeg = ParseNumber(a, value());
    } else if (a == "--fd-bank") {
      o.preview.fdBankDeg = ParseNumber(a, value());
    } else if (a == "--no-fd") {
      o.preview.flightDirector = false;
    } else if (a == "--no-text") {
      o.preview.sampleTexts = false;
    } else if (a == "--scale") {
      o.preview.scale = static_cast<int>(ParseNumber(a, value()));
    } else if (a == "--geometry") {
      o.geometryOnly = true;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--version") {
      o.versionOnly = true;
    } else {
      throw std::invalid_argument("unknown argument '" + a + "'");
    }
  }
  return o;
}

// Prints the screen placement of every quad and the travel of the moving symbols, in pixels.
void PrintGeometry() {
  using namespace assetgen;
  std::printf("%-16s %8s %8s %8s %7s\n", "texture", "centre x", "centre y", "size", "texels");
  for (const QuadPlacement& q : PanelQuads()) {
    std::printf("%-16s %8.1f %8.1f %8.1f %7d\n", q.file.c_str(), q.Centre().x, q.Centre().y,
                q.SizePx(), q.texels);
  }
  std::printf("horizon scroll       %.3f px per degree of pitch\n", HorizonPixelsPerDegree());
  std::printf("glide-slope index    +-%.1f px at full deflection\n",
              kGlideSlopeTravelUnits * PixelsPerUnit(33.0));
  std::printf("localizer index      +-%.1f px at full deflection\n",
              kLocalizerTravelUnits * PixelsPerUnit(39.0));
  std::printf("flight-director bars +-%.1f px vertically, +-%.1f px horizontally\n",
              kFdPitchTravelUnits * PixelsPerUnit(17.2), kFdBankTravelUnits * PixelsPerUnit(17.2));
}

// Generates every file; returns the process exit code.
int Run(const Options& o) {
  const auto start = std::chrono::steady_clock::now();
  auto progress = [&o](const std::string& line) {
    if (!o.quiet) std::printf("orvane-assetgen: %s\n", line.c_str());
    std::fflush(stdout);
  };
  std::filesystem::create_directories(o.outDir);
  const assetgen::FontLibrary fonts(o.fontDir);
  progress("font " + fonts.RegularPath() + " and " + fonts.BoldPath());

  std::map<std::string, assetgen::Image> textures;
  for (const assetgen::TextureArt& art : assetgen::PanelArt(fonts)) {
    const assetgen::QuadPlacement& q = assetgen::QuadFor(art.file);
    assetgen::Image img = assetgen::Bake(art.scene, q);
    assetgen::WriteFileAtomically(o.outDir + "/" + art.file, assetgen::EncodeBmp24(img));
    progress("wrote " + art.file + " (" + std::to_string(img.width) + " x " +
             std::to_string(img.height) + ")");
    textures.emplace(art.file, std::move(img));
  }
  int written = static_cast<int>(textures.size());
  for (const assetgen::FullLayoutTexture& t : assetgen::FullLayoutArt(fonts)) {
    assetgen::WriteFileAtomically(o.outDir + "/" + t.file, assetgen::EncodeBmp24(t.image));
    progress("wrote " + t.file + " (" + std::to_string(t.image.width) + " x " + std::to_string(t.image.height) +
             ", full layout)");
    ++written;
  }
  const assetgen::Image font = assetgen::BuildFontSheet(fonts);
  assetgen::WriteFileAtomically(o.outDir + "/font.bmp", assetgen::EncodeBmp24(font));
  progress("wrote font.bmp (" + std::to_string(font.width) + " x " + std::to_string(font.height) +
           ")");
  assetgen::WriteFileAtomically(o.outDir + "/plane2.ico", assetgen::BuildIcon());
  progress("wrote plane2.ico (16, 32 and 48 pixels)");

  if (!o.previewPath.empty()) {
    assetgen::WritePreview(o.previewPath, textures, font, o.preview);
    progress("wrote preview " + o.previewPath);
  }
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - start)
                      .count();
  progress("done: " + std::to_string(written + 2) + " files in " + o.outDir + " (" + std::to_string(ms) + " ms)");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  bool helpOnly = false;
  Options options;
  try {
    options = ParseArgs(std::vector<std::string>(argv + 1, argv + argc), helpOnly);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvane-assetgen: %s\n%s", e.what(), kUsage);
    return 2;
  }
  if (helpOnly) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (options.versionOnly) {
    std::printf("orvane-assetgen %s\n", ORVANE_VERSION);
    return 0;
  }
  if (options.geometryOnly) {
    PrintGeometry();
    return 0;
  }
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvane-assetgen: error: %s\n", e.what());
    return 1;
  }
}
