// Message boxes: the one place every box of the program is shown, and the responder tests answer them with.
//
// Types: AfxMessageBoxRequest (a box being shown, as a test's responder sees it).
#pragma once

#include <functional>

#include "framework/afxstr.h"
#include "framework/afxtypes.h"

// What a test's responder is told about a box that is being shown.
struct AfxMessageBoxRequest {
    CString text;
    CString caption;
    UINT type; // MB_ style bits
    HWND box;  // the box's own window, already running its modal loop
};
// Returns the button id (IDOK, IDYES, IDRETRY...) that answers the box, or 0 to leave it
// open for now and be asked again a moment later; the box's loop keeps dispatching meanwhile.
using AfxMessageBoxResponder = std::function<int(const AfxMessageBoxRequest&)>;
void AfxSetMessageBoxResponder(AfxMessageBoxResponder responder);

// The one place where every message box of the program is shown.
int AfxShowMessageBox(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
int AfxMessageBox(LPCWSTR text, UINT type = MB_OK, UINT helpId = 0);
int AfxMessageBox(UINT idPrompt, UINT type = MB_OK);

// The classic framework's default icon for a box of this type that names none: exclamation for OK
// and OK/Cancel, question for Yes/No and Yes/No/Cancel. AfxMessageBox adds it; CWnd::MessageBox does not.
UINT AfxDefaultBoxIcon(UINT type);
