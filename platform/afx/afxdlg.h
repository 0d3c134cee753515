// Dialogs: CDialog on a template of the module's resources, and the data exchange that binds
// members to the controls the dialog manager created.
#pragma once

#include <windows.h>

#include "afx/afxwnd.h"

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
    CWnd* m_pDlgWnd;

    // The control's handle; a missing control fails the exchange.
    HWND PrepareCtrl(int nIDC);
    void Fail();
    BOOL m_bFailed = FALSE;
};

// Attaches rControl to the dialog's control nIDC, once; later exchanges leave it as it is.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);

// The dialog procedure of the framework's dialogs: their window procedure handles every message,
// so it handles none.
INT_PTR CALLBACK AfxDlgProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

class CDialog : public CWnd {
    DECLARE_DYNAMIC(CDialog)
public:
    CDialog();
    explicit CDialog(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    explicit CDialog(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);
    ~CDialog() override;

    // Modeless creation; the window-level Create stays reachable beside it.
    using CWnd::Create;
    BOOL Create(UINT nIDTemplate, CWnd* pParentWnd = nullptr);
    BOOL Create(LPCSTR lpszTemplateName, CWnd* pParentWnd = nullptr);

    // Runs the dialog modally: the owner is disabled until EndDialog; the result is EndDialog's
    // value, or -1 when the dialog could not be created.
    virtual int DoModal();
    void EndDialog(int nResult);

    // DoModal in three steps, so that a caller (a test) can run the modal loop itself:
    // StartModal creates the dialog as DoModal does and disables its owner (FALSE when the
    // dialog could not be created); while ContinueModal is TRUE the caller pumps messages;
    // FinishModal enables the owner again, destroys the window and returns the result.
    BOOL StartModal();
    int FinishModal();

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL PreTranslateMessage(MSG* pMsg) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    LPCSTR m_lpszTemplateName = nullptr;
    UINT m_nIDHelp = 0;
    CWnd* m_pParentWnd = nullptr;

    DECLARE_MESSAGE_MAP()

protected:
    LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    BOOL CreateFromTemplate(HWND hWndOwner);

private:
    HWND m_hWndOwner = nullptr;    // the owner disabled while the dialog runs modally
    BOOL m_bOwnerDisabled = FALSE; // whether this dialog disabled it (and must enable it again)
};
