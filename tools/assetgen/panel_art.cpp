// The list of panel textures with the scene each one is baked from.
#include "panel_art.h"

#include <stdexcept>
#include <string>

namespace assetgen {

namespace {

Scene SceneFor(TextureSlot slot, const FontLibrary& fonts) {
  switch (slot) {
    case SlotHorizon: return HorizonScene(fonts);
    case SlotStaticMask: return StaticMaskScene();
    case SlotStaticInd: return StaticImageScene();
    case SlotWindowMask: return WindowMaskScene();
    case SlotWindow: return WindowImageScene();
    case SlotIls: return GlideSlopeScaleScene();
    case SlotIlsInd: return GlideSlopeIndexScene();
    case SlotIlsH: return LocalizerScaleScene();
    case SlotSpd: return SpeedPlateScene();
    case SlotIlsHInd: return LocalizerIndexScene();
    case SlotFdHMask: return FdHorizontalBarScene(true);
    case SlotFdH: return FdHorizontalBarScene(false);
    case SlotFdVMask: return FdVerticalBarScene(true);
    case SlotFdV: return FdVerticalBarScene(false);
    case SlotNoIls: return NoIlsPlateScene(fonts);
    case SlotRollNeedle: return RollPointerScene();
    case SlotCount: break;
  }
  throw std::logic_error("no artwork for texture slot " + std::to_string(int(slot)));
}

}  // namespace

std::vector<TextureArt> PanelArt(const FontLibrary& fonts) {
  std::vector<TextureArt> art;
  for (int slot = 0; slot < SlotCount; ++slot)
    art.push_back({TextureFileNames[size_t(slot)], SceneFor(TextureSlot(slot), fonts)});
  return art;
}

}  // namespace assetgen
