// The application framework's classes that Dorvane uses, with the framework's names. Program
// code includes this header exactly as it would on its home platform.
#pragma once

#include <windows.h>

#include "afx/afxobject.h"
#include "afx/afxmsgmap.h"
#include "afx/afxtypes.h"
#include "afx/afxstr.h"
#include "afx/afxwnd.h"
#include "afx/afxgdi.h"
#include "afx/afxdc.h"
#include "afx/afxmenu.h"
#include "afx/afxstatic.h"
#include "afx/afxdlg.h"
#include "afx/afxapp.h"
#include "afx/afxmodule.h"
#include "afx/afxfont.h"
