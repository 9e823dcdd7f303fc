// The serial and TCP transports: choosing the link, opening and closing each, the link buttons,
// the IP address check and the supervision of the TCP connection.
//
// The core drives the two links through the small control interfaces below; the bytes themselves
// go through the byte_link ports of the context (ports.serial, ports.tcp). The platform calls
// wsk_connect_event / wsk_close_event when the TCP connection is made or closed by the far end,
// and tim_eth_tick when the supervision timer fires.
#pragma once

#include <string>

namespace vexlan {

struct app_context;

// Opening and closing the serial port by its number ("COM1:" .. "COM16:").
class serial_control {
public:
    virtual ~serial_control() = default;
    // Opens port `com_port` at "115200,N,8,1", raw bytes, buffers emptied; a read returns all
    // that waits. Returns "" or why it failed.
    virtual std::string open_port(int com_port) = 0;
    virtual void close() = 0;
};

// Connecting and closing the TCP client.
class tcp_control {
public:
    virtual ~tcp_control() = default;
    // Closes any connection and starts connecting; returns at once. The platform later calls
    // wsk_connect_event when the connection stands (or nothing, when it never does).
    virtual void connect_to(const std::string& host, int port) = 0;
    virtual void close() = 0;
    // 0 closed, 5 host lookup, 6 connecting, 7 connected, 8 closing, 9 error.
    virtual int state_code() const = 0;
};

inline constexpr int tcp_state_closed = 0;
inline constexpr int tcp_state_connected = 7;
inline constexpr int unit_tcp_port = 23;
inline constexpr int eth_interval_connecting_ms = 7000;
inline constexpr int eth_interval_connected_ms = 100;

struct link_controls {
    serial_control* serial = nullptr;
    tcp_control* tcp = nullptr;
};

struct transport_state {
    int unit_port = unit_tcp_port;  // TCP port of the unit (23; a test lab may choose another)
    std::string eth_host;           // remote host prepared by eth_setup
    bool eth_connecting = false;    // a connect attempt runs (the Ethernet button is yellow)
    bool eth_reconnecting = false;  // a lost connection is being re-established once
};

// The link in use is up: RS-232 the port is open (as it reports) and com_open set; Ethernet the
// socket is connected and eth_connected set.
bool link_is_up(const app_context& ctx);

// Connected over TCP with no connect under way, a unit linked and no command running. A Connect
// click's second attempt may close a connection its first made and linked meanwhile; this holds
// only for the connection that stays.
bool eth_link_settled(const app_context& ctx);

// Operator actions of the link area.
void cbo_interface_change(app_context& ctx, int index);
void cbo_com_change(app_context& ctx, int index);
void cmd_rs232_open_click(app_context& ctx);
void cmd_eth_open_click(app_context& ctx);
void txt_eth_ip_enter(app_context& ctx);

// (Re)opens the serial port com_port; reports "RS-232 can not work on COM n: !" on failure.
void comport_set(app_context& ctx);
// Validates and normalises the text of txt_eth_ip into eth_ip.
bool eth_ip_check(app_context& ctx);
// The normalised address, or "" when the text does not have exactly four fields.
std::string eth_ip_normalise(const std::string& text);
// Prepares the socket: closes it, remote host eth_ip, remote port unit_port.
void eth_setup(app_context& ctx);
// true: start connecting; false: close the connection.
void eth_link_set(app_context& ctx, bool on);

// Socket events and the supervision timer.
void wsk_connect_event(app_context& ctx);
void wsk_close_event(app_context& ctx);
void tim_eth_tick(app_context& ctx);

// The serial port is closed by the application (button, port change, a port that has gone).
void serial_close(app_context& ctx);

// Link buttons: open/connected, closed, connecting, not in use.
void link_button_open(app_context& ctx, bool ethernet);
void link_button_closed(app_context& ctx, bool ethernet);

}  // namespace vexlan
