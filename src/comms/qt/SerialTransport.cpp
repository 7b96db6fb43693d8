#include "comms/qt/SerialTransport.h"

#include <QtCore/QCoreApplication>
#include <QtCore/QEventLoop>
#include <QtSerialPort/QSerialPort>

#include <chrono>
#include <cstring>
#include <mutex>

namespace corvane::comms {

namespace {

QtMessageHandler g_previousHandler = nullptr;

void DropNotifierWarning(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QSocketNotifier: Can only be used with threads")))
        return;
    if (g_previousHandler) g_previousHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

// The port is used in blocking mode on a thread Qt did not start. With an application object
// the thread gets an event dispatcher (never run: waiting is done by the port itself), so the
// port's socket notifiers have somewhere to live. Without one (command-line tools, tests) Qt
// would warn about each notifier; that warning, and only it, is dropped.
void PrepareThreadForSerialPort() {
    if (QCoreApplication::instance()) {
        QEventLoop loop;  // creates this thread's event dispatcher
        return;
    }
    static std::once_flag once;
    std::call_once(once, [] { g_previousHandler = qInstallMessageHandler(DropNotifierWarning); });
}

}  // namespace

SerialTransport::SerialTransport(std::string device, int baud) : m_device(std::move(device)), m_baud(baud) {}

SerialTransport::~SerialTransport() { Close(); }

bool SerialTransport::Open() {
    Close();
    PrepareThreadForSerialPort();
    auto port = std::make_unique<QSerialPort>();
    port->setPortName(QString::fromStdString(m_device));
    if (!port->open(QIODevice::ReadWrite)) return false;
    const bool configured = port->setBaudRate(m_baud) && port->setDataBits(QSerialPort::Data8) &&
                            port->setParity(QSerialPort::NoParity) && port->setStopBits(QSerialPort::OneStop) &&
                            port->setFlowControl(QSerialPort::NoFlowControl);
    if (!configured) {
        port->close();
        return false;
    }
    port->clear();  // bytes from before this session are stale
    m_port = std::move(port);
    return true;
}

void SerialTransport::Close() {
    if (m_port) {
        if (m_port->isOpen()) m_port->close();
        m_port.reset();
    }
}

bool SerialTransport::IsOpen() const { return m_port && m_port->isOpen(); }

bool SerialTransport::Write(std::span<const std::uint8_t> bytes) {
    if (!IsOpen()) return false;
    const auto written = m_port->write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    if (written != static_cast<qint64>(bytes.size())) return false;
    // Without an event loop the port sends only while it is waited on: push it all out now,
    // bounded by the line time of the bytes plus slack.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(200) +
                       std::chrono::microseconds(static_cast<long>(bytes.size() * 10'000'000.0 / std::max(1, m_baud)));
    while (m_port->bytesToWrite() > 0) {
        if (std::chrono::steady_clock::now() > limit) return false;
        if (!m_port->waitForBytesWritten(50) && m_port->error() != QSerialPort::NoError &&
            m_port->error() != QSerialPort::TimeoutError)
            return false;
    }
    return true;
}

int SerialTransport::Read(std::vector<std::uint8_t>& out, std::chrono::microseconds timeout) {
    if (!IsOpen()) return -1;
    if (m_port->bytesAvailable() == 0) {
        // Qt waits in whole milliseconds; the I/O thread asks again soon enough.
        const int ms = static_cast<int>(std::max<long long>(1, (timeout.count() + 999) / 1000));
        if (!m_port->waitForReadyRead(ms)) {
            const auto error = m_port->error();
            if (error == QSerialPort::ResourceError || error == QSerialPort::PermissionError ||
                error == QSerialPort::DeviceNotFoundError)
                return -1;  // the adapter is gone
            m_port->clearError();
            return 0;
        }
    }
    const QByteArray data = m_port->readAll();
    out.insert(out.end(), reinterpret_cast<const std::uint8_t*>(data.constData()),
               reinterpret_cast<const std::uint8_t*>(data.constData()) + data.size());
    return static_cast<int>(data.size());
}

}  // namespace corvane::comms
