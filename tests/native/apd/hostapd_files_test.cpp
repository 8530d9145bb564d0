// Tests of hostapd's texts: the accept-list answer, the accept file, configuration sections, atomic rewrite.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "apd/core/hostapd_files.h"
#include "tests/native/apd/hostapd_process.h"

using namespace apd;
using apd_test::TempFolder;

namespace {

const Mac kMacA = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
const Mac kMacB = {0x0a, 0x0b, 0x0c, 0x0d, 0x0e, 0x0f};

std::string ShowLines(std::size_t count) {
    std::string reply;
    for (std::size_t i = 0; i < count; ++i) {
        char line[40];
        std::snprintf(line, sizeof line, "02:00:00:00:%02zx:%02zx VLAN_ID=0\n", i >> 8, i & 0xff);
        reply += line;
    }
    return reply;
}

void WriteText(const std::string& path, const std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(text.data(), 1, text.size(), file);
    std::fclose(file);
}

std::string ReadText(const std::string& path) {
    std::string why;
    return ReadWholeFile(path, why).value_or("<unreadable: " + why + ">");
}

} // namespace

TEST(HostapdAclShow, EntriesInHostapdsOrderWithVlan) {
    std::string why;
    const auto entries = ParseAclShow("0a:0b:0c:0d:0e:0f VLAN_ID=0\n02:11:22:33:44:55 VLAN_ID=4094\n", why);
    ASSERT_TRUE(entries) << why;
    EXPECT_EQ(*entries, (std::vector<AclEntry>{{kMacB, 0}, {kMacA, 4094}}));
    // An empty list is an empty datagram.
    EXPECT_EQ(ParseAclShow("", why), std::vector<AclEntry>{});
}

TEST(HostapdAclShow, AnythingElseIsRefused) {
    for (const char* reply : {"FAIL\n", "02:11:22:33:44:55 VLAN_ID=0", "02:11:22:33:44:55\n",
                              "02:11:22:33:44:5 VLAN_ID=0\n", "02:11:22:33:44:55 VLAN_ID=\n",
                              "02:11:22:33:44:55 VLAN_ID=4095\n", "02:11:22:33:44:55 VLAN_ID=-1\n",
                              "02:11:22:33:44:55 VLAN_ID=1x\n", "02:11:22:33:44:55 VLAN_ID=99999999999\n",
                              "02-11-22-33-44-55 VLAN_ID=0\n", "02:11:22:33:44:55  VLAN_ID=0\n", "\n"}) {
        std::string why;
        EXPECT_FALSE(ParseAclShow(reply, why)) << reply;
        EXPECT_FALSE(why.empty());
    }
}

// hostapd leaves out whole lines that no longer fit its 4096-byte answer; at 4065 bytes and more one
// may be missing, so such an answer is never taken for the whole list.
TEST(HostapdAclShow, AnswerThatMayBeCutIsRefused) {
    std::string why;
    EXPECT_EQ(ParseAclShow(ShowLines(145), why)->size(), 145u); // 4060 bytes
    EXPECT_FALSE(ParseAclShow(ShowLines(146), why));            // 4088 bytes: what hostapd sends for 200
    EXPECT_NE(why.find("left entries out"), std::string::npos);
    // The limit itself, reached with VLAN IDs of other lengths: 143 * 28 + 29 + 31 = 4064.
    const std::string limit =
        ShowLines(143) + "02:00:00:00:01:00 VLAN_ID=10\n02:00:00:00:01:01 VLAN_ID=4094\n";
    ASSERT_EQ(limit.size(), 4064u);
    EXPECT_EQ(ParseAclShow(limit, why)->size(), 145u);
    const std::string over =
        ShowLines(143) + "02:00:00:00:01:00 VLAN_ID=100\n02:00:00:00:01:01 VLAN_ID=4094\n";
    ASSERT_EQ(over.size(), 4065u);
    EXPECT_FALSE(ParseAclShow(over, why));
}

