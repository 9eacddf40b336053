// GL entry points loaded at run time: wglGetProcAddress on Windows, WebGL's table in the browser,
// SDL's loader elsewhere.
#include "render/gl_proc.h"

#if defined(__EMSCRIPTEN__)
#include <emscripten/html5_webgl.h>
#elif defined(_WIN32)
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <SDL.h>
#endif

namespace render {

void* GlProcAddress(const char* name) {
#if defined(__EMSCRIPTEN__)
  return emscripten_webgl1_get_proc_address(name);
#elif defined(_WIN32)
  PROC proc = wglGetProcAddress(name);
  // Some drivers answer 1, 2, 3 or -1 for a name they lack.
  const auto value = reinterpret_cast<intptr_t>(proc);
  if (value == 0 || value == 1 || value == 2 || value == 3 || value == -1) return nullptr;
  return reinterpret_cast<void*>(proc);
#else
  return SDL_GL_GetProcAddress(name);
#endif
}

}  // namespace render
