// The main dialog's construction, initialisation, system menu, minimised painting, BlockingWait, destruction.
#include "shell/orvane_dlg.h"

#include <cstring>

#include "shell/about_dlg.h"
#include "shell/ap_address.h"
#include "checklist/check_list.h"
#include "resources/resource.h"

const wchar_t* const COrvaneDlg::kDefaultApAddress = OrvaneApAddress();

BEGIN_MESSAGE_MAP(COrvaneDlg, CDialog)
ON_WM_SYSCOMMAND()
ON_WM_PAINT()
ON_WM_QUERYDRAGICON()
ON_BN_CLICKED(IDC_READ_VCI_MAC, ReadVciMacAddress)
ON_WM_TIMER()
ON_BN_CLICKED(IDC_READ_PC_MAC, GetMacAddress)
ON_BN_CLICKED(IDC_CONNECT_AP, OnConnectAp)
ON_BN_CLICKED(IDC_WRITE_MAC_TO_AP, OnWriteMacToAp)
ON_BN_CLICKED(IDC_REFRESH_AP_LIST, RefreshApMacList)
ON_BN_CLICKED(IDC_DELETE_AP_MAC, OnDeleteApMac)
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_CLOSE_SOCKET, OnCloseSocket)
ON_BN_CLICKED(IDC_MAC_FILTER_ON, OnMacFilterOn)
ON_BN_CLICKED(IDC_MAC_FILTER_OFF, OnMacFilterOff)
ON_BN_CLICKED(IDC_APPLY, OnApply)
ON_BN_CLICKED(IDC_TEST, OnTest)
ON_BN_CLICKED(IDC_DELETE_ALL_MAC, OnDeleteAllMac)
ON_BN_CLICKED(IDC_READ_PC_MAC_ADDRESS, OnReadPcMac)
ON_BN_CLICKED(IDC_READ_VCI_MAC_ADDRESS, OnReadVciMac)
ON_BN_CLICKED(IDC_ADD_MAC_TO_AP, OnAddMacToAp)
ON_BN_CLICKED(IDC_DELETE_SELECTED_MAC, OnDeleteSelectedMac)
ON_BN_CLICKED(IDC_AUTO_SETTING, OnAutoSetting)
ON_BN_CLICKED(IDC_FILTER_DISABLE, OnFilterDisable)
ON_BN_CLICKED(IDC_FILTER_ENABLE, OnFilterEnable)
ON_BN_CLICKED(IDC_MAC_FILTER_SETTING, OnMacFilterSetting)
ON_MESSAGE(WM_RECEIVE_TCP, OnReceiveTCP)
END_MESSAGE_MAP()

// Only what construction needs; the rest is set by OnInitDialog or
// by the operation that first uses it.
COrvaneDlg::COrvaneDlg(CWnd* parent)
    : CDialog(IDD_ORVANE_DIALOG, parent), m_bMacFilterEnable(1), m_pCheckList(nullptr), m_bApConnected(0),
      m_pClientSock(nullptr), m_MacAddress{}, m_WlanSettings{} {
    m_strVciMac = L"";
    m_hIcon = AfxGetApp() ? AfxGetApp()->LoadIcon(IDR_MAINFRAME)
                          : ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
}

COrvaneDlg::~COrvaneDlg() {
    delete m_pCheckList;
}

void COrvaneDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_AP_MAC_LIST, m_ListApMac);
    DDX_Text(pDX, IDC_VCI_MAC_EDIT, m_strVciMac);
}

BOOL COrvaneDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CMenu* sysMenu = GetSystemMenu(FALSE);
    if (sysMenu) {
        const wchar_t* text = nullptr;
        int n = ::LoadStringW(AfxGetResourceHandle(), IDS_ABOUTBOX, reinterpret_cast<LPWSTR>(&text), 0);
        CString about = n > 0 ? CString(text, n) : CString();
        if (!about.IsEmpty()) {
            sysMenu->AppendMenu(MF_SEPARATOR);
            sysMenu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about);
        }
    }

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    std::memset(m_MacAddress, 0, sizeof(m_MacAddress));
    ShowApStatus(false);

    m_pClientSock = nullptr;
    m_strApAddress = kDefaultApAddress;
    m_bApConnected = 0;
    m_bMacFilterEnable = 1;
    UpdateFilterRadios();

    m_UartComm.Create(nullptr, nullptr, 0, CRect(0, 0, 0, 0), this, IDC_UART_COMM);
    m_UartComm.OpenComm();
    m_UartComm.m_nMaxFrameData = vcilink::kVciDialogMaxFrameData;

    std::memset(&m_WlanSettings, 0, sizeof(m_WlanSettings));
    SetTimer(kStatusTimer, kStatusTimerMs);

    // The list box's screen rectangle, unconverted: the dialog is centred only after this, so the
    // control stands off from the list box by the dialog's frame and caption.
    CRect listRect;
    GetDlgItem(IDC_AP_MAC_LIST)->GetWindowRect(&listRect);
    m_pCheckList = new CCheckList;
    return m_pCheckList->Create(listRect, this, IDC_CHECK_LIST, IDB_CHECK, IDB_UNCHECK, IDB_MIDDLE,
                                ::GetSysColor(COLOR_WINDOW), nullptr)
               ? TRUE
               : FALSE;
}

