// The framework layer on real windows under Wine: dispatch, Default(), timers, dialogs, DDX, boxes, traces.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/afxwin.h"
#include "tests/win/support/cstring_printer.h"
#include "tests/win/support/ime_windows.h"
#include "tests/win/support/message_pump.h"

namespace {

constexpr UINT WM_ADD = WM_APP + 1;
constexpr UINT WM_PROBE = WM_APP + 2;
constexpr UINT WM_NESTED = WM_APP + 3;

class CProbeWnd : public CWnd {
  public:
    std::vector<UINT_PTR> timers;
    int textSets = 0;
    int destroyed = 0;

  protected:
    afx_msg void OnTimer(UINT_PTR id) {
        timers.push_back(id);
        KillTimer(id);
    }
    afx_msg LRESULT OnAdd(WPARAM wp, LPARAM lp) { return static_cast<LRESULT>(wp + lp); }
    afx_msg LRESULT OnSetText(WPARAM, LPARAM) {
        ++textSets;
        return Default(); // the default procedure still stores the text
    }
    afx_msg void OnDestroy() {
        ++destroyed;
        CWnd::OnDestroy();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeWnd, CWnd)
ON_WM_TIMER()
ON_MESSAGE(WM_ADD, OnAdd)
ON_MESSAGE(WM_SETTEXT, OnSetText)
ON_WM_DESTROY()
END_MESSAGE_MAP()

class CDerivedProbeWnd : public CProbeWnd {
  public:
    int clicks = 0;

  protected:
    afx_msg void OnPress() { ++clicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedProbeWnd, CProbeWnd)
ON_BN_CLICKED(202, OnPress)
END_MESSAGE_MAP()

TEST(MessageMap, DispatchesByMessageAndIdAndFallsBackToDefault) {
    CDerivedProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"probe", WS_OVERLAPPEDWINDOW, CRect(0, 0, 200, 100), nullptr, 0));
    ASSERT_EQ(CWnd::FromHandlePermanent(wnd.m_hWnd), &wnd);

    // A user message gets wParam and lParam and returns its result.
    EXPECT_EQ(wnd.SendMessage(WM_ADD, 40, 2), 42);

    // Handlers of the base class's map are found from the derived class.
    wnd.SetWindowText(L"hello");
    EXPECT_EQ(wnd.textSets, 1);
    EXPECT_EQ(wnd.GetWindowText(), CString(L"hello"));

    // Commands match on the control id and the notification code.
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(202, BN_CLICKED), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(203, BN_CLICKED), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(202, BN_DOUBLECLICKED), 0);
    EXPECT_EQ(wnd.clicks, 1);

    // Without an entry, the default procedure answers.
    EXPECT_EQ(wnd.SendMessage(WM_GETTEXTLENGTH), 5);

    HWND h = wnd.m_hWnd;
    wnd.DestroyWindow();
    EXPECT_EQ(wnd.destroyed, 1);
    EXPECT_EQ(wnd.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandlePermanent(h), nullptr);
}

TEST(MessageMap, TimersReachTheirWindow) {
    CProbeWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, L"timers", WS_OVERLAPPEDWINDOW, CRect(0, 0, 100, 100), nullptr, 0));
    wnd.SetTimer(7, 10);
    wnd.SetTimer(9, 30);
    ASSERT_TRUE(wintest::PumpUntil([&] { return wnd.timers.size() == 2; }));
    EXPECT_EQ(wnd.timers[0], 7u);
    EXPECT_EQ(wnd.timers[1], 9u);
}

TEST(MessageMap, ChildCreatedWithTheDefaultClassIsAChild) {
    CProbeWnd parent, child;
    ASSERT_TRUE(
        parent.CreateEx(0, nullptr, L"parent", WS_OVERLAPPEDWINDOW, CRect(0, 0, 300, 200), nullptr, 0));
    ASSERT_TRUE(child.Create(nullptr, nullptr, 0, CRect(0, 0, 0, 0), &parent, 1326));
    EXPECT_TRUE(child.GetStyle() & WS_CHILD);
    EXPECT_FALSE(child.IsWindowVisible());
    EXPECT_EQ(child.GetDlgCtrlID(), 1326);
    EXPECT_EQ(parent.GetDlgItem(1326), &child);
    parent.DestroyWindow();
    EXPECT_EQ(child.m_hWnd, nullptr); // destroyed with its parent
}

