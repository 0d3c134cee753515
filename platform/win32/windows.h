// The subset of the Windows API that Dorvane calls, with the platform's own names, types and
// values. Program code includes this header exactly as it would on its home platform.
#pragma once

#include "win32/wintypes.h"
#include "win32/winbase.h"
#include "win32/wingdi.h"
#include "win32/winuser.h"
#include "win32/wintext.h"
