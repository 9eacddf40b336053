// Loads the sixteen panel textures and the font texture into GL at start-up, each with the detail
// the panel's size samples and no more.
//
// The pictures are drawn for panels up to 3 x (3 to 5 texels per pixel at 1 x). A panel samples
// only some of each picture's mipmap levels: at 1 x the half-size level alone, from 2 x on the full
// size as well. A picture is therefore read from its file row by row, halved on the way down to the
// coarsest level the panel samples, and only the levels from the finest one the panel samples on
// are given to GL, the finest as GL's level 0. GL picks its levels from the texels per pixel of its
// level 0, so it samples exactly the texels it would sample from the whole chain. Nothing on the
// way holds a whole picture: the file is read in pieces into one buffer, the rows go to GL in bands.
#include "pfd/texture_set.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>

#include "pfd/bmp_decoder.h"
#include "platform/system.h"

using render::PixelFormat;
using render::TextureDevice;

namespace {

// The pieces a file is read in (at least two rows of the widest picture the decoder takes), and
// the rows handed to GL at once: both stay in the processor's cache.
constexpr size_t kChunkBytes = 64u * 1024u;
constexpr size_t kBandBytes = 64u * 1024u;

// GL picks the level so that no texel is skipped, which at 1 x means mostly the level with under
// one texel per pixel, a blur of the picture. Sampling stops at the level of half the resolution
// (1.5 to 2.5 texels per pixel at 1 x, as sharp as pictures drawn for 1 x).
constexpr int kCoarsestPanelLevel = 1;
// A font cell is 12.5 x 16 pixels at 1 x, and GL picks the level by the narrower width: it would
// blend in the level of 8-texel cells, which blurs the glyphs' rows. The font is sampled no
// coarser than the level of 16-texel cells.
constexpr int kFontCellAtOneToOne = 16;
constexpr double kFontCellWidthAtOneX = 12.5;

// How large each picture is drawn on the 1 x panel: the side of its square in pixels, from the
// size and depth of its quad (panel_quads.h) under the 45-degree perspective of the 740-pixel-high
// surface (pfd_2: 2 units wide at depth 3, 596 pixels; ILSH_ind: 1.3 units at depth 39, 30 pixels),
// rounded up. A picture that turns with the bank is taken turned by 45 degrees: some GL
// implementations, Mesa's among them, measure a texel step by its larger coordinate rather than
// its length, so such a square counts 1 / sqrt 2 as many texels per pixel.
double DrawnSideAtOneX(int slot) {
  const PanelQuad& q = kPanelQuads[slot];
  const double pixelsPerUnit = 370.0 / (double(q.depth) * std::tan(22.5 * 3.14159265358979323846 / 180.0));
  return std::ceil(2.0 * double(q.half) * pixelsPerUnit);
}
// A level is left out only when GL's choice stays at least this much (a twentieth of a level)
// coarser everywhere.
constexpr double kLevelMargin = 0.05;
// The font's index in PanelResources::FinestLevel.
constexpr int kFontPicture = SlotCount;
// A picture outside the set, given to GL from its full size down to half of it.
constexpr int kWholePicture = -1;

// One line about a file that could not be used, telling apart "missing" from "not a usable BMP".
void ReportUnusable(const char* fileName, const char* consequence) {
  const bool exists = platform::FileExists(fileName);
  platform::DebugLog(std::string("texture file \"") + fileName + "\" " +
                     (exists ? "is not a decodable BMP" : "is missing") + ": " + consequence);
}

// The side of level `level` of a picture side: halved per level, at least 1.
int LevelSide(int side, int level) { return std::max(side >> level, 1); }

// The levels of a picture (0 = the file's full size) that GL is given: `first` to `last`, as GL's
// levels 0 to last - first.
struct LevelPlan {
  int fit = 0;  // the finest level GL can hold
  int first = 0;
  int last = 0;
  int maxLod = 0;  // the coarsest level GL is to sample, counted from `first`
};

// The finest level sampled at `scale` times today's size, for a picture of `texelsPerPixel` at 1 x.
int FinestSampledLevel(double texelsPerPixel, double scale) {
  if (!(scale > 0.0) || !(texelsPerPixel > 0.0)) return 0;
  const double lambda = std::log2(texelsPerPixel / scale) - kLevelMargin;
  return lambda >= 1.0 ? static_cast<int>(std::min(lambda, 30.0)) : 0;
}

// The levels of picture `picture` (a slot or kFontPicture), `width` x `height`, for a panel at
// `scale`. Without GL's level-of-detail controls (OpenGL 1.1), every level from the finest GL
// holds down to 1 x 1, as GL then blends in the coarser levels.
LevelPlan PlanLevels(TextureDevice& device, int picture, int width, int height, double scale, bool lodControl) {
  LevelPlan plan;
  const int maxSize = device.MaxTextureSize();
  while (maxSize > 0 && (LevelSide(width, plan.fit) > maxSize || LevelSide(height, plan.fit) > maxSize)) {
    ++plan.fit;
  }
  int coarsest = kCoarsestPanelLevel;
  if (picture == kFontPicture) {
    coarsest = 0;
    while ((height >> (coarsest + 1)) >= 16 * kFontCellAtOneToOne) ++coarsest;
  }
  if (!lodControl) {
    plan.first = plan.fit;
    plan.last = plan.fit;
    while (LevelSide(width, plan.last) > 1 || LevelSide(height, plan.last) > 1) ++plan.last;
    plan.maxLod = coarsest;
    return plan;
  }
  plan.last = plan.fit + coarsest;
  const double narrower = std::min(width, height);
  const double texelsPerPixel =
      picture == kWholePicture ? 0.0
      : picture == kFontPicture
          ? narrower / 16.0 / kFontCellWidthAtOneX
          : narrower / DrawnSideAtOneX(picture) / (kPanelQuads[picture].turnsWithBank ? std::sqrt(2.0) : 1.0);
  plan.first = std::min(std::max(FinestSampledLevel(texelsPerPixel, scale), plan.fit), plan.last);
  plan.maxLod = plan.last - plan.first;
  return plan;
}

// Memory reused by every picture of one load.
struct Scratch {
  std::vector<uint8_t> head = std::vector<uint8_t>(kBitmapHeadBytes);
  std::vector<uint8_t> chunk = std::vector<uint8_t>(kChunkBytes);
  std::vector<uint8_t> row;
};

// A texture file, opened and its header read.
struct PictureFile {
  platform::FileReader file;
  BitmapRows rows;
};

bool OpenPicture(const char* fileName, PictureFile& picture, Scratch& scratch) {
  if (!picture.file.Open(fileName) || picture.file.Size() > kMaxBitmapFileBytes) return false;
  const size_t head = static_cast<size_t>(std::min<uint64_t>(picture.file.Size(), kBitmapHeadBytes));
  return picture.file.ReadAt(0, scratch.head.data(), head) &&
         picture.rows.Parse(scratch.head.data(), head, picture.file.Size());
}

// The rows of a picture file one at a time, bottom row first, read in pieces into `scratch`'s
// chunk. The texels are RGB, or with `asStored` the file's own bytes where those are blue, green,
// red (BitmapRows::BlueFirstRows).
class RowCursor {
 public:
  RowCursor(PictureFile& picture, Scratch& scratch, bool asStored)
      : picture_(picture), scratch_(scratch), asStored_(asStored), stride_(picture.rows.Stride()) {
    rowsPerChunk_ = static_cast<int32_t>(std::max<size_t>(1, scratch.chunk.size() / stride_));
    if (scratch.chunk.size() < stride_) scratch.chunk.resize(stride_);
    if (!asStored) scratch.row.resize(static_cast<size_t>(picture.rows.Width()) * 3);
  }

