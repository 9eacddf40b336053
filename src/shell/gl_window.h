// The display window as the shell sees it: creation with GL set-up, projection, teardown.
#pragma once

#include <cstdint>
#include <string>

// Always false: the program runs windowed (a true request is treated as windowed).
extern bool FullScreen;

// Opens the window and its current GL context at (WindowX, WindowY), sets the start-up projection
// for a width x height drawing surface and runs InitGl. False when any step failed: its message
// has been shown and everything built so far released.
bool CreateGlWindow(const std::string& title, int32_t width, int32_t height, int32_t colourBits,
                    bool fullScreen);

// Prepares the data source, the textures, the font and the GL state. Called by CreateGlWindow.
bool InitGl();

// The GL state every frame starts from: texturing, smooth shading, the clear colour and depth,
// the depth test with GL_LEQUAL and the nicest perspective correction.
void SetInitialGlState();

// Viewport (0, 0, width, height) and a 45 degree perspective for it; a height of 0 counts as 1.
void ResizeGlScene(int32_t width, int32_t height);

// The window's size messages: they take effect only until the start-up projection is set, so
// that resizing, minimising and restoring never change the 500 x 740 drawing surface.
void OnGlWindowSize(int width, int height);

// Releases the context, the window and the class, then the network objects.
void KillGlWindow();

// False while the window is minimised: no frame is drawn then.
bool GlWindowActive();

// WindowX or WindowY + 10, the error dialogs' corner (kept within the 32-bit range).
int ErrorDialogCoordinate(int32_t windowCoordinate);

// The three titles and the connection-failure text.
extern const char* const TitleSimulator;
extern const char* const TitleNetwork;
extern const char* const TitleNotConnected;
extern const char* const ConnectionFailedText;
