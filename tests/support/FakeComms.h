#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "comms/api/Comms.h"
#include "model/LinkSeam.h"

namespace corvane::test {

// A comms library with a module memory of its own that records every call. Failures can be
// scripted: fail every call from the n-th on, or only the calls at given addresses.
class FakeComms : public Comms, public LinkSeam {
public:
    struct Write {
        std::uint16_t address;
        std::vector<std::uint8_t> bytes;
        bool flash = false;
    };

    FakeComms() { memory.fill(0); }

    // Comms
    void SetComPort(int n) override {
        comPort = n;
        port = "Com " + std::to_string(n);
    }
    void SetPort(const std::string& name) override { port = name; }
    [[nodiscard]] std::string Port() const override { return port; }
    bool DetectModule() override { return detectResult; }
    int ConnectedModuleId() const override { return moduleId; }
    void CloseLink() override { ++closeCount; }
    bool ReadModuleMemoryBlock(std::uint16_t address, std::uint16_t length) override {
        reads.push_back({address, length});
        if (ShouldFail(address)) return false;
        m_received.assign(memory.begin() + address,
                          memory.begin() + std::min<std::size_t>(memory.size(), address + length));
        return true;
    }
    std::span<const std::uint8_t> GetReceivedData() const override { return m_received; }
    bool WriteModuleMemoryBlock(std::uint16_t address, const std::uint8_t* data,
                                std::uint16_t length) override {
        if (ShouldFail(address)) return false;
        writes.push_back({address, std::vector<std::uint8_t>(data, data + length)});
        for (std::uint16_t i = 0; i < length && address + i < memory.size(); ++i)
            memory[address + i] = data[i];
        return true;
    }
    bool WriteFlashBlock(std::uint32_t address, const std::uint8_t* data, std::uint16_t length) override {
        if (ShouldFail(static_cast<std::uint16_t>(address))) return false;
        writes.push_back({static_cast<std::uint16_t>(address), std::vector<std::uint8_t>(data, data + length), true});
        for (std::uint16_t i = 0; i < length && address + i < memory.size(); ++i)
            memory[address + i] = data[i];
        return true;
    }
    bool ReadWriteCommandFailed() const override { return failedEvent; }
    void StartMonitoring(std::uint16_t, std::uint16_t) override { monitoring = true; }
    void StopMonitoring() override { monitoring = false; }
    bool IsMonitoring() const override { return monitoring; }
    void SetPacketQueueWriting(bool w) override { queueWriting = w; }
    bool IsPacketQueueWriting() const override { return queueWriting; }
    void SetCommunicationTimeoutMode(int mode) override { timeoutMode = mode; }
    void SetEventSink(CommsEvents* sink) override { events = sink; }

    // LinkSeam: pushes of map edits.
    bool IsLinked() const override { return linked; }
    bool WriteBlock(std::uint16_t address, std::span<const std::uint8_t> bytes) override {
        return WriteModuleMemoryBlock(address, bytes.data(), static_cast<std::uint16_t>(bytes.size()));
    }

    // Script.
    std::array<std::uint8_t, 0x10000> memory{};
    bool linked = false;
    bool detectResult = true;
    int moduleId = 1;
    bool failedEvent = false;
    int failFromCall = -1;            // every memory call from this index on fails
    std::vector<std::uint16_t> failAddresses;  // calls at these addresses fail
    int comPort = 0;
    std::string port;
    int closeCount = 0;
    bool monitoring = false;
    bool queueWriting = false;
    int timeoutMode = 0;
    CommsEvents* events = nullptr;

    struct Read {
        std::uint16_t address;
        std::uint16_t length;
    };
    std::vector<Read> reads;
    std::vector<Write> writes;

private:
    bool ShouldFail(std::uint16_t address) {
        const int index = m_calls++;
        bool fail = (failFromCall >= 0 && index >= failFromCall);
        for (auto a : failAddresses) fail = fail || a == address;
        if (fail) failedEvent = true;
        return fail;
    }
    int m_calls = 0;
    std::vector<std::uint8_t> m_received;
};

}  // namespace corvane::test
