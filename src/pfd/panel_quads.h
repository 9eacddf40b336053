// The classic panel's sixteen textured quads: each texture's file and where the layers draw it.
// The one table the drawing layers, the texture set, orvane-assetgen (which bakes each texture
// through its quad's placement) and orvane-snapshot share. Pure data: no GL.
#pragma once

#include <array>
#include <cstddef>

enum TextureSlot : int {
  SlotHorizon = 0,      // "pfd_2.txr"
  SlotStaticMask = 1,   // "static_mask.txr"
  SlotStaticInd = 2,    // "static_ind.txr"
  SlotWindowMask = 3,   // "window_mask.txr"
  SlotWindow = 4,       // "window.txr"
  SlotIls = 5,          // "ILS.txr"
  SlotIlsInd = 6,       // "ILS_ind.txr"
  SlotIlsH = 7,         // "ILS_H.txr"
  SlotSpd = 8,          // "SPD.txr"
  SlotIlsHInd = 9,      // "ILSH_ind.txr"
  SlotFdHMask = 10,     // "fdH_mask.txr"
  SlotFdH = 11,         // "fdH.txr"
  SlotFdVMask = 12,     // "fdV_mask.txr"
  SlotFdV = 13,         // "fdV.txr"
  SlotNoIls = 14,       // "no_ILS.txr"
  SlotRollNeedle = 15,  // "roll_needle.txr"
  SlotCount = 16,
};

// One quad as the layers draw it: a square of half-size `half` model units, translated to
// (x, y, -depth) in front of the eye under the 45-degree projection of the 500 x 740 surface
// (before any moving symbol's offset), turned with the bank or not.
struct PanelQuad {
  const char* file;
  float x;
  float y;
  float depth;
  float half;
  bool turnsWithBank;
};

// In slot order.
inline constexpr PanelQuad kPanelQuads[SlotCount] = {
    {"pfd_2.txr", -0.274f, -0.695f, 3.0f, 1.0f, true},
    {"static_mask.txr", -0.375f, -0.95f, 4.0f, 0.65f, false},
    {"static_ind.txr", -0.375f, -0.95f, 4.0f, 0.65f, false},
    {"window_mask.txr", -0.33f, -0.8f, 3.5f, 0.65f, false},
    {"window.txr", -0.33f, -0.8f, 3.5f, 0.65f, false},
    {"ILS.txr", 1.57f, -3.44f, 13.0f, 1.0f, false},
    {"ILS_ind.txr", 2.65f, -7.38f, 33.0f, 0.65f, false},
    {"ILS_H.txr", -1.24f, -5.59f, 13.0f, 1.0f, false},
    {"SPD.txr", -2.4f, -3.11f, 13.0f, 1.0f, false},
    {"ILSH_ind.txr", -3.67f, -14.37f, 39.0f, 0.65f, false},
    {"fdH_mask.txr", -1.64f, -3.96f, 17.2f, 1.0f, false},
    {"fdH.txr", -1.64f, -3.96f, 17.2f, 1.0f, false},
    {"fdV_mask.txr", -1.64f, -3.93f, 17.2f, 1.0f, false},
    {"fdV.txr", -1.64f, -3.93f, 17.2f, 1.0f, false},
    {"no_ILS.txr", 1.57f, -3.44f, 13.0f, 1.0f, false},
    {"roll_needle.txr", -0.39f, -0.891f, 4.0f, 0.65f, true},
};

constexpr const PanelQuad& QuadOf(TextureSlot slot) { return kPanelQuads[slot]; }

// File name of each slot, in slot order.
inline constexpr std::array<const char*, SlotCount> TextureFileNames = [] {
  std::array<const char*, SlotCount> names{};
  for (int slot = 0; slot < SlotCount; ++slot) names[std::size_t(slot)] = kPanelQuads[slot].file;
  return names;
}();
constexpr const char* FontFileName = "font.bmp";
