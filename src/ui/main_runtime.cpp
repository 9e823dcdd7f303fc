#include "ui/main_runtime.h"

#include <QTimer>

#include "edid/edid_page.h"
#include "cable_cec/cable_test.h"
#include "cable_cec/cec.h"
#include "link/discovery.h"
#include "link/lifecycle.h"
#include "link/tasks.h"
#include "link/transaction.h"
#include "link/transports.h"
#include "monitor/monitor_view.h"
#include "terminal/terminal.h"

namespace vexlan {

std::string qt_serial_control::open_port(int com_port) {
    const std::string device = map_.device_for(com_port);
    if (device.empty()) return "no serial device for COM" + std::to_string(com_port) + ":";
    return link_.open(device);
}

main_runtime::main_runtime(const runtime_options& options, dialog_port* dialogs)
    : port_map(options.serial_device) {
    ctx.ports = {&serial, &tcp, &clock, &pump, &timers, dialogs};
    ctx.controls = {&serial_ctl, &tcp_ctl};
    ctx.transport.unit_port = options.unit_port;
    ctx.life.app_dir = options.app_dir;
    ctx.life.folder_notices = options.folder_notices;

    tcp.on_data = [this](const std::string& bytes) {
        if (ctx.link.link_iface == 1) link_receive(ctx, bytes);
    };
    tcp.on_connected = [this] { wsk_connect_event(ctx); };
    // The close event reconnects and waits, so it runs after the socket's own signal has
    // returned, and only if the core has not connected or closed since.
    tcp.on_closed = [this] {
        const unsigned gen = tcp_ctl.generation();
        QTimer::singleShot(0, this, [this, gen] {
            if (gen == tcp_ctl.generation()) wsk_close_event(ctx);
        });
    };
    serial.on_data = [this](const std::string& bytes) {
        if (ctx.link.link_iface == 0) link_receive(ctx, bytes);
    };

    // the EDID page: slot names on refresh, the deferred rename, the VIC table at start-up
    ctx.hooks.edid_slots_read = [this] { edid_slot_names_refresh(ctx); };
    ctx.hooks.edid_slot_rename = [this] { edid_rename_replay(ctx); };
    ctx.life.lists_init = [this, before = ctx.life.lists_init] {
        if (before) before();
        edid_page_init(ctx);
    };
    output_pages_hooks_install(ctx);
    output_panel_hooks_install(ctx);
    monitor_hooks_install(ctx);
    // the cable, CEC, terminal and discovery parts of the pages
    ctx.discovery.port = &discovery;
    ctx.discovery.target_host = options.discovery_host;
    ctx.discovery.target_port = options.discovery_port;
    ctx.discovery.local_port = options.discovery_local_port;
    cable_hooks_install(ctx);
    cec_hooks_install(ctx);
    terminal_hooks_install(ctx);
    discovery_hooks_install(ctx);

    timers.on_tick(timer_id::tim_rx, [this] { tim_rx_tick(ctx); });
    timers.on_tick(timer_id::tim_monitor, [this] { tim_monitor_tick(ctx); });
    timers.on_tick(timer_id::tim_clock, [this] { tim_clock_tick(ctx); });
    timers.on_tick(timer_id::tim_eth, [this] { tim_eth_tick(ctx); });
}

main_runtime::~main_runtime() {
    for (auto t : {timer_id::tim_rx, timer_id::tim_monitor, timer_id::tim_clock, timer_id::tim_eth})
        timers.set_enabled(t, false);
    tcp.on_data = nullptr;
    tcp.on_connected = nullptr;
    tcp.on_closed = nullptr;
    serial.on_data = nullptr;
    discovery.on_datagram = nullptr;
}

}  // namespace vexlan
