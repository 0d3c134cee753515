#include "afx/afxwin.h"

IMPLEMENT_DYNAMIC(CPaintDC, CDC)
IMPLEMENT_DYNAMIC(CClientDC, CDC)

CPaintDC::CPaintDC(CWnd* pWnd) : m_ps{}, m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr) {
    if (HDC hDC = ::BeginPaint(m_hWnd, &m_ps)) {
        Attach(hDC);
    }
}

CPaintDC::~CPaintDC() {
    if (m_hDC != nullptr) {
        ::EndPaint(m_hWnd, &m_ps);
        Detach();
    }
}

CClientDC::CClientDC(CWnd* pWnd) : m_hWnd(pWnd != nullptr ? pWnd->m_hWnd : nullptr) {
    if (HDC hDC = ::GetDC(m_hWnd)) {
        Attach(hDC);
    }
}

CClientDC::~CClientDC() {
    if (m_hDC != nullptr) {
        ::ReleaseDC(m_hWnd, Detach());
    }
}
