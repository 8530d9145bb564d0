// CVciUsb against the simulated VCI: discovery through the device-setup calls, the pipes, unplugging,
// and device paths too long for a pipe name.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/win/support/message_pump.h"
#include "tests/win/support/recorders.h"
#include "vcilink/vci_usb.h"
#include "tests/win/support/vcisim_process.h"

namespace {

using namespace wintest;

// The path the library reports is "\\?\usb#vid_1234&pid_5678#" + instance + "#{class guid}".
constexpr size_t kPathAroundInstance = 65;

std::wstring InstanceForPathLength(size_t length) {
    return std::wstring(length - kPathAroundInstance, L'L');
}

bool WaitForStat(VciSimProcess& sim, const char* name, uint64_t value) {
    return PumpUntil([&] { return sim.Stats()[name] >= value; }, 3000);
}

TEST(VciUsb, FindsTheDeviceOpensBothPipesAndWritesToIt) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start());
    TraceRecorder traces;
    CVciUsb usb;

    HANDLE probe = usb.FindDevice();
    ASSERT_NE(probe, INVALID_HANDLE_VALUE);
    ::CloseHandle(probe);
    EXPECT_EQ(std::string(usb.m_szDevicePath), sim.DevicePath());
    EXPECT_EQ(std::string(usb.m_szDevicePath),
              "\\\\?\\usb#vid_1234&pid_5678#sim0#{8e120c45-4968-4188-ba19-9a82361c8fa8}");
    EXPECT_TRUE(traces.Contains("&pid_5678\r\n")); // the product part of the path

    HANDLE w = usb.OpenWritePipe("PIPE01");
    ASSERT_NE(w, INVALID_HANDLE_VALUE);
    EXPECT_EQ(usb.m_hWrite, w);
    EXPECT_STREQ(usb.m_szDevicePath + std::strlen(usb.m_szDevicePath) - 7, "\\PIPE01");
    HANDLE r = usb.OpenReadPipe("PIPE00");
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    EXPECT_NE(usb.m_ReadOverlapped.hEvent, nullptr);
    EXPECT_EQ(usb.m_ReadOverlapped.Offset, 0u);

    const uint8_t enter[] = {0x02, 0x0D, 0x00, 0x80, 0x00, 0x01, 0x08, 0x00,
                             0x00, 0x21, 0x00, 0x00, 0x29, 0x00, 0x03, 0xE3};
    EXPECT_TRUE(usb.WriteCommBlock(enter, sizeof enter));
    EXPECT_TRUE(WaitForStat(sim, "enter", 1));
    EXPECT_EQ(sim.Stats()["frames"], 1u);
    ::CloseHandle(w);
    ::CloseHandle(r);

    // Unplugged, the interface no longer opens and the pipes are out of reach.
    ASSERT_TRUE(sim.Ok("unplug"));
    EXPECT_FALSE(usb.IsDevicePresent());
    EXPECT_EQ(usb.OpenWritePipe("PIPE01"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(usb.OpenReadPipe("PIPE00"), INVALID_HANDLE_VALUE);
    ASSERT_TRUE(sim.Ok("plug"));
    EXPECT_TRUE(usb.IsDevicePresent());
}

TEST(VciUsb, AWriteTheDeviceHoldsOffIsGivenUpAfterItsBound) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start(L"--write-buffer 0")); // under Wine a write waits only when it does not fit
    TraceRecorder traces;
    CVciUsb usb;
    HANDLE w = usb.OpenWritePipe("PIPE01");
    ASSERT_NE(w, INVALID_HANDLE_VALUE);
    HANDLE r = usb.OpenReadPipe("PIPE00");
    ASSERT_NE(r, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(
        PumpUntil([&] { return sim.Command("status").find("connected=1") != std::string::npos; }, 3000));
    const uint8_t enter[] = {0x02, 0x0D, 0x00, 0x80, 0x00, 0x01, 0x08, 0x00,
                             0x00, 0x21, 0x00, 0x00, 0x29, 0x00, 0x03, 0xE3};

    ASSERT_TRUE(sim.Ok("stall-write"));
    DWORD spent = 0;
    BOOL written = TRUE;
    {
        wintest::DeferredCommand wayOut(sim, "stall-write off", 4000);
        const DWORD t0 = ::GetTickCount();
        written = usb.WriteCommBlock(enter, sizeof enter);
        spent = ::GetTickCount() - t0;
    }
    EXPECT_FALSE(written);
    EXPECT_GE(spent, kVciWriteTimeoutMs - 20);
    EXPECT_LT(spent, kVciWriteTimeoutMs + 600);
    EXPECT_TRUE(traces.Contains("CVciUsb USB ")) << "no trace of the failed write";
    EXPECT_TRUE(traces.Contains("(err=5b4)")); // ERROR_TIMEOUT

    // The cancelled write left nothing in the pipe, and the pipe still carries the next one.
    ASSERT_TRUE(sim.Ok("stall-write off"));
    EXPECT_TRUE(usb.WriteCommBlock(enter, sizeof enter));
    EXPECT_TRUE(WaitForStat(sim, "enter", 1));
    EXPECT_EQ(sim.Stats()["frames"], 1u);
    ::CloseHandle(w);
    ::CloseHandle(r);
}

TEST(VciUsb, WithoutTheDeviceNothingOpensAndNothingIsWritten) {
    VciSimProcess sim;
    ASSERT_TRUE(sim.Start(L"--unplugged"));
    CVciUsb usb;
    EXPECT_EQ(usb.FindDevice(), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(usb.IsDevicePresent());
    EXPECT_EQ(usb.OpenWritePipe("PIPE01"), INVALID_HANDLE_VALUE);
    const uint8_t b = 0x08;
    EXPECT_FALSE(usb.WriteCommBlock(&b, 1));
}

TEST(VciUsb, APathWithoutRoomForThePipeNameFailsCleanly) {
    {
        // 248 characters, "\PIPE00" and the terminating zero fill the 256 exactly.
        VciSimProcess sim;
        ASSERT_TRUE(sim.Start(L"--instance " + InstanceForPathLength(248)));
        CVciUsb usb;
        ASSERT_TRUE(usb.IsDevicePresent());
        EXPECT_EQ(std::strlen(usb.m_szDevicePath), 248u);
        HANDLE w = usb.OpenWritePipe("PIPE01");
        EXPECT_NE(w, INVALID_HANDLE_VALUE);
        if (w != INVALID_HANDLE_VALUE) ::CloseHandle(w);
    }
    {
        VciSimProcess sim;
        ASSERT_TRUE(sim.Start(L"--instance " + InstanceForPathLength(249)));
        CVciUsb usb;
        ASSERT_TRUE(usb.IsDevicePresent());
        EXPECT_EQ(std::strlen(usb.m_szDevicePath), 249u);
        EXPECT_EQ(usb.OpenWritePipe("PIPE01"), INVALID_HANDLE_VALUE);
        EXPECT_EQ(usb.m_hWrite, INVALID_HANDLE_VALUE);
        EXPECT_EQ(usb.OpenReadPipe("PIPE00"), INVALID_HANDLE_VALUE);
        EXPECT_EQ(std::strlen(usb.m_szDevicePath), 249u); // not cut, not overrun
        EXPECT_EQ(sim.Stats()["sessions"], 0u);
    }
}

} // namespace
