// UTF-8 <-> UTF-16 conversion and the quoted forms of window texts.
#include "tools/uidriver/uidriver_text.h"

namespace uidriver {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

void AppendUtf16(char32_t cp, std::u16string& out) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

void AppendUtf8(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string Escaped(std::u16string_view text, bool quote) {
    std::string out;
    if (quote) out.push_back('"');
    std::string plain = Utf16ToUtf8(text);
    for (char c : plain) {
        switch (c) {
        case '"':
            out += quote ? "\\\"" : "\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out.push_back(c);
        }
    }
    if (quote) out.push_back('"');
    return out;
}

} // namespace

bool Utf8ToUtf16(std::string_view in, std::u16string& out) {
    out.clear();
    std::size_t i = 0;
    while (i < in.size()) {
        unsigned char c = static_cast<unsigned char>(in[i]);
        std::size_t len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (c < 0x80) {
            len = 1;
            cp = c;
        } else if ((c & 0xE0) == 0xC0) {
            len = 2;
            cp = c & 0x1F;
            min = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            len = 3;
            cp = c & 0x0F;
            min = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            len = 4;
            cp = c & 0x07;
            min = 0x10000;
        } else {
            out.clear();
            return false;
        }
        if (in.size() - i < len) {
            out.clear();
            return false;
        }
        for (std::size_t k = 1; k < len; ++k) {
            unsigned char cc = static_cast<unsigned char>(in[i + k]);
            if (!IsContinuation(cc)) {
                out.clear();
                return false;
            }
            cp = (cp << 6) | (cc & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out.clear();
            return false;
        }
        AppendUtf16(cp, out);
        i += len;
    }
    return true;
}

std::string Utf16ToUtf8(std::u16string_view in) {
    std::string out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        char32_t u = in[i];
        if (u >= 0xD800 && u <= 0xDBFF) {
            if (i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
                char32_t lo = in[i + 1];
                AppendUtf8(0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00), out);
                ++i;
            } else {
                AppendUtf8(kReplacement, out);
            }
        } else if (u >= 0xDC00 && u <= 0xDFFF) {
            AppendUtf8(kReplacement, out);
        } else {
            AppendUtf8(u, out);
        }
    }
    return out;
}

std::string Quoted(std::u16string_view text) {
    return Escaped(text, true);
}

std::string LogField(std::u16string_view text) {
    return Escaped(text, false);
}

} // namespace uidriver
