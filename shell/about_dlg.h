// CAboutDlg: the About box opened from the system menu.
#pragma once

#include "framework/afxwin.h"

class CAboutDlg : public CDialog {
  public:
    CAboutDlg();

  protected:
    void DoDataExchange(CDataExchange* pDX) override;

    DECLARE_MESSAGE_MAP()
};
