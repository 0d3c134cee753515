// Kernel calls: the tick count, the module's file name and the module's resources.
#pragma once

#include "win32/wintypes.h"

#define MAX_PATH 260

DWORD GetTickCount();
DWORD GetModuleFileName(HMODULE module, LPSTR fileName, DWORD size);
