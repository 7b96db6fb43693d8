// The Win32 serial port: names, and ports that are not there. The line itself is tested end to
// end under Wine by tests/windows/com_port_test.sh (the emulator on a pseudo-terminal mapped as
// COM5). Built only for Windows.
#ifdef _WIN32

#include <gtest/gtest.h>

#include "../CommsTestSupport.h"
#include "comms/TransportFactory.h"
#include "comms/win/Win32SerialTransport.h"

using namespace corvane;
using namespace corvane::comms;
using namespace corvane::comms::test;
using namespace std::chrono_literals;

TEST(Win32Serial, ComPortNamesOpenTheirDevice) {
    EXPECT_EQ(SerialDeviceForComPort(5), "COM5");
    EXPECT_EQ(SerialDeviceForComPort(12), "COM12");
    EXPECT_TRUE(SerialPortsAvailable());
    const auto transport = MakeTransport("Com 5");
    ASSERT_NE(transport, nullptr);
    EXPECT_EQ(transport->Name(), "COM5");
    EXPECT_EQ(transport->Baud(), 115200);
    // COM10 and above open only by their device name; a name that is one already stays as it is.
    EXPECT_EQ(Win32SerialTransport::DevicePath("COM12"), "\\\\.\\COM12");
    EXPECT_EQ(Win32SerialTransport::DevicePath("\\\\.\\COM3"), "\\\\.\\COM3");
}

TEST(Win32Serial, APortThatIsNotThereFailsAtOnceAndReadsAsFailed) {
    Win32SerialTransport port("COM77");
    EXPECT_FALSE(port.Open());
    EXPECT_FALSE(port.IsOpen());
    std::vector<std::uint8_t> bytes;
    EXPECT_EQ(port.Read(bytes, 1ms), -1);
    const std::uint8_t one = 1;
    EXPECT_FALSE(port.Write(std::span(&one, 1)));

    ModuleComms comms(FastOptions(), TransportOptions{});
    comms.SetComPort(77);
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(comms.DetectModule());
    EXPECT_LT(std::chrono::steady_clock::now() - t0, 2s);
    EXPECT_FALSE(comms.IsLinked());
}

#endif
