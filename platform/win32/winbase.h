// Kernel calls: the tick count, the module's file name and the module's resources.
#pragma once

#include "win32/wintypes.h"

#define MAX_PATH 260

DWORD GetTickCount();
DWORD GetModuleFileName(HMODULE module, LPSTR fileName, DWORD size);

// Resource types, as integer identifiers in a string pointer.
#define RT_CURSOR MAKEINTRESOURCE(1)
#define RT_BITMAP MAKEINTRESOURCE(2)
#define RT_ICON MAKEINTRESOURCE(3)
#define RT_MENU MAKEINTRESOURCE(4)
#define RT_DIALOG MAKEINTRESOURCE(5)
#define RT_STRING MAKEINTRESOURCE(6)
#define RT_RCDATA MAKEINTRESOURCE(10)
#define RT_GROUP_CURSOR MAKEINTRESOURCE(12)
#define RT_GROUP_ICON MAKEINTRESOURCE(14)

// The module's embedded resources. A null module means the program's own.
HMODULE GetModuleHandle(LPCSTR moduleName);
HRSRC FindResource(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resInfo);
LPVOID LockResource(HGLOBAL resData);
DWORD SizeofResource(HMODULE module, HRSRC resInfo);
