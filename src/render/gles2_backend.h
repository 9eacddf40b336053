// The GLES2 backend: OpenGL ES 2.0 / WebGL 1 shaders, the list's quads batched by texture and clip
// into vertex buffers in window pixels, each masked picture drawn in one pass with its mask as
// alpha. On the desktop it runs on OpenGL 2.0 through entry points loaded at run time.
#pragma once

#include <memory>

#include "render/backend.h"

namespace render {
std::unique_ptr<Backend> MakeGles2Backend();
}  // namespace render
