// Fuzz target: the answer reader over any bytes, cut anywhere, asked for any form; every piece stays within
// what arrived, every entry is a MAC text that makes one delete command line, and a list read in pieces
// gives what it gives whole.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "aplink/core/ap_protocol.h"
#include "aplink/core/ap_reader.h"

using namespace aplink;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const std::string bytes = in.ConsumeRandomLengthString(4 * kApReplyReadSize);
    const ApListRead whole = ReadListAnswer(bytes);

    ApReader reader;
    std::vector<std::string> entries;
    bool ended = false, onlyList = true;
    std::size_t at = 0, taken = 0;
    while (at < bytes.size() || reader.HasUnread()) {
        const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(1, kApReplyReadSize);
        reader.Append(std::string_view(bytes).substr(at, n));
        at += std::min(n, bytes.size() - std::min(at, bytes.size()));
        for (int i = 0; i < 64; ++i) {
            const int form = in.remaining_bytes() ? in.ConsumeIntegralInRange<int>(0, 2) : 2;
            onlyList = onlyList && form == 2;
            const ApReader::Piece p = reader.Next(static_cast<ApAnswerForm>(form), 0, !entries.empty());
            if (p.kind == ApReader::Kind::NeedMore) break;
            if (p.kind != ApReader::Kind::Stray) taken += p.text.size();
            Check(taken <= bytes.size());
            if (p.kind == ApReader::Kind::Entry) {
                Check(common::IsSpacedMacText(p.text) && p.text != kApListEndText);
                const std::string command = MakeDeleteCommand(p.text);
                Check(!command.empty() && command.find('\r') == command.size() - 1);
                entries.push_back(p.text);
            }
            if (p.kind == ApReader::Kind::ListEnd || p.kind == ApReader::Kind::NotList) {
                ended = true;
                break;
            }
        }
        Check(reader.Held() <= bytes.size());
        reader.Compact();
        if (ended || at >= bytes.size()) break;
    }
    // Read as a list throughout, the pieces give what the whole gives up to its end.
    if (onlyList && ended && whole.ended) Check(entries == whole.entries);
    return 0;
}
