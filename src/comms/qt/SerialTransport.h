#pragma once

#include <memory>
#include <string>

#include "comms/Transport.h"

class QSerialPort;

namespace corvane::comms {

// A serial port through Qt SerialPort, 8 data bits, no parity, 1 stop bit, no flow control.
// Used in blocking mode from the comms I/O thread only: the port object is created when the
// port is opened, on that thread, and deleted when it is closed, so it never needs an event
// loop and never crosses threads.
class SerialTransport : public Transport {
public:
    SerialTransport(std::string device, int baud = 115200);
    ~SerialTransport() override;

    bool Open() override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    int Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) override;
    [[nodiscard]] int Baud() const override { return m_baud; }
    // USB serial adapters hold received bytes back for up to their latency timer.
    [[nodiscard]] double Latency() const override { return 0.016; }
    [[nodiscard]] std::string Name() const override { return m_device; }

private:
    std::string m_device;
    int m_baud;
    std::unique_ptr<QSerialPort> m_port;
};

}  // namespace corvane::comms