// A dialog whose test steps run as posted messages inside its own modal loop.
class CTestDlg : public CDialog {
  public:
    CTestDlg() : CDialog(200) {}
    CString m_text = L"from member";
    std::vector<std::wstring> seen;
    CRect rectDuringInit;
    std::function<void(CTestDlg&)> probe;
    CListBox m_list;
    int nestedRuns = 0;

  protected:
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Control(pDX, 203, m_list);
        DDX_Text(pDX, 201, m_text);
    }
    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        GetWindowRect(&rectDuringInit);
        PostMessage(WM_PROBE);
        return TRUE;
    }
    afx_msg LRESULT OnProbe(WPARAM, LPARAM) {
        if (probe) probe(*this);
        return 0;
    }
    afx_msg LRESULT OnNested(WPARAM, LPARAM) {
        ++nestedRuns;
        return 0;
    }
    DECLARE_MESSAGE_MAP()

    friend class DialogTest;
};

BEGIN_MESSAGE_MAP(CTestDlg, CDialog)
ON_MESSAGE(WM_PROBE, OnProbe)
ON_MESSAGE(WM_NESTED, OnNested)
END_MESSAGE_MAP()

TEST(Dialog, DataExchangeBothWaysAndOkEndsIt) {
    CTestDlg dlg;
    dlg.probe = [](CTestDlg& d) {
        CString shown;
        d.GetDlgItemText(201, shown);
        d.seen.push_back(shown.str());
        d.m_list.AddString(L"first");
        d.seen.push_back(std::to_wstring(d.m_list.GetCount()));
        d.SetDlgItemText(201, L"typed by the user");
        d.PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    };
    EXPECT_EQ(dlg.DoModal(), IDOK);
    ASSERT_EQ(dlg.seen.size(), 2u);
    EXPECT_EQ(dlg.seen[0], L"from member");
    EXPECT_EQ(dlg.seen[1], L"1");
    EXPECT_EQ(dlg.m_text, CString(L"typed by the user"));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_list.m_hWnd, nullptr);
}

