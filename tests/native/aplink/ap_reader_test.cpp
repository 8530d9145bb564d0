// The AP's answers off the stream: each row a stream and the forms asked of it in turn, with the pieces
// taken. Streams cut anywhere are the fuzz target's (ap_reader_fuzz).
#include <gtest/gtest.h>

#include <string>

#include "aplink/core/ap_reader.h"

namespace {

using namespace aplink;
using Kind = ApReader::Kind;

std::string Name(const ApReader::Piece& p) {
    static const char* const names[] = {"more", "stray", "status", "filter", "entry", "end", "not a list"};
    const std::string name = names[static_cast<int>(p.kind)];
    return p.kind == Kind::Stray || p.text.empty() ? name : name + " " + p.text;
}

// Asks for an answer of each form in turn ('S' status, 'F' free text, 'L' list) until one needs more bytes.
std::string Read(ApReader& reader, std::string_view forms, std::uint64_t sentAt) {
    std::string pieces;
    for (const char f : forms) {
        const ApAnswerForm form = f == 'S'   ? ApAnswerForm::Status
                                  : f == 'F' ? ApAnswerForm::Filter
                                             : ApAnswerForm::List;
        for (bool started = false;;) {
            const ApReader::Piece p = reader.Next(form, sentAt, started);
            pieces += (pieces.empty() ? "" : "|") + Name(p);
            if (p.kind == Kind::NeedMore) return pieces;
            started = started || p.kind == Kind::Entry;
            if (p.kind != Kind::Stray && p.kind != Kind::Entry) break;
        }
    }
    return pieces;
}

TEST(ApReader, EachAnswerIsTakenInItsOwnForm) {
    const std::string end = "701LIST00 00 00 00 00 00";
    struct Row {
        const char* what;
        std::string stream;
        const char* forms;
        std::uint64_t sentAt;
        const char* pieces;
    } const rows[] = {
        {"a remark belongs to its status", "701 but more", "S", 0, "status 701 but more"},
        {"text right behind a status is the next answer", "701ERR", "SS", 0, "status 701|status ERR"},
        {"a status cut by the read waits", "70", "S", 0, "more"},
        {"free text runs to the next status", "701 filter on200", "FS", 0, "filter 701 filter on|status 200"},
        {"bytes from before the command answer nothing", "701200", "S", 3, "stray|status 200"},
        {"a list and its end", "701LIST02 11 22 33 44 55" + end, "L", 0, "entry 02 11 22 33 44 55|end"},
        {"an entry waits for the next one", "701LIST02 11 22 33 44 55", "L", 0, "more"},
        {"a stray 701 before numbered entries makes no row",
         "701701 01 02 DD DD DD DD DD\r\n701 02 00 00 00 00 00 00\r\n", "L", 0,
         "entry 02 DD DD DD DD DD|end"},
        {"digits as the filler",
         "7010000AA BB CC DD EE FF"
         "7010000"
         "00 00 00 00 00 00",
         "L", 0, "entry AA BB CC DD EE FF|end"},
        {"a refusal is no list", "200", "L", 0, "not a list 200"},
        {"seventeen bytes that are no MAC are no entry",
         "701LIST02 11 22 33 44 55701LISTGG HH II JJ KK LL" + end, "L", 0, "entry 02 11 22 33 44 55|end"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ApReader reader;
        reader.Append(row.stream);
        EXPECT_EQ(Read(reader, row.forms, row.sentAt), row.pieces);
    }
}

} // namespace
