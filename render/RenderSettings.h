// The program-wide settings that change the look of every frame. The icon pads change them; the
// caster reads them afresh for each frame.
#pragma once

// Non-zero: each drawn sample fills its column down to the previously drawn one; 0: one pixel.
extern int g_solidColumns;
// 0 height bands, 1 cell column, 2 cell row, anything else the terrain textures.
extern int g_colourMode;
// Non-zero: the eye rides 256 units above the ground under the camera.
extern int g_followTerrain;
