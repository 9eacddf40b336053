// OpenGL 1.1 and GLU headers, included the way the platform needs them.
#pragma once

#include "platform/gl_headers.inc"
