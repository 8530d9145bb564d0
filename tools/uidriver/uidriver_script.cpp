// Tokens and steps of the UI driver's script language.
#include "tools/uidriver/uidriver_script.h"

#include "tools/common/tool_text.h"

#include <cctype>

#include "tools/uidriver/uidriver_text.h"

namespace uidriver {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool IsKeyword(const Token& t, std::string_view word) {
    return !t.quoted && t.text == word;
}

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool ToText(const Token& t, std::u16string& out, std::string& error) {
    if (Utf8ToUtf16(t.text, out)) return true;
    error = "text is not valid UTF-8";
    return false;
}

struct ResourceName {
    std::string_view name;
    int id;
};

// Control ids and menu commands by their names in resources/resource.h, generated from it at build time.
constexpr ResourceName kResourceNames[] = {
#include "resource_ids.inc"
};

// A number from 0 to 0xFFFF, or a name resource.h gives one; what names the argument in the error.
bool ParseId(const Token& t, int& id, std::string& error, std::string_view what = "control id") {
    int64_t v = 0;
    if (ParseInt(t.text, 0, 0xFFFF, v)) {
        id = static_cast<int>(v);
        return true;
    }
    for (const ResourceName& r : kResourceNames) {
        if (r.name == t.text) {
            id = r.id;
            return true;
        }
    }
    error =
        std::string(what) + " \"" + t.text + "\" is not a number from 0 to 65535 or a name from resource.h";
    return false;
}

bool ParseTimeout(const Token& t, int64_t& ms, std::string& error) {
    if (ParseSeconds(t.text, ms)) return true;
    error = "\"" + t.text + "\" is not a number of seconds (0 to 3600, e.g. 10 or 0.5)";
    return false;
}

// TEXT [or TEXT]... from tokens[from, to).
bool ParseAlternatives(const std::vector<Token>& tokens, std::size_t from, std::size_t to,
                       std::vector<std::u16string>& texts, std::string& error) {
    texts.clear();
    if (from >= to) {
        error = "a text is missing";
        return false;
    }
    if ((to - from) % 2 == 0) {
        error = IsKeyword(tokens[to - 1], "or")
                    ? "a text is missing after \"or\""
                    : "texts must be separated by \"or\" (quote a text that has blanks)";
        return false;
    }
    for (std::size_t k = 0; from + k < to; ++k) {
        const Token& t = tokens[from + k];
        if (k % 2 == 1) {
            if (!IsKeyword(t, "or")) {
                error = "texts must be separated by \"or\" (quote a text that has blanks)";
                return false;
            }
            continue;
        }
        std::u16string text;
        if (!ToText(t, text, error)) return false;
        texts.push_back(std::move(text));
    }
    return true;
}

bool Arity(const std::vector<Token>& tokens, std::size_t min, std::size_t max, std::string& error) {
    std::size_t args = tokens.size() - 1;
    if (args >= min && args <= max) return true;
    error = tokens[0].text + ": " + (args < min ? "too few arguments" : "too many arguments");
    return false;
}

bool ParseExpectBox(const std::vector<Token>& tokens, Step& step, std::string& error) {
    if (tokens.size() < 2) {
        error = "expect-box: the box text (or *) is missing";
        return false;
    }
    if (IsKeyword(tokens[1], "*")) {
        step.anyText = true;
    } else {
        std::u16string text;
        if (!ToText(tokens[1], text, error)) return false;
        step.texts.push_back(std::move(text));
    }
    step.timeoutMs = kDefaultBoxTimeoutMs;
    bool answered = false;
    for (std::size_t i = 2; i < tokens.size(); ++i) {
        const Token& t = tokens[i];
        bool hasValue = i + 1 < tokens.size();
        if (IsKeyword(t, "optional")) {
            step.optional = true;
        } else if (IsKeyword(t, "caption") && hasValue) {
            if (!ToText(tokens[++i], step.caption, error)) return false;
            step.hasCaption = true;
        } else if (IsKeyword(t, "answer") && hasValue) {
            step.button = ButtonFromName(tokens[++i].text);
            if (step.button == 0) {
                error = "expect-box: unknown button \"" + tokens[i].text +
                        "\" (ok cancel abort retry ignore yes no)";
                return false;
            }
            answered = true;
        } else if (IsKeyword(t, "timeout") && hasValue) {
            if (!ParseTimeout(tokens[++i], step.timeoutMs, error)) return false;
        } else {
            error = "expect-box: unexpected \"" + t.text +
                    "\" (caption TEXT, answer BUTTON, timeout SECONDS, optional)";
            return false;
        }
    }
    if (!answered) {
        error = "expect-box: \"answer BUTTON\" is missing";
        return false;
    }
    return true;
}

} // namespace

