// CDialog: modal dialogs from templates, bound by the creation hook; data exchange with DDX_.
#include "framework/afxdlg.h"

#include "framework/afxapp.h"
#include "framework/afxstate.h"

namespace {

INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM) {
    // Everything is handled by the subclass procedure in front of the dialog manager.
    return FALSE;
}

} // namespace

BEGIN_MESSAGE_MAP(CDialog, CWnd)
ON_MESSAGE(WM_INITDIALOG, HandleInitDialog)
ON_COMMAND(IDOK, OnOK)
ON_COMMAND(IDCANCEL, OnCancel)
END_MESSAGE_MAP()

CDialog::CDialog(UINT templateId, CWnd* parent)
    : m_lpszTemplateName(MAKEINTRESOURCEW(templateId)), m_pParentWnd(parent) {}

INT_PTR CDialog::DoModal() {
    HWND owner = m_pParentWnd ? m_pParentWnd->m_hWnd : nullptr;
    if (!owner) {
        // Like any box, a dialog without a parent belongs to the window the user is working in.
        CWnd* main = AfxGetMainWnd();
        HWND active = ::GetActiveWindow();
        if (main != this && active)
            owner = active;
        else if (main && main != this && main->m_hWnd)
            owner = main->m_hWnd;
    }
    bool installed = afxstate::HookWindowCreate(this, MAKEINTATOM(afxstate::kDialogClassAtom));
    INT_PTR result = ::DialogBoxParamW(AfxGetResourceHandle(), m_lpszTemplateName, owner, DialogProc, 0);
    afxstate::UnhookWindowCreate(installed);
    afxstate::PurgeTemporaryWindows();
    return result;
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    CRect before, after;
    GetWindowRect(&before);
    BOOL result = OnInitDialog();
    GetWindowRect(&after);
    // Centred only after initialisation, and only when initialisation left it where the template put it.
    if (before == after) CenterWindow();
    return result;
}

BOOL CDialog::OnInitDialog() {
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::EndDialog(int result) {
    ::EndDialog(m_hWnd, result);
}

BOOL CDialog::UpdateData(BOOL saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    return TRUE;
}

void CDialog::OnOK() {
    if (!UpdateData(TRUE)) return;
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void DDX_Control(CDataExchange* pDX, int id, CWnd& control) {
    assert(pDX && pDX->m_pDlgWnd);
    if (!control.m_hWnd) control.SubclassDlgItem(static_cast<UINT>(id), pDX->m_pDlgWnd);
}

void DDX_Text(CDataExchange* pDX, int id, CString& value) {
    assert(pDX && pDX->m_pDlgWnd);
    if (pDX->m_bSaveAndValidate)
        pDX->m_pDlgWnd->GetDlgItemText(id, value);
    else
        pDX->m_pDlgWnd->SetDlgItemText(id, value);
}
