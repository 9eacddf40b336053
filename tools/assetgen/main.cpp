// orvane-assetgen: writes the panel textures, font.bmp and plane2.ico, and can preview the panel.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "art_tapes.h"
#include "cli/option_parser.h"
#include "bmp_file.h"
#include "font_library.h"
#include "font_sheet.h"
#include "icon_file.h"
#include "panel_art.h"
#include "preview.h"
#include "screen_geometry.h"

namespace {

struct Options {
  std::string outDir = ".";
  std::string fontDir;
  std::string previewPath;
  assetgen::PreviewState preview;
  bool noFlightDirector = false;
  bool noSampleTexts = false;
  bool quiet = false;
  bool geometryOnly = false;
  bool help = false;
  bool version = false;
};

// Every option, in the order --help lists them.
void DefineOptions(toolcli::OptionParser& p, Options& o) {
  p.NameColumn(21);
  assetgen::PreviewState& s = o.preview;
  p.Text("--out", "DIR", o.outDir, "folder to write into (default: the current folder; created if missing)", true);
  p.Text("--font-dir", "DIR", o.fontDir,
         "folder holding B612Mono-Regular and B612Mono-Bold (.otf or .ttf)\n"
         "(default: the system folders of the fonts-b612 package)");
  p.Text("--preview", "FILE", o.previewPath, "also compose the panel in software and write it as a PNG");
  p.Number("--pitch", "DEG", s.pitchDeg, "preview: pitch, positive nose down (default 0)");
  p.Number("--bank", "DEG", s.bankDeg, "preview: bank, positive left wing down (default 0)");
  p.Choice("--ils", "N", s.ilsState, {{"0", 0}, {"1", 1}, {"4", 4}},
           "preview: ILS state 0, 1 (no-ILS plate) or 4 (scales) (default 4)");
  p.Number("--gs", "NEEDLE", s.gsNeedle, "preview: glide-slope needle -127..127, positive = index down");
  p.Number("--loc", "NEEDLE", s.locNeedle, "preview: localizer needle -127..127, positive = index right");
  p.Number("--fd-pitch", "DEG", s.fdPitchDeg, "preview: flight-director pitch command minus pitch");
  p.Number("--fd-bank", "DEG", s.fdBankDeg, "preview: flight-director bank command minus bank");
  p.Flag("--no-fd", o.noFlightDirector, "preview: no flight-director bars");
  p.Flag("--no-text", o.noSampleTexts, "preview: no sample annunciations");
  p.Whole("--scale", "N", s.scale, 1, 8, "an enlargement from 1 to 8", "preview: enlargement 1..8 (default 2)");
  p.Flag("--geometry", o.geometryOnly, "print where each texture's quad lands on the screen, and exit");
  p.Flag("--quiet", o.quiet, "no progress lines");
  p.HelpFlag(o.help);
  p.Flag("--version", o.version, "the program version");
}

const char* const kUsage = "Usage: orvane-assetgen [options]";
const char* const kAbout =
    "Writes the 16 panel textures (*.txr), the 12 textures of the full layout, font.bmp and plane2.ico\n"
    "of the Orvane PFD.";

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
  Options options;
  toolcli::OptionParser parser("orvane-assetgen", kUsage, kAbout);
  DefineOptions(parser, options);
  std::string error;
  if (!parser.Parse(std::vector<std::string>(argv + 1, argv + argc), error)) {
    std::fprintf(stderr, "orvane-assetgen: %s\n", error.c_str());
    return toolcli::kBadCommandLine;
  }
  if (options.help) {
    std::fputs(parser.Help().c_str(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("orvane-assetgen %s\n", ORVANE_VERSION);
    return 0;
  }
  if (options.geometryOnly) {
    PrintGeometry();
    return 0;
  }
  options.preview.flightDirector = !options.noFlightDirector;
  options.preview.sampleTexts = !options.noSampleTexts;
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "orvane-assetgen: error: %s\n", e.what());
    return 1;
  }
}
