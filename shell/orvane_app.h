// COrvaneApp: the application object that starts sockets and runs the main dialog.
#pragma once

#include "framework/afxwin.h"

class COrvaneApp : public CWinApp {
  public:
    COrvaneApp();
    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};
