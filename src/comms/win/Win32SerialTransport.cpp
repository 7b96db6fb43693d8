#include "comms/win/Win32SerialTransport.h"

#include <windows.h>

#include <algorithm>

#include "platform/Utf8Path.h"

namespace corvane::comms {

namespace {

HANDLE H(void* handle) { return static_cast<HANDLE>(handle); }

// Errors after which the port is gone rather than briefly unhappy.
bool PortGone(DWORD error) {
    switch (error) {
        case ERROR_ACCESS_DENIED:
        case ERROR_BAD_COMMAND:
        case ERROR_DEVICE_NOT_CONNECTED:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_FILE_NOT_FOUND:
        case ERROR_GEN_FAILURE:
        case ERROR_INVALID_HANDLE:
        case ERROR_NOT_READY:
        case ERROR_OPERATION_ABORTED:
            return true;
        default:
            return false;
    }
}

}  // namespace

Win32SerialTransport::Win32SerialTransport(std::string device, int baud)
    : m_device(std::move(device)), m_baud(baud) {}

Win32SerialTransport::~Win32SerialTransport() { Close(); }

std::string Win32SerialTransport::DevicePath(const std::string& device) {
    if (device.rfind("\\\\.\\", 0) == 0 || device.rfind("\\\\?\\", 0) == 0) return device;
    return "\\\\.\\" + device;
}

bool Win32SerialTransport::Open() {
    Close();
    const HANDLE port = ::CreateFileW(PathFromUtf8(DevicePath(m_device)).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return false;
    m_handle = port;
    m_readWait = ~0u;

    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    bool ok = ::GetCommState(port, &dcb) != 0;
    dcb.BaudRate = static_cast<DWORD>(m_baud);
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;  // adapters that power the line from DTR/RTS need them on
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;  // 0x00 is data
    dcb.fAbortOnError = FALSE;  // a framing error on a noisy line must not stop all I/O
    ok = ok && ::SetCommState(port, &dcb) != 0;
    ok = ok && ::SetupComm(port, 4096, 4096) != 0;
    // Writes are bounded by the line time of the bytes plus slack, as with the other transports.
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.WriteTotalTimeoutMultiplier = static_cast<DWORD>(std::max(1, 20'000 / std::max(1, m_baud)));
    timeouts.WriteTotalTimeoutConstant = 200;
    ok = ok && ::SetCommTimeouts(port, &timeouts) != 0;
    m_readWait = 0;
    if (!ok) {
        Close();
        return false;
    }
    ::PurgeComm(port, PURGE_RXCLEAR | PURGE_TXCLEAR);  // bytes from before this session are stale
    return true;
}

void Win32SerialTransport::Close() {
    if (m_handle != nullptr) {
        ::CloseHandle(H(m_handle));
        m_handle = nullptr;
    }
}

bool Win32SerialTransport::IsOpen() const { return m_handle != nullptr; }

bool Win32SerialTransport::SetReadWait(unsigned milliseconds) {
    if (milliseconds == m_readWait) return true;
    COMMTIMEOUTS timeouts{};
    if (!::GetCommTimeouts(H(m_handle), &timeouts)) return false;
    timeouts.ReadIntervalTimeout = MAXDWORD;
    // 0: return at once with what is there. Otherwise wait up to `milliseconds` for the first
    // byte, then return with what has arrived.
    timeouts.ReadTotalTimeoutMultiplier = milliseconds == 0 ? 0 : MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = milliseconds;
    if (!::SetCommTimeouts(H(m_handle), &timeouts)) return false;
    m_readWait = milliseconds;
    return true;
}

bool Win32SerialTransport::Write(std::span<const std::uint8_t> bytes) {
    if (!IsOpen()) return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 4096));
        if (!::WriteFile(H(m_handle), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return true;
}

int Win32SerialTransport::Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) {
    if (!IsOpen()) return -1;
    // Whole milliseconds, rounded up: the I/O thread asks again soon enough.
    const auto ms = static_cast<unsigned>(std::clamp<long long>((timeout.count() + 999) / 1000, 0, 1000));
    if (!SetReadWait(ms)) return PortGone(::GetLastError()) ? -1 : 0;
    std::uint8_t buffer[4096];
    DWORD got = 0;
    if (!::ReadFile(H(m_handle), buffer, sizeof buffer, &got, nullptr)) {
        const DWORD error = ::GetLastError();
        if (PortGone(error)) return -1;
        // A line error (framing, overrun) stops nothing: clear it and go on.
        DWORD errors = 0;
        ::ClearCommError(H(m_handle), &errors, nullptr);
        return 0;
    }
    out.insert(out.end(), buffer, buffer + got);
    return static_cast<int>(got);
}

}  // namespace corvane::comms
