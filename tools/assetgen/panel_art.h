// The artwork of every panel texture, as scenes in screen space.
#pragma once

#include <string>
#include <vector>

#include "font_library.h"
#include "scene.h"

namespace assetgen {

struct TextureArt {
  std::string file;  // texture file name, e.g. "pfd_2.txr"
  Scene scene;
};

// The sixteen slot textures' scenes, in slot order.
std::vector<TextureArt> PanelArt(const FontLibrary& fonts);

// The individual pictures (one file each, grouped by the part of the panel they draw).
Scene HorizonScene(const FontLibrary& fonts);
Scene StaticMaskScene();
Scene StaticImageScene();
Scene RollPointerScene();
Scene WindowMaskScene();
Scene WindowImageScene();
Scene GlideSlopeScaleScene();
Scene GlideSlopeIndexScene();
Scene LocalizerScaleScene();
Scene LocalizerIndexScene();
Scene NoIlsPlateScene(const FontLibrary& fonts);
Scene SpeedPlateScene();
Scene FdHorizontalBarScene(bool mask);
Scene FdVerticalBarScene(bool mask);

}  // namespace assetgen
