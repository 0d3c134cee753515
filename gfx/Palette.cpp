#include "gfx/Palette.h"

CPalette g_palette;
CPalette* g_pPalette = nullptr;
