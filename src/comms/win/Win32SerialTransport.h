#pragma once

#include <chrono>
#include <string>

#include "comms/Transport.h"

namespace corvane::comms {

// A serial port through the Win32 communications calls, 8 data bits, no parity, 1 stop bit,
// no flow control: what corvane-cli uses on Windows, without Qt. Used from the comms I/O thread
// only, like every transport.
//
// Reads wait for the first byte up to the I/O thread's slice and then return at once with all
// that has arrived (the read timeouts "interval MAXDWORD, multiplier MAXDWORD, constant n"),
// so that a frame is handed on as soon as its bytes are there and a quiet line costs no
// polling beyond the slice. A port that is gone (a USB adapter pulled out) fails the call, and
// the I/O thread reopens it later.
class Win32SerialTransport : public Transport {
public:
    // `device` is "COM5" or a full device name ("\\.\COM12"); the "\\.\" prefix is added when
    // missing, which COM10 and above need.
    explicit Win32SerialTransport(std::string device, int baud = 115200);
    ~Win32SerialTransport() override;
    Win32SerialTransport(const Win32SerialTransport&) = delete;
    Win32SerialTransport& operator=(const Win32SerialTransport&) = delete;

    bool Open() override;
    void Close() override;
    [[nodiscard]] bool IsOpen() const override;
    bool Write(std::span<const std::uint8_t> bytes) override;
    int Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) override;
    [[nodiscard]] int Baud() const override { return m_baud; }
    // USB serial adapters hold received bytes back for up to their latency timer.
    [[nodiscard]] double Latency() const override { return 0.016; }
    [[nodiscard]] std::string Name() const override { return m_device; }

    // The name CreateFileW opens for `device`.
    [[nodiscard]] static std::string DevicePath(const std::string& device);

private:
    bool SetReadWait(unsigned milliseconds);

    std::string m_device;
    int m_baud;
    void* m_handle = nullptr;  // a HANDLE; null while closed
    unsigned m_readWait = ~0u;  // the read timeout set on the port, in ms (~0: none set yet)
};

}  // namespace corvane::comms
