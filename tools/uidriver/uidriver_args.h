// Command-line options of the UI driver.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/uidriver/uidriver_rows.h"

namespace uidriver {

struct Options {
    std::string scriptPath;               // --script FILE, or the one plain argument
    std::vector<std::string> inlineSteps; // -e STEP, run after the script's steps, in order
    uint32_t pid = 0;                     // --pid N: only that process's windows; 0: any other process
    std::u16string titlePrefix = u"Orvane";
    RowGeometry rows;
    bool rowsGiven = false; // one of the row options was given
    int autoAnswer = 0;     // --auto-answer BUTTON; 0: unexpected boxes stay open
    std::string boxesLog;   // --boxes-log FILE
    bool help = false;
};

// args excludes the program name; UTF-8. On failure error says why (a usage error).
bool ParseArgs(const std::vector<std::string>& args, Options& options, std::string& error);

std::string Usage();

} // namespace uidriver
