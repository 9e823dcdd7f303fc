// The running application without its window: the context, the Qt adapters of its ports, the two
// links with their controls, and the timers wired to the core's tick functions.
#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <vector>

#include "link/app_context.h"
#include "platform/qt_datagram.h"
#include "platform/qt_links.h"
#include "platform/qt_runtime.h"
#include "platform/serial_ports.h"

namespace vexlan {

struct runtime_options {
    std::string app_dir;        // the application directory (prepared by the caller)
    std::vector<std::string> folder_notices;  // what preparing it had to say, shown at start-up
    int unit_port = unit_tcp_port;
    std::string serial_device;  // listed first as "COM1:" when given
    std::string discovery_host = discovery_default_host;  // where the discovery request goes
    std::uint16_t discovery_port = discovery_default_port;
    std::uint16_t discovery_local_port = discovery_default_local_port;  // 0: any free port
};

// "COMn:" opens the n-th device of the port map.
class qt_serial_control : public serial_control {
public:
    qt_serial_control(qt_serial_link& link, serial_port_map& map) : link_(link), map_(map) {}
    std::string open_port(int com_port) override;
    void close() override { link_.close(); }

private:
    qt_serial_link& link_;
    serial_port_map& map_;
};

class qt_tcp_control : public tcp_control {
public:
    explicit qt_tcp_control(qt_tcp_link& link) : link_(link) {}
    void connect_to(const std::string& host, int port) override {
        ++generation_;
        link_.connect_to(host, static_cast<quint16>(port));
    }
    void close() override {
        ++generation_;
        link_.close();
    }
    int state_code() const override { return link_.state_code(); }
    // Changes whenever the core connects or closes: an event of an older connection is stale.
    unsigned generation() const { return generation_; }

private:
    qt_tcp_link& link_;
    unsigned generation_ = 0;
};

class main_runtime : public QObject {
    Q_OBJECT
public:
    main_runtime(const runtime_options& options, dialog_port* dialogs);
    ~main_runtime() override;

    app_context ctx;
    qt_clock clock;
    qt_event_pump pump{clock};
    qt_timers timers;
    serial_port_map port_map;
    qt_tcp_link tcp;
    qt_serial_link serial;
    qt_serial_control serial_ctl{serial, port_map};
    qt_tcp_control tcp_ctl{tcp};
    qt_datagram_port discovery;
};

}  // namespace vexlan
