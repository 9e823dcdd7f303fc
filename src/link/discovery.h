// Unit discovery on Ethernet: one request datagram to the units' discovery port, a list of the
// units that answer (IP and MAC), and a double click that connects to one of them. The reply
// parser is pure code; the datagram socket is a port the platform implements.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/view.h"

namespace vexlan {

struct app_context;

inline constexpr const char* discovery_default_host = "255.255.255.255";
inline constexpr std::uint16_t discovery_default_port = 31001;
inline constexpr std::uint16_t discovery_default_local_port = 31002;
inline constexpr std::array<std::uint8_t, 4> discovery_request{0x01, 0x00, 0xFF, 0xFF};
inline constexpr std::size_t discovery_name_max = 12;
inline constexpr std::size_t discovery_rows_max = 1000;  // rows kept per request

// Record types of a reply.
enum discovery_record : std::uint8_t { record_mac = 2, record_ip = 3, record_name = 13, record_des = 14 };

struct discovery_row {
    std::string ip;   // "a.b.c.d"
    std::string mac;  // "00:1A:2B:3C:4D:5E"
    std::string name; // the model name the unit gave
    friend bool operator==(const discovery_row&, const discovery_row&) = default;
};

// The row a reply datagram adds, if any. Records are read only while they lie wholly inside the
// datagram; a MAC shorter than 6 or an IP shorter than 4 bytes ends the parse. A row comes from
// the first Des. record that follows a known model name and an IP.
std::optional<discovery_row> discovery_reply_parse(const std::uint8_t* data, std::size_t size);
std::optional<discovery_row> discovery_reply_parse(const std::string& datagram);

// The name of a Name record: its first 12 characters, blanks trimmed, characters outside
// 32..126 dropped.
std::string discovery_name_clean(const std::uint8_t* value, std::size_t size);
// Every model name the link supports (cut to 12 characters, as the parser cuts names).
bool discovery_name_known(const std::string& name);

// The datagram socket of discovery.
class datagram_port {
public:
    virtual ~datagram_port() = default;
    // Closes any open socket and binds a new one to `local_port` (0: any free port). Returns ""
    // or why it failed.
    virtual std::string bind(std::uint16_t local_port) = 0;
    virtual void close() = 0;
    // Sends one datagram; returns "" or why it failed.
    virtual std::string send_to(const std::string& host, std::uint16_t port, const std::string& bytes) = 0;
    // The bound local port, 0 when not bound.
    virtual std::uint16_t local_port() const = 0;
    // The platform calls this with every datagram that arrives.
    std::function<void(const std::string&)> on_datagram;
};

struct discovery_state {
    // where the request goes and where replies arrive (options of the application)
    std::string target_host = discovery_default_host;
    std::uint16_t target_port = discovery_default_port;
    std::uint16_t local_port = discovery_default_local_port;

    std::vector<discovery_row> rows;  // lstv_discovery, in arrival order
    int counter = 0;                  // rows added since the last request
    int selected = -1;                // selected row, -1 none
    control_view lab_discovery_error = error_label();  // red, under the list

    datagram_port* port = nullptr;
    std::function<void()> on_change;  // rows or the error label changed

    static control_view error_label() {
        control_view v;
        v.color = rgb_red;
        v.visible = false;
        return v;
    }
};

// Empties the list, binds the socket and sends the request; a socket that cannot be bound or a
// request that cannot be sent is reported in the red label under the list.
void eth_discover(app_context& ctx);
// One datagram arrived on the discovery socket.
void wsk_discovery_data(app_context& ctx, const std::string& datagram);
// "Find IP": shows the list and discovers, or hides it. "Refresh": discovers again.
void cmd_eth_find_click(app_context& ctx);
void cmd_eth_refresh_click(app_context& ctx);
// Double click on a row: connect to its IP (nothing while a transaction or a poll runs).
void lstv_discovery_dbl_click(app_context& ctx, int row);

// Installs "Find IP" and "Refresh" into the page hooks and the datagram handler into the port.
void discovery_hooks_install(app_context& ctx);

}  // namespace vexlan
