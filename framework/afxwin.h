// The application framework layer in one include: what the program's windows and dialogs are built from.
//
// Classes: CCmdTarget (afxmsgmap.h), CWnd (afxwnd.h), CDialog and CDataExchange (afxdlg.h), CListBox and
// CMenu (afxctrl.h), CWinApp (afxapp.h); message boxes in afxmsgbox.h, traces in afxtrace.h; the GDI
// wrappers (afxgdi.h), CString (afxstr.h) and CPoint, CSize, CRect (afxtypes.h) come with them.
// Sockets (afxsock.h), threads (afxmt.h) and allocation (afxmem.h) are included where they are used.
#pragma once

#include "framework/afxapp.h"
#include "framework/afxctrl.h"
#include "framework/afxdlg.h"
#include "framework/afxgdi.h"
#include "framework/afxmsgbox.h"
#include "framework/afxmsgmap.h"
#include "framework/afxstr.h"
#include "framework/afxtrace.h"
#include "framework/afxtypes.h"
#include "framework/afxwnd.h"
