// Automatic configuration's road from the PC MAC read to the first add command.
#pragma once

class COrvaneDlg;

namespace aplink::dlg {

// Runs from the button when connected and from the connect notification.
void ContinueAutoSetting(COrvaneDlg& dlg);

} // namespace aplink::dlg
