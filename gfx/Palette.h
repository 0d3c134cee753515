// The application palette, read once from the palette file beside the executable.
#pragma once

#include <afxwin.h>

// Holds no GDI palette until the palette file has been read.
extern CPalette g_palette;
// Null until the palette has been built, then &g_palette for the rest of the run.
extern CPalette* g_pPalette;
