// Tests of the hostapd backend behind the protocol: the control commands each line turns into (and the
// lines that turn into none), failures, "apply" to the files; then the whole against a real hostapd.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <numeric>

#include "apd/core/ap_engine.h"
#include "tools/apsim/apsim_engine.h"
#include "apd/core/hostapd_backend.h"
#include "tests/native/apd/hostapd_process.h"

using namespace apd;
using apsim::Faults;
using apsim::SimEngine;

namespace {

const Mac kMacA = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kMacB = {0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};

// hostapd as its control interface behaves: a sorted accept list, OK to deleting what is not there.
class FakeHostapd : public ControlChannel {
  public:
    std::vector<AclEntry> acl;
    std::vector<std::string> commands;
    std::string failing;                   // commands starting with this fail ...
    std::optional<std::string> failAnswer; // ... with this answer, or with none
    bool deleteKeeps = false;              // DEL_MAC answers OK and deletes nothing

    std::optional<std::string> Request(std::string_view command, std::string& why) override {
        commands.emplace_back(command);
        if (!failing.empty() && command.starts_with(failing)) {
            if (failAnswer) return failAnswer;
            why = "hostapd at /run/hostapd/wlan0: no answer within 1000 ms";
            return std::nullopt;
        }
        Mac mac{};
        const std::string text(command);
        const bool hasMac = std::sscanf(text.c_str() + std::min<std::size_t>(text.size(), 19),
                                        "%2hhx:%2hhx:%2hhx:%2hhx:%2hhx:%2hhx", &mac[0], &mac[1], &mac[2],
                                        &mac[3], &mac[4], &mac[5]) == 6;
        const auto at = std::find_if(acl.begin(), acl.end(), [&](const AclEntry& e) { return e.mac == mac; });
        if (command == "ACCEPT_ACL SHOW") {
            std::string reply;
            for (const AclEntry& e : acl)
                reply += ColonMac(e.mac) + " VLAN_ID=" + std::to_string(e.vlan) + "\n";
            return reply;
        }
        if (command.starts_with("ACCEPT_ACL ADD_MAC ") && hasMac) {
            if (at == acl.end()) acl.push_back({mac, 0});
            std::sort(acl.begin(), acl.end(),
                      [](const AclEntry& a, const AclEntry& b) { return a.mac < b.mac; });
            return "OK\n";
        }
        if (command.starts_with("ACCEPT_ACL DEL_MAC ") && hasMac) {
            if (at != acl.end() && !deleteKeeps) acl.erase(at);
            return "OK\n";
        }
        if (command == "ACCEPT_ACL CLEAR") {
            acl.clear();
            return "OK\n";
        }
        if (command == "SET macaddr_acl 0" || command == "SET macaddr_acl 1") return "OK\n";
        return "UNKNOWN COMMAND\n";
    }
};

std::string Joined(const apsim::Reply& reply) {
    return std::accumulate(reply.segments.begin(), reply.segments.end(), std::string());
}

std::string ReadText(const std::string& path) {
    std::string why;
    return ReadWholeFile(path, why).value_or("<none>");
}

void WriteText(const std::string& path, const std::string& text) {
    std::string why;
    ASSERT_TRUE(WriteFileAtomically(path, text, why)) << why;
}

// Written by hand: a tagged VLAN that hostapd's list answer does not show, comments, a blank line, and an
// entry no longer listed.
const std::string kOldAccept = "# the workshop\n02:11:22:33:44:55 1+2t # bench PC\n\n0a:00:00:00:00:09\n";

class HostapdBackendTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(m_folder.Path().empty());
        m_paths = {m_folder.Path() + "/accept", m_folder.Path() + "/hostapd.conf", "wlan0"};
        m_config = "interface=wlan0\ndriver=nl80211\nmacaddr_acl=0\naccept_mac_file=" + m_paths.acceptFile +
                   "\nwpa_passphrase=secret\n";
        WriteText(m_paths.configPath, m_config);
        WriteText(m_paths.acceptFile, kOldAccept);
        auto fake = std::make_unique<FakeHostapd>();
        m_hostapd = fake.get();
        m_hostapd->acl = {{kMacA, 0}};
        m_engine =
            std::make_unique<SimEngine>(std::make_unique<HostapdBackend>(std::move(fake), m_paths), Faults{});
    }

    std::string Ask(std::string_view line) { return Joined(m_engine->HandleCommand(line)); }
    // The accept file's and the configuration's inodes: a rewrite, even with the same bytes, changes them.
    std::pair<ino_t, ino_t> Inodes() const {
        struct stat accept {
        }, config{};
        ::stat(m_paths.acceptFile.c_str(), &accept);
        ::stat(m_paths.configPath.c_str(), &config);
        return {accept.st_ino, config.st_ino};
    }
    // The control commands sent since the last call.
    std::vector<std::string> Sent() { return std::exchange(m_hostapd->commands, {}); }

    apd_test::TempFolder m_folder;
    HostapdPaths m_paths;
    std::string m_config;
    FakeHostapd* m_hostapd = nullptr;
    std::unique_ptr<apsim::SimEngine> m_engine; // with the simulator's control port, as apsim --hostapd
};

