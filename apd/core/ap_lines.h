// The AP protocol's wire side: bytes cut into command lines, and a line read into the command it asks for.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "apd/core/ap_backend.h"

namespace apd {

// The command codes, as the four hex digits of a line carry them.
enum CommandCode : unsigned {
    kCodeAdd = 0xfff0,
    kCodeDelete = 0xfff1,
    kCodeList = 0xfff3,
    kCodeCloseRequest = 0xfff4,
    kCodeFilter = 0xfff5,
    kCodeApply = 0xfff6,
};

// The program's command buffer; a longer line is refused whatever it holds.
inline constexpr std::size_t kMaxCommandLine = 1000;

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
    unsigned code = 0;     // the four digits, unless Malformed
    Mac mac{};             // Add, Delete
    bool filterOn = false; // Filter: "00" switches filtering on
};

// Which hex digits a text may use.
enum class HexCase { Lower, Upper, Any };

// The value of one hex digit of the given case; -1 for anything else.
int HexDigit(char c, HexCase digits);

// Exactly six pairs of hex digits of the given case, `separator` between them and nothing else: 17
// characters, no blank at either end.
std::optional<Mac> ParseMacPairs(std::string_view text, char separator, HexCase digits);

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
