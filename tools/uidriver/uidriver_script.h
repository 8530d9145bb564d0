// The UI driver's script language: tokens, steps and their parsing, with no window behind them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace uidriver {

struct Token {
    std::string text;    // UTF-8, escapes resolved
    bool quoted = false; // a quoted "or" or "*" is plain text, never a keyword
};

// Splits one line at blanks and tabs. "..." groups text and knows \" \\ \n \r \t; a # that begins a
// token starts a comment. A backslash outside quotes is an ordinary character (Windows paths).
bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error);

enum class StepKind {
    WaitWindow,        // wait-window SECONDS
    ExpectTitle,       // expect-title TEXT [or TEXT]...
    ExpectTitlePrefix, // expect-title-prefix TEXT
    WaitTitle,         // wait-title TEXT [or TEXT]... SECONDS
    ReadTitle,         // read-title
    Read,              // read ID
    ExpectText,        // expect-text ID TEXT [or TEXT]...
    WaitText,          // wait-text ID TEXT [or TEXT]... SECONDS
    ReadCheck,         // read-check ID
    ExpectCheck,       // expect-check ID 0|1|2
    Click,             // click ID
    SysCommand,        // syscommand CODE
    ClickRow,          // click-row ROW check|text
    ExpectBox,         // expect-box TEXT|* [caption TEXT] answer BUTTON [timeout SECONDS] [optional]
    AnswerAll,         // answer-all BUTTON|off
    BoxesLog,          // boxes-log FILE
    Sleep,             // sleep MILLISECONDS
    Close,             // close [SECONDS]
    WaitExit,          // wait-exit SECONDS
};

enum class RowPart { Check, Text };

// Message-box buttons by the command ids the system gives them.
inline constexpr int kButtonOk = 1;
inline constexpr int kButtonCancel = 2;
inline constexpr int kButtonAbort = 3;
inline constexpr int kButtonRetry = 4;
inline constexpr int kButtonIgnore = 5;
inline constexpr int kButtonYes = 6;
inline constexpr int kButtonNo = 7;

// ok cancel abort retry ignore yes no, any case; 0 when unknown.
int ButtonFromName(std::string_view name);
// The lower-case name, or "button N" for other ids.
std::string ButtonName(int button);

inline constexpr int64_t kDefaultBoxTimeoutMs = 10000;
inline constexpr int64_t kDefaultCloseTimeoutMs = 10000;
// Waits longer than an hour are typing mistakes.
inline constexpr int64_t kMaxWaitMs = 3600 * 1000;
inline constexpr int kMaxRow = 100000;

struct Step {
    StepKind kind = StepKind::Sleep;
    std::string origin;                // "line 7" or "step 2": where the step was written
    std::string source;                // the step as written, for the report
    int id = 0;                        // control id
    int value = 0;                     // row of click-row, state of expect-check, code of syscommand
    std::vector<std::u16string> texts; // accepted texts (any one matches); the box text
    bool anyText = false;              // expect-box *
    bool hasCaption = false;
    std::u16string caption;
    int button = 0; // expect-box, answer-all (0: off)
    int64_t timeoutMs = 0;
    RowPart part = RowPart::Check;
    bool optional = false;
    std::string path; // boxes-log
};

// One step from its tokens (not empty). origin and source are left to the caller.
bool ParseStep(const std::vector<Token>& tokens, Step& step, std::string& error);

// Appends the step of one line, if it holds one (blank and comment lines hold none).
// Errors read "<origin>: <why>".
bool ParseLine(std::string_view line, const std::string& origin, std::vector<Step>& steps,
               std::string& error);

// A whole script: one step per line, "line N" as origin. A UTF-8 byte-order mark is skipped.
bool ParseScript(std::string_view text, std::vector<Step>& steps, std::string& error);

// "10", "0.5", "2.25" seconds to milliseconds (at most three decimals, at most kMaxWaitMs).
bool ParseSeconds(std::string_view text, int64_t& ms);
// Decimal or 0x hexadecimal, within [min, max].
bool ParseInt(std::string_view text, int64_t min, int64_t max, int64_t& value);

} // namespace uidriver
