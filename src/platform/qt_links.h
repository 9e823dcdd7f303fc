// Qt adapters of the byte link: a TCP client (QTcpSocket) and a serial port (QSerialPort).
// Both push received bytes to on_data as soon as they arrive.
#pragma once

#include <QObject>
#include <QSerialPort>
#include <QTcpSocket>
#include <functional>
#include <string>

#include "link/ports.h"

namespace vexlan {

class qt_tcp_link : public QObject, public byte_link {
    Q_OBJECT
public:
    explicit qt_tcp_link(QObject* parent = nullptr);
    ~qt_tcp_link() override;

    bool is_open() const override;
    bool write(const std::string& bytes) override;
    std::size_t bytes_to_write() const override;
    void wait_written(int timeout_ms) override;
    void discard_input() override;
    std::size_t bytes_available() const override;
    std::string read_all() override;

    // Starts connecting (returns at once; on_connected or nothing follows).
    void connect_to(const std::string& host, quint16 port);
    void close();
    // The socket state as the connection supervision asks for it: 7 = connected.
    int state_code() const;

    std::function<void(const std::string&)> on_data;
    std::function<void()> on_connected;
    std::function<void()> on_closed;  // the far end closed the connection

private:
    QTcpSocket socket_;
    bool closing_ = false;
};

class qt_serial_link : public QObject, public byte_link {
    Q_OBJECT
public:
    explicit qt_serial_link(QObject* parent = nullptr);
    ~qt_serial_link() override;

    bool is_open() const override;
    bool write(const std::string& bytes) override;
    std::size_t bytes_to_write() const override;
    void wait_written(int timeout_ms) override;
    void discard_input() override;
    std::size_t bytes_available() const override;
    std::string read_all() override;
    bool probe() override;

    // Opens a device (e.g. /dev/ttyUSB0) at "115200,N,8,1", raw bytes, buffers emptied.
    // Returns "" or the reason it failed.
    std::string open(const std::string& device);
    void close();
    std::string device() const { return device_; }

    std::function<void(const std::string&)> on_data;

private:
    QSerialPort port_;
    std::string device_;
};

}  // namespace vexlan
