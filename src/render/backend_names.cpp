// The backends' names, as the settings and the command lines write them.
#include "render/backend.h"

namespace render {

const char* BackendName(BackendKind kind) { return kind == BackendKind::GLES2 ? "GLES2" : "GL1"; }

bool ParseBackendName(const std::string& text, BackendKind& kind) {
  if (text == "GL1") {
    kind = BackendKind::GL1;
    return true;
  }
  if (text == "GLES2") {
    kind = BackendKind::GLES2;
    return true;
  }
  return false;
}

}  // namespace render
