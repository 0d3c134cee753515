// The picture of `dorvane-render --demo FILE`: the surface's compositing operations applied to a
// rendered frame, four panels side by side, so that each can be looked at.
#pragma once

#include "gfx/DIB.h"

class CPendingFile;

// Writes the picture of frame (a complete surface of any size) to file as a 24-bit BMP file.
// False when a surface cannot be made or the file cannot be written (the file says why).
bool DvWriteCompositingDemo(CDIB& frame, CPendingFile& file);
