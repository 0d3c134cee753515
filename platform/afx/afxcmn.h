// The framework's side of the common controls that Dorvane uses: the tooltip control.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "afx/afxwnd.h"

class CToolTipCtrl : public CWnd {
    DECLARE_DYNAMIC(CToolTipCtrl)
public:
    CToolTipCtrl() = default;
    ~CToolTipCtrl() override;

    using CWnd::Create;
    // A tooltip control owned by pParentWnd's window.
    BOOL Create(CWnd* pParentWnd, DWORD dwStyle = 0);
    // A tool: a rectangle of pWnd's client area (its whole client area when lpRectTool is
    // null), with its text or LPSTR_TEXTCALLBACK to be asked with TTN_NEEDTEXT.
    BOOL AddTool(CWnd* pWnd, LPCSTR lpszText = LPSTR_TEXTCALLBACK, LPCRECT lpRectTool = nullptr,
                 UINT_PTR nIDTool = 0);
    // Hands the control a mouse message of a tool's window.
    void RelayEvent(LPMSG lpMsg);
    // Hides the tip that shows.
    void Pop();
    void SetDelayTime(DWORD dwDuration, int iTime);
    int GetToolCount() const;

    DECLARE_MESSAGE_MAP()
};
