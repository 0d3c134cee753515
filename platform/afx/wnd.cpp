// CCmdTarget and CWnd: the handle maps, creation through the framework's window procedure,
// message-map dispatch with the handlers' signatures, and the modal loop.
#include "afx/afxwin.h"

#include <map>
#include <memory>
#include <vector>

#include "afx/afxsys.h"

namespace {

// The messages being handled, innermost last, for CWnd::Default.
std::vector<MSG>& CurrentMessages() {
    static std::vector<MSG> messages;
    return messages;
}

std::map<HWND, std::unique_ptr<CWnd>>& TemporaryWindows() {
    static std::map<HWND, std::unique_ptr<CWnd>> temporaries;
    return temporaries;
}

std::map<CDC*, std::unique_ptr<CDC>>& WindowContexts() {
    static std::map<CDC*, std::unique_ptr<CDC>> contexts;
    return contexts;
}

void RegisterDefaultClass() {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASS wc = {};
    wc.lpfnWndProc = ::DefWindowProc;
    wc.lpszClassName = AFX_WND_CLASS;
    ::RegisterClass(&wc);
    registered = true;
}

} // namespace

BOOL AfxPreTranslateMessage(MSG* pMsg) {
    for (HWND hWnd = pMsg->hwnd; hWnd != nullptr; hWnd = ::GetParent(hWnd)) {
        CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
        if (pWnd != nullptr && pWnd->PreTranslateMessage(pMsg)) {
            return TRUE;
        }
    }
    return FALSE;
}