using Cmds = std::vector<std::string>;

} // namespace

TEST_F(HostapdBackendTest, EachLineBecomesTheseControlCommands) {
    EXPECT_EQ(Ask("w fff0 0a 0b 0c 0d 0e 0f"), "701");
    EXPECT_EQ(Sent(), (Cmds{"ACCEPT_ACL SHOW", "ACCEPT_ACL ADD_MAC 0a:0b:0c:0d:0e:0f"}));
    // Listed already: nothing is sent that could change what hostapd holds for it.
    EXPECT_EQ(Ask("w fff0 0a 0b 0c 0d 0e 0f"), "701");
    EXPECT_EQ(Sent(), Cmds{"ACCEPT_ACL SHOW"});

    // hostapd's order (sorted), in the form the program reads.
    EXPECT_EQ(Ask("w fff3 "), "701LIST02 11 22 33 44 55701LIST0A 0B 0C 0D 0E 0F701LIST00 00 00 00 00 00");
    EXPECT_EQ(Sent(), Cmds{"ACCEPT_ACL SHOW"});

    EXPECT_EQ(Ask("w fff1 02 11 22 33 44 55"), "701");
    EXPECT_EQ(Sent(), (Cmds{"ACCEPT_ACL SHOW", "ACCEPT_ACL DEL_MAC 02:11:22:33:44:55", "ACCEPT_ACL SHOW"}));
    // hostapd would say OK to this one too; the list says it was not there.
    EXPECT_EQ(Ask("w fff1 02 11 22 33 44 55"), "200");
    EXPECT_EQ(Sent(), Cmds{"ACCEPT_ACL SHOW"});

    EXPECT_EQ(Ask("w fff5 00"), "701 filter on");
    EXPECT_EQ(Ask("w fff5 01"), "701 filter off");
    EXPECT_EQ(Sent(), (Cmds{"SET macaddr_acl 1", "SET macaddr_acl 0"}));
    EXPECT_TRUE(m_engine->HandleCommand("w fff4 ").segments.empty());
    EXPECT_TRUE(Sent().empty());
}

