// The GL1 backend: OpenGL 1.1's fixed-function pipeline, the panel's own pixels.
#pragma once

#include <memory>

#include "render/backend.h"

namespace render {
std::unique_ptr<Backend> MakeGl1Backend();
}  // namespace render