IMPLEMENT_DYNAMIC(CCmdTarget, CObject)

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap() {
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, AfxSig_end, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const {
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* AfxFindMessageEntry(const AFX_MSGMAP_ENTRY* lpEntry, UINT nMsg, UINT nCode,
                                            UINT nID) {
    for (; lpEntry != nullptr && lpEntry->nSig != AfxSig_end; ++lpEntry) {
        if (lpEntry->nMessage == nMsg && lpEntry->nCode == nCode && nID >= lpEntry->nID &&
            nID <= lpEntry->nLastID) {
            return lpEntry;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode) {
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        const AFX_MSGMAP_ENTRY* entry =
            AfxFindMessageEntry(map->lpEntries, WM_COMMAND, static_cast<UINT>(nCode), nID);
        if (entry != nullptr) {
            if (entry->nSig == AfxSig_cmdr) {
                (this->*AfxLoadHandler<void (CCmdTarget::*)(UINT)>(entry->pfn))(nID);
            } else {
                (this->*(entry->pfn))();
            }
            return TRUE;
        }
    }
    return FALSE;
}

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
END_MESSAGE_MAP()

CWnd::CWnd() {
    AfxInstallPreTranslate();
}

CWnd::~CWnd() {
    // A window that outlives its object is left to itself, without the object.
    if (m_hWnd != nullptr) {
        if (AfxLookupPermanent(m_hWnd) == this) {
            if (AfxGetWndProc(m_hWnd) == AfxWndProc && m_pfnSuper != nullptr) {
                AfxSetWndProc(m_hWnd, m_pfnSuper);
            }
            AfxSetPermanent(m_hWnd, nullptr);
        }
        m_hWnd = nullptr;
    }
}

CWnd* CWnd::FromHandlePermanent(HWND hWnd) {
    return AfxLookupPermanent(hWnd);
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    auto& temporaries = TemporaryWindows();
    // Wrappers of windows that are gone are dropped.
    for (auto it = temporaries.begin(); it != temporaries.end();) {
        if (!::IsWindow(it->first)) {
            it->second->m_hWnd = nullptr;
            it = temporaries.erase(it);
        } else {
            ++it;
        }
    }
    if (!::IsWindow(hWnd)) {
        return nullptr;
    }
    if (CWnd* permanent = FromHandlePermanent(hWnd)) {
        return permanent;
    }
    std::unique_ptr<CWnd>& temporary = temporaries[hWnd];
    if (!temporary) {
        temporary = std::make_unique<CWnd>();
        temporary->m_hWnd = hWnd; // not attached: the window keeps its own procedure
    }
    return temporary.get();
}

BOOL CWnd::Attach(HWND hWndNew) {
    if (hWndNew == nullptr || !::IsWindow(hWndNew) || m_hWnd != nullptr ||
        AfxLookupPermanent(hWndNew) != nullptr) {
        return FALSE;
    }
    // A temporary wrapper gives way to the permanent object.
    auto& temporaries = TemporaryWindows();
    if (auto it = temporaries.find(hWndNew); it != temporaries.end()) {
        it->second->m_hWnd = nullptr;
        temporaries.erase(it);
    }
    if (!AfxSetPermanent(hWndNew, this)) {
        return FALSE;
    }
    m_hWnd = hWndNew;
    return TRUE;
}

HWND CWnd::Detach() {
    const HWND hWnd = m_hWnd;
    if (hWnd != nullptr && AfxLookupPermanent(hWnd) == this) {
        AfxSetPermanent(hWnd, nullptr);
    }
    m_hWnd = nullptr;
    return hWnd;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    if (!Attach(hWnd)) {
        return FALSE;
    }
    if (const WNDPROC proc = AfxGetWndProc(hWnd); proc != AfxWndProc) {
        m_pfnSuper = proc;
        AfxSetWndProc(hWnd, AfxWndProc);
    }
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT nID, CWnd* pParent) {
    if (pParent == nullptr) {
        return FALSE;
    }
    HWND hWndControl = ::GetDlgItem(pParent->m_hWnd, static_cast<int>(nID));
    return hWndControl != nullptr && SubclassWindow(hWndControl);
}

HWND CWnd::UnsubclassWindow() {
    if (m_hWnd != nullptr && AfxGetWndProc(m_hWnd) == AfxWndProc && m_pfnSuper != nullptr) {
        AfxSetWndProc(m_hWnd, m_pfnSuper);
    }
    m_pfnSuper = nullptr;
    return Detach();
}

BOOL CWnd::PreCreateWindow(CREATESTRUCT& cs) {
    if (cs.lpszClass == nullptr) {
        RegisterDefaultClass();
        cs.lpszClass = AFX_WND_CLASS;
    }
    return TRUE;
}

BOOL CWnd::Create(LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                  CWnd* pParentWnd, UINT nID, CCreateContext*) {
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top, pParentWnd->GetSafeHwnd(),
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), nullptr);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR lpszClassName, LPCSTR lpszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu,
                    LPVOID lpParam) {
    if (m_hWnd != nullptr) {
        return FALSE;
    }
    CREATESTRUCT cs = {};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowEx(cs.dwExStyle, cs.lpszClass, cs.lpszName,
                                 static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx, cs.cy,
                                 cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    AfxUnhookWindowCreate();
    return hWnd != nullptr;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    return ::DestroyWindow(m_hWnd);
}

void CWnd::PostNcDestroy() {}

LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = CWnd::FromHandlePermanent(hWnd);
    if (pWnd == nullptr) {
        return ::DefWindowProc(hWnd, nMsg, wParam, lParam);
    }
    MSG msg = {};
    msg.hwnd = hWnd;
    msg.message = nMsg;
    msg.wParam = wParam;
    msg.lParam = lParam;
    CurrentMessages().push_back(msg);
    const LRESULT result = pWnd->WindowProc(nMsg, wParam, lParam);
    CurrentMessages().pop_back();
    if (nMsg == WM_NCDESTROY) {
        // The window is gone: the object lets go of it.
        if (CWnd::FromHandlePermanent(hWnd) == pWnd) {
            pWnd->Detach();
            pWnd->m_pfnSuper = nullptr;
            pWnd->PostNcDestroy();
        }
    }
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) {
        result = DefWindowProc(message, wParam, lParam);
    }
    return result;
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) {
    LRESULT result = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) {
            return FALSE;
        }
        if (pResult != nullptr) {
            *pResult = 1;
        }
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        LRESULT notifyResult = 0;
        if (!OnNotify(wParam, lParam, &notifyResult)) {
            return FALSE;
        }
        if (pResult != nullptr) {
            *pResult = notifyResult;
        }
        return TRUE;
    }
    const AFX_MSGMAP_ENTRY* entry = nullptr;
    for (const AFX_MSGMAP* map = GetMessageMap(); map != nullptr && entry == nullptr;
         map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        entry = AfxFindMessageEntry(map->lpEntries, message, 0, 0);
    }
    if (entry == nullptr) {
        return FALSE;
    }
    const AFX_PMSG pfn = entry->pfn;
    switch (entry->nSig) {
    case AfxSig_vv:
        (this->*AfxLoadHandler<void (CWnd::*)()>(pfn))();
        break;
    case AfxSig_is:
        result = (this->*AfxLoadHandler<int (CWnd::*)(LPCREATESTRUCT)>(pfn))(
            reinterpret_cast<LPCREATESTRUCT>(lParam));
        break;
    case AfxSig_vwii:
        (this->*AfxLoadHandler<void (CWnd::*)(UINT, int, int)>(pfn))(
            static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        break;
    case AfxSig_bD:
        result = (this->*AfxLoadHandler<BOOL (CWnd::*)(CDC*)>(pfn))(
            CDC::FromHandle(reinterpret_cast<HDC>(wParam)));
        break;
    case AfxSig_vwl:
        (this->*AfxLoadHandler<void (CWnd::*)(UINT, LPARAM)>(pfn))(static_cast<UINT>(wParam),
                                                                   lParam);
        break;
    case AfxSig_hv:
        result = reinterpret_cast<LRESULT>((this->*AfxLoadHandler<HCURSOR (CWnd::*)()>(pfn))());
        break;
    case AfxSig_vwp:
        (this->*AfxLoadHandler<void (CWnd::*)(UINT, CPoint)>(pfn))(
            static_cast<UINT>(wParam), CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        break;
    case AfxSig_vw:
        (this->*AfxLoadHandler<void (CWnd::*)(UINT)>(pfn))(static_cast<UINT>(wParam));
        break;
    case AfxSig_vwww:
        (this->*AfxLoadHandler<void (CWnd::*)(UINT, UINT, UINT)>(pfn))(
            static_cast<UINT>(wParam), LOWORD(lParam), HIWORD(lParam));
        break;
    case AfxSig_vbw:
        (this->*AfxLoadHandler<void (CWnd::*)(BOOL, UINT)>(pfn))(static_cast<BOOL>(wParam),
                                                                 static_cast<UINT>(lParam));
        break;
    case AfxSig_bwsp:
        result = (this->*AfxLoadHandler<BOOL (CWnd::*)(UINT, short, CPoint)>(pfn))(
            GET_KEYSTATE_WPARAM(wParam), GET_WHEEL_DELTA_WPARAM(wParam),
            CPoint(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)));
        break;
    case AfxSig_lwl:
        result = (this->*AfxLoadHandler<LRESULT (CWnd::*)(WPARAM, LPARAM)>(pfn))(wParam, lParam);
        break;
    default:
        return FALSE;
    }
    if (pResult != nullptr) {
        *pResult = result;
    }
    return TRUE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    // Menus and accelerators (no control) are plain commands, whatever the high word says.
    const int nCode = lParam == 0 ? 0 : HIWORD(wParam);
    return OnCmdMsg(LOWORD(wParam), nCode);
}

BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) {
    return FALSE;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (m_pfnSuper != nullptr) {
        return ::CallWindowProc(m_pfnSuper, m_hWnd, message, wParam, lParam);
    }
    return ::DefWindowProc(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

LRESULT CWnd::Default() {
    const std::vector<MSG>& messages = CurrentMessages();
    if (messages.empty()) {
        return 0;
    }
    const MSG msg = messages.back();
    return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

int CWnd::OnCreate(LPCREATESTRUCT) {
    return static_cast<int>(Default());
}
void CWnd::OnDestroy() {
    Default();
}
void CWnd::OnClose() {
    Default();
}
void CWnd::OnSize(UINT, int, int) {
    Default();
}
void CWnd::OnPaint() {
    Default();
}
BOOL CWnd::OnEraseBkgnd(CDC*) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnSysCommand(UINT, LPARAM) {
    Default();
}
HCURSOR CWnd::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(Default());
}
void CWnd::OnLButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnLButtonUp(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonDown(UINT, CPoint) {
    Default();
}
void CWnd::OnRButtonUp(UINT, CPoint) {
    Default();
}
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) {
    return static_cast<BOOL>(Default());
}
void CWnd::OnMouseMove(UINT, CPoint) {
    Default();
}
void CWnd::OnTimer(UINT) {
    Default();
}
void CWnd::OnKeyDown(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnKeyUp(UINT, UINT, UINT) {
    Default();
}
void CWnd::OnShowWindow(BOOL, UINT) {
    Default();
}

DWORD CWnd::GetStyle() const {
    return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_STYLE));
}

DWORD CWnd::GetExStyle() const {
    return static_cast<DWORD>(::GetWindowLong(m_hWnd, GWL_EXSTYLE));
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags) {
    const DWORD style = GetStyle();
    const DWORD changed = (style & ~dwRemove) | dwAdd;
    if (changed == style) {
        return FALSE;
    }
    ::SetWindowLong(m_hWnd, GWL_STYLE, static_cast<LONG>(changed));
    if (nFlags != 0) {
        ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, nFlags | SWP_NOSIZE | SWP_NOMOVE);
    }
    return TRUE;
}