// Nothing from the wire reaches hostapd unless it parsed into one of the commands.
TEST_F(HostapdBackendTest, HostileLinesSendNothing) {
    const std::vector<std::string> hostile = {
        "w fff0 0a 0b 0c 0d 0e 0f\rACCEPT_ACL CLEAR",
        "w fff0 0a 0b 0c 0d 0e 0f ACCEPT_ACL CLEAR",
        "w fff0 0a 0b 0c 0d 0e 0f\n",
        "w fff0 0a 0b 0c 0d 0e",
        "w fff0 0a 0b 0c 0d 0e 0f0",
        "w fff0 0a 0b 0c 0d 0e 0 ",
        "w fff0 0a 0b 0c 0d 0e\t0f",
        "w fff0 0A 0B 0C 0D 0E 0F",
        "w fff0 00 00 00 00 00 00",
        std::string("w fff1 02 11 22 33 44") + '\0' + "55",
        "w fff1 02:11:22:33:44:55",
        "w fff1 02 11 22 33 44 55 VLAN_ID=9",
        "w fff5 00 ",
        "w fff5 SET macaddr_acl 0",
        "w fff3 \x01",
        "w fff6 x",
        "\xff\xfe\xfd",
        "w ffff ",
    };
    for (const std::string& line : hostile) {
        EXPECT_EQ(Ask(line), "200") << line;
    }
    // Cut at the line limit: refused whole, even though it starts as an apply.
    EXPECT_EQ(Joined(m_engine->HandleCommand("w fff6 " + std::string(993, 'x'), true)), "200");
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(ReadText(m_paths.acceptFile), kOldAccept);
    EXPECT_EQ(m_hostapd->acl, (std::vector<AclEntry>{{kMacA, 0}}));
    EXPECT_EQ(m_engine->Log().back(), "\"w fff6 " + std::string(993, 'x') + "\" -> 200 (overlong)");
}

TEST_F(HostapdBackendTest, HostapdFailingOrSilentGets200AndALogLine) {
    m_hostapd->failing = "ACCEPT_ACL ADD_MAC";
    m_hostapd->failAnswer = "FAIL\n";
    EXPECT_EQ(Ask("w fff0 0a 0b 0c 0d 0e 0f"), "200");
    EXPECT_EQ(
        m_engine->Log().back(),
        "\"w fff0 0a 0b 0c 0d 0e 0f\" -> 200 (not added: hostapd answered \"FAIL\" to ACCEPT_ACL ADD_MAC "
        "0a:0b:0c:0d:0e:0f)");

    m_hostapd->failing = "ACCEPT_ACL";
    m_hostapd->failAnswer.reset();
    for (const char* line : {"w fff0 0a 0b 0c 0d 0e 0f", "w fff1 02 11 22 33 44 55", "w fff3 "}) {
        EXPECT_EQ(Ask(line), "200") << line;
        EXPECT_NE(m_engine->Log().back().find("no answer within 1000 ms"), std::string::npos);
    }
    m_hostapd->failing = "SET";
    EXPECT_EQ(Ask("w fff5 00"), "200");
    EXPECT_EQ(m_engine->Filter(), std::nullopt);

    // Back: the same commands work again.
    m_hostapd->failing.clear();
    EXPECT_EQ(Ask("w fff0 0a 0b 0c 0d 0e 0f"), "701");
    EXPECT_EQ(Ask("w fff5 00"), "701 filter on");
}

TEST_F(HostapdBackendTest, DeleteIs701OnlyWhenTheEntryIsGone) {
    m_hostapd->deleteKeeps = true;
    EXPECT_EQ(Ask("w fff1 02 11 22 33 44 55"), "200");
    EXPECT_EQ(m_engine->Log().back(),
              "\"w fff1 02 11 22 33 44 55\" -> 200 (not deleted: still listed after DEL_MAC)");
    m_hostapd->deleteKeeps = false;
    m_hostapd->failing = "ACCEPT_ACL DEL_MAC";
    m_hostapd->failAnswer = "FAIL\n";
    EXPECT_EQ(Ask("w fff1 02 11 22 33 44 55"), "200");
}

// hostapd's list answer holds 4096 bytes; an add that could push entries out of it is refused, so the
// list the program reads and the file "apply" writes are always whole.
TEST_F(HostapdBackendTest, ListFullBeforeHostapdsAnswerCouldLoseEntries) {
    m_hostapd->acl.clear();
    for (int i = 0; i < 144; ++i)
        m_hostapd->acl.push_back({{0x02, 0, 0, 0, 0, static_cast<std::uint8_t>(i)}, 0});
    EXPECT_EQ(Ask("w fff0 0a 0b 0c 0d 0e 0f"), "701"); // the 145th: 4060 bytes
    Sent();
    EXPECT_EQ(Ask("w fff0 0a 0b 0c 0d 0e 10"), "200");
    EXPECT_EQ(Sent(), Cmds{"ACCEPT_ACL SHOW"});
    EXPECT_EQ(m_engine->Log().back(), "\"w fff0 0a 0b 0c 0d 0e 10\" -> 200 (list full)");
    EXPECT_EQ(m_engine->List().size(), 145u);
}

