// Tests of the simulated AP's state machine: commands, list layout, faults and the control language.
#include <gtest/gtest.h>

#include <numeric>
#include <string>
#include <vector>

#include "aplink/core/ap_protocol.h"
#include "aplink/core/ap_reader.h"
#include "tools/apsim/apsim_memory_backend.h"

using namespace apsim;

namespace {

const Mac kMacA = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kMacB = {0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};

std::string Joined(const Reply& reply) {
    return std::accumulate(reply.segments.begin(), reply.segments.end(), std::string());
}

SimEngine MakeEngine(std::vector<Mac> list = {kMacA}, std::size_t capacity = 4) {
    return MemoryEngine(std::move(list), capacity, Faults{});
}

} // namespace

TEST(ApSimCommands, AddListDeleteRoundTrip) {
    SimEngine engine = MakeEngine();
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 0a 0b 0c 0d 0e 0f")), "701");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff3 ")),
              "701LIST02 11 22 33 44 55701LIST0A 0B 0C 0D 0E 0F701LIST00 00 00 00 00 00");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff1 02 11 22 33 44 55")), "701");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff1 02 11 22 33 44 55")), "200");
    EXPECT_EQ(engine.List(), std::vector<Mac>{kMacB});
}

TEST(ApSimCommands, ListIsWhatTheProgramsReaderReads) {
    SimEngine engine = MakeEngine({kMacA, kMacB});
    const std::string list = Joined(engine.HandleCommand("w fff3 "));
    const aplink::ApListRead scan = aplink::ReadListAnswer(list);
    EXPECT_TRUE(scan.ended);
    EXPECT_EQ(scan.entries, (std::vector<std::string>{"02 11 22 33 44 55", "0A 0B 0C 0D 0E 0F"}));
    // The delete command the program builds from an entry finds it.
    const std::string del = aplink::MakeDeleteCommand(scan.entries[1]);
    EXPECT_EQ(Joined(engine.HandleCommand(std::string_view(del).substr(0, del.size() - 1))), "701");
}

TEST(ApSimCommands, AddRefusesMalformedFullAndEndMarker) {
    SimEngine engine = MakeEngine({}, 2);
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 0A 0B 0C 0D 0E 0F")), "200"); // upper case
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 0a 0b 0c 0d 0e")), "200");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 0a:0b:0c:0d:0e:0f")), "200");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 00 00 00 00 00 00")), "200"); // would end the list
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 02 11 22 33 44 55")), "701");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 02 11 22 33 44 55")), "701"); // already there
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 0a 0b 0c 0d 0e 0f")), "701");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 0a 0b 0c 0d 0e 00")), "200"); // full
    EXPECT_EQ(engine.List(), (std::vector<Mac>{kMacA, kMacB}));
}

TEST(ApSimCommands, FilterApplyCloseAndStrangers) {
    SimEngine engine = MakeEngine();
    EXPECT_EQ(Joined(engine.HandleCommand("w fff5 00")), "701 filter on");
    EXPECT_EQ(engine.Filter(), true);
    EXPECT_EQ(Joined(engine.HandleCommand("w fff5 01")), "701 filter off");
    EXPECT_EQ(engine.Filter(), false);
    EXPECT_EQ(Joined(engine.HandleCommand("w fff5 1")), "200");
    EXPECT_TRUE(engine.HandleCommand("w fff6 ").segments.empty());
    EXPECT_TRUE(engine.HandleCommand("w fff4 ").segments.empty());
    EXPECT_EQ(Joined(engine.HandleCommand("w fff2 ")), "200");
    EXPECT_EQ(Joined(engine.HandleCommand("w FFF3 ")), "200");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff3")), "200"); // the blank after the code is part of the line
    EXPECT_EQ(Joined(engine.HandleCommand("hello")), "200");
    const Counters& c = engine.Stats();
    EXPECT_EQ(c.filter, 3);
    EXPECT_EQ(c.apply, 1);
    EXPECT_EQ(c.closeRequest, 1);
    EXPECT_EQ(c.other, 4);
}

