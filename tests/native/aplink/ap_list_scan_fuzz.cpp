// Fuzz target: the list-reply scanner and the commands built from what it extracts.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "aplink/core/ap_protocol.h"

using namespace aplink;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // As one read: at most one read's worth, in a block of exactly that size.
    const std::size_t n = size < static_cast<std::size_t>(kApReplyReadSize) ? size : kApReplyReadSize;
    std::vector<char> block(data, data + n);
    const ApListScan scan = ScanListReply(block.data(), static_cast<int>(n));

    for (const std::string_view text : scan.entries) {
        if (text.size() > kApEntryTextLength || text == kApListEndText) std::abort();
        // Every listed text turns into exactly one command line.
        const std::string command = MakeDeleteCommand(text);
        if (command.empty() || command.find('\r') != command.size() - 1) std::abort();
        char buffer[kApCommandBufferSize];
        if (MakeMacDataToDelete(text, buffer, sizeof buffer) != command.size()) std::abort();
    }

    ApReplyBuffer reply;
    reply.Clear();
    if (n > 0) std::memcpy(reply.data, block.data(), n);
    reply.SetReceived(static_cast<int>(n));
    if (reply.Text().size() > n || reply.ScanList().entries != scan.entries) std::abort();
    (void)ClassifyStatusReply(reply.Text());
    return 0;
}