int ButtonFromName(std::string_view name) {
    std::string n = Lower(name);
    if (n == "ok") return kButtonOk;
    if (n == "cancel") return kButtonCancel;
    if (n == "abort") return kButtonAbort;
    if (n == "retry") return kButtonRetry;
    if (n == "ignore") return kButtonIgnore;
    if (n == "yes") return kButtonYes;
    if (n == "no") return kButtonNo;
    return 0;
}

std::string ButtonName(int button) {
    switch (button) {
    case kButtonOk:
        return "ok";
    case kButtonCancel:
        return "cancel";
    case kButtonAbort:
        return "abort";
    case kButtonRetry:
        return "retry";
    case kButtonIgnore:
        return "ignore";
    case kButtonYes:
        return "yes";
    case kButtonNo:
        return "no";
    default:
        return "button " + std::to_string(button);
    }
}

bool ParseInt(std::string_view text, int64_t min, int64_t max, int64_t& value) {
    const auto parsed = tooltext::ParseNumber(text, min, max);
    if (parsed) value = *parsed;
    return parsed.has_value();
}

bool ParseSeconds(std::string_view text, int64_t& ms) {
    std::size_t dot = text.find('.');
    std::string_view whole = text.substr(0, dot);
    std::string_view frac = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    if (whole.empty() && frac.empty()) return false;
    if (dot != std::string_view::npos && (frac.empty() || frac.size() > 3)) return false;
    int64_t seconds = 0;
    if (!whole.empty()) {
        if (whole.size() > 1 && (whole[1] == 'x' || whole[1] == 'X')) return false;
        if (!ParseInt(whole, 0, kMaxWaitMs / 1000, seconds)) return false;
    }
    int64_t milli = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        milli *= 10;
        if (i < frac.size()) {
            if (frac[i] < '0' || frac[i] > '9') return false;
            milli += frac[i] - '0';
        }
    }
    int64_t total = seconds * 1000 + milli;
    if (total > kMaxWaitMs) return false;
    ms = total;
    return true;
}

bool Tokenize(std::string_view line, std::vector<Token>& tokens, std::string& error) {
    tokens.clear();
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') break;
        Token t;
        if (line[i] == '"') {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c != '\\') {
                    t.text.push_back(c);
                    continue;
                }
                if (i >= line.size()) break;
                char e = line[i++];
                switch (e) {
                case '"':
                case '\\':
                    t.text.push_back(e);
                    break;
                case 'n':
                    t.text.push_back('\n');
                    break;
                case 'r':
                    t.text.push_back('\r');
                    break;
                case 't':
                    t.text.push_back('\t');
                    break;
                default:
                    error = std::string("unknown escape \\") + e + " in quoted text";
                    tokens.clear();
                    return false;
                }
            }
            if (!closed) {
                error = "quoted text is not closed";
                tokens.clear();
                return false;
            }
            if (i < line.size() && !IsBlank(line[i])) {
                error = "a blank must follow quoted text";
                tokens.clear();
                return false;
            }
        } else {
            while (i < line.size() && !IsBlank(line[i])) {
                if (line[i] == '"') {
                    error = "a quote inside a word; quote the whole text";
                    tokens.clear();
                    return false;
                }
                t.text.push_back(line[i++]);
            }
        }
        tokens.push_back(std::move(t));
    }
    return true;
}