  // The next row; nullptr after the last one or when the file could not be read (Failed()).
  const uint8_t* Next() {
    const BitmapRows& bmp = picture_.rows;
    if (failed_ || next_ >= bmp.Height()) return nullptr;
    if (next_ == chunkStart_ + chunkRows_) {
      chunkStart_ = next_;
      chunkRows_ = std::min(rowsPerChunk_, bmp.Height() - next_);
      lowestFileRow_ = std::min(bmp.FileRow(chunkStart_), bmp.FileRow(chunkStart_ + chunkRows_ - 1));
      if (!picture_.file.ReadAt(bmp.PixelOffset() + static_cast<uint64_t>(lowestFileRow_) * stride_,
                                scratch_.chunk.data(), static_cast<size_t>(chunkRows_) * stride_)) {
        failed_ = true;
        return nullptr;
      }
    }
    const uint8_t* stored =
        scratch_.chunk.data() + static_cast<size_t>(bmp.FileRow(next_++) - lowestFileRow_) * stride_;
    if (asStored_) return stored;
    bmp.DecodeRow(stored, scratch_.row.data());
    return scratch_.row.data();
  }
  bool Failed() const { return failed_; }

 private:
  PictureFile& picture_;
  Scratch& scratch_;
  bool asStored_;
  size_t stride_;
  int32_t rowsPerChunk_ = 1;
  int32_t next_ = 0;
  int32_t chunkStart_ = 0;
  int32_t chunkRows_ = 0;
  int32_t lowestFileRow_ = 0;
  bool failed_ = false;
};

// Calls `row(texels)` with each row of the picture, bottom row first, until it returns false;
// false when the file could not be read. The texels as RowCursor gives them.
template <typename RowFunction>
bool ForEachRow(PictureFile& picture, Scratch& scratch, bool asStored, RowFunction&& row) {
  RowCursor rows(picture, scratch, asStored);
  while (const uint8_t* texels = rows.Next()) {
    if (!row(texels)) return true;
  }
  return !rows.Failed();
}

// True when every pixel is grey (red = green = blue): GL then holds one byte per texel instead of
// three or four and samples the same colours.
bool IsGrey(PictureFile& picture, Scratch& scratch, bool asStored) {
  bool grey = true;
  const size_t texels = static_cast<size_t>(picture.rows.Width());
  const bool read = ForEachRow(picture, scratch, asStored, [&](const uint8_t* rgb) {
    unsigned differ = 0;  // a row at a time, without a branch per texel
    for (size_t x = 0; x < texels; ++x, rgb += 3) differ |= unsigned(rgb[0] ^ rgb[1]) | unsigned(rgb[1] ^ rgb[2]);
    grey = differ == 0;
    return grey;
  });
  return read && grey;
}

// The next row of the file's picture in (RGB, or blue first with `blueFirst`); the rows of levels
// `first` to `last` out to the bound texture, each level the 2 x 2 average of the one above (the
// last row or column stands in for a missing neighbour; an odd side leaves out its last row or
// column).
class MipmapStream {
 public:
  MipmapStream(TextureDevice& device, int width, int height, const LevelPlan& plan, PixelFormat format)
      : device_(device),
        first_(plan.first),
        last_(plan.last),
        channels_(format == PixelFormat::Grey ? 1 : format == PixelFormat::Rgba ? 4 : 3),
        format_(format) {
    levels_.resize(static_cast<size_t>(last_) + 1);
    for (int k = 0; k <= last_; ++k) {
      levels_[static_cast<size_t>(k)].width = LevelSide(width, k);
      levels_[static_cast<size_t>(k)].height = LevelSide(height, k);
    }
    for (int k = 0; k <= last_; ++k) {
      Level& level = levels_[static_cast<size_t>(k)];
      const size_t rowBytes = RowBytes(k);
      if (k < last_) {
        level.pending.resize(rowBytes);
        level.halved.resize(RowBytes(k + 1));
      }
      if (k >= first_) {
        level.bandCapacity = static_cast<int>(std::max<size_t>(1, kBandBytes / rowBytes));
        level.band.resize(static_cast<size_t>(level.bandCapacity) * rowBytes);
      }
    }
    if (channels_ == 1) greyRow_.resize(static_cast<size_t>(width));
  }

