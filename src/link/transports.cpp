#include "link/transports.h"

#include "link/app_context.h"
#include "link/tasks.h"
#include "link/transaction.h"

namespace vexlan {

namespace {

constexpr const char* tip_disconnect = "Click to disconnect unit";
constexpr const char* tip_connect = "Click to connect unit";

void timer_enable(app_context& ctx, timer_id t, bool on) {
    if (ctx.ports.timers) ctx.ports.timers->set_enabled(t, on);
}

void message(app_context& ctx, const std::string& text) {
    if (ctx.ports.dialogs) ctx.ports.dialogs->message_box(text, msg_icon::critical);
}

control_view& link_button(app_context& ctx, bool ethernet) {
    return ethernet ? ctx.view.cmd_eth_open : ctx.view.cmd_rs232_open;
}

void button_set(app_context& ctx, bool ethernet, rgb color, const char* tip) {
    auto& b = link_button(ctx, ethernet);
    b.color = color;
    b.tool_tip = tip;
    const bool open = color == rgb_green;
    b.caption = ethernet ? (open ? "Disconnect" : "Connect") : (open ? "Close" : "Open");
    view_changed(ctx.view);
}

// The button of the link that is not in use: grey, disabled, hidden, no tool tip.
void button_unused(control_view& b, bool ethernet) {
    b.caption = ethernet ? "Connect" : "Open";
    b.color = rgb_grey;
    b.enabled = false;
    b.visible = false;
    b.tool_tip.clear();
}

void button_in_use(control_view& b, bool ethernet) {
    b.caption = ethernet ? "Connect" : "Open";
    b.color = rgb_red;
    b.enabled = true;
    b.visible = true;
    b.tool_tip = tip_connect;
}

void show(control_view& v, bool on) {
    v.visible = on;
    v.enabled = on;
}

bool serial_really_open(const app_context& ctx) { return ctx.ports.serial && ctx.ports.serial->is_open(); }

// "$boot?" after the serial port was opened, and the refresh action unless it went unanswered.
void serial_boot_and_refresh(app_context& ctx) {
    if (!serial_really_open(ctx)) return;
    cmdtx_str(ctx, "$boot?\r");
    if (ctx.link.cmd_result != 2) refresh_action(ctx);
}

// A reconnect of a lost connection: one attempt, half a second to succeed.
bool eth_reconnect_once(app_context& ctx) {
    ctx.transport.eth_reconnecting = true;
    eth_link_set(ctx, true);
    delay_seconds(ctx, 0.5);
    ctx.transport.eth_reconnecting = false;
    return ctx.link.eth_connected;
}

}  // namespace

bool eth_link_settled(const app_context& ctx) {
    return ctx.link.eth_connected && !ctx.transport.eth_connecting && ctx.profile.model_index != model_none &&
           !ctx.link.cmd_busy;
}

bool link_is_up(const app_context& ctx) {
    if (ctx.link.link_iface == 0) return serial_really_open(ctx) && ctx.link.com_open;
    return ctx.link.eth_connected && (!ctx.ports.tcp || ctx.ports.tcp->is_open());
}

void link_button_open(app_context& ctx, bool ethernet) { button_set(ctx, ethernet, rgb_green, tip_disconnect); }

void link_button_closed(app_context& ctx, bool ethernet) { button_set(ctx, ethernet, rgb_red, tip_connect); }

void serial_close(app_context& ctx) {
    if (ctx.controls.serial) ctx.controls.serial->close();
}

void cbo_interface_change(app_context& ctx, int index) {
    auto& V = ctx.view;
    ctx.link.link_iface = index == 0 ? 0 : 1;
    V.cbo_interface_index = ctx.link.link_iface;
    if (ctx.link.link_iface == 0) {
        eth_link_set(ctx, false);
        button_unused(V.cmd_eth_open, true);
        for (auto* c : {&V.lab_ip, &V.txt_eth_ip, &V.cmd_eth_find, &V.cmd_eth_refresh, &V.fra_discovery})
            c->visible = false;
        button_in_use(V.cmd_rs232_open, false);
        for (auto* c : {&V.lab_rs232_protocol, &V.cbo_com, &V.cmd_device}) show(*c, true);
    } else {
        if (ctx.link.com_open) {
            ctx.link.com_open = false;
            serial_close(ctx);
        }
        button_unused(V.cmd_rs232_open, false);
        for (auto* c : {&V.lab_rs232_protocol, &V.cbo_com, &V.cmd_device}) show(*c, false);
        button_in_use(V.cmd_eth_open, true);
        for (auto* c : {&V.lab_ip, &V.txt_eth_ip, &V.cmd_eth_find, &V.cmd_eth_refresh}) show(*c, true);
    }
    view_changed(V);
    if (!ctx.life.starting_up) focus_move(V);
}

void comport_set(app_context& ctx) {
    auto& L = ctx.link;
    ctx.view.cmd_rs232_open.color = rgb_yellow;
    view_changed(ctx.view);
    events_process(ctx);
    std::string failure = ctx.controls.serial ? std::string() : std::string("no serial port");
    if (ctx.controls.serial) {
        if (L.com_open) ctx.controls.serial->close();
        failure = ctx.controls.serial->open_port(L.com_port);
    }
    if (failure.empty()) {
        L.com_open = true;
        ctx.life.unknown_model_reported.clear();
        link_button_open(ctx, false);
        events_process(ctx);
        return;
    }
    message(ctx, "RS-232 can not work on COM " + std::to_string(L.com_port) + ": !");
    link_button_closed(ctx, false);
    L.com_open = false;
}

void cmd_rs232_open_click(app_context& ctx) {
    ctx.view.cmd_rs232_open.enabled = false;
    view_changed(ctx.view);
    focus_move(ctx.view);
    events_process(ctx);
    if (ctx.link.com_open) {
        serial_close(ctx);
    } else {
        comport_set(ctx);
        serial_boot_and_refresh(ctx);
    }
    ui_state_set(ctx);
    ctx.view.cmd_rs232_open.enabled = true;
    view_changed(ctx.view);
}

void cbo_com_change(app_context& ctx, int index) {
    ctx.link.com_port = index + 1;
    ctx.view.cbo_com_index = index;
    if (ctx.life.starting_up) return;
    ctx.view.cbo_com.enabled = false;
    view_changed(ctx.view);
    focus_move(ctx.view);
    events_process(ctx);
    if (ctx.link.com_open) {
        serial_close(ctx);
        events_process(ctx);
        ctx.link.com_open = false;
    }
    comport_set(ctx);
    serial_boot_and_refresh(ctx);
    ui_state_set(ctx);
    ctx.view.cbo_com.enabled = true;
    view_changed(ctx.view);
}

std::string eth_ip_normalise(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    const std::string t = text.substr(first, last - first + 1);

    std::string out;
    int fields = 0;
    std::size_t pos = 0;
    for (;;) {
        const auto dot = t.find('.', pos);
        const std::string field = t.substr(pos, dot == std::string::npos ? std::string::npos : dot - pos);
        // the numeric value of the leading digits: leading zeros dropped, no digits -> 0
        std::size_t n = 0;
        while (n < field.size() && field[n] >= '0' && field[n] <= '9') ++n;
        std::size_t z = 0;
        while (z + 1 < n && field[z] == '0') ++z;
        if (fields) out += '.';
        out += n ? field.substr(z, n - z) : "0";
        ++fields;
        if (dot == std::string::npos) break;
        pos = dot + 1;
    }
    return fields == 4 ? out : std::string();
}

bool eth_ip_check(app_context& ctx) {
    const std::string normal = eth_ip_normalise(ctx.view.txt_eth_ip.caption);
    if (normal.empty()) {
        if (ctx.ports.dialogs) ctx.ports.dialogs->message_box("Wrong IP address.", msg_icon::critical);
        if (ctx.link.eth_connected) {
            ctx.view.txt_eth_ip.caption = ctx.link.eth_ip;
            view_changed(ctx.view);
        }
        return false;
    }
    ctx.view.txt_eth_ip.caption = normal;
    ctx.link.eth_ip = normal;
    view_changed(ctx.view);
    return true;
}

void eth_setup(app_context& ctx) {
    if (ctx.controls.tcp) ctx.controls.tcp->close();
    // The socket is closed: whatever connection stood is gone until the next connect event.
    ctx.link.eth_connected = false;
    ctx.transport.eth_host = ctx.link.eth_ip;
}

void eth_link_set(app_context& ctx, bool on) {
    auto& T = ctx.transport;
    if (on) {
        timer_enable(ctx, timer_id::tim_monitor, false);
        events_process(ctx);
        eth_setup(ctx);
        ctx.view.cmd_eth_open.color = rgb_yellow;
        view_changed(ctx.view);
        if (!ctx.link.app_closing) {
            timer_enable(ctx, timer_id::tim_eth, true);
            T.eth_connecting = true;
            if (ctx.controls.tcp) ctx.controls.tcp->connect_to(T.eth_host, T.unit_port);
        }
        return;
    }
    timer_enable(ctx, timer_id::tim_eth, false);
    if (ctx.controls.tcp) ctx.controls.tcp->close();
    ctx.link.eth_connected = false;
    T.eth_connecting = false;
    if (ctx.ports.timers) ctx.ports.timers->set_interval(timer_id::tim_eth, eth_interval_connecting_ms);
    link_button_closed(ctx, true);
}

void wsk_connect_event(app_context& ctx) {
    ctx.link.eth_connected = true;
    ctx.transport.eth_connecting = false;
    if (ctx.ports.timers) ctx.ports.timers->set_interval(timer_id::tim_eth, eth_interval_connected_ms);
    link_button_open(ctx, true);
    ctx.profile.model_index = model_none;  // the unit must be linked again
    ctx.life.unknown_model_reported.clear();
    if (ctx.tasks.main_page == 4) hook_call(ctx.hooks.monitor_form_set);
}

void wsk_close_event(app_context& ctx) {
    if (ctx.transport.eth_reconnecting || ctx.link.app_closing) return;  // the reconnect under way decides
    if (eth_reconnect_once(ctx)) return;
    eth_link_set(ctx, false);
    message(ctx, "Ethernet is disconnected !!");
}

void cmd_eth_open_click(app_context& ctx) {
    if (!ctx.link.eth_connected) {
        if (!eth_ip_check(ctx)) return;
        eth_link_set(ctx, true);
        if (!ctx.link.eth_connected) eth_link_set(ctx, true);
    } else {
        eth_link_set(ctx, false);
    }
    ui_state_set(ctx);
    focus_move(ctx.view);
}

void txt_eth_ip_enter(app_context& ctx) {
    if (!eth_ip_check(ctx)) return;
    ctx.view.txt_eth_ip.enabled = false;
    view_changed(ctx.view);
    events_process(ctx);
    eth_link_set(ctx, false);
    delay_seconds(ctx, 0.5);
    eth_link_set(ctx, true);
    delay_seconds(ctx, 0.5);
    if (!ctx.link.eth_connected) eth_link_set(ctx, true);
    ui_state_set(ctx);
    ctx.view.txt_eth_ip.enabled = true;
    view_changed(ctx.view);
    focus_move(ctx.view, focus_target::txt_eth_ip);
}

void tim_eth_tick(app_context& ctx) {
    if (ctx.link.app_closing) {
        timer_enable(ctx, timer_id::tim_eth, false);
        return;
    }
    // While a lost connection is re-established the reconnect decides, not the ticks.
    if (ctx.transport.eth_reconnecting) return;
    events_process(ctx);
    if (ctx.link.app_closing || ctx.transport.eth_reconnecting) return;
    const int state = ctx.controls.tcp ? ctx.controls.tcp->state_code() : tcp_state_closed;
    if (ctx.link.eth_connected) {
        if (state == tcp_state_connected) return;
        timer_enable(ctx, timer_id::tim_eth, false);
        if (eth_reconnect_once(ctx)) return;
        eth_link_set(ctx, false);
        message(ctx, "Ethernet is disconnected !");
        return;
    }
    // The time for a connect attempt ran out.
    timer_enable(ctx, timer_id::tim_eth, false);
    ctx.transport.eth_connecting = false;
    message(ctx, "Client could not find Server.");
    if (ctx.controls.tcp && ctx.controls.tcp->state_code() != tcp_state_closed) ctx.controls.tcp->close();
    link_button_closed(ctx, true);
}

}  // namespace vexlan
