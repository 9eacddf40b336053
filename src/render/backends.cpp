// The backends by kind.
#include "render/backend.h"
#include "render/gl1_backend.h"
#include "render/gles2_backend.h"

namespace render {

std::unique_ptr<Backend> MakeBackend(BackendKind kind) {
  if (kind == BackendKind::GLES2) return MakeGles2Backend();
  return MakeGl1Backend();
}

}  // namespace render
