// The application object and the application-wide helpers: names, handles, window classes, start-up.
//
// Classes: CWinApp (the program's one application object; the first one made is the application).
#pragma once

#include "framework/afxmsgmap.h"
#include "framework/afxtypes.h"

class CWnd;
class CWinApp;

// The framework's command id for Help (F1), as the classic framework numbers it.
constexpr UINT ID_HELP = 0xE146;

LPCWSTR AfxGetAppName(); // the executable's file name without its extension
HINSTANCE AfxGetInstanceHandle();
HINSTANCE AfxGetResourceHandle();
CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
void AfxEnableControlContainer();
LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr, HBRUSH background = nullptr,
                            HICON icon = nullptr);

class CWinApp : public CCmdTarget {
  public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    BOOL Enable3dControls() { return TRUE; } // controls draw in 3-D on every supported system

    HICON LoadIcon(UINT id) const;
    afx_msg void OnHelp() {}

    CWnd* m_pMainWnd = nullptr;

    DECLARE_MESSAGE_MAP()
};

// Runs the application object's start-up; called by the program's wWinMain.
int AfxWinMain();
