// Tests of the notify protocol's messages as systemd's manager receives them, and of the watchdog's period.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "apd/service_notify.h"
#include "tests/native/apd/hostapd_process.h"

using namespace apd;

TEST(ServiceNotifier, MessagesReachAPathOrAnAbstractSocket) {
    apd_test::TempFolder folder;
    const std::string abstractName = "@orvane-notify-test-" + std::to_string(::getpid());
    for (const std::string& name : {folder.Path() + "/notify", abstractName}) {
        SCOPED_TRACE(name);
        const int manager = ::socket(AF_UNIX, SOCK_DGRAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        name.copy(address.sun_path, name.size());
        if (name[0] == '@') address.sun_path[0] = '\0';
        ASSERT_EQ(::bind(manager, reinterpret_cast<sockaddr*>(&address),
                         static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size())),
                  0);
        ::setenv("NOTIFY_SOCKET", name.c_str(), 1);
        ServiceNotifier notifier;
        EXPECT_TRUE(notifier.Send("READY=1\nSTATUS=listening"));
        char got[64] = {};
        EXPECT_EQ(::recv(manager, got, sizeof got - 1, MSG_DONTWAIT), 24);
        EXPECT_STREQ(got, "READY=1\nSTATUS=listening");
        ::close(manager);
    }
    ::unsetenv("NOTIFY_SOCKET");
    EXPECT_FALSE(ServiceNotifier().Send("READY=1")); // not under systemd: nothing to tell
}

TEST(ServiceNotifier, WatchdogIsHalfItsTimeAndOnlyForTheProcessNamed) {
    const std::string self = std::to_string(::getpid());
    const struct {
        const char* usec;
        std::string pid;
        long long periodMs; // -1: none
    } rows[] = {{"30000000", self, 15000}, {"30000000", "", 15000}, {"30000000", "1", -1},
                {"0", self, -1},           {"x", self, -1},         {nullptr, self, -1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.usec ? row.usec : "unset") + " pid " + row.pid);
        row.usec ? ::setenv("WATCHDOG_USEC", row.usec, 1) : ::unsetenv("WATCHDOG_USEC");
        row.pid.empty() ? ::unsetenv("WATCHDOG_PID") : ::setenv("WATCHDOG_PID", row.pid.c_str(), 1);
        const auto period = ServiceNotifier().WatchdogPeriod();
        EXPECT_EQ(period ? period->count() : -1, row.periodMs);
    }
}
