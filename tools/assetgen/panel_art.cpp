// The list of panel textures with the scene each one is baked from.
#include "panel_art.h"

#include <stdexcept>

namespace assetgen {

namespace {

Scene SceneFor(const std::string& file, const FontLibrary& fonts) {
  if (file == "pfd_2.txr") return HorizonScene(fonts);
  if (file == "static_mask.txr") return StaticMaskScene();
  if (file == "static_ind.txr") return StaticImageScene();
  if (file == "window_mask.txr") return WindowMaskScene();
  if (file == "window.txr") return WindowImageScene();
  if (file == "ILS.txr") return GlideSlopeScaleScene();
  if (file == "ILS_ind.txr") return GlideSlopeIndexScene();
  if (file == "ILS_H.txr") return LocalizerScaleScene();
  if (file == "SPD.txr") return SpeedPlateScene();
  if (file == "ILSH_ind.txr") return LocalizerIndexScene();
  if (file == "fdH_mask.txr") return FdHorizontalBarScene(true);
  if (file == "fdH.txr") return FdHorizontalBarScene(false);
  if (file == "fdV_mask.txr") return FdVerticalBarScene(true);
  if (file == "fdV.txr") return FdVerticalBarScene(false);
  if (file == "no_ILS.txr") return NoIlsPlateScene(fonts);
  if (file == "roll_needle.txr") return RollPointerScene();
  throw std::logic_error("no artwork for texture " + file);
}

}  // namespace

std::vector<TextureArt> PanelArt(const FontLibrary& fonts) {
  std::vector<TextureArt> art;
  for (const QuadPlacement& q : PanelQuads()) art.push_back({q.file, SceneFor(q.file, fonts)});
  return art;
}

}  // namespace assetgen
