// The picture of `dorvane-render --demo FILE`: the surface's compositing operations applied to a
// rendered frame, four panels side by side, so that each can be looked at.
#pragma once

#include "gfx/DIB.h"

// Writes the picture of frame (a complete surface) as a 24-bit BMP file. Returns 1 on success,
// 0 when a surface cannot be made or the file cannot be written.
int WriteCompositingDemo(CDIB& frame, const char* path);
