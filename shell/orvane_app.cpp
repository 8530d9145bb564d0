// Start-up: Windows Sockets, then the main dialog, modally; the application ends with the dialog.
#include "shell/orvane_app.h"

#include "framework/afxsock.h"
#include "shell/orvane_dlg.h"
#include "resources/resource.h"

BEGIN_MESSAGE_MAP(COrvaneApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

// No name of its own: boxes carry the executable's name.
COrvaneApp::COrvaneApp() {}

BOOL COrvaneApp::InitInstance() {
    if (!AfxSocketInit()) {
        AfxMessageBox(IDP_SOCKETS_INIT_FAILED);
        return FALSE;
    }
    AfxEnableControlContainer();
    Enable3dControls();

    COrvaneDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    m_pMainWnd = nullptr;
    // FALSE ends the application instead of starting a message pump.
    return FALSE;
}