TEST(ApSimCommands, LogHasOneQuotedLinePerCommand) {
    SimEngine engine = MakeEngine();
    std::vector<std::string> sunk;
    engine.SetLogSink([&](const std::string& line) { sunk.push_back(line); });
    engine.HandleCommand("w fff3 ");
    engine.HandleCommand("w fff6 ");
    engine.HandleCommand(std::string_view("w fff1 \"\x01", 9));
    ASSERT_EQ(engine.Log().size(), 3u);
    EXPECT_EQ(engine.Log()[0], "\"w fff3 \" -> list 1");
    EXPECT_EQ(engine.Log()[1], "\"w fff6 \" -> applied (no answer)");
    EXPECT_EQ(engine.Log()[2], "\"w fff1 \\\"\\x01\" -> 200 (malformed)");
    EXPECT_EQ(sunk, engine.Log());
}

TEST(ApSimFaults, RefuseAndGarbageCountOnlyAnsweredCommands) {
    SimEngine engine = MakeEngine();
    EXPECT_EQ(engine.HandleControl("refuse 2"), "ok\n");
    EXPECT_TRUE(engine.HandleCommand("w fff6 ").segments.empty());
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 0a 0b 0c 0d 0e 0f")), "200");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff1 02 11 22 33 44 55")), "200");
    EXPECT_EQ(engine.List(), std::vector<Mac>{kMacA}); // refused commands change nothing
    EXPECT_EQ(engine.HandleControl("garbage 1 what?  now"), "ok\n");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 0a 0b 0c 0d 0e 0f")), "what?  now");
    EXPECT_EQ(Joined(engine.HandleCommand("w fff0 0a 0b 0c 0d 0e 0f")), "701");
    EXPECT_EQ(engine.List().size(), 2u);
}

TEST(ApSimFaults, SplitCutsAnswersAtOffsets) {
    SimEngine engine = MakeEngine({kMacA, kMacB});
    EXPECT_EQ(engine.HandleControl("split 5,40"), "ok\n");
    const Reply list = engine.HandleCommand("w fff3 ");
    ASSERT_EQ(list.segments.size(), 3u);
    EXPECT_EQ(list.segments[0], "701LI");
    EXPECT_EQ(list.segments[1].size(), 35u);
    EXPECT_EQ(Joined(list), "701LIST02 11 22 33 44 55701LIST0A 0B 0C 0D 0E 0F701LIST00 00 00 00 00 00");
    // Offsets past a short answer are ignored.
    EXPECT_EQ(engine.HandleCommand("w fff0 0a 0b 0c 0d 0e 0f").segments, std::vector<std::string>{"701"});
    EXPECT_EQ(engine.HandleControl("split off"), "ok\n");
    EXPECT_EQ(engine.HandleCommand("w fff3 ").segments.size(), 1u);
}

TEST(ApSimFaults, PadFullEndsTheListAtAReadBoundary) {
    std::vector<Mac> many;
    for (int i = 1; i <= 130; ++i)
        many.push_back({0x02, 0, 0, 0, static_cast<std::uint8_t>(i >> 8), static_cast<std::uint8_t>(i)});
    for (std::size_t count : {std::size_t{1}, std::size_t{124}, std::size_t{130}}) {
        SimEngine engine = MemoryEngine(std::vector<Mac>(many.begin(), many.begin() + count), 200, Faults{});
        engine.HandleControl("pad-full on");
        const std::string list = Joined(engine.HandleCommand("w fff3 "));
        EXPECT_EQ(list.size() % kProgramReadSize, 0u) << count;
        EXPECT_TRUE(list.ends_with("701LIST00 00 00 00 00 00")) << count;
        // Read by read, as the program takes them, every entry is found whole.
        aplink::ApReader reader;
        std::size_t found = 0;
        bool end = false;
        for (std::size_t at = 0; at < list.size() && !end; at += kProgramReadSize) {
            reader.Append(std::string_view(list).substr(at, kProgramReadSize));
            for (aplink::ApReader::Piece p;
                 !end && (p = reader.Next(aplink::ApAnswerForm::List, 0, found > 0)).kind !=
                             aplink::ApReader::Kind::NeedMore;) {
                found += p.kind == aplink::ApReader::Kind::Entry;
                end = p.kind == aplink::ApReader::Kind::ListEnd;
            }
        }
        EXPECT_EQ(found, count);
        EXPECT_TRUE(end);
    }
}

