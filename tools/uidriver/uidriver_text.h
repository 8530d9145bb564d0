// UTF-8 <-> UTF-16 conversion and the quoted forms in which the UI driver prints and logs window texts.
#pragma once

#include <string>
#include <string_view>

namespace uidriver {

// Strict: overlong forms, surrogate code points, values past U+10FFFF and cut sequences are refused.
// On failure out is left empty.
bool Utf8ToUtf16(std::string_view in, std::u16string& out);

// A lone surrogate becomes U+FFFD, so any window text can be printed.
std::string Utf16ToUtf8(std::u16string_view in);

// "text" with \" \\ \n \r \t escaped: one printable line whatever the window holds.
std::string Quoted(std::u16string_view text);

// One tab-separated log field: tab, CR, LF and backslash escaped as in Quoted, no quotes around.
std::string LogField(std::u16string_view text);

} // namespace uidriver
