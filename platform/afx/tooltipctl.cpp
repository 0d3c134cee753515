#include "afx/afxwin.h"

#include "afx/afxcmn.h"

IMPLEMENT_DYNAMIC(CToolTipCtrl, CWnd)

BEGIN_MESSAGE_MAP(CToolTipCtrl, CWnd)
END_MESSAGE_MAP()

CToolTipCtrl::~CToolTipCtrl() {
    DestroyWindow();
}

BOOL CToolTipCtrl::Create(CWnd* pParentWnd, DWORD dwStyle) {
    INITCOMMONCONTROLSEX init = {sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES};
    if (!::InitCommonControlsEx(&init)) {
        return FALSE;
    }
    return CreateEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, TOOLTIPS_CLASS, nullptr, WS_POPUP | dwStyle,
                    0, 0, 0, 0, pParentWnd != nullptr ? pParentWnd->GetSafeHwnd() : nullptr,
                    nullptr);
}

BOOL CToolTipCtrl::AddTool(CWnd* pWnd, LPCSTR lpszText, LPCRECT lpRectTool, UINT_PTR nIDTool) {
    if (m_hWnd == nullptr || pWnd == nullptr) {
        return FALSE;
    }
    TOOLINFO ti = {};
    ti.cbSize = sizeof ti;
    ti.hwnd = pWnd->GetSafeHwnd();
    ti.uId = nIDTool;
    if (lpRectTool != nullptr) {
        ti.rect = *lpRectTool;
    } else {
        // The whole window is the tool.
        ti.uFlags |= TTF_IDISHWND;
        ti.uId = reinterpret_cast<UINT_PTR>(ti.hwnd);
    }
    ti.lpszText = const_cast<LPSTR>(lpszText);
    return static_cast<BOOL>(::SendMessage(m_hWnd, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti)));
}

void CToolTipCtrl::RelayEvent(LPMSG lpMsg) {
    if (m_hWnd != nullptr) {
        ::SendMessage(m_hWnd, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(lpMsg));
    }
}

void CToolTipCtrl::Pop() {
    if (m_hWnd != nullptr) {
        ::SendMessage(m_hWnd, TTM_POP, 0, 0);
    }
}

void CToolTipCtrl::SetDelayTime(DWORD dwDuration, int iTime) {
    if (m_hWnd != nullptr) {
        ::SendMessage(m_hWnd, TTM_SETDELAYTIME, dwDuration, MAKELPARAM(iTime, 0));
    }
}

int CToolTipCtrl::GetToolCount() const {
    return m_hWnd != nullptr ? static_cast<int>(::SendMessage(m_hWnd, TTM_GETTOOLCOUNT, 0, 0)) : 0;
}
