// Numeric ids of Orvane's resources and dialog controls, shared by the C++ code and windres.
#ifndef ORVANE_RESOURCE_H
#define ORVANE_RESOURCE_H

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_ORVANE_DIALOG 102

// String table
#define IDS_ABOUTBOX 101
#define IDP_SOCKETS_INIT_FAILED 103

// Icon and the check-list's check-box images (checked, unchecked, middle)
#define IDR_MAINFRAME 128
#define IDB_CHECK 130
#define IDB_UNCHECK 131
#define IDB_MIDDLE 132

// System-menu command of the About entry; the low four bits of system commands are reserved.
#define IDM_ABOUTBOX 0x0010

// Controls without an id of their own
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Controls of the main dialog. Hidden buttons keep working handlers; the visible ones are the
// user's. IDC_READ_PC_MAC/IDC_READ_PC_MAC_ADDRESS and IDC_READ_VCI_MAC/IDC_READ_VCI_MAC_ADDRESS are the
// hidden and visible ways to read the PC's and the VCI's MAC.
// Hidden in the template (reached only by their handlers, or by the program itself):
//   IDC_READ_VCI_MAC      ReadVciMacAddress    IDC_READ_PC_MAC    GetMacAddress
//   IDC_WRITE_MAC_TO_AP   OnWriteMacToAp       IDC_CLOSE_SOCKET   OnCloseSocket
//   IDC_DELETE_AP_MAC     OnDeleteApMac        IDC_APPLY          OnApply
//   IDC_MAC_FILTER_ON     OnMacFilterOn        IDC_MAC_FILTER_OFF OnMacFilterOff
//   IDC_AP_MAC_LIST       the second copy of the AP's list, read by delete commands
//   IDC_VCI_MAC_EDIT      m_strVciMac's control (DDX)
//   and three group boxes without an id.
#define IDC_READ_VCI_MAC 1000
#define IDC_WRITE_MAC_TO_AP 1001
#define IDC_REFRESH_AP_LIST 1002
#define IDC_DELETE_AP_MAC 1003
#define IDC_AP_MAC_LIST 1004
#define IDC_VCI_MAC_EDIT 1005
#define IDC_CONNECT_AP 1006
#define IDC_READ_PC_MAC 1007
#define IDC_CLOSE_SOCKET 1008
#define IDC_APPLY 1009
#define IDC_MAC_FILTER_ON 1011
#define IDC_MAC_FILTER_OFF 1012
#define IDC_STATUS_AP 1014
#define IDC_STATUS_VCI 1015
#define IDC_AUTO_SETTING 1016
#define IDC_DELETE_ALL_MAC 1017
#define IDC_DELETE_SELECTED_MAC 1018
#define IDC_READ_PC_MAC_ADDRESS 1019
#define IDC_READ_VCI_MAC_ADDRESS 1020
#define IDC_ADD_MAC_TO_AP 1021
#define IDC_MAC_FILTER_SETTING 1022
#define IDC_FILTER_ENABLE 1023
#define IDC_FILTER_DISABLE 1024
#define IDC_TEST 1025

// Windows the main dialog creates at run time
#define IDC_CHECK_LIST 10001
#define IDC_UART_COMM 1326

#endif