TEST(Dialog, CancelAndTheCloseBoxEndIt) {
    CTestDlg dlg;
    dlg.probe = [](CTestDlg& d) { d.PostMessage(WM_SYSCOMMAND, SC_CLOSE, 0); };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    dlg.probe = [](CTestDlg& d) { d.PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST(CreationHook, InputMethodWindowsMadeFirstAreLeftAlone) {
    {
        // A dialog: bound to its own window, it initialises and its buttons work.
        imetest::ScopedImeWindows ime;
        imetest::DialogWatchdog watchdog(5000);
        CTestDlg dlg;
        bool initialised = false;
        dlg.probe = [&](CTestDlg& d) {
            initialised = true;
            d.PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        };
        EXPECT_EQ(dlg.DoModal(), IDOK);
        EXPECT_TRUE(initialised);
        EXPECT_FALSE(imetest::DialogWatchdog::Fired());
        EXPECT_TRUE(ime.MadeAndLeftAlone());
    }
    {
        // A window of a given class: bound to the first window of that class only.
        imetest::ScopedImeWindows ime;
        CProbeWnd wnd;
        ASSERT_TRUE(wnd.CreateEx(0, L"Static", L"mine", WS_POPUP, CRect(0, 0, 50, 20), nullptr, 0));
        wchar_t cls[32] = {};
        ::GetClassNameW(wnd.m_hWnd, cls, 32);
        EXPECT_STREQ(cls, L"Static");
        EXPECT_EQ(wnd.GetWindowText(), CString(L"mine"));
        EXPECT_EQ(wnd.SendMessage(WM_ADD, 1, 2), 3);
        EXPECT_TRUE(ime.MadeAndLeftAlone());
    }
}

TEST(Dialog, IsCentredOnlyAfterInitialisation) {
    CTestDlg dlg;
    CRect after;
    dlg.probe = [&](CTestDlg& d) {
        d.GetWindowRect(&after);
        d.EndDialog(IDOK);
    };
    dlg.DoModal();
    // During initialisation the dialog still stands where its template puts it: the screen origin.
    EXPECT_EQ(dlg.rectDuringInit.left, 0);
    EXPECT_EQ(dlg.rectDuringInit.top, 0);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi);
    CRect work(mi.rcWork);
    EXPECT_NEAR((after.left + after.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((after.top + after.bottom) / 2, (work.top + work.bottom) / 2, 1);
}

TEST(MessageBoxes, ResponderAnswersWhileTheBoxKeepsDispatching) {
    std::vector<AfxMessageBoxRequest> asked;
    int nestedSeenByResponder = -1;
    CTestDlg dlg;
    AfxSetMessageBoxResponder([&](const AfxMessageBoxRequest& r) {
        asked.push_back(r);
        // Wait for the posted message: it is handled inside the box's own loop.
        if (dlg.nestedRuns == 0) return 0;
        nestedSeenByResponder = dlg.nestedRuns;
        return IDNO;
    });
    int answer = 0;
    dlg.probe = [&](CTestDlg& d) {
        d.PostMessage(WM_NESTED);
        answer = d.MessageBox(L"Delete them?", L"AP MAC Setting", MB_YESNO);
        d.EndDialog(IDOK);
    };
    dlg.DoModal();
    AfxSetMessageBoxResponder(nullptr);

    EXPECT_EQ(answer, IDNO);
    EXPECT_EQ(nestedSeenByResponder, 1);
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().text, CString(L"Delete them?"));
    EXPECT_EQ(asked.back().caption, CString(L"AP MAC Setting"));
    EXPECT_EQ(asked.back().type, static_cast<UINT>(MB_YESNO));
    EXPECT_NE(asked.back().box, nullptr);
}

TEST(MessageBoxes, AfxMessageBoxUsesTheAppNameAndStringTable) {
    std::vector<AfxMessageBoxRequest> asked;
    AfxSetMessageBoxResponder([&](const AfxMessageBoxRequest& r) {
        asked.push_back(r);
        return IDOK;
    });
    EXPECT_EQ(AfxMessageBox(L"plain"), IDOK);
    EXPECT_EQ(AfxMessageBox(300), IDOK);
    AfxSetMessageBoxResponder(nullptr);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].caption, CString(L"framework_test"));
    // The framework's boxes carry the classic default icon; the dialog's own boxes carry none.
    EXPECT_EQ(asked[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(asked[1].text, CString(L"A string-table box"));
    EXPECT_EQ(asked[1].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
}

TEST(MessageBoxes, TheDefaultIconGoesByTheButtonsAndNeverReplacesOneGiven) {
    EXPECT_EQ(AfxDefaultBoxIcon(MB_OKCANCEL), static_cast<UINT>(MB_OKCANCEL | MB_ICONEXCLAMATION));
    EXPECT_EQ(AfxDefaultBoxIcon(MB_YESNO), static_cast<UINT>(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(AfxDefaultBoxIcon(MB_YESNOCANCEL | MB_DEFBUTTON2),
              static_cast<UINT>(MB_YESNOCANCEL | MB_DEFBUTTON2 | MB_ICONQUESTION));
    EXPECT_EQ(AfxDefaultBoxIcon(MB_RETRYCANCEL), static_cast<UINT>(MB_RETRYCANCEL));
    EXPECT_EQ(AfxDefaultBoxIcon(MB_ABORTRETRYIGNORE), static_cast<UINT>(MB_ABORTRETRYIGNORE));
    EXPECT_EQ(AfxDefaultBoxIcon(MB_OK | MB_ICONINFORMATION), static_cast<UINT>(MB_OK | MB_ICONINFORMATION));
    EXPECT_EQ(AfxDefaultBoxIcon(MB_YESNO | MB_ICONSTOP), static_cast<UINT>(MB_YESNO | MB_ICONSTOP));
}

TEST(Application, NameIsTheExecutableWithoutExtension) {
    EXPECT_STREQ(AfxGetAppName(), L"framework_test");
}

// What a debugger on the user's PC reads: OutputDebugStringA raises DBG_PRINTEXCEPTION_C with the
// line's bytes, and a vectored handler sees it before the system's own handling.
class DebuggerOutput {
  public:
    DebuggerOutput() : m_handler(::AddVectoredExceptionHandler(1, &Handler)) { Lines().clear(); }
    ~DebuggerOutput() { ::RemoveVectoredExceptionHandler(m_handler); }
    DebuggerOutput(const DebuggerOutput&) = delete;
    DebuggerOutput& operator=(const DebuggerOutput&) = delete;
    static std::vector<std::string>& Lines() {
        static std::vector<std::string> lines;
        return lines;
    }

  private:
    static LONG CALLBACK Handler(EXCEPTION_POINTERS* ep) {
        const EXCEPTION_RECORD* r = ep->ExceptionRecord;
        if (r->ExceptionCode == DBG_PRINTEXCEPTION_C && r->NumberParameters >= 2 &&
            r->ExceptionInformation[0] > 0)
            Lines().emplace_back(reinterpret_cast<const char*>(r->ExceptionInformation[1]),
                                 static_cast<size_t>(r->ExceptionInformation[0] - 1));
        return EXCEPTION_CONTINUE_SEARCH;
    }
    PVOID m_handler;
};

TEST(Traces, TheDebuggerAndTheSinkGetTheSameLinesInTheAnsiCodePage) {
    // The users' PCs: Korean Windows, whose ANSI code page is 949.
    ASSERT_EQ(::GetACP(), 949u);
    std::vector<std::string> sink;
    DebuggerOutput debugger;
    AfxSetTraceSink([&](const char* line) { sink.emplace_back(line); });
    AfxTrace("COrvaneDlg::SendDataToAP : %s", "w fff3 \r");
    AfxTrace("%s", "100% data, never a format");
    AfxTrace("          Hox2534DLL -> 수신데이터 CheckSum 틀림 : %02X %02X \r\n", 0x7E, 0x02);
    // Bytes from outside go out as they came, even where they are no text of this code page.
    AfxTrace("COrvaneDlg::OnReceiveTCP : %s", "\xC7\xD1\xB1\xDB \xEC\x88\x98");
    AfxTraceText("          Hox2534DLL -> NAK응답1 \r\n");
    AfxSetTraceSink(nullptr);
    AfxTrace("not captured");

    const std::vector<std::string> expected = {
        "COrvaneDlg::SendDataToAP : w fff3 \r",
        "100% data, never a format",
        "          Hox2534DLL -> \xBC\xF6\xBD\xC5\xB5\xA5\xC0\xCC\xC5\xCD CheckSum \xC6\xB2\xB8\xB2 : 7E 02 "
        "\r\n",
        "COrvaneDlg::OnReceiveTCP : \xC7\xD1\xB1\xDB \xEC\x88\x98",
        "          Hox2534DLL -> NAK\xC0\xC0\xB4\xE4\x31 \r\n",
    };
    EXPECT_EQ(sink, expected);
    ASSERT_GE(debugger.Lines().size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(debugger.Lines().begin(), debugger.Lines().begin() + 5), expected);
    EXPECT_EQ(debugger.Lines().back(), "not captured");
}

TEST(Strings, FormatAndSlicing) {
    CString s;
    s.Format(L"연결 실패 : %d", 10061);
    EXPECT_EQ(s, CString(L"연결 실패 : 10061"));
    CString mac(L"00 1a 2b");
    EXPECT_EQ(mac.Left(2), CString(L"00"));
    CStringA a;
    a.Format("%02X:%02X", 0xab, 1);
    EXPECT_EQ(a, CStringA("AB:01"));
}

} // namespace
