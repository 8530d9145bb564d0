// The dialog's pending AP operation (m_nApCommand): how its next read of the socket is taken; no Windows
// header.
#pragma once

namespace aplink {

// Replies name no command, so the dialog remembers which operation is current. Who sets which value, and
// what each answer does under it: the table at the head of ap_conversation.h.
enum ApCommand : int {
    ApCmdNone = 0,
    ApCmdAddMac = 1,
    ApCmdDeleteMac = 2,
    ApCmdReadList = 4,
    ApCmdSetFilter = 5,
};

} // namespace aplink
