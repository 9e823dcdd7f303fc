#include "platform/qt_session.h"

#include <cstdlib>

#include "link/transaction.h"

namespace vexlan {

qt_session::qt_session() {
    ctx.ports = {&serial, &tcp, &clock, &pump, &timers, &dialogs};
    tcp.on_data = [this](const std::string& b) {
        if (ctx.link.link_iface == 1) link_receive(ctx, b);
    };
    serial.on_data = [this](const std::string& b) {
        if (ctx.link.link_iface == 0) link_receive(ctx, b);
    };
    tcp.on_connected = [this] { ctx.link.eth_connected = true; };
    tcp.on_closed = [this] { ctx.link.eth_connected = false; };
    timers.on_tick(timer_id::tim_rx, [this] { tim_rx_tick(ctx); });
}

std::string qt_session::open_tcp(const std::string& target, int timeout_ms) {
    auto& L = ctx.link;
    L.link_iface = 1;
    std::string host;
    std::uint16_t port = 23;
    if (auto err = tcp_target_parse(target, 23, host, port); !err.empty()) return err;
    L.eth_connected = false;
    tcp.connect_to(host, port);
    const auto deadline = clock.now_ms() + static_cast<std::uint32_t>(timeout_ms);
    pump.wait_until(deadline, [&] { return L.eth_connected || tcp.state_code() == 0; });
    if (!L.eth_connected)
        return "cannot connect to " + host + ":" + std::to_string(port) +
               (tcp.state_code() == 0 ? " (connection refused or host unreachable)" : " (timed out)");
    return {};
}

std::string qt_session::open_serial(const std::string& device) {
    ctx.link.link_iface = 0;
    const auto err = serial.open(device);
    if (!err.empty()) return "cannot open serial port " + device + ": " + err;
    ctx.link.com_open = true;
    return {};
}

}  // namespace vexlan
