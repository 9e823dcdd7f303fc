#include "link/discovery.h"

#include <cstdio>

#include "link/app_context.h"
#include "link/tasks.h"
#include "link/transaction.h"
#include "link/transports.h"

namespace vexlan {

namespace {

void changed(const discovery_state& D) {
    if (D.on_change) D.on_change();
}

void error_show(discovery_state& D, const std::string& text) {
    D.lab_discovery_error.caption = text;
    D.lab_discovery_error.visible = !text.empty();
}

std::string mac_text(const std::uint8_t* v) {
    char buf[18];
    std::snprintf(buf, sizeof buf, "%02X:%02X:%02X:%02X:%02X:%02X", v[0], v[1], v[2], v[3], v[4], v[5]);
    return buf;
}

std::string ip_text(const std::uint8_t* v) {
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." + std::to_string(v[3]);
}

}  // namespace

std::string discovery_name_clean(const std::uint8_t* value, std::size_t size) {
    std::string s(reinterpret_cast<const char*>(value), size < discovery_name_max ? size : discovery_name_max);
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    s = s.substr(first, s.find_last_not_of(' ') - first + 1);
    std::string out;
    for (unsigned char c : s)
        if (c >= 32 && c <= 126) out += static_cast<char>(c);
    return out;
}

bool discovery_name_known(const std::string& name) {
    // the names the discovery always listed, and every model of the unit link's model table
    static const char* const names[] = {"MRV-510", "MRV-410",  "Pattern Gen.", "DN-7", "735",
                                        "KS-P9-GTR", "MRV-410L", "DN-6P",       "736"};
    for (const char* n : names)
        if (name == n) return true;
    return false;
}

std::optional<discovery_row> discovery_reply_parse(const std::uint8_t* data, std::size_t size) {
    discovery_row row;
    bool have_ip = false;
    std::size_t pos = 2;
    while (data && pos + 2 <= size) {
        const std::uint8_t type = data[pos];
        const std::size_t len = data[pos + 1];
        const std::uint8_t* value = data + pos + 2;
        if (len > size - pos - 2) break;  // the value would run past the datagram
        switch (type) {
        case record_mac:
            if (len < 6) return std::nullopt;
            row.mac = mac_text(value);
            break;
        case record_ip:
            if (len < 4) return std::nullopt;
            row.ip = ip_text(value);
            have_ip = true;
            break;
        case record_name: row.name = discovery_name_clean(value, len); break;
        case record_des:
            if (have_ip && discovery_name_known(row.name)) return row;
            break;
        default: break;  // other types are skipped by their length
        }
        pos += 2 + len;
    }
    return std::nullopt;
}

std::optional<discovery_row> discovery_reply_parse(const std::string& datagram) {
    return discovery_reply_parse(reinterpret_cast<const std::uint8_t*>(datagram.data()), datagram.size());
}

void eth_discover(app_context& ctx) {
    auto& D = ctx.discovery;
    D.counter = 0;
    D.rows.clear();
    D.selected = -1;
    error_show(D, "");
    if (!D.port) {
        error_show(D, "Discovery is not available.");
        changed(D);
        return;
    }
    D.port->close();
    std::string err = D.port->bind(D.local_port);
    if (!err.empty()) {
        error_show(D, "Cannot receive on UDP port " + std::to_string(D.local_port) + ": " + err);
        changed(D);
        return;
    }
    const std::string request(discovery_request.begin(), discovery_request.end());
    err = D.port->send_to(D.target_host, D.target_port, request);
    if (!err.empty())
        error_show(D, "Cannot send to " + D.target_host + ":" + std::to_string(D.target_port) + ": " + err);
    changed(D);
}

void wsk_discovery_data(app_context& ctx, const std::string& datagram) {
    auto& D = ctx.discovery;
    auto row = discovery_reply_parse(datagram);
    if (!row || D.rows.size() >= discovery_rows_max) return;
    D.rows.push_back(std::move(*row));
    ++D.counter;
    changed(D);
}

void cmd_eth_find_click(app_context& ctx) {
    auto& V = ctx.view;
    if (!V.fra_discovery.visible) {
        V.cmd_eth_refresh.enabled = true;
        V.fra_discovery.visible = true;
        view_changed(V);
        eth_discover(ctx);
    } else {
        V.cmd_eth_refresh.enabled = false;
        V.fra_discovery.visible = false;
        view_changed(V);
    }
}

void cmd_eth_refresh_click(app_context& ctx) { eth_discover(ctx); }

void lstv_discovery_dbl_click(app_context& ctx, int row) {
    auto& D = ctx.discovery;
    auto& V = ctx.view;
    if (D.rows.empty() || row < 0 || row >= static_cast<int>(D.rows.size())) return;
    if (ctx.link.cmd_busy || ctx.tasks.poll_busy) return;
    D.selected = row;
    V.txt_eth_ip.caption = D.rows[static_cast<std::size_t>(row)].ip;
    view_changed(V);
    if (eth_ip_check(ctx)) {
        eth_link_set(ctx, false);
        delay_seconds(ctx, 0.5);
        eth_link_set(ctx, true);
        delay_seconds(ctx, 0.5);
        if (!ctx.link.eth_connected) eth_link_set(ctx, true);
    }
    ui_state_set(ctx);
    V.cmd_eth_refresh.enabled = false;
    V.fra_discovery.visible = false;
    view_changed(V);
}

void discovery_hooks_install(app_context& ctx) {
    app_context* c = &ctx;
    ctx.hooks.eth_find_click = [c] { cmd_eth_find_click(*c); };
    ctx.hooks.eth_refresh_click = [c] { cmd_eth_refresh_click(*c); };
    if (ctx.discovery.port) ctx.discovery.port->on_datagram = [c](const std::string& d) { wsk_discovery_data(*c, d); };
}

}  // namespace vexlan