  void AddRow(const uint8_t* rgb) {
    if (channels_ != 1) return Feed(0, rgb);
    for (size_t x = 0; x < greyRow_.size(); ++x) greyRow_[x] = rgb[3 * x];
    Feed(0, greyRow_.data());
  }

 private:
  struct Level {
    int width = 0;
    int height = 0;
    int rowsIn = 0;
    std::vector<uint8_t> pending;  // the first row of a pair, for the next level
    std::vector<uint8_t> halved;   // the next level's row made from a pair
    std::vector<uint8_t> band;     // rows not yet handed to GL
    int bandCapacity = 0;
    int bandRows = 0;
    int bandStart = 0;
  };

  size_t RowBytes(int k) const {
    return static_cast<size_t>(levels_[static_cast<size_t>(k)].width) * static_cast<size_t>(channels_);
  }

  void Feed(int k, const uint8_t* row) {
    Level& level = levels_[static_cast<size_t>(k)];
    const int y = level.rowsIn++;
    const size_t rowBytes = RowBytes(k);
    if (k >= first_) {
      std::memcpy(level.band.data() + static_cast<size_t>(level.bandRows) * rowBytes, row, rowBytes);
      if (++level.bandRows == level.bandCapacity || y == level.height - 1) {
        device_.Rows(k - first_, level.bandStart, level.width, level.bandRows, format_, level.band.data());
        level.bandStart += level.bandRows;
        level.bandRows = 0;
      }
    }
    if (k == last_) return;
    if (level.height == 1) {
      Halve(k, row, row);
    } else if (y % 2 == 0) {
      if (y + 1 < level.height) std::memcpy(level.pending.data(), row, rowBytes);
    } else {
      Halve(k, level.pending.data(), row);
    }
  }

