// Command-line options of the UI driver.
#include "tools/uidriver/uidriver_args.h"

#include "tools/uidriver/uidriver_script.h"
#include "tools/uidriver/uidriver_text.h"

namespace uidriver {

namespace {

bool Pixels(const std::string& name, const std::string& text, int64_t min, int32_t& out, std::string& error) {
    int64_t v = 0;
    if (!ParseInt(text, min, 1000, v)) {
        error = name + " takes a number of pixels from " + std::to_string(min) + " to 1000";
        return false;
    }
    out = static_cast<int32_t>(v);
    return true;
}

} // namespace

bool ParseArgs(const std::vector<std::string>& args, Options& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "-h" || a == "--help") {
            options.help = true;
            continue;
        }
        bool takesValue = a == "--script" || a == "-e" || a == "--step" || a == "--pid" ||
                          a == "--title-prefix" || a == "--row-height" || a == "--cell-width" ||
                          a == "--cell-height" || a == "--margin" || a == "--auto-answer" ||
                          a == "--boxes-log";
        if (!takesValue) {
            if (!a.empty() && a[0] == '-') {
                error = "unknown option " + a;
                return false;
            }
            if (!options.scriptPath.empty()) {
                error = "only one script file (" + options.scriptPath + " and " + a + ")";
                return false;
            }
            options.scriptPath = a;
            continue;
        }
        if (i + 1 >= args.size()) {
            error = a + " needs a value";
            return false;
        }
        const std::string& v = args[++i];
        if (a == "--script") {
            if (!options.scriptPath.empty()) {
                error = "only one script file (" + options.scriptPath + " and " + v + ")";
                return false;
            }
            options.scriptPath = v;
        } else if (a == "-e" || a == "--step") {
            options.inlineSteps.push_back(v);
        } else if (a == "--pid") {
            int64_t pid = 0;
            if (!ParseInt(v, 1, 0xFFFFFFFF, pid)) {
                error = "--pid takes a process id";
                return false;
            }
            options.pid = static_cast<uint32_t>(pid);
        } else if (a == "--title-prefix") {
            if (!Utf8ToUtf16(v, options.titlePrefix) || options.titlePrefix.empty()) {
                error = "--title-prefix takes a non-empty UTF-8 text";
                return false;
            }
        } else if (a == "--row-height" || a == "--cell-width" || a == "--cell-height" || a == "--margin") {
            options.rowsGiven = true;
            if (a == "--row-height" && !Pixels(a, v, 1, options.rows.rowHeight, error)) return false;
            if (a == "--cell-width" && !Pixels(a, v, 1, options.rows.cellWidth, error)) return false;
            if (a == "--cell-height" && !Pixels(a, v, 1, options.rows.cellHeight, error)) return false;
            if (a == "--margin" && !Pixels(a, v, 0, options.rows.margin, error)) return false;
        } else if (a == "--auto-answer") {
            options.autoAnswer = ButtonFromName(v);
            if (options.autoAnswer == 0) {
                error = "--auto-answer takes ok, cancel, abort, retry, ignore, yes or no";
                return false;
            }
        } else if (a == "--boxes-log") {
            if (v.empty()) {
                error = "--boxes-log needs a file name";
                return false;
            }
            options.boxesLog = v;
        }
    }
    if (!options.help && options.scriptPath.empty() && options.inlineSteps.empty()) {
        error = "no steps: give a script file or -e STEP";
        return false;
    }
    return true;
}

std::string Usage() {
    return "usage: uidriver [options] [SCRIPT] [-e STEP]...\n"
           "Drives a running Orvane main dialog from outside, one step at a time.\n"
           "  --script FILE        the script (one step per line, # comments); also as a plain argument\n"
           "  -e, --step STEP      one step; runs after the script's steps\n"
           "  --pid N              only windows of process N (default: any process but this one)\n"
           "  --title-prefix TEXT  the main dialog's title begins with TEXT (default Orvane)\n"
           "  --row-height N       check-list row height in pixels (default: as the check-list tells, else "
           "18)\n"
           "  --cell-width N       check-box cell width (default 19); --cell-height N (default 18)\n"
           "  --margin N           blank pixels above the first row and left of the check boxes (default 5)\n"
           "  --auto-answer BUTTON answer unexpected boxes with BUTTON (like the step answer-all)\n"
           "  --boxes-log FILE     append every box seen as caption<TAB>text<TAB>answer\n"
           "Exit code: 0 every step passed, 1 a step failed, 2 usage or script error.\n"
           "Steps: see tools/uidriver/README.md.\n";
}

} // namespace uidriver