TEST_F(HostapdBackendTest, EndEntryInHostapdIsNotListedOnTheWireButKeptByApply) {
    m_hostapd->acl.insert(m_hostapd->acl.begin(), {Mac{}, 0});
    EXPECT_EQ(Ask("w fff3 "), "701LIST02 11 22 33 44 55701LIST00 00 00 00 00 00");
    m_engine->HandleCommand("w fff6 ");
    EXPECT_EQ(ReadText(m_paths.acceptFile),
              "# the workshop\n02:11:22:33:44:55 1+2t # bench PC\n\n00:00:00:00:00:00\n");
}

TEST_F(HostapdBackendTest, ApplyWritesTheListAndTheFilterModeOnceKnown) {
    m_hostapd->acl.push_back({kMacB, 12});
    // The filter mode was never set: hostapd cannot tell it, so the configuration stays as it is.
    EXPECT_TRUE(m_engine->HandleCommand("w fff6 ").segments.empty());
    EXPECT_EQ(Sent(), Cmds{"ACCEPT_ACL SHOW"});
    EXPECT_EQ(m_engine->Log().back(), "\"w fff6 \" -> applied; accept file: 2 entries (no answer)");
    // The entries that stay keep their line; the one no longer listed goes; the new one is appended.
    const std::string accept = "# the workshop\n02:11:22:33:44:55 1+2t # bench PC\n\n0a:0b:0c:0d:0e:0f 12\n";
    EXPECT_EQ(ReadText(m_paths.acceptFile), accept);
    EXPECT_EQ(ReadText(m_paths.configPath), m_config);

    Ask("w fff5 00");
    m_engine->HandleCommand("w fff6 ");
    std::string on = m_config;
    on.replace(on.find("macaddr_acl=0"), 13, "macaddr_acl=1");
    EXPECT_EQ(ReadText(m_paths.configPath), on); // every other line as it was

    // Nothing changed since: no file is touched. Judged against the files' bytes now, so a file the owner
    // edited meanwhile is written again, and only that one.
    auto before = Inodes();
    m_engine->HandleCommand("w fff6 ");
    EXPECT_EQ(Inodes(), before);
    EXPECT_EQ(m_engine->Log().back(),
              "\"w fff6 \" -> applied; nothing changed, no file written; accept file: 2 "
              "entries, macaddr_acl=1 (no answer)");
    WriteText(m_paths.acceptFile, kOldAccept);
    before = Inodes();
    m_engine->HandleCommand("w fff6 ");
    EXPECT_EQ(ReadText(m_paths.acceptFile), accept);
    EXPECT_NE(Inodes().first, before.first);
    EXPECT_EQ(Inodes().second, before.second);
    EXPECT_EQ(m_engine->Log().back(),
              "\"w fff6 \" -> applied; accept file: 2 entries, macaddr_acl=1 (unchanged) (no answer)");
    Ask("w fff5 01");
    m_engine->HandleCommand("w fff6 ");
    EXPECT_EQ(ReadText(m_paths.configPath), m_config);
}

