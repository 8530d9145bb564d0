// Dialogs and data exchange: CDialog, a modal dialog from a template, and the DDX_ functions.
//
// Classes: CDataExchange (one exchange between a dialog's controls and its members), CDialog.
#pragma once

#include "framework/afxmsgmap.h"
#include "framework/afxstr.h"
#include "framework/afxwnd.h"

class CDataExchange {
  public:
    CDataExchange(CWnd* dlg, BOOL saveAndValidate) : m_pDlgWnd(dlg), m_bSaveAndValidate(saveAndValidate) {}
    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate; // TRUE: controls to members; FALSE: members to controls
};

void DDX_Control(CDataExchange* pDX, int id, CWnd& control);
void DDX_Text(CDataExchange* pDX, int id, CString& value);

class CDialog : public CWnd {
  public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    virtual INT_PTR DoModal();
    void EndDialog(int result);
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    LPCWSTR m_lpszTemplateName;
    CWnd* m_pParentWnd;

  protected:
    virtual BOOL OnInitDialog();
    virtual void DoDataExchange(CDataExchange*) {}
    virtual void OnOK();
    virtual void OnCancel();
    LRESULT HandleInitDialog(WPARAM, LPARAM);

    DECLARE_MESSAGE_MAP()
};
