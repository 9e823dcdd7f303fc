#include "platform/qt_datagram.h"

#include <QNetworkDatagram>
#include <QTimer>

namespace vexlan {

namespace {
constexpr int datagrams_per_wakeup = 256;  // the rest is read on the next turn of the loop
}

qt_datagram_port::qt_datagram_port(QObject* parent) : QObject(parent) {
    connect(&socket_, &QUdpSocket::readyRead, this, &qt_datagram_port::read_pending);
}

std::string qt_datagram_port::bind(std::uint16_t local_port) {
    close();
    // exclusive: a second instance must learn that the port is taken, not share its replies
    if (!socket_.bind(QHostAddress::AnyIPv4, local_port, QAbstractSocket::DontShareAddress))
        return socket_.errorString().toStdString();
    return {};
}

void qt_datagram_port::close() { socket_.close(); }

std::string qt_datagram_port::send_to(const std::string& host, std::uint16_t port, const std::string& bytes) {
    const QHostAddress address(QString::fromStdString(host));
    if (address.isNull()) return "not an address: " + host;
    if (socket_.writeDatagram(bytes.data(), static_cast<qint64>(bytes.size()), address, port) < 0)
        return socket_.errorString().toStdString();
    return {};
}

std::uint16_t qt_datagram_port::local_port() const {
    return socket_.state() == QAbstractSocket::BoundState ? socket_.localPort() : 0;
}

void qt_datagram_port::read_pending() {
    for (int n = 0; socket_.hasPendingDatagrams(); ++n) {
        if (n == datagrams_per_wakeup) {
            QTimer::singleShot(0, this, &qt_datagram_port::read_pending);
            return;
        }
        const QNetworkDatagram d = socket_.receiveDatagram(65536);
        if (on_datagram) on_datagram(d.data().toStdString());
    }
}

}  // namespace vexlan
