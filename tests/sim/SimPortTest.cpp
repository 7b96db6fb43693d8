#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "comms/ModuleComms.h"
#include "sim/SimPort.h"
#include "support/FastCommsOptions.h"

namespace corvane::sim {
namespace {

TEST(SimPort, SimIsTheSimulatedModuleOfTheGivenProductEveryOtherNameASerialPort) {
    PortOptions options;
    options.module.productCode = 2;
    std::vector<SimTransport*> opened;
    comms::ModuleComms comms(MakePortTransportMaker(options, [&](SimTransport& sim) { opened.push_back(&sim); }),
                             test::FastCommsOptions());
    comms.SetPort("sim");
    ASSERT_TRUE(comms.DetectModule());
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0]->Peer().WithEmulator([](ModuleEmulator& m) { return m.ProductCode(); }), 2u);
    EXPECT_EQ(comms.ConnectedModuleId(), opened[0]->Peer().WithEmulator([](ModuleEmulator& m) { return m.ModuleId(); }));

    // Relinking keeps the module it has; another port and back makes a fresh one.
    comms.CloseLink();
    ASSERT_TRUE(comms.DetectModule());
    EXPECT_EQ(opened.size(), 1u);
    comms.SetPort("/dev/corvane-no-such-device");
    EXPECT_FALSE(comms.DetectModule());
    EXPECT_EQ(opened.size(), 1u) << "a device path is not the simulated module";
    comms.SetPort("sim");
    ASSERT_TRUE(comms.DetectModule());
    EXPECT_EQ(opened.size(), 2u);
}

TEST(SimPort, ComNamesFollowTheDevicePattern) {
    PortOptions options;
    options.transport.serialDevicePattern = "/dev/corvane-no-such-tty%d";
    auto maker = MakePortTransportMaker(options);
    auto transport = maker("Com 3");
    if (!comms::SerialPortsAvailable()) {
        EXPECT_EQ(transport, nullptr);
        return;
    }
    ASSERT_NE(transport, nullptr);
#ifdef _WIN32
    EXPECT_EQ(transport->Name(), "COM3");  // Windows names its ports itself: the pattern is for other systems
#else
    EXPECT_EQ(transport->Name(), "/dev/corvane-no-such-tty2");
    EXPECT_FALSE(transport->Open());
#endif
}

}  // namespace
}  // namespace corvane::sim
