// The address of a GL entry point beyond OpenGL 1.1 in the current context (nullptr when the
// context has none).
#pragma once

namespace render {
void* GlProcAddress(const char* name);
}  // namespace render