// journalctl -p warning shows every failure, above all apply's, which the program never hears of; list
// reads and applies that changed nothing are below the daemon's default level.
TEST_F(HostapdBackendTest, EachOutcomeIsLoggedAtTheLevelAnOwnerFiltersBy) {
    auto fake = std::make_unique<FakeHostapd>();
    FakeHostapd& hostapd = *fake;
    hostapd.failAnswer = "FAIL\n";
    Engine engine(std::make_unique<HostapdBackend>(std::move(fake), m_paths));
    std::vector<std::pair<LogLevel, std::string>> sunk;
    engine.SetLogSink([&](LogLevel level, const std::string& line) { sunk.emplace_back(level, line); });
    const struct {
        const char* failing;
        const char* line;
        LogLevel level;
    } rows[] = {
        {"", "w fff0 0a 0b 0c 0d 0e 0f", LogLevel::Info},
        {"ACCEPT_ACL ADD_MAC", "w fff0 0a 0b 0c 0d 0e 10", LogLevel::Warning},
        {"", "w fff3 ", LogLevel::Debug},
        {"", "w fff1 \" -> list 1", LogLevel::Warning}, // malformed, though it reads like a list answer
        {"", "w fff6 ", LogLevel::Info},
        {"", "w fff6 ", LogLevel::Debug}, // nothing changed
        {"ACCEPT_ACL SHOW", "w fff6 ", LogLevel::Warning},
    };
    for (const auto& row : rows) {
        hostapd.failing = row.failing;
        engine.Answer(row.line);
        ASSERT_FALSE(sunk.empty());
        EXPECT_EQ(sunk.back().first, row.level) << sunk.back().second;
    }
    EXPECT_TRUE(engine.Log().empty()); // nothing kept in memory unless asked
}

TEST_F(HostapdBackendTest, ApplyThatCannotReadTheListTouchesNoFile) {
    Ask("w fff5 00");
    m_hostapd->failing = "ACCEPT_ACL SHOW";
    m_engine->HandleCommand("w fff6 ");
    EXPECT_EQ(
        m_engine->Log().back(),
        "\"w fff6 \" -> not applied: hostapd at /run/hostapd/wlan0: no answer within 1000 ms (no answer)");
    EXPECT_EQ(ReadText(m_paths.acceptFile), kOldAccept);
    EXPECT_EQ(ReadText(m_paths.configPath), m_config);

    // A configuration without the interface's section: neither file changes.
    m_hostapd->failing.clear();
    WriteText(m_paths.configPath, "interface=wlan1\n");
    m_engine->HandleCommand("w fff6 ");
    EXPECT_NE(m_engine->Log().back().find("has no settings for interface wlan0"), std::string::npos);
    EXPECT_EQ(ReadText(m_paths.acceptFile), kOldAccept);
    // A configuration behind a link to nothing: the accept file is not written either.
    ASSERT_EQ(::unlink(m_paths.configPath.c_str()), 0);
    ASSERT_EQ(::symlink((m_folder.Path() + "/gone.conf").c_str(), m_paths.configPath.c_str()), 0);
    m_hostapd->acl.push_back({kMacB, 0});
    m_engine->HandleCommand("w fff6 ");
    EXPECT_NE(m_engine->Log().back().find("hostapd.conf: No such file"), std::string::npos)
        << m_engine->Log().back();
    EXPECT_EQ(ReadText(m_paths.acceptFile), kOldAccept);
    EXPECT_EQ(m_folder.Names(), (std::vector<std::string>{"accept", "hostapd.conf"})); // no leftovers
}

TEST_F(HostapdBackendTest, ControlPortGoesThroughHostapdToo) {
    EXPECT_EQ(m_engine->HandleControl("add 0a:0b:0c:0d:0e:0f"), "ok\n");
    EXPECT_EQ(m_engine->HandleControl("list"), "02 11 22 33 44 55\n0A 0B 0C 0D 0E 0F\nok 2\n");
    EXPECT_EQ(m_engine->HandleControl("clear"), "ok\n");
    EXPECT_TRUE(m_hostapd->acl.empty());
    m_hostapd->failing = "ACCEPT_ACL";
    EXPECT_EQ(m_engine->HandleControl("list"),
              "error hostapd at /run/hostapd/wlan0: no answer within 1000 ms\n");
}

