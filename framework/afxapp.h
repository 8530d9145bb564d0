// The application object and the application-wide helpers: names, handles, window classes, start-up.
//
// Classes: CWinApp (the program's one application object; the first one made is the application).
#pragma once

#include "afxmsgmap.h"
#include "afxtypes.h"

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
    explicit CWinApp(LPCWSTR appName = nullptr);
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    virtual int ExitInstance() { return 0; }
    BOOL Enable3dControls() { return TRUE; } // controls draw in 3-D on every supported system

    HICON LoadIcon(UINT id) const;
    afx_msg void OnHelp() {}

    HINSTANCE m_hInstance;
    CWnd* m_pMainWnd = nullptr;
    LPCWSTR m_pszAppName;

    DECLARE_MESSAGE_MAP()
};

// Runs the application object's start-up; called by the program's wWinMain.
int AfxWinMain();
