#include "afx/afxwnd.h"

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

BOOL CCmdTarget::OnCmdMsg(UINT, int) {
    return FALSE;
}

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

CWnd::CWnd() = default;

CWnd::~CWnd() = default;

// Window support arrives with the windowing core; until then a CWnd creates no window.
BOOL CWnd::Create(LPCSTR, LPCSTR, DWORD, const RECT&, CWnd*, UINT, CCreateContext*) {
    return FALSE;
}
BOOL CWnd::DestroyWindow() {
    return FALSE;
}
BOOL CWnd::PreCreateWindow(CREATESTRUCT&) {
    return TRUE;
}
int CWnd::RunModalLoop(DWORD) {
    return -1;
}
BOOL CWnd::ContinueModal() {
    return m_bContinueModal;
}
void CWnd::EndModalLoop(int nResult) {
    m_nModalResult = nResult;
    m_bContinueModal = FALSE;
}
LRESULT CWnd::WindowProc(UINT, WPARAM, LPARAM) {
    return 0;
}
BOOL CWnd::OnWndMsg(UINT, WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}
BOOL CWnd::OnCommand(WPARAM, LPARAM) {
    return FALSE;
}
LRESULT CWnd::DefWindowProc(UINT, WPARAM, LPARAM) {
    return 0;
}
BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}
void CWnd::PostNcDestroy() {}
void CWnd::DoDataExchange(CDataExchange*) {}

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()
