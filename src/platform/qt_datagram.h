// The discovery socket: a QUdpSocket behind the core's datagram port.
#pragma once

#include <QObject>
#include <QUdpSocket>

#include "link/discovery.h"

namespace vexlan {

class qt_datagram_port : public QObject, public datagram_port {
    Q_OBJECT
public:
    explicit qt_datagram_port(QObject* parent = nullptr);
    std::string bind(std::uint16_t local_port) override;
    void close() override;
    std::string send_to(const std::string& host, std::uint16_t port, const std::string& bytes) override;
    std::uint16_t local_port() const override;

private:
    void read_pending();
    QUdpSocket socket_;
};

}  // namespace vexlan
