// CDialog and the dialog data exchange.
#include "afx/afxwin.h"

#include "afx/afxsys.h"

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}

HWND CDataExchange::PrepareCtrl(int nIDC) {
    HWND hWndCtrl = m_pDlgWnd != nullptr ? ::GetDlgItem(m_pDlgWnd->m_hWnd, nIDC) : nullptr;
    if (hWndCtrl == nullptr) {
        Fail();
    }
    return hWndCtrl;
}

void CDataExchange::Fail() {
    m_bFailed = TRUE;
}

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl) {
    if (pDX == nullptr || rControl.m_hWnd != nullptr) {
        return;
    }
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (hWndCtrl != nullptr && !rControl.SubclassWindow(hWndCtrl)) {
        pDX->Fail();
    }
}

INT_PTR CALLBACK AfxDlgProc(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

IMPLEMENT_DYNAMIC(CDialog, CWnd)

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
END_MESSAGE_MAP()

CDialog::CDialog() = default;

CDialog::CDialog(UINT nIDTemplate, CWnd* pParentWnd)
    : m_lpszTemplateName(MAKEINTRESOURCE(nIDTemplate)), m_nIDHelp(nIDTemplate),
      m_pParentWnd(pParentWnd) {}

CDialog::CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd)
    : m_lpszTemplateName(lpszTemplateName), m_pParentWnd(pParentWnd) {}

CDialog::~CDialog() {
    if (m_hWnd != nullptr) {
        DestroyWindow();
    }
}

BOOL CDialog::CreateFromTemplate(HWND hWndOwner) {
    HINSTANCE hInstance = AfxFindResourceHandle(m_lpszTemplateName, RT_DIALOG);
    HRSRC hResource = ::FindResource(hInstance, m_lpszTemplateName, RT_DIALOG);
    if (hResource == nullptr || ::SizeofResource(hInstance, hResource) < sizeof(DLGTEMPLATE)) {
        return FALSE;
    }
    LPCDLGTEMPLATE lpTemplate =
        static_cast<LPCDLGTEMPLATE>(::LockResource(::LoadResource(hInstance, hResource)));
    if (lpTemplate == nullptr) {
        return FALSE;
    }
    // The object is attached as the window is made, so that it sees WM_CREATE.
    // The dialog procedure only has to be there: the dialog manager sends WM_INITDIALOG only to
    // a dialog that has one, and the framework's window procedure handles every message first.
    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateDialogIndirectParam(hInstance, lpTemplate, hWndOwner, AfxDlgProc, 0);
    AfxUnhookWindowCreate();
    if (hWnd == nullptr && m_hWnd != nullptr) {
        Detach();
    }
    return hWnd != nullptr;
}

BOOL CDialog::Create(UINT nIDTemplate, CWnd* pParentWnd) {
    return Create(MAKEINTRESOURCE(nIDTemplate), pParentWnd);
}

BOOL CDialog::Create(LPCSTR lpszTemplateName, CWnd* pParentWnd) {
    m_lpszTemplateName = lpszTemplateName;
    m_pParentWnd = pParentWnd;
    CWnd* pOwner = pParentWnd != nullptr ? pParentWnd : AfxGetMainWnd();
    return CreateFromTemplate(pOwner != nullptr && pOwner != this ? pOwner->GetSafeHwnd()
                                                                  : nullptr);
}

BOOL CDialog::StartModal() {
    // The owner: the given parent's window, else the application's main window.
    CWnd* pOwner = m_pParentWnd != nullptr ? m_pParentWnd : AfxGetMainWnd();
    HWND hWndOwner = pOwner != nullptr && pOwner != this ? pOwner->GetSafeHwnd() : nullptr;
    // The owner is a top-level window: a child owner gives way to the window that holds it.
    while (hWndOwner != nullptr && (::GetWindowLong(hWndOwner, GWL_STYLE) & WS_CHILD)) {
        hWndOwner = ::GetParent(hWndOwner);
    }
    if (hWndOwner != nullptr && !::IsWindow(hWndOwner)) {
        hWndOwner = nullptr;
    }
    m_hWndOwner = hWndOwner;
    m_bOwnerDisabled = FALSE;
    if (hWndOwner != nullptr && ::IsWindowEnabled(hWndOwner)) {
        ::EnableWindow(hWndOwner, FALSE);
        m_bOwnerDisabled = TRUE;
    }
    m_nModalResult = -1;
    m_bContinueModal = TRUE;
    if (!CreateFromTemplate(hWndOwner)) {
        m_bContinueModal = FALSE;
        if (m_bOwnerDisabled) {
            ::EnableWindow(hWndOwner, TRUE);
            m_bOwnerDisabled = FALSE;
        }
        return FALSE;
    }
    if (m_hWnd != nullptr && !::IsWindowVisible(m_hWnd) && m_bContinueModal) {
        ::ShowWindow(m_hWnd, SW_SHOWNORMAL);
    }
    return TRUE;
}

int CDialog::FinishModal() {
    m_bContinueModal = FALSE;
    if (m_hWnd != nullptr) {
        ::ShowWindow(m_hWnd, SW_HIDE);
    }
    if (m_bOwnerDisabled && ::IsWindow(m_hWndOwner)) {
        ::EnableWindow(m_hWndOwner, TRUE);
    }
    m_bOwnerDisabled = FALSE;
    m_hWndOwner = nullptr;
    DestroyWindow();
    return m_nModalResult;
}

int CDialog::DoModal() {
    if (!StartModal()) {
        return -1;
    }
    if (ContinueModal()) {
        RunModalLoop(0);
    }
    return FinishModal();
}

void CDialog::EndDialog(int nResult) {
    if (m_hWnd == nullptr) {
        return;
    }
    m_nModalResult = nResult;
    EndModalLoop(nResult);
    ::EndDialog(m_hWnd, nResult);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    // The dialog manager leaves a dialog where its template puts it; the framework centres a
    // top-level dialog on its owner (or the screen) unless initialising moved it.
    RECT before = {};
    ::GetWindowRect(m_hWnd, &before);
    const LRESULT result = OnInitDialog();
    RECT after = {};
    if (m_hWnd != nullptr && ::GetWindowRect(m_hWnd, &after) && !(GetStyle() & WS_CHILD) &&
        ::EqualRect(&before, &after)) {
        CenterWindow();
    }
    return result;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) {
        return;
    }
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

BOOL CDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    return CWnd::OnCommand(wParam, lParam);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    // Keys of the dialog and its controls are the dialog manager's: Enter and Escape become
    // the default and cancel commands.
    if (m_hWnd == nullptr || pMsg->message < WM_KEYDOWN || pMsg->message > 0x0109) {
        return FALSE;
    }
    return ::IsDialogMessage(m_hWnd, pMsg);
}

LRESULT CDialog::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return CWnd::DefWindowProc(message, wParam, lParam);
}
