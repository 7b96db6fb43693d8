#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "comms/Transport.h"
#include "sim/ModuleEmulator.h"
#include "sim/peer/ModulePeer.h"

namespace corvane::comms {

struct TransportOptions {
    int baud = 115200;  // serial ports: 8 data bits, no parity, 1 stop bit
    // Device for "Com n" where the system has no COM names: printf pattern given n - 1.
    std::string serialDevicePattern = "/dev/ttyUSB%d";
    // The simulated module behind the "sim" port.
    sim::EmulatorOptions simModule;
    sim::PeerFaults simFaults;
    std::uint64_t simSeed = 1;
};

inline constexpr const char* kSimulatedPortName = "sim";

// "Com 5", "COM5", "com 5" -> 5; anything else -> nullopt.
[[nodiscard]] std::optional<int> ParseComPort(const std::string& port);
// The device a "Com n" port stands for: "COMn" on Windows, the pattern with n - 1 elsewhere.
[[nodiscard]] std::string SerialDeviceForComPort(int n, const TransportOptions& options = {});
// Whether this build has the serial port transport.
[[nodiscard]] bool SerialPortsAvailable();

// Makes the transport for a port name: "sim" the in-process simulated module, "Com n" or a
// device path a serial port. Not opened yet (the comms I/O thread opens it). nullptr when the
// port cannot exist in this build (serial port without the serial transport), with the reason
// in *error.
[[nodiscard]] std::unique_ptr<Transport> MakeTransport(const std::string& port, const TransportOptions& options = {},
                                                       std::string* error = nullptr);

}  // namespace corvane::comms