void COrvaneDlg::OnSysCommand(UINT nID, LPARAM) {
    if ((nID & 0xFFF0) == IDM_ABOUTBOX) {
        CAboutDlg about;
        about.DoModal();
    } else {
        Default();
    }
}

void COrvaneDlg::OnPaint() {
    if (!IsIconic()) {
        Default();
        return;
    }
    CPaintDC dc(this);
    SendMessage(WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc.GetSafeHdc()), 0);
    int cxIcon = ::GetSystemMetrics(SM_CXICON);
    int cyIcon = ::GetSystemMetrics(SM_CYICON);
    CRect rect;
    GetClientRect(&rect);
    int x = (rect.Width() - cxIcon + 1) / 2;
    int y = (rect.Height() - cyIcon + 1) / 2;
    dc.DrawIcon(x, y, m_hIcon);
}

HCURSOR COrvaneDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(m_hIcon);
}

namespace {

// The buttons that start an AP or VCI operation, hidden ones included (a click can be posted to them).
constexpr UINT kOperationButtons[] = {
    IDC_READ_VCI_MAC,        IDC_WRITE_MAC_TO_AP,     IDC_REFRESH_AP_LIST,      IDC_DELETE_AP_MAC,
    IDC_CONNECT_AP,          IDC_READ_PC_MAC,         IDC_CLOSE_SOCKET,         IDC_APPLY,
    IDC_MAC_FILTER_ON,       IDC_MAC_FILTER_OFF,      IDC_AUTO_SETTING,         IDC_DELETE_ALL_MAC,
    IDC_DELETE_SELECTED_MAC, IDC_READ_PC_MAC_ADDRESS, IDC_READ_VCI_MAC_ADDRESS, IDC_ADD_MAC_TO_AP,
    IDC_MAC_FILTER_SETTING};

} // namespace

bool COrvaneDlg::StartsOperation(UINT id) {
    for (UINT button : kOperationButtons)
        if (button == id) return true;
    return false;
}

COrvaneDlg::OperationScope::OperationScope(COrvaneDlg& dlg) : m_dlg(dlg) {
    if (m_dlg.m_nOperationDepth++ == 0) m_dlg.EnableOperationButtons(false);
}

COrvaneDlg::OperationScope::~OperationScope() {
    if (--m_dlg.m_nOperationDepth == 0) m_dlg.EnableOperationButtons(true);
}

void COrvaneDlg::EnableOperationButtons(bool enable) {
    if (!m_hWnd) return;
    for (UINT id : kOperationButtons)
        if (HWND button = ::GetDlgItem(m_hWnd, static_cast<int>(id)))
            ::EnableWindow(button, enable ? TRUE : FALSE);
}

BOOL COrvaneDlg::OnWndMsg(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED && StartsOperation(LOWORD(wParam))) {
        if (InOperation()) {
            AfxTrace("COrvaneDlg: click on %u refused while an operation runs", unsigned{LOWORD(wParam)});
            *result = 0;
            return TRUE;
        }
        OperationScope scope(*this);
        return CDialog::OnWndMsg(msg, wParam, lParam, result);
    }
    if (msg == WM_RECEIVE_TCP) {
        OperationScope scope(*this);
        return CDialog::OnWndMsg(msg, wParam, lParam, result);
    }
    return CDialog::OnWndMsg(msg, wParam, lParam, result);
}

void COrvaneDlg::BlockingWait(DWORD ms) {
    ::Sleep(ms);
}

void COrvaneDlg::OnDestroy() {
    CWnd::OnDestroy();
    DisconnectFromAP();
}