bool ParseStep(const std::vector<Token>& tokens, Step& step, std::string& error) {
    if (tokens.empty()) {
        error = "empty step";
        return false;
    }
    const std::string& name = tokens[0].text;
    const std::size_t n = tokens.size();
    if (name == "wait-window") {
        step.kind = StepKind::WaitWindow;
        return Arity(tokens, 1, 1, error) && ParseTimeout(tokens[1], step.timeoutMs, error);
    }
    if (name == "expect-title") {
        step.kind = StepKind::ExpectTitle;
        return ParseAlternatives(tokens, 1, n, step.texts, error);
    }
    if (name == "expect-title-prefix") {
        step.kind = StepKind::ExpectTitlePrefix;
        return Arity(tokens, 1, 1, error) && ParseAlternatives(tokens, 1, n, step.texts, error);
    }
    if (name == "wait-title") {
        step.kind = StepKind::WaitTitle;
        return Arity(tokens, 2, 1000, error) && ParseAlternatives(tokens, 1, n - 1, step.texts, error) &&
               ParseTimeout(tokens[n - 1], step.timeoutMs, error);
    }
    if (name == "read-title") {
        step.kind = StepKind::ReadTitle;
        return Arity(tokens, 0, 0, error);
    }
    if (name == "read") {
        step.kind = StepKind::Read;
        return Arity(tokens, 1, 1, error) && ParseId(tokens[1], step.id, error);
    }
    if (name == "expect-text") {
        step.kind = StepKind::ExpectText;
        return Arity(tokens, 2, 1000, error) && ParseId(tokens[1], step.id, error) &&
               ParseAlternatives(tokens, 2, n, step.texts, error);
    }
    if (name == "wait-text") {
        step.kind = StepKind::WaitText;
        return Arity(tokens, 3, 1000, error) && ParseId(tokens[1], step.id, error) &&
               ParseAlternatives(tokens, 2, n - 1, step.texts, error) &&
               ParseTimeout(tokens[n - 1], step.timeoutMs, error);
    }
    if (name == "read-check") {
        step.kind = StepKind::ReadCheck;
        return Arity(tokens, 1, 1, error) && ParseId(tokens[1], step.id, error);
    }
    if (name == "expect-check") {
        step.kind = StepKind::ExpectCheck;
        if (!Arity(tokens, 2, 2, error) || !ParseId(tokens[1], step.id, error)) return false;
        int64_t state = 0;
        if (!ParseInt(tokens[2].text, 0, 2, state)) {
            error = "expect-check: the state must be 0, 1 or 2";
            return false;
        }
        step.value = static_cast<int>(state);
        return true;
    }
    if (name == "click") {
        step.kind = StepKind::Click;
        return Arity(tokens, 1, 1, error) && ParseId(tokens[1], step.id, error);
    }
    if (name == "syscommand") {
        step.kind = StepKind::SysCommand;
        return Arity(tokens, 1, 1, error) && ParseId(tokens[1], step.value, error, "syscommand: the code");
    }
    if (name == "click-row") {
        step.kind = StepKind::ClickRow;
        if (!Arity(tokens, 1, 2, error)) return false;
        int64_t row = 0;
        if (!ParseInt(tokens[1].text, 0, kMaxRow, row)) {
            error = "click-row: the row must be a number from 0 (the first visible row)";
            return false;
        }
        step.value = static_cast<int>(row);
        step.part = RowPart::Check;
        if (n == 3) {
            if (IsKeyword(tokens[2], "text")) {
                step.part = RowPart::Text;
            } else if (!IsKeyword(tokens[2], "check")) {
                error = "click-row: the part is \"check\" or \"text\"";
                return false;
            }
        }
        return true;
    }
    if (name == "expect-box") {
        step.kind = StepKind::ExpectBox;
        return ParseExpectBox(tokens, step, error);
    }
    if (name == "answer-all") {
        step.kind = StepKind::AnswerAll;
        if (!Arity(tokens, 1, 1, error)) return false;
        if (IsKeyword(tokens[1], "off")) {
            step.button = 0;
            return true;
        }
        step.button = ButtonFromName(tokens[1].text);
        if (step.button == 0) {
            error = "answer-all: unknown button \"" + tokens[1].text +
                    "\" (ok cancel abort retry ignore yes no, or off)";
            return false;
        }
        return true;
    }
    if (name == "boxes-log") {
        step.kind = StepKind::BoxesLog;
        if (!Arity(tokens, 1, 1, error)) return false;
        step.path = tokens[1].text;
        if (step.path.empty()) {
            error = "boxes-log: the file name is empty";
            return false;
        }
        return true;
    }
    if (name == "sleep") {
        step.kind = StepKind::Sleep;
        if (!Arity(tokens, 1, 1, error)) return false;
        if (!ParseInt(tokens[1].text, 0, kMaxWaitMs, step.timeoutMs)) {
            error = "sleep: milliseconds from 0 to 3600000";
            return false;
        }
        return true;
    }
    if (name == "close") {
        step.kind = StepKind::Close;
        step.timeoutMs = kDefaultCloseTimeoutMs;
        return Arity(tokens, 0, 1, error) && (n == 1 || ParseTimeout(tokens[1], step.timeoutMs, error));
    }
    if (name == "wait-exit") {
        step.kind = StepKind::WaitExit;
        return Arity(tokens, 1, 1, error) && ParseTimeout(tokens[1], step.timeoutMs, error);
    }
    error = "unknown step \"" + name + "\"";
    return false;
}

bool ParseLine(std::string_view line, const std::string& origin, std::vector<Step>& steps,
               std::string& error) {
    std::vector<Token> tokens;
    std::string why;
    if (!Tokenize(line, tokens, why)) {
        error = origin + ": " + why;
        return false;
    }
    if (tokens.empty()) return true;
    Step step;
    if (!ParseStep(tokens, step, why)) {
        error = origin + ": " + why;
        return false;
    }
    step.origin = origin;
    std::size_t b = 0, e = line.size();
    while (b < e && IsBlank(line[b]))
        ++b;
    while (e > b && IsBlank(line[e - 1]))
        --e;
    step.source.assign(line.substr(b, e - b));
    steps.push_back(std::move(step));
    return true;
}

bool ParseScript(std::string_view text, std::vector<Step>& steps, std::string& error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    for (int number = 1;; ++number) {
        std::size_t nl = text.find('\n');
        std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view() : text.substr(nl + 1);
        if (!ParseLine(line, "line " + std::to_string(number), steps, error)) return false;
        if (nl == std::string_view::npos) return true;
    }
}

} // namespace uidriver