TEST(HostapdAcceptFile, ApplyKeepsWhatTheListAnswerCannotTell) {
    const std::vector<AclEntry> listed{{kMacB, 0}, {kMacA, 7}};
    struct Case {
        const char* old;
        const char* merged;
    };
    const Case cases[] = {
        {"", "# Accepted stations; Orvane's AP side adds and deletes entries on \"apply\".\n"
             "0a:0b:0c:0d:0e:0f\n02:11:22:33:44:55 7\n"},
        // Tags and comments of entries that stay, comments, blank lines and removal lines stay; an entry no
        // longer listed and a duplicate go.
        {"# AP\n02:11:22:33:44:55 7+8t # bench\n\n-0a:00:00:00:00:01\n0a:00:00:00:00:09 "
         "3\n02:11:22:33:44:55\n",
         "# AP\n02:11:22:33:44:55 7+8t # bench\n\n-0a:00:00:00:00:01\n0a:0b:0c:0d:0e:0f\n"},
        {"0A:0B:0C:0D:0E:0F", "0A:0B:0C:0D:0E:0F\n02:11:22:33:44:55 7\n"}, // upper case, no final newline
        {"# AP\r\n0a:0b:0c:0d:0e:0f\r\n",
         "# AP\r\n0a:0b:0c:0d:0e:0f\r\n02:11:22:33:44:55 7\r\n"}, // CRLF kept
    };
    for (const Case& c : cases)
        EXPECT_EQ(MergeAcceptFile(c.old, listed), c.merged) << c.old;
    EXPECT_EQ(ColonMac(kMacA), "02:11:22:33:44:55");
}

TEST(HostapdConfig, SectionsPerInterface) {
    const std::string text = "# ap\ninterface=wlan0\nmacaddr_acl=0\naccept_mac_file=/etc/a0\n"
                             "bss=wlan0_1\nmacaddr_acl=1\naccept_mac_file=/etc/a1\n";
    EXPECT_EQ(ConfigValue(text, "wlan0", "accept_mac_file"), "/etc/a0");
    EXPECT_EQ(ConfigValue(text, "wlan0_1", "accept_mac_file"), "/etc/a1");
    EXPECT_EQ(ConfigValue(text, "wlan0_1", "macaddr_acl"), "1");
    EXPECT_FALSE(ConfigValue(text, "wlan0", "ssid"));
    EXPECT_TRUE(HasConfigSection(text, "wlan0_1"));
    EXPECT_FALSE(HasConfigSection(text, "wlan1"));
    EXPECT_FALSE(WithConfigValue(text, "wlan1", "macaddr_acl", "1"));

    // Only the interface's own line changes; the other interface's and every other byte stay.
    EXPECT_EQ(WithConfigValue(text, "wlan0", "macaddr_acl", "1"),
              "# ap\ninterface=wlan0\nmacaddr_acl=1\naccept_mac_file=/etc/a0\n"
              "bss=wlan0_1\nmacaddr_acl=1\naccept_mac_file=/etc/a1\n");
    EXPECT_EQ(WithConfigValue(text, "wlan0_1", "macaddr_acl", "0"),
              "# ap\ninterface=wlan0\nmacaddr_acl=0\naccept_mac_file=/etc/a0\n"
              "bss=wlan0_1\nmacaddr_acl=0\naccept_mac_file=/etc/a1\n");
}

TEST(HostapdConfig, MissingSettingIsAddedCommentsStay) {
    // A commented-out setting is not a setting; hostapd's default (0) applies until one is added.
    const std::string text = "interface=wlan0\n#macaddr_acl=1\nmacaddr_acl_x=2\n\nbss=guest\nssid=g";
    EXPECT_FALSE(ConfigValue(text, "wlan0", "macaddr_acl"));
    EXPECT_EQ(WithConfigValue(text, "wlan0", "macaddr_acl", "1"),
              "interface=wlan0\n#macaddr_acl=1\nmacaddr_acl_x=2\n\nmacaddr_acl=1\nbss=guest\nssid=g");
    EXPECT_EQ(WithConfigValue(text, "guest", "macaddr_acl", "1"),
              "interface=wlan0\n#macaddr_acl=1\nmacaddr_acl_x=2\n\nbss=guest\nssid=g\nmacaddr_acl=1\n");
    // A CRLF file keeps its line ending on the line written.
    EXPECT_EQ(WithConfigValue("interface=w\r\nmacaddr_acl=0\r\n", "w", "macaddr_acl", "1"),
              "interface=w\r\nmacaddr_acl=1\r\n");
    EXPECT_EQ(WithConfigValue("interface=w\r\n", "w", "macaddr_acl", "1"),
              "interface=w\r\nmacaddr_acl=1\r\n");
    // Every line of the name is set, the last being the one hostapd takes.
    EXPECT_EQ(WithConfigValue("interface=w\nmacaddr_acl=0\nmacaddr_acl=2\n", "w", "macaddr_acl", "1"),
              "interface=w\nmacaddr_acl=1\nmacaddr_acl=1\n");
}

