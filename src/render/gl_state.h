// The GL state a window's context starts from, for the programs that own a GL context (the
// display window, the offscreen tests); the drawing itself sets what it needs through a backend.
#pragma once

#include <cstdint>

// Texturing, smooth shading, the clear colour and depth, the depth test with GL_LEQUAL and the
// nicest perspective correction.
void SetInitialGlState();
// Viewport (0, 0, width, height) and a 45 degree perspective for it; a height of 0 counts as 1.
void ResizeGlScene(int32_t width, int32_t height);
// The window's context keeps the panel's place as its state, as it always has (the drawing sets its
// own through the backends and puts this back): the surface, nothing clipped; a panel placed in
// the window, its view and its clip box (the clip switched on by EnableGlClip, before a frame).
void ApplyGlSurface(int32_t width, int32_t height);
void ApplyGlPanelPlace(int x, int y, int width, int height, int clipX, int clipY, int clipWidth, int clipHeight);
void EnableGlClip();
