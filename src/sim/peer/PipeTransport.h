#pragma once

#include <string>

#include "comms/Transport.h"
#include "sim/peer/BytePipe.h"

namespace corvane::sim {

// The host end of an in-memory byte pipe, as a transport of the comms library. The pipe
// belongs to the caller (a test, or the simulated-module transport), who puts a module peer on
// its other end.
class PipeTransport : public comms::Transport {
public:
    explicit PipeTransport(BytePipe& pipe, std::string name = "pipe", int baud = 0)
        : m_pipe(pipe), m_name(std::move(name)), m_baud(baud) {}

    bool Open() override;
    void Close() override { m_open = false; }
    [[nodiscard]] bool IsOpen() const override { return m_open; }
    bool Write(std::span<const std::uint8_t> bytes) override;
    int Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) override;
    void Wake() override { m_pipe.HostEnd().Wake(); }
    [[nodiscard]] bool Wakeable() const override { return true; }
    [[nodiscard]] int Baud() const override { return m_baud; }
    [[nodiscard]] std::string Name() const override { return m_name; }
    void SetBaud(int baud) { m_baud = baud; }

private:
    BytePipe& m_pipe;
    std::string m_name;
    int m_baud;
    bool m_open = false;
};

}  // namespace corvane::sim
