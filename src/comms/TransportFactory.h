#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "comms/Transport.h"

namespace corvane::comms {

struct TransportOptions {
    int baud = 115200;  // serial ports: 8 data bits, no parity, 1 stop bit
    // Device for "Com n" where the system has no COM names: printf pattern given n - 1.
    std::string serialDevicePattern = "/dev/ttyUSB%d";
};

// The port name of the simulated module. The comms library only knows the name: the emulator
// sits above it and speaks through the Transport interface, and the program that opens ports
// (sim::MakePortTransportMaker) maps the name to it.
inline constexpr const char* kSimulatedPortName = "sim";

// "Com 5", "COM5", "com 5" -> 5; anything else -> nullopt.
[[nodiscard]] std::optional<int> ParseComPort(const std::string& port);
// The device a "Com n" port stands for: "COMn" on Windows, the pattern with n - 1 elsewhere.
[[nodiscard]] std::string SerialDeviceForComPort(int n, const TransportOptions& options = {});
// Whether this build has the serial port transport.
[[nodiscard]] bool SerialPortsAvailable();

// Makes the transport for a port name: "Com n" or a device path, a serial port. Not opened yet
// (the comms I/O thread opens it). nullptr, with the reason in *error, when the port cannot
// exist here: "sim" (the simulated module is not part of the comms library) or a serial port
// in a build without the serial transport.
[[nodiscard]] std::unique_ptr<Transport> MakeTransport(const std::string& port, const TransportOptions& options = {},
                                                       std::string* error = nullptr);

}  // namespace corvane::comms
