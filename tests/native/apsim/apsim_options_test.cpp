// Tests of the AP simulator's command line and its loopback-only rule.
#include <gtest/gtest.h>

#include "tools/apsim/apsim_options.h"

using namespace apsim;

TEST(ApSimOptions, LoopbackOnly) {
    EXPECT_TRUE(IsLoopbackAddress("127.0.0.1"));
    EXPECT_TRUE(IsLoopbackAddress("127.255.3.9"));
    for (const char* other : {"0.0.0.0", "10.0.0.1", "192.168.10.1", "128.0.0.1", "127.0.0", "127.0.0.1.5",
                              "127.0.0.256", "localhost", "::1", "", "127..0.1", "127.0.0.1 "}) {
        EXPECT_FALSE(IsLoopbackAddress(other)) << other;
    }
}

TEST(ApSimOptions, LanAddressIsOneHost) {
    for (const char* host : {"192.168.10.1", "10.0.0.1", "127.0.0.1", "1.2.3.4", "223.255.255.254"}) {
        EXPECT_TRUE(IsLanAddress(host)) << host;
    }
    for (const char* other : {"0.0.0.0", "0.1.2.3", "224.0.0.1", "255.255.255.255", "192.168.10", "::", "",
                              "192.168.10.1:4321"}) {
        EXPECT_FALSE(IsLanAddress(other)) << other;
    }
}

TEST(ApSimOptions, HostapdModeTakesTheLanAddressAndAllThreePaths) {
    Options options;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--hostapd", "/var/run/hostapd/wlan0", "--accept-file=/etc/hostapd/accept",
                              "--config", "/etc/hostapd/hostapd.conf", "--listen", "192.168.10.1"},
                             options, error))
        << error;
    EXPECT_EQ(options.hostapdCtrl, "/var/run/hostapd/wlan0");
    EXPECT_EQ(options.acceptFile, "/etc/hostapd/accept");
    EXPECT_EQ(options.configPath, "/etc/hostapd/hostapd.conf");
    EXPECT_EQ(options.listen, "192.168.10.1");

    const std::vector<std::vector<std::string>> bad = {
        {"--hostapd", "/run/h/wlan0", "--accept-file", "/a"},
        {"--accept-file", "/a", "--config", "/c"},
        {"--hostapd", "/run/h/wlan0", "--accept-file", "/a", "--config", "/c", "--listen", "0.0.0.0"},
        {"--hostapd", "/run/h/wlan0", "--accept-file", "/a", "--config", "/c", "--mac", "02:11:22:33:44:55"},
        {"--hostapd", "/run/" + std::string(120, 'h'), "--accept-file", "/a", "--config", "/c"},
        {"--hostapd", "", "--accept-file", "/a", "--config", "/c"},
    };
    for (const auto& args : bad) {
        Options refused;
        EXPECT_FALSE(ParseOptions(args, refused, error)) << args.back();
        EXPECT_FALSE(error.empty());
    }
}

TEST(ApSimOptions, EveryOption) {
    Options options;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--listen",
                              "127.0.0.2",
                              "--port=0",
                              "--control-port",
                              "5000",
                              "--capacity",
                              "3",
                              "--mac",
                              "02:11:22:33:44:55",
                              "--mac=0a0b0c0d0e0f",
                              "--log",
                              "/tmp/x.log",
                              "--refuse",
                              "1",
                              "--garbage",
                              "2",
                              "--garbage-text",
                              "huh",
                              "--split",
                              "5,40",
                              "--split-gap",
                              "50",
                              "--pad-full",
                              "--delay",
                              "300",
                              "--close-after",
                              "3",
                              "--close-silent"},
                             options, error))
        << error;
    EXPECT_EQ(options.listen, "127.0.0.2");
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.controlPort, 5000);
    EXPECT_EQ(options.capacity, 3u);
    ASSERT_EQ(options.macs.size(), 2u);
    EXPECT_EQ(options.macs[1][5], 0x0f);
    EXPECT_EQ(options.logPath, "/tmp/x.log");
    const Faults& f = options.faults;
    EXPECT_EQ(f.refuse, 1);
    EXPECT_EQ(f.garbage, 2);
    EXPECT_EQ(f.garbageText, "huh");
    EXPECT_EQ(f.split, (std::vector<std::size_t>{5, 40}));
    EXPECT_EQ(f.splitGapMs, 50);
    EXPECT_TRUE(f.padFull);
    EXPECT_EQ(f.delayMs, 300);
    EXPECT_EQ(f.closeAfter, 3);
    EXPECT_TRUE(f.closeSilent);
}

TEST(ApSimOptions, Refusals) {
    const std::vector<std::vector<std::string>> bad = {
        {"--listen", "0.0.0.0"},
        {"--listen", "192.168.10.1"},
        {"--listen"},
        {"--port", "65536"},
        {"--port", "-1"},
        {"--port", "4321x"},
        {"--mac", "0211"},
        {"--split", "40,5"},
        {"--pad-full=1"},
        {"--verbose"},
        {"--port", "4000", "--control-port", "4000"},
    };
    for (const auto& args : bad) {
        Options options;
        std::string error;
        EXPECT_FALSE(ParseOptions(args, options, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}
