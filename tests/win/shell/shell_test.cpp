// The main dialog and the application object on real windows: start-up texts, system menu, About box, ways
// out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "shell/about_dlg.h"
#include "framework/afxsock.h"
#include "tests/win/support/ime_windows.h"
#include "shell/orvane_app.h"
#include "orvane_version.h"
#include "tests/win/support/probe_dialog.h"
#include "tests/win/support/recorders.h"
#include "resources/resource.h"

namespace {

using namespace wintest;

// The dialog's title from its template, and the status timer's titles from their common start.
constexpr wchar_t kTemplateTitle[] = L"Orvane(Ver : " ORVANE_VERSION_TEXTW L")";
const CString kStatusTitleStart = L"Orvane Version " ORVANE_VERSION_TEXTW L" (USB -";

HWND FindThreadWindow(const wchar_t* title) {
    struct Search {
        const wchar_t* title;
        HWND found;
    } search{title, nullptr};
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND h, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            wchar_t buf[128] = {};
            ::GetWindowTextW(h, buf, 128);
            if (lstrcmpW(buf, s->title) == 0) {
                s->found = h;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(MainDialog, StartsWithTheTemplateTitleAndTheInitialisedState) {
    CProbeDlg dlg;
    // Other values than the constructor's, so that only the initialisation's own steps restore them.
    auto* stray = new CClientSock;
    dlg.m_pClientSock = stray;
    dlg.m_bApConnected = 1;
    dlg.m_bMacFilterEnable = 0;
    dlg.m_strApAddress = L"127.0.0.9";
    std::memset(dlg.m_MacAddress, 0xAA, sizeof dlg.m_MacAddress);
    std::memset(&dlg.m_WlanSettings, 0xAA, sizeof dlg.m_WlanSettings);
    dlg.m_UartComm.m_nMaxFrameData = 7;
    CClientSock* sockAtStart = stray;
    CString title, ap, vci;
    UINT enable = 9, disable = 9;
    CString lastMenuItem;
    int menuSeparator = -1;
    RunDialog(dlg, [&](CProbeDlg& d) {
        // Read inside the modal loop: the dialog's end clears part of this again.
        sockAtStart = d.m_pClientSock;
        EXPECT_EQ(d.m_nApCommand, aplink::ApCmdNone);
        EXPECT_EQ(d.m_bAutoSetting, 0);
        EXPECT_EQ(d.m_bApConnected, 0);
        EXPECT_EQ(d.m_bMacFilterEnable, 1);
        EXPECT_EQ(d.m_strApAddress, CString(COrvaneDlg::kDefaultApAddress));
        EXPECT_EQ(d.m_UartComm.m_nMaxFrameData, vcilink::kVciDialogMaxFrameData);
        const auto* wlan = reinterpret_cast<const uint8_t*>(&d.m_WlanSettings);
        EXPECT_TRUE(std::all_of(wlan, wlan + sizeof d.m_WlanSettings, [](uint8_t b) { return !b; }));
        for (uint8_t b : d.m_MacAddress)
            EXPECT_EQ(b, 0);
        title = d.GetWindowText();
        ap = ItemText(d, IDC_STATUS_AP);
        vci = ItemText(d, IDC_STATUS_VCI);
        enable = d.IsDlgButtonChecked(IDC_FILTER_ENABLE);
        disable = d.IsDlgButtonChecked(IDC_FILTER_DISABLE);
        HMENU sys = ::GetSystemMenu(d.m_hWnd, FALSE);
        int n = ::GetMenuItemCount(sys);
        wchar_t buf[64] = {};
        ::GetMenuStringW(sys, IDM_ABOUTBOX, buf, 64, MF_BYCOMMAND);
        lastMenuItem = buf;
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE;
        ::GetMenuItemInfoW(sys, static_cast<UINT>(n - 2), TRUE, &mii);
        menuSeparator = (mii.fType & MFT_SEPARATOR) ? 1 : 0;
    });
    EXPECT_EQ(title, CString(kTemplateTitle));
    EXPECT_EQ(ap, CString(L"AP 미연결"));
    EXPECT_EQ(vci, CString(L"AP : "));
    EXPECT_EQ(enable, static_cast<UINT>(BST_CHECKED));
    EXPECT_EQ(disable, static_cast<UINT>(BST_UNCHECKED));
    EXPECT_EQ(lastMenuItem, CString(L"&About Orvane..."));
    EXPECT_EQ(menuSeparator, 1);

    EXPECT_EQ(sockAtStart, nullptr);
    if (!sockAtStart) delete stray; // dropped, not deleted, at the start; else the dialog's end deleted it
    EXPECT_TRUE(dlg.m_strVciMac.IsEmpty());
}

TEST(MainDialog, IconAndDragIconAreTheApplicationIcon) {
    CProbeDlg dlg;
    HICON big = nullptr, small = nullptr, drag = nullptr;
    RunDialog(dlg, [&](CProbeDlg& d) {
        big = reinterpret_cast<HICON>(d.SendMessage(WM_GETICON, ICON_BIG));
        small = reinterpret_cast<HICON>(d.SendMessage(WM_GETICON, ICON_SMALL));
        drag = reinterpret_cast<HICON>(d.SendMessage(WM_QUERYDRAGICON));
    });
    ASSERT_NE(dlg.m_hIcon, nullptr);
    EXPECT_EQ(big, dlg.m_hIcon);
    EXPECT_EQ(small, dlg.m_hIcon);
    EXPECT_EQ(drag, dlg.m_hIcon);
}

bool g_aboutOpened = false;

TEST(MainDialog, AboutEntryOpensTheAboutBox) {
    CProbeDlg dlg;
    g_aboutOpened = false;
    RunDialog(dlg, [&](CProbeDlg& d) {
        // A timer of the About box's modal loop sees it open, then presses its OK button.
        ::SetTimer(d.m_hWnd, 77, 20, [](HWND owner, UINT, UINT_PTR id, DWORD) {
            HWND about = FindThreadWindow(L"About Orvane");
            if (!about) return;
            ::KillTimer(owner, id);
            g_aboutOpened = ::GetWindow(about, GW_OWNER) == owner;
            ::PostMessageW(about, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
        d.SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    });
    EXPECT_TRUE(g_aboutOpened);
}

TEST(MainDialog, AboutBoxCarriesItsVersionLine) {
    CAboutDlg about;
    CString line;
    // The About box has no probe of its own: read it from a timer of its modal loop.
    static CString* out;
    out = &line;
    UINT_PTR t = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND box = FindThreadWindow(L"About Orvane");
        if (!box) return;
        ::KillTimer(nullptr, id);
        HWND child = nullptr;
        while ((child = ::FindWindowExW(box, child, L"Static", nullptr))) {
            wchar_t buf[64] = {};
            ::GetWindowTextW(child, buf, 64);
            if (wcsstr(buf, L"Version")) *out = buf;
        }
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_EQ(about.DoModal(), IDOK);
    ::KillTimer(nullptr, t);
    EXPECT_EQ(line, CString(L"Orvane Version 1.0"));
}

TEST(MainDialog, ExitEscAndTheCloseBoxEachEndIt) {
    {
        CProbeDlg dlg;
        dlg.probe = [](CProbeDlg& d) { ::SendMessageW(::GetDlgItem(d.m_hWnd, IDOK), BM_CLICK, 0, 0); };
        EXPECT_EQ(dlg.DoModal(), IDOK);
    }
    {
        CProbeDlg dlg;
        dlg.probe = [](CProbeDlg& d) {
            // Esc reaches the dialog manager through the modal loop, as a key press does.
            HWND focus = ::GetFocus();
            ::PostMessageW(focus ? focus : d.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        };
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    {
        CProbeDlg dlg;
        dlg.probe = [](CProbeDlg& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); };
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
}

TEST(Application, SocketsFailureShowsTheBoxAndNoDialog) {
    BoxRecorder boxes;
    AfxSetSocketInitFailure(true);
    bool dialogCreated = false;
    static bool* created;
    created = &dialogCreated;
    HHOOK hook = ::SetWindowsHookExW(
        WH_CBT,
        [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            if (code == HCBT_CREATEWND) {
                auto* cw = reinterpret_cast<CBT_CREATEWNDW*>(lp);
                if (cw->lpcs->lpszName && !IS_INTRESOURCE(cw->lpcs->lpszName) &&
                    wcscmp(cw->lpcs->lpszName, kTemplateTitle) == 0)
                    *created = true;
            }
            return ::CallNextHookEx(nullptr, code, wp, lp);
        },
        nullptr, ::GetCurrentThreadId());

    COrvaneApp app;
    EXPECT_FALSE(app.InitInstance());
    // Nothing started Winsock: the program could not have made a socket.
    EXPECT_EQ(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP), INVALID_SOCKET);
    EXPECT_EQ(::WSAGetLastError(), WSANOTINITIALISED);

    ::UnhookWindowsHookEx(hook);
    AfxSetSocketInitFailure(false);
    // Without the injected failure the same process starts it.
    ASSERT_TRUE(AfxSocketInit());
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    EXPECT_NE(s, INVALID_SOCKET);
    ::closesocket(s);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, CString(L"Windows sockets initialization failed."));
    EXPECT_EQ(boxes.boxes[0].caption, CString(L"shell_test"));
    // A framework box: the classic exclamation icon comes with it.
    EXPECT_EQ(boxes.boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_FALSE(dialogCreated);
}

// Steps of the input-method test, run by a timer of the dialog's modal loop.
struct ImeRun {
    HWND dlg = nullptr;
    CString labelAtStart, firstTitle;
    DWORD ticked = 0;
    int step = 0;
};
ImeRun g_ime;

TEST(MainDialog, WorksWhenInputMethodWindowsAreMadeBeforeIt) {
    // On Korean Windows the thread's IME windows can be made inside the creation of this, the
    // thread's first window, and reach the creation hook before it.
    ASSERT_EQ(::GetACP(), 949u);
    g_ime = {};
    BoxRecorder boxes;
    imetest::ScopedImeWindows ime;
    imetest::DialogWatchdog watchdog(10000);
    UINT_PTR t = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        ImeRun& run = g_ime;
        if (!run.dlg) {
            run.dlg = FindThreadWindow(kTemplateTitle);
            if (!run.dlg) return;
            wchar_t label[32] = {};
            ::GetDlgItemTextW(run.dlg, IDC_STATUS_AP, label, 32);
            run.labelAtStart = label;
        }
        wchar_t title[64] = {};
        ::GetWindowTextW(run.dlg, title, 64);
        if (run.step == 0 && wcscmp(title, kTemplateTitle) != 0) {
            run.firstTitle = title;
            run.ticked = ::GetTickCount();
            run.step = 1;
            // The buttons answer: "Test" shows its box, then "종료" ends the dialog.
            ::SendMessageW(::GetDlgItem(run.dlg, IDC_TEST), BM_CLICK, 0, 0);
            ::PostMessageW(::GetDlgItem(run.dlg, IDOK), BM_CLICK, 0, 0);
        }
    });
    COrvaneDlg dlg;
    // Before the dialog and its status timer exist, so that a slow start cannot shorten the wait.
    const DWORD created = ::GetTickCount();
    const INT_PTR result = dlg.DoModal();
    ::KillTimer(nullptr, t);

    EXPECT_EQ(result, IDOK);
    EXPECT_FALSE(imetest::DialogWatchdog::Fired());
    EXPECT_TRUE(ime.MadeAndLeftAlone());
    EXPECT_EQ(g_ime.labelAtStart, CString(L"AP 미연결"));
    EXPECT_EQ(g_ime.firstTitle.Left(kStatusTitleStart.GetLength()), kStatusTitleStart);
    EXPECT_GE(g_ime.ticked - created, 300u); // the first tick of the 500 ms status timer
    EXPECT_EQ(boxes.Texts(), std::vector<CString>{L"GetCount = 0"});
}

TEST(Application, RunsTheDialogAndEndsWithIt) {
    COrvaneApp app;
    // End the dialog from inside its loop once it exists.
    UINT_PTR t = ::SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR id, DWORD) {
        HWND main = FindThreadWindow(kTemplateTitle);
        if (!main) return;
        ::KillTimer(nullptr, id);
        ::PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    EXPECT_FALSE(app.InitInstance());
    ::KillTimer(nullptr, t);
    EXPECT_EQ(app.m_pMainWnd, nullptr);
}

} // namespace