TEST(HostapdAtomicWrite, ReplacesWholeKeepsModeAndLink) {
    TempFolder folder;
    const std::string conf = folder / "hostapd.conf";
    WriteText(conf, "old\n");
    ASSERT_EQ(::chmod(conf.c_str(), 0640), 0);
    // Another owner and group (hostapd's user, say): kept, or the write refused.
    const bool root = ::geteuid() == 0;
    if (root) ASSERT_EQ(::chown(conf.c_str(), 12345, 23456), 0);
    ASSERT_EQ(::symlink(conf.c_str(), (folder / "link.conf").c_str()), 0);

    std::string why;
    ASSERT_TRUE(WriteFileAtomically(folder / "link.conf", "new\ncontents\n", why)) << why;
    EXPECT_EQ(ReadText(conf), "new\ncontents\n");
    struct stat st {};
    ASSERT_EQ(::lstat((folder / "link.conf").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)); // still a link to the file
    ASSERT_EQ(::stat(conf.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u); // no more readable than before
    if (root) EXPECT_EQ(std::pair(st.st_uid, st.st_gid), std::pair(12345u, 23456u));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"hostapd.conf", "link.conf"})); // no leftovers

    // A new file.
    ASSERT_TRUE(WriteFileAtomically(folder / "accept", "", why)) << why;
    EXPECT_EQ(ReadText(folder / "accept"), "");
}

TEST(HostapdAtomicWrite, FailureLeavesTheOldFile) {
    TempFolder folder;
    std::string why;
    EXPECT_FALSE(WriteFileAtomically(folder / "missing/accept", "x\n", why));
    EXPECT_NE(why.find("missing"), std::string::npos);

    // A folder that cannot take the temporary file (a root process may write anywhere, so a file stands
    // where the folder would be).
    WriteText(folder / "notafolder", "keep\n");
    EXPECT_FALSE(WriteFileAtomically(folder / "notafolder/accept", "x\n", why));
    EXPECT_EQ(ReadText(folder / "notafolder"), "keep\n");

    // A link to nothing stays a link to nothing: no file appears in its place.
    ASSERT_EQ(::symlink((folder / "gone").c_str(), (folder / "accept").c_str()), 0);
    EXPECT_FALSE(WriteFileAtomically(folder / "accept", "x\n", why));
    EXPECT_NE(why.find("symbolic link to a file that cannot be reached"), std::string::npos) << why;
    struct stat st {};
    ASSERT_EQ(::lstat((folder / "accept").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"accept", "notafolder"}));

    // A writer that cannot give the new file the old one's owner (here an unprivileged one, for a file
    // of root's) refuses, and the file stays as it was.
    if (::geteuid() != 0) return;
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0777), 0);
    WriteText(folder / "shared", "keep\n");
    ASSERT_EQ(::chmod((folder / "shared").c_str(), 0666), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        std::string childWhy;
        const bool refused = ::setgid(65534) == 0 && ::setuid(65534) == 0 &&
                             !WriteFileAtomically(folder / "shared", "x\n", childWhy) &&
                             childWhy.find("cannot keep its mode, owner 0 and group 0") != std::string::npos;
        ::_exit(refused ? 0 : 1);
    }
    int status = -1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadText(folder / "shared"), "keep\n");
    EXPECT_EQ(folder.Names(), (std::vector<std::string>{"accept", "notafolder", "shared"}));
}