  // Level k + 1's next row from two rows of level k.
  void Halve(int k, const uint8_t* lower, const uint8_t* upper) {
    Level& level = levels_[static_cast<size_t>(k)];
    const int halfWidth = levels_[static_cast<size_t>(k) + 1].width;
    if (channels_ == 1) {
      HalveRow<1>(lower, upper, level.width, halfWidth, level.halved.data());
    } else if (channels_ == 4) {
      HalveRow<4>(lower, upper, level.width, halfWidth, level.halved.data());
    } else {
      HalveRow<3>(lower, upper, level.width, halfWidth, level.halved.data());
    }
    Feed(k + 1, level.halved.data());
  }

  template <int C>
  static void HalveRow(const uint8_t* lower, const uint8_t* upper, int width, int halfWidth, uint8_t* out) {
    if (width == 1) {  // the column stands in for its missing neighbour
      for (int i = 0; i < C; ++i) out[i] = static_cast<uint8_t>((2u * lower[i] + 2u * upper[i] + 2) / 4);
      return;
    }
    for (int x = 0; x < halfWidth; ++x, lower += 2 * C, upper += 2 * C, out += C) {
      for (int i = 0; i < C; ++i) {
        out[i] = static_cast<uint8_t>((unsigned{lower[i]} + lower[C + i] + upper[i] + upper[C + i] + 2) / 4);
      }
    }
  }

  TextureDevice& device_;
  int first_;
  int last_;
  int channels_;
  PixelFormat format_;
  std::vector<Level> levels_;
  std::vector<uint8_t> greyRow_;
};

// Gives the bound texture levels `plan.first` to `plan.last` of the picture and its filters:
// linear, between the two nearest levels where there are several. False (with a line in the log)
// when GL refuses a level or the file cannot be read; the texture then has no picture.
// The rows of a picture as they go to the texture: the file's rows, or a mask and its image in one.
using RowSource = std::function<bool(const std::function<bool(const uint8_t*)>&)>;

bool UploadRows(TextureDevice& device, int width, int height, const LevelPlan& plan, bool lodControl,
                const char* fileName, PixelFormat format, PixelFormat streamFormat, const RowSource& rows) {
  const bool mipmapped = plan.last > plan.first;
  // Set before the levels are made: a driver that sees a mipmapped filter at level 0 can allocate
  // the whole chain at once instead of growing and copying it level by level.
  device.SetFilters(mipmapped);
  if (lodControl) device.SetLevelCount(plan.last - plan.first + 1);
  if (plan.fit > 0) {
    char line[256];
    const int maxSize = device.MaxTextureSize();
    std::snprintf(line, sizeof line, "texture file \"%s\" (%d x %d) is drawn from %d x %d: GL takes %d at most",
                  fileName, width, height, LevelSide(width, plan.fit), LevelSide(height, plan.fit),
                  static_cast<int>(maxSize));
    platform::DebugLog(line);
  }
  while (device.TakeError() != 0) {
  }
  bool good = true;
  for (int k = plan.first; k <= plan.last && good; ++k) {
    const unsigned error = device.AllocateLevel(k - plan.first, LevelSide(width, k), LevelSide(height, k), format);
    if (error != 0) {
      char line[256];
      std::snprintf(line, sizeof line, "texture file \"%s\" (%d x %d, level %d) was refused by GL, error 0x%04X",
                    fileName, LevelSide(width, k), LevelSide(height, k), k, static_cast<unsigned>(error));
      platform::DebugLog(line);
      good = false;
    }
  }
  if (good) {
    device.BeginRows();
    MipmapStream stream(device, width, height, plan, streamFormat);
    good = rows([&](const uint8_t* rgb) {
      stream.AddRow(rgb);
      return true;
    });
    device.EndRows();
    if (!good) platform::DebugLog(std::string("texture file \"") + fileName + "\" could not be read to its end");
    const unsigned error = device.TakeError();
    if (good && error != 0) {
      char line[256];
      std::snprintf(line, sizeof line, "texture file \"%s\" was refused by GL, error 0x%04X", fileName,
                    static_cast<unsigned>(error));
      platform::DebugLog(line);
      good = false;
    }
  }
  if (!good) {
    device.Empty(format);
    return false;
  }
  if (mipmapped) device.SetCoarsestLevel(static_cast<float>(plan.maxLod));
  return true;
}

bool UploadPicture(TextureDevice& device, PictureFile& picture, const LevelPlan& plan, bool lodControl,
                   const char* fileName, Scratch& scratch) {
  // 24-bit rows go to GL as they are stored (GL 1.2 takes blue-first pixels): nothing to decode.
  const bool asStored = lodControl && picture.rows.BlueFirstRows();
  const bool grey = IsGrey(picture, scratch, asStored);
  const PixelFormat format = grey ? PixelFormat::Grey : PixelFormat::Rgb;
  const PixelFormat streamFormat = grey ? PixelFormat::Grey : asStored ? PixelFormat::Bgr : PixelFormat::Rgb;
  return UploadRows(device, picture.rows.Width(), picture.rows.Height(), plan, lodControl, fileName, format,
                    streamFormat, [&](const std::function<bool(const uint8_t*)>& row) {
                      return ForEachRow(picture, scratch, asStored, row);
                    });
}

// Fills texture `name` with picture `picture` (a slot or kFontPicture) from its file, for a panel
// at `scale`; false when the file is missing or not usable. The finest level given to GL goes to
// `finestLevel`.
bool FillTexture(TextureDevice& device, uint32_t name, int picture, const char* fileName, double scale,
                 bool lodControl, Scratch& scratch, uint8_t& finestLevel) {
  device.Bind(name);
  PictureFile file;
  if (!OpenPicture(fileName, file, scratch)) {
    device.SetFilters(false);
    return false;
  }
  const LevelPlan plan = PlanLevels(device, picture, file.rows.Width(), file.rows.Height(), scale, lodControl);
  if (!UploadPicture(device, file, plan, lodControl, fileName, scratch)) return false;
  finestLevel = static_cast<uint8_t>(plan.first);
  return true;
}

const char* PictureFileName(int picture) {
  return picture == kFontPicture ? FontFileName : TextureFileNames[picture];
}

uint32_t& PictureTexture(PanelResources& resources, int picture) {
  return picture == kFontPicture ? resources.FontTexture : resources.TextureNames[picture];
}

}  // namespace