TEST(ApSimFaults, DelayAndCloseAfter) {
    SimEngine engine = MakeEngine();
    engine.HandleControl("delay 300");
    engine.HandleControl("close-after 2");
    const Reply first = engine.HandleCommand("w fff3 ");
    EXPECT_EQ(first.delayMs, 300);
    EXPECT_FALSE(first.close);
    const Reply second = engine.HandleCommand("w fff0 0a 0b 0c 0d 0e 0f");
    EXPECT_EQ(Joined(second), "701"); // answered, then closed
    EXPECT_TRUE(second.close);
    EXPECT_FALSE(engine.HandleCommand("w fff3 ").close); // one time only

    engine.HandleControl("close-after 1 silent");
    const Reply silent = engine.HandleCommand("w fff1 0A 0B 0C 0D 0E 0F");
    EXPECT_TRUE(silent.close);
    EXPECT_TRUE(silent.segments.empty());
    EXPECT_EQ(engine.List().size(), 2u); // not performed
}

TEST(ApSimControl, ListLogStatsResetAndErrors) {
    SimEngine engine = MemoryEngine(std::vector<Mac>{kMacA}, 1, Faults{});
    // Past the capacity the add command keeps to: tests set up long lists so.
    EXPECT_EQ(engine.HandleControl("add 0a-0b-0c-0d-0e-0f"), "ok\n");
    EXPECT_EQ(engine.HandleControl("list"), "02 11 22 33 44 55\n0A 0B 0C 0D 0E 0F\nok 2\n");
    engine.HandleCommand("w fff5 00");
    engine.NoteConnected();
    EXPECT_EQ(engine.HandleControl("stats"),
              "ok connections=1 connected=1 fff0=0 fff1=0 fff3=0 fff4=0 fff5=1 fff6=0 other=0 filter=on\n");
    EXPECT_EQ(engine.HandleControl("log"), "\"w fff5 00\" -> filter on\nok 1\n");
    engine.HandleControl("refuse 5");
    EXPECT_EQ(engine.HandleControl("reset"), "ok\n");
    EXPECT_EQ(engine.List(), std::vector<Mac>{kMacA});
    EXPECT_TRUE(engine.Log().empty());
    EXPECT_EQ(engine.CurrentFaults().refuse, 0);
    EXPECT_TRUE(engine.Stats().connected);

    for (const char* bad : {"", "refuse", "refuse -1", "refuse x", "split 40,5", "split 0", "split 5,",
                            "pad-full", "close-after 2 loud", "add 0a0b", "frobnicate"}) {
        EXPECT_EQ(engine.HandleControl(bad).rfind("error", 0), 0u) << bad;
    }
}

TEST(ApSimText, LooseMacParsing) {
    EXPECT_EQ(ParseMacLoose("02:11:22:33:44:55"), kMacA);
    EXPECT_EQ(ParseMacLoose("021122334455"), kMacA);
    EXPECT_EQ(ParseMacLoose("02 11 22 33 44 55"), kMacA);
    EXPECT_FALSE(ParseMacLoose("02:11:22:33:44"));
    EXPECT_FALSE(ParseMacLoose("02:11:22:33:44:55:66"));
    EXPECT_FALSE(ParseMacLoose("02:11:22:33:44:5G"));
    EXPECT_EQ(ParseSplitOffsets("5,40"), (std::vector<std::size_t>{5, 40}));
}