int CWnd::GetDlgCtrlID() const {
    return ::GetDlgCtrlID(m_hWnd);
}

CWnd* CWnd::GetParent() const {
    return FromHandle(::GetParent(m_hWnd));
}

CWnd* CWnd::GetDlgItem(int nID) const {
    return FromHandle(::GetDlgItem(m_hWnd, nID));
}

void CWnd::GetWindowRect(LPRECT lpRect) const {
    ::GetWindowRect(m_hWnd, lpRect);
}

void CWnd::GetClientRect(LPRECT lpRect) const {
    ::GetClientRect(m_hWnd, lpRect);
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const {
    ::ScreenToClient(m_hWnd, lpPoint);
}

void CWnd::ScreenToClient(LPRECT lpRect) const {
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::ClientToScreen(LPPOINT lpPoint) const {
    ::ClientToScreen(m_hWnd, lpPoint);
}

void CWnd::ClientToScreen(LPRECT lpRect) const {
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<LPPOINT>(lpRect), 2);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint) {
    if (lpRect != nullptr) {
        ::MoveWindow(m_hWnd, lpRect->left, lpRect->top, lpRect->right - lpRect->left,
                     lpRect->bottom - lpRect->top, bRepaint);
    }
}

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags) {
    return ::SetWindowPos(m_hWnd, pWndInsertAfter != nullptr ? pWndInsertAfter->m_hWnd : nullptr, x,
                          y, cx, cy, nFlags);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner) {
    RECT own;
    ::GetWindowRect(m_hWnd, &own);
    RECT area = {0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    HWND hWndCenter = pAlternateOwner != nullptr ? pAlternateOwner->m_hWnd : ::GetParent(m_hWnd);
    if (hWndCenter != nullptr) {
        ::GetWindowRect(hWndCenter, &area);
    }
    const int cx = own.right - own.left;
    const int cy = own.bottom - own.top;
    int x = (area.left + area.right - cx) / 2;
    int y = (area.top + area.bottom - cy) / 2;
    if (GetStyle() & WS_CHILD) {
        POINT p = {x, y};
        ::ScreenToClient(::GetParent(m_hWnd), &p);
        x = p.x;
        y = p.y;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return ::ShowWindow(m_hWnd, nCmdShow);
}

BOOL CWnd::IsWindowVisible() const {
    return ::IsWindowVisible(m_hWnd);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    return ::EnableWindow(m_hWnd, bEnable);
}

BOOL CWnd::IsWindowEnabled() const {
    return ::IsWindowEnabled(m_hWnd);
}

BOOL CWnd::IsIconic() const {
    return ::IsIconic(m_hWnd);
}

BOOL CWnd::IsZoomed() const {
    return ::IsZoomed(m_hWnd);
}

void CWnd::SetWindowText(LPCSTR lpszString) {
    ::SetWindowText(m_hWnd, lpszString);
}

int CWnd::GetWindowText(LPSTR lpszStringBuf, int nMaxCount) const {
    return ::GetWindowText(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const {
    const int length = ::GetWindowTextLength(m_hWnd);
    LPSTR buffer = rString.GetBuffer(length);
    ::GetWindowText(m_hWnd, buffer, length + 1);
    rString.ReleaseBuffer();
}

int CWnd::GetWindowTextLength() const {
    return ::GetWindowTextLength(m_hWnd);
}

CWnd* CWnd::SetFocus() {
    return FromHandle(::SetFocus(m_hWnd));
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon) {
    return reinterpret_cast<HICON>(::SendMessage(
        m_hWnd, WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const {
    return reinterpret_cast<HICON>(
        ::SendMessage(m_hWnd, WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0));
}

CMenu* CWnd::GetSystemMenu(BOOL bRevert) const {
    return CMenu::FromHandle(::GetSystemMenu(m_hWnd, bRevert));
}

void CWnd::Invalidate(BOOL bErase) {
    ::InvalidateRect(m_hWnd, nullptr, bErase);
}

void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) {
    ::InvalidateRect(m_hWnd, lpRect, bErase);
}

void CWnd::ValidateRect(LPCRECT lpRect) {
    ::ValidateRect(m_hWnd, lpRect);
}

void CWnd::UpdateWindow() {
    ::UpdateWindow(m_hWnd);
}

CDC* CWnd::GetDC() {
    HDC hDC = ::GetDC(m_hWnd);
    if (hDC == nullptr) {
        return nullptr;
    }
    auto context = std::make_unique<CDC>();
    context->Attach(hDC);
    CDC* pDC = context.get();
    WindowContexts()[pDC] = std::move(context);
    return pDC;
}

int CWnd::ReleaseDC(CDC* pDC) {
    auto& contexts = WindowContexts();
    auto it = contexts.find(pDC);
    if (it == contexts.end()) {
        return 0;
    }
    const int result = ::ReleaseDC(m_hWnd, pDC->Detach());
    contexts.erase(it);
    return result;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, TIMERPROC lpfnTimer) {
    return ::SetTimer(m_hWnd, nIDEvent, nElapse, lpfnTimer);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    return ::KillTimer(m_hWnd, nIDEvent);
}

CWnd* CWnd::SetCapture() {
    return FromHandle(::SetCapture(m_hWnd));
}

CWnd* CWnd::GetCapture() {
    return FromHandle(::GetCapture());
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

int CWnd::MessageBox(LPCSTR lpszText, LPCSTR lpszCaption, UINT nType) {
    if (lpszCaption == nullptr && AfxGetApp() != nullptr) {
        lpszCaption = AfxGetApp()->m_pszAppName;
    }
    return ::MessageBox(m_hWnd, lpszText, lpszCaption, nType);
}

BOOL CWnd::UpdateData(BOOL bSaveAndValidate) {
    CDataExchange dx(this, bSaveAndValidate);
    DoDataExchange(&dx);
    return !dx.m_bFailed;
}

int CWnd::RunModalLoop(DWORD) {
    m_bContinueModal = TRUE;
    while (ContinueModal()) {
        MSG msg;
        if (!::PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            // Idle: the temporary wrappers handed out since are let go, the GDI objects' as
            // well as the contexts', or one is kept for every back buffer ever made.
            CDC::DeleteTempMap();
            CGdiObject::DeleteTempMap();
            if (!::WaitMessage()) {
                // Nothing can ever arrive: the dialog ends as if it had been closed.
                m_nModalResult = IDCANCEL;
                m_bContinueModal = FALSE;
                break;
            }
            continue;
        }
        ::PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
    }
    return m_nModalResult;
}

BOOL CWnd::ContinueModal() {
    return m_bContinueModal;
}

void CWnd::EndModalLoop(int nResult) {
    m_nModalResult = nResult;
    if (m_bContinueModal) {
        m_bContinueModal = FALSE;
        ::PostMessage(m_hWnd, WM_NULL, 0, 0);
    }
}
