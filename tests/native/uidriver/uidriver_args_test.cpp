// Command-line options of the UI driver.
#include <gtest/gtest.h>

#include "tools/uidriver/uidriver_args.h"

using namespace uidriver;

TEST(ParseArgs, ScriptInlineStepsAndSettings) {
    Options o;
    std::string error;
    ASSERT_TRUE(ParseArgs({"run.txt",
                           "-e",
                           "click 1016",
                           "--step",
                           "sleep 5",
                           "--pid",
                           "0x2c",
                           "--row-height",
                           "20",
                           "--cell-width",
                           "21",
                           "--cell-height",
                           "19",
                           "--margin",
                           "0",
                           "--auto-answer",
                           "Cancel",
                           "--boxes-log",
                           "boxes.tsv",
                           "--title-prefix",
                           "Orvane Version"},
                          o, error))
        << error;
    EXPECT_EQ(o.scriptPath, "run.txt");
    EXPECT_EQ(o.inlineSteps, (std::vector<std::string>{"click 1016", "sleep 5"}));
    EXPECT_EQ(o.pid, 0x2cu);
    EXPECT_EQ(o.rows.rowHeight, 20);
    EXPECT_EQ(o.rows.cellWidth, 21);
    EXPECT_EQ(o.rows.cellHeight, 19);
    EXPECT_EQ(o.rows.margin, 0);
    EXPECT_EQ(o.autoAnswer, kButtonCancel);
    EXPECT_EQ(o.boxesLog, "boxes.tsv");
    EXPECT_EQ(o.titlePrefix, u"Orvane Version");
}

TEST(ParseArgs, DefaultsMatchTheShippedDialog) {
    Options o;
    std::string error;
    ASSERT_TRUE(ParseArgs({"--script", "s.txt"}, o, error)) << error;
    EXPECT_EQ(o.titlePrefix, u"Orvane");
    EXPECT_EQ(o.rows.rowHeight, 18);
    EXPECT_EQ(o.rows.cellWidth, 19);
    EXPECT_EQ(o.rows.margin, 5);
    EXPECT_EQ(o.pid, 0u);
    EXPECT_EQ(o.autoAnswer, 0);
}

TEST(ParseArgs, UsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {},                 // nothing to run
        {"a.txt", "b.txt"}, // two scripts
        {"a.txt", "--script", "b.txt"},
        {"-e"}, // value missing
        {"--bogus", "-e", "sleep 1"},
        {"--pid", "0", "-e", "sleep 1"},
        {"--pid", "12x", "-e", "sleep 1"},
        {"--row-height", "0", "-e", "sleep 1"},
        {"--row-height", "-3", "-e", "sleep 1"},
        {"--margin", "1001", "-e", "sleep 1"},
        {"--auto-answer", "maybe", "-e", "sleep 1"},
        {"--title-prefix", "", "-e", "sleep 1"},
        {"--boxes-log", "", "-e", "sleep 1"},
    };
    for (const auto& args : bad) {
        Options o;
        std::string error;
        EXPECT_FALSE(ParseArgs(args, o, error)) << (args.empty() ? "(none)" : args[0]);
        EXPECT_FALSE(error.empty());
    }
    Options o;
    std::string error;
    EXPECT_TRUE(ParseArgs({"--help"}, o, error));
    EXPECT_TRUE(o.help);
}
