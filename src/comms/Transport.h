#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace corvane::comms {

// A byte stream to the module: serial port, in-process pipe or emulator. Open, Close, Read and
// Write are called only from the comms I/O thread, which owns the transport; Wake may be called
// from any thread.
class Transport {
public:
    virtual ~Transport() = default;

    // (Re)opens the port; false when it is not there (adapter unplugged, no such device).
    [[nodiscard]] virtual bool Open() = 0;
    virtual void Close() = 0;
    [[nodiscard]] virtual bool IsOpen() const = 0;
    // False when the port failed; the I/O thread then closes it and tries to reopen it later.
    [[nodiscard]] virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Waits up to `timeout` for bytes and appends what arrived. Returns the count, or -1 when
    // the port failed.
    [[nodiscard]] virtual int Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) = 0;
    // Cuts a waiting Read short, so that the I/O thread picks up new work at once. Transports
    // that cannot do this say so, and the I/O thread then waits in short slices.
    virtual void Wake() {}
    [[nodiscard]] virtual bool Wakeable() const { return false; }
    // Line rate in bits per second for timing, 0 when the line has no rate of its own.
    [[nodiscard]] virtual int Baud() const { return 0; }
    // Extra delay the line adds to every answer (a USB adapter's latency timer), in seconds.
    [[nodiscard]] virtual double Latency() const { return 0.0; }
    [[nodiscard]] virtual std::string Name() const = 0;
};

}  // namespace corvane::comms