// Each classic mask with the image drawn over it that a backend drawing masked pictures in one
// pass always draws so (the image's slot holds the pair's texture). Not the static frame's: the
// window's mask is multiplied between its mask and its image, and multiplying and adding do not
// commute, so it is drawn in two passes.
constexpr int kMaskPairs[][2] = {{SlotWindowMask, SlotWindow}, {SlotFdHMask, SlotFdH}, {SlotFdVMask, SlotFdV}};

bool LoadTextureSet(PanelResources& resources, double panelScale, TextureDevice& device, bool combined) {
  Scratch scratch;
  {
    PictureFile horizon;
    if (!OpenPicture(TextureFileNames[SlotHorizon], horizon, scratch)) {
      ReportUnusable(TextureFileNames[SlotHorizon], "no texture is created");
      return false;
    }
  }
  device.CreateTextures(SlotCount, resources.TextureNames);
  device.CreateTextures(1, &resources.FontTexture);
  device.Bind(resources.TextureNames[SlotHorizon]);
  const bool lodControl = device.HasLevelControl();
  resources.DetailScale = panelScale;
  // With the pairs in one texture, their masks and images alone are never drawn: not loaded.
  bool inPair[SlotCount + 1] = {};
  if (combined) {
    for (const auto& pair : kMaskPairs) {
      resources.Combined[pair[1]] =
          LoadMaskedPicture(TextureFileNames[pair[0]], TextureFileNames[pair[1]], device, pair[1], panelScale);
      inPair[pair[0]] = inPair[pair[1]] = resources.Combined[pair[1]] != 0;
    }
  }
  for (int picture = 0; picture <= kFontPicture; ++picture) {
    resources.FinestLevel[picture] = 0;
    if (inPair[picture]) continue;
    const char* fileName = PictureFileName(picture);
    if (!FillTexture(device, PictureTexture(resources, picture), picture, fileName, panelScale, lodControl, scratch,
                     resources.FinestLevel[picture])) {
      ReportUnusable(fileName, picture == kFontPicture ? "text is drawn untextured" : "drawn untextured");
    }
  }
  return true;
}

