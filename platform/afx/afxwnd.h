// Command targets and windows. A CWnd object exists apart from any window: it is attached to a
// window handle when a window is created for it, and many CWnd-derived objects never get one.
#pragma once

#include <windows.h>

#include "afx/afxobject.h"
#include "afx/afxmsgmap.h"

class CCmdTarget : public CObject {
    DECLARE_DYNAMIC(CCmdTarget)
public:
    CCmdTarget() = default;
    ~CCmdTarget() override = default;

    static const AFX_MSGMAP* GetThisMessageMap();
    virtual const AFX_MSGMAP* GetMessageMap() const;
};

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)
public:
    CWnd();
    ~CWnd() override;

    HWND m_hWnd = nullptr;

    HWND GetSafeHwnd() const { return m_hWnd; }

    DECLARE_MESSAGE_MAP()
};
