#include "platform/qt_links.h"

#include <QFileInfo>

#include "link/link_state.h"

namespace vexlan {

namespace {

std::string to_bytes(const QByteArray& a) { return std::string(a.constData(), static_cast<std::size_t>(a.size())); }
QByteArray from_bytes(const std::string& s) { return QByteArray(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

// ---- TCP ----------------------------------------------------------------------------

qt_tcp_link::qt_tcp_link(QObject* parent) : QObject(parent) {
    // At most one chunk waits in the socket and goes to the receivers per wake-up: a peer that
    // sends without pause neither grows the buffer nor keeps a wait past its deadline.
    socket_.setReadBufferSize(static_cast<qint64>(rx_read_chunk));
    socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
    connect(&socket_, &QTcpSocket::readyRead, this, [this] {
        if (on_data) on_data(read_all());
        else discard_input();
    });
    connect(&socket_, &QTcpSocket::connected, this, [this] {
        socket_.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        if (on_connected) on_connected();
    });
    connect(&socket_, &QTcpSocket::disconnected, this, [this] {
        if (!closing_ && on_closed) on_closed();
    });
}

qt_tcp_link::~qt_tcp_link() {
    closing_ = true;
    socket_.abort();
}

bool qt_tcp_link::is_open() const { return socket_.state() == QAbstractSocket::ConnectedState; }

bool qt_tcp_link::write(const std::string& bytes) {
    if (!is_open()) return false;
    const auto n = socket_.write(from_bytes(bytes));
    socket_.flush();
    return n == static_cast<qint64>(bytes.size());
}

std::size_t qt_tcp_link::bytes_to_write() const { return static_cast<std::size_t>(socket_.bytesToWrite()); }

void qt_tcp_link::wait_written(int timeout_ms) {
    if (socket_.bytesToWrite() > 0) socket_.waitForBytesWritten(timeout_ms);
}

void qt_tcp_link::discard_input() { socket_.skip(socket_.bytesAvailable()); }

std::size_t qt_tcp_link::bytes_available() const { return static_cast<std::size_t>(socket_.bytesAvailable()); }

std::string qt_tcp_link::read_all() { return to_bytes(socket_.read(static_cast<qint64>(rx_read_chunk))); }

void qt_tcp_link::connect_to(const std::string& host, quint16 port) {
    close();
    socket_.connectToHost(QString::fromLatin1(host.c_str()), port);
}

void qt_tcp_link::close() {
    closing_ = true;
    socket_.abort();
    closing_ = false;
}

int qt_tcp_link::state_code() const {
    switch (socket_.state()) {
    case QAbstractSocket::UnconnectedState: return 0;
    case QAbstractSocket::HostLookupState: return 5;
    case QAbstractSocket::ConnectingState: return 6;
    case QAbstractSocket::ConnectedState: return 7;
    case QAbstractSocket::ClosingState: return 8;
    default: return 9;
    }
}

// ---- serial ---------------------------------------------------------------------------

qt_serial_link::qt_serial_link(QObject* parent) : QObject(parent) {
    port_.setReadBufferSize(static_cast<qint64>(rx_read_chunk));  // as for TCP
    connect(&port_, &QSerialPort::readyRead, this, [this] {
        if (on_data) on_data(read_all());
    });
}

qt_serial_link::~qt_serial_link() { close(); }

bool qt_serial_link::is_open() const { return port_.isOpen(); }

bool qt_serial_link::write(const std::string& bytes) {
    if (!port_.isOpen()) return false;
    return port_.write(from_bytes(bytes)) == static_cast<qint64>(bytes.size());
}

std::size_t qt_serial_link::bytes_to_write() const { return static_cast<std::size_t>(port_.bytesToWrite()); }

void qt_serial_link::wait_written(int timeout_ms) {
    while (port_.isOpen() && port_.bytesToWrite() > 0)
        if (!port_.waitForBytesWritten(timeout_ms)) break;
}

void qt_serial_link::discard_input() {
    if (!port_.isOpen()) return;
    port_.clear(QSerialPort::Input);
    port_.skip(port_.bytesAvailable());
}

std::size_t qt_serial_link::bytes_available() const { return static_cast<std::size_t>(port_.bytesAvailable()); }

std::string qt_serial_link::read_all() { return to_bytes(port_.read(static_cast<qint64>(rx_read_chunk))); }

bool qt_serial_link::probe() {
    if (!port_.isOpen()) return false;
    // An unplugged adapter shows as a resource error, or its device node is gone.
    if (port_.error() == QSerialPort::ResourceError) return false;
    return QFileInfo::exists(QString::fromLocal8Bit(device_.c_str()));
}

std::string qt_serial_link::open(const std::string& device) {
    close();
    device_ = device;
    port_.setPortName(QString::fromLocal8Bit(device.c_str()));
    port_.setBaudRate(QSerialPort::Baud115200);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!port_.open(QIODevice::ReadWrite)) return port_.errorString().toStdString();
    port_.clear(QSerialPort::AllDirections);
    return {};
}

void qt_serial_link::close() {
    if (port_.isOpen()) port_.close();
    port_.clearError();
}

}  // namespace vexlan
