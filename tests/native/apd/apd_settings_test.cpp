// Tests of orvane-apd's settings: IPv4 ranges, the configuration file under the options, refusals.
#include <gtest/gtest.h>

#include <map>

#include "apd/apd_settings.h"

using namespace apd;

namespace {

// Files by path; an absent one is missing.
FileReader Files(std::map<std::string, std::string> files) {
    return [files](const std::string& path, std::string& why, bool& missing) -> std::optional<std::string> {
        const auto it = files.find(path);
        missing = it == files.end();
        if (missing) {
            why = "No such file or directory";
            return std::nullopt;
        }
        return it->second;
    };
}

} // namespace

TEST(ApdSettings, Ranges) {
    struct Case {
        const char* text;
        bool valid;
        std::uint32_t inside, outside;
    };
    const Case cases[] = {
        {"192.168.10.0/24", true, 0xC0A80AFE, 0xC0A80B01},
        {"192.168.10.7", true, 0xC0A80A07, 0xC0A80A08},
        {"0.0.0.0/0", true, 0x01020304, 0},
        {"192.168.10.1/24", false, 0, 0}, // host bits set: probably not what was meant
        {"192.168.10.0/33", false, 0, 0},
        {"192.168.10/24", false, 0, 0},
        {"192.168.10.0/", false, 0, 0},
        {"256.1.1.1", false, 0, 0},
    };
    for (const Case& c : cases) {
        const auto range = ParseCidr(c.text);
        ASSERT_EQ(range.has_value(), c.valid) << c.text;
        if (!range) continue;
        EXPECT_TRUE(range->Contains(c.inside)) << c.text;
        if (range->prefix > 0) EXPECT_FALSE(range->Contains(c.outside)) << c.text;
    }
    EXPECT_EQ(SubnetOf(0xC0A80A01, 0xFFFFFF00)->Text(), "192.168.10.0/24");
    EXPECT_FALSE(SubnetOf(0xC0A80A01, 0xFF00FF00));
}

TEST(ApdSettings, FileThenOptions) {
    const std::string file = "# the AP\nlisten = 10.0.0.1\r\nallow=10.0.0.0/8\n\n  idle-timeout = 30\n"
                             "allow = 172.16.0.0/12\nlog-level = debug\n";
    Settings s;
    std::string error;
    ASSERT_TRUE(
        ParseSettings({"--config", "/c", "--allow", "10.9.0.0/16", "--port=5000", "--idle-timeout", "60"},
                      Files({{"/c", file}}), s, error))
        << error;
    EXPECT_EQ(s.configFile, "/c");
    EXPECT_EQ(s.listen, "10.0.0.1");
    EXPECT_EQ(s.port, 5000);
    EXPECT_EQ(s.limits.idleTimeoutS, 60);
    EXPECT_TRUE(s.debug);
    EXPECT_EQ(s.allow, (std::vector<Cidr>{{0x0A090000, 16}}));

    Settings defaults;
    ASSERT_TRUE(ParseSettings({}, Files({}), defaults, error)) << error; // no /etc/orvane-apd.conf: defaults
    EXPECT_EQ(defaults.configFile, "");
    EXPECT_TRUE(defaults.allow.empty());
    EXPECT_EQ(defaults.limits.idleTimeoutS, 0); // a quiet technician is never closed unless the owner asks
    EXPECT_FALSE(defaults.debug);
}

TEST(ApdSettings, Refusals) {
    const std::string longPath = "/" + std::string(110, 'x');
    struct Case {
        std::vector<std::string> args;
        std::string file;
        const char* error;
    };
    const Case cases[] = {
        {{"--config", "/absent"}, "", "/absent: No such file or directory"},
        {{"--config", "/c"}, "listen 10.0.0.1\n", "/c:1: not \"name = value\""},
        {{"--config", "/c"}, "\n\nspeed = 3\n", "/c:3: unknown setting speed"},
        {{"--listen", "0.0.0.0"}, "", "--listen: needs the one unicast IPv4 address"},
        {{"--listen", "224.0.0.1"}, "", "--listen: needs the one unicast IPv4 address"},
        {{"--allow", "10.0.0.1/8"}, "", "--allow: needs an IPv4 range"},
        {{"--hostapd", longPath}, "", "a UNIX socket's path holds at most 107"},
        {{"--hostapd", "wlan0"}, "", "--hostapd: needs an absolute path"},
        {{"--max-unsent", "100"}, "", "--max-unsent: needs bytes"},
        {{"--commands-per-second", "0"}, "", "--commands-per-second: needs a number"},
        {{"--port"}, "", "--port: needs a value"},
        {{"--log-level", "verbose"}, "", "--log-level: needs info or debug"},
        {{"listen"}, "", "listen: not an option"},
    };
    for (const Case& c : cases) {
        Settings s;
        std::string error;
        EXPECT_FALSE(ParseSettings(c.args, Files({{"/c", c.file}}), s, error)) << c.args[0];
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
}
