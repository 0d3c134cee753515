#include "render/RenderSettings.h"

int g_solidColumns = 0;
int g_colourMode = 3;
int g_followTerrain = 0;
