// The framework's module state: where the program's resources come from.
#pragma once

#include <windows.h>

HINSTANCE AfxGetResourceHandle();
// The module to search for a resource of that name and type: the program is its only module.
HINSTANCE AfxFindResourceHandle(LPCTSTR lpszName, LPCTSTR lpszType);
