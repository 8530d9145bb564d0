// The AP protocol's wire side: bytes cut into command lines, and a line read into the command it asks for.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apd/core/ap_backend.h"
#include "common/core/ap_wire.h"

namespace apd {

using common::HexCase;
using common::WireCode;

// The program's command buffer; a longer line is refused whatever it holds.
inline constexpr std::size_t kMaxCommandLine = common::kWireMaxLine;

enum class CommandKind {
    Add,          // w fff0 xx xx xx xx xx xx   (lower case)
    Delete,       // w fff1 XX XX XX XX XX XX   (upper case, as the list shows it)
    List,         // w fff3
    CloseRequest, // w fff4
    Filter,       // w fff5 00 | 01
    Apply,        // w fff6
    BadArgument,  // one of the codes above with any other argument
    UnknownCode,  // "w", blank, four lower-case hex digits, blank, but no code we know
    Malformed,    // anything else
};

struct Command {
    CommandKind kind = CommandKind::Malformed;
    WireCode code{};       // the four digits, unless Malformed (any value: UnknownCode)
    Mac mac{};             // Add, Delete
    bool filterOn = false; // Filter: "00" switches filtering on
};

// One line without its terminator. Nothing but the exact forms above is accepted: a MAC is six pairs of
// hex digits of the stated case, one blank apart, and never the list's end entry "00 00 00 00 00 00".
Command ParseCommandLine(std::string_view line);

// Cuts a byte stream at CR or LF. Empty lines are skipped. A line that grows past kMaxCommandLine is
// handed on once, cut and marked overlong, and the rest of it up to its terminator is dropped.
class LineFramer {
  public:
    struct Line {
        std::string text;
        bool overlong = false;
    };

    void Feed(std::string_view bytes, std::vector<Line>& lines);
    // A new connection starts with nothing pending: a line cut by a disconnect is dropped.
    void Reset();
    std::size_t Pending() const { return m_partial.size(); }

  private:
    std::string m_partial;
    bool m_discarding = false;
};

} // namespace apd
