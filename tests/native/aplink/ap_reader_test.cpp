// The AP's answers off the stream: each row a stream and the forms asked of it in turn, with the pieces
// taken; lists fed in random pieces read as they read whole.
#include <gtest/gtest.h>

#include <random>
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

TEST(ApReader, AListInRandomPiecesReadsAsItReadsWhole) {
    std::mt19937 rng(4321);
    static const char* const fillers[] = {"LIST", " 01 ", "0000", "  12", "abcd"};
    for (int round = 0; round < 500; ++round) {
        const std::string filler = fillers[rng() % std::size(fillers)];
        std::string list = rng() % 2 ? "701" : ""; // a stray acceptance in front
        std::vector<std::string> macs;
        for (int i = static_cast<int>(rng() % 20); i > 0; --i) {
            char mac[18];
            std::snprintf(mac, sizeof mac, "0A 00 00 00 %02X %02X", static_cast<unsigned>(rng() % 256),
                          static_cast<unsigned>(rng() % 256));
            macs.push_back(mac);
            list += "701" + filler + mac + (rng() % 2 ? "\r\n" : "");
        }
        list += "701" + filler + "00 00 00 00 00 00";
        ASSERT_EQ(ReadListAnswer(list).entries, macs) << list;

        ApReader reader;
        std::vector<std::string> got;
        bool ended = false;
        for (std::size_t at = 0; at < list.size() && !ended;) {
            const std::size_t n = 1 + rng() % 40;
            reader.Append(std::string_view(list).substr(at, n));
            at += n;
            for (ApReader::Piece p;
                 (p = reader.Next(ApAnswerForm::List, 0, !got.empty())).kind != Kind::NeedMore;) {
                if (p.kind == Kind::Entry) got.push_back(p.text);
                ended = p.kind == Kind::ListEnd;
                ASSERT_TRUE(p.kind == Kind::Entry || ended) << list;
                if (ended) break;
            }
            reader.Compact();
        }
        EXPECT_TRUE(ended) << list;
        EXPECT_EQ(got, macs) << list;
    }
}

} // namespace
