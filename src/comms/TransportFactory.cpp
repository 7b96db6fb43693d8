#include "comms/TransportFactory.h"

#include <cctype>
#include <cstdio>

#ifdef _WIN32
#include "comms/win/Win32SerialTransport.h"
#elif defined(CORVANE_HAVE_QT_SERIAL)
#include "comms/qt/SerialTransport.h"
#endif

namespace corvane::comms {

std::optional<int> ParseComPort(const std::string& port) {
    if (port.size() < 4) return std::nullopt;
    for (int i = 0; i < 3; ++i)
        if (std::tolower(static_cast<unsigned char>(port[static_cast<std::size_t>(i)])) != "com"[i]) return std::nullopt;
    std::size_t at = 3;
    while (at < port.size() && port[at] == ' ') ++at;
    if (at == port.size()) return std::nullopt;
    int n = 0;
    for (; at < port.size(); ++at) {
        if (!std::isdigit(static_cast<unsigned char>(port[at])) || n > 1000) return std::nullopt;
        n = n * 10 + (port[at] - '0');
    }
    if (n < 1) return std::nullopt;
    return n;
}

std::string SerialDeviceForComPort(int n, const TransportOptions& options) {
#ifdef _WIN32
    (void)options;
    return "COM" + std::to_string(n);
#else
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, options.serialDevicePattern.c_str(), n - 1);
    return buffer;
#endif
}

bool SerialPortsAvailable() {
#if defined(_WIN32) || defined(CORVANE_HAVE_QT_SERIAL)
    return true;
#else
    return false;
#endif
}

std::unique_ptr<Transport> MakeTransport(const std::string& port, const TransportOptions& options, std::string* error) {
    if (port == kSimulatedPortName) {
        if (error) *error = "the simulated module is not available here";
        return nullptr;
    }
    std::string device = port;
    if (auto n = ParseComPort(port)) device = SerialDeviceForComPort(*n, options);
    if (device.empty()) {
        if (error) *error = "no port given";
        return nullptr;
    }
#ifdef _WIN32
    // The system's own serial calls, with or without Qt in the build: one port code on Windows.
    return std::make_unique<Win32SerialTransport>(device, options.baud);
#elif defined(CORVANE_HAVE_QT_SERIAL)
    return std::make_unique<SerialTransport>(device, options.baud);
#else
    if (error) *error = "this build has no serial port support (Qt SerialPort missing)";
    return nullptr;
#endif
}

}  // namespace corvane::comms