TEST_F(HostapdBackendTest, SetupMustNameTheAcceptFileForTheInterface) {
    std::string why;
    EXPECT_TRUE(CheckHostapdSetup(m_paths, why)) << why;
    for (const std::string& config : std::vector<std::string>{
             "interface=wlan0\nmacaddr_acl=1\n", "interface=wlan0\naccept_mac_file=/etc/hostapd/other\n",
             "interface=wlan1\naccept_mac_file=" + m_paths.acceptFile + "\n",
             "interface=wlan0\nbss=wlan0_1\naccept_mac_file=" + m_paths.acceptFile + "\n"}) {
        WriteText(m_paths.configPath, config);
        EXPECT_FALSE(CheckHostapdSetup(m_paths, why)) << config;
        EXPECT_FALSE(why.empty());
    }
    // Another name for the same file is the same file.
    WriteText(m_paths.configPath, "interface=wlan0\naccept_mac_file=" + m_folder.Path() + "/./accept\n");
    EXPECT_TRUE(CheckHostapdSetup(m_paths, why)) << why;
    EXPECT_EQ(InterfaceOfControlPath("/var/run/hostapd/wlan0"), "wlan0");
}

// The one button's commands against a real hostapd, then hostapd restarted from its files.
TEST(HostapdBackendReal, OneButtonAppliedSurvivesARestart) {
    if (!apd_test::HostapdInstalled()) GTEST_SKIP() << "hostapd is not installed (scripts/setup.sh)";
    apd_test::HostapdProcess hostapd;
    hostapd.Configure(0, "0a:00:00:00:00:02\n0a:00:00:00:00:01\n");
    ASSERT_TRUE(hostapd.Start());
    const HostapdPaths paths{hostapd.AcceptPath(), hostapd.ConfigPath(),
                             InterfaceOfControlPath(hostapd.CtrlPath())};
    std::string why;
    ASSERT_TRUE(CheckHostapdSetup(paths, why)) << why;
    Engine engine(std::make_unique<HostapdBackend>(std::make_unique<HostapdCtrl>(hostapd.CtrlPath()), paths));
    engine.KeepLog(1);
    auto ask = [&](std::string_view line) { return engine.Answer(line); };

    EXPECT_EQ(ask("w fff5 00"), "701 filter on");
    EXPECT_EQ(ask("w fff0 00 1a 2b 3c 4d 5e"), "701");
    EXPECT_EQ(ask("w fff0 02 11 22 33 44 55"), "701");
    const std::string list = "701LIST00 1A 2B 3C 4D 5E701LIST02 11 22 33 44 55701LIST0A 00 00 00 00 01"
                             "701LIST0A 00 00 00 00 02701LIST00 00 00 00 00 00";
    EXPECT_EQ(ask("w fff3 "), list);
    EXPECT_EQ(ask("w fff6 "), "");
    const std::string accept = "0a:00:00:00:00:02\n0a:00:00:00:00:01\n00:1a:2b:3c:4d:5e\n02:11:22:33:44:55\n";
    EXPECT_EQ(ReadText(hostapd.AcceptPath()), accept);
    EXPECT_EQ(ConfigValue(ReadText(hostapd.ConfigPath()), "wlan9", "macaddr_acl"), "1");

    // hostapd gone: refused and logged; back from its files: the same list.
    hostapd.Stop();
    EXPECT_EQ(ask("w fff3 "), "200");
    EXPECT_NE(engine.Log().back().find("200 (no list: hostapd at " + hostapd.CtrlPath()), std::string::npos)
        << engine.Log().back();
    ASSERT_TRUE(hostapd.Start());
    EXPECT_EQ(ask("w fff3 "), list);

    for (const char* line : {"w fff1 00 1A 2B 3C 4D 5E", "w fff1 02 11 22 33 44 55",
                             "w fff1 0A 00 00 00 00 01", "w fff1 0A 00 00 00 00 02"}) {
        EXPECT_EQ(ask(line), "701") << line;
    }
    EXPECT_EQ(ask("w fff1 0A 00 00 00 00 02"), "200");
    EXPECT_EQ(ask("w fff3 "), "701LIST00 00 00 00 00 00");
    ask("w fff6 ");
    EXPECT_EQ(ReadText(hostapd.AcceptPath()), "");
}