bool LoadPanelPicture(uint32_t name, const char* fileName, TextureDevice& device) {
  Scratch scratch;
  device.Bind(name);
  const bool lodControl = device.HasLevelControl();
  uint8_t finestLevel = 0;
  return FillTexture(device, name, kWholePicture, fileName, 1.0, lodControl, scratch, finestLevel);
}

uint32_t LoadMaskedPicture(const char* maskFile, const char* imageFile, TextureDevice& device, int slot,
                           double panelScale) {
  Scratch scratch, maskScratch;
  PictureFile mask, image;
  if (!OpenPicture(maskFile, mask, maskScratch) || !OpenPicture(imageFile, image, scratch)) return 0;
  const int width = image.rows.Width(), height = image.rows.Height();
  if (mask.rows.Width() != width || mask.rows.Height() != height) return 0;  // drawn in two passes
  uint32_t name = 0;
  device.CreateTextures(1, &name);
  device.Bind(name);
  const bool lodControl = device.HasLevelControl();
  const LevelPlan plan = PlanLevels(device, slot >= 0 && slot < SlotCount ? slot : kWholePicture, width, height,
                                    panelScale, lodControl);
  // The two files are read side by side, a row of each at a time; 24-bit rows as they are stored
  // (blue, green, red), others decoded to RGB. The alpha is 255 minus the mask's red channel (what
  // the mask leaves of the picture below; the masks are grey).
  const bool imageStored = image.rows.BlueFirstRows(), maskStored = mask.rows.BlueFirstRows();
  const int imageRed = imageStored ? 2 : 0, imageBlue = imageStored ? 0 : 2, maskRed = maskStored ? 2 : 0;
  std::vector<uint8_t> rgba(static_cast<size_t>(width) * 4);
  RowCursor imageRows(image, scratch, imageStored), maskRows(mask, maskScratch, maskStored);
  const bool good = UploadRows(device, width, height, plan, lodControl, imageFile, PixelFormat::Rgba, PixelFormat::Rgba,
                               [&](const std::function<bool(const uint8_t*)>& out) {
                                 for (;;) {
                                   const uint8_t* rgb = imageRows.Next();
                                   const uint8_t* keep = maskRows.Next();
                                   if (rgb == nullptr || keep == nullptr) break;
                                   for (int x = 0; x < width; ++x, rgb += 3, keep += 3) {
                                     rgba[4 * x] = rgb[imageRed];
                                     rgba[4 * x + 1] = rgb[1];
                                     rgba[4 * x + 2] = rgb[imageBlue];
                                     rgba[4 * x + 3] = static_cast<uint8_t>(255 - keep[maskRed]);
                                   }
                                   if (!out(rgba.data())) return true;
                                 }
                                 return !imageRows.Failed() && !maskRows.Failed();
                               });
  if (!good) {
    device.DeleteTexture(name);
    return 0;
  }
  return name;
}

void RaiseTextureDetail(PanelResources& resources, double panelScale, TextureDevice& device) {
  if (!(panelScale > resources.DetailScale)) return;  // the levels there serve it
  resources.DetailScale = panelScale;
  Scratch scratch;
  for (int picture = 0; picture <= kFontPicture; ++picture) {
    const uint8_t loaded = resources.FinestLevel[picture];
    if (loaded == 0 || PictureTexture(resources, picture) == 0) continue;
    PictureFile file;
    if (!OpenPicture(PictureFileName(picture), file, scratch)) continue;  // keep what there is
    if (PlanLevels(device, picture, file.rows.Width(), file.rows.Height(), panelScale, true).first >= loaded) continue;
    // The finer picture goes into a texture of its own; the old one is kept should it fail.
    uint32_t replacement = 0;
    device.CreateTextures(1, &replacement);
    uint8_t finest = loaded;
    if (FillTexture(device, replacement, picture, PictureFileName(picture), panelScale, true, scratch, finest)) {
      device.DeleteTexture(PictureTexture(resources, picture));
      PictureTexture(resources, picture) = replacement;
      resources.FinestLevel[picture] = finest;
    } else {
      device.DeleteTexture(replacement);
    }
  }
  for (const auto& pair : kMaskPairs) {
    const uint32_t old = resources.Combined[pair[1]];
    if (old == 0) continue;
    const uint32_t finer =
        LoadMaskedPicture(TextureFileNames[pair[0]], TextureFileNames[pair[1]], device, pair[1], panelScale);
    if (finer == 0) continue;
    device.DeleteTexture(old);
    resources.Combined[pair[1]] = finer;
  }
}
