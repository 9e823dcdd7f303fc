// State of the one link to a unit: the command transaction, its receivers, the link choice and
// the link status caption.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/cmd_line.h"
#include "link/view.h"

namespace vexlan {

// The reply record of one transaction. Each transaction owns one; the receivers fill only the
// record that is on the wire, so a reply is never taken for another command's.
struct rx_record {
    std::string word;            // command word of the line that was sent
    std::vector<std::string> echo;  // the arguments its reply repeats (reply_echo.h)
    bool edid_mode = false;      // an EDID read: the reply has a 386-character data phase
    bool term_raw = false;       // a terminal "$help"/"$?": the reply ends at EOT
    std::string rx_line;
    std::string rx_data;
    bool rx_cr_seen = false;
    bool rx_lf_seen = false;
    bool rx_done = false;
    int rx_count = 0;
    std::uint32_t deadline_ms = 0;  // the end of the wait for the current send

    void clear_receive() {
        rx_line.clear();
        rx_data.clear();
        rx_cr_seen = rx_lf_seen = rx_done = false;
        rx_count = 0;
    }
};

struct busy_bar_view {
    static constexpr int start = 1950, limit = 3450, step = 15;
    bool visible = false;
    int left = start;  // twips
    void advance() {
        left += step;
        if (left >= limit) left = start;
    }
};

constexpr std::size_t edid_image_bytes = 513;
constexpr int rx_edid_data_length = 386;
constexpr std::size_t term_text_limit = 65530;
// Caps on what the receivers hold: a reply line that grows past rx_line_limit without ending is
// dropped, and of the bytes that arrive between transactions only the last rx_idle_limit stay.
constexpr std::size_t rx_line_limit = 64 * 1024;
constexpr std::size_t rx_idle_limit = 64 * 1024;
// Bytes a platform adapter hands to the receivers per wake-up at most, so that a wait's deadline
// holds whatever the input rate.
constexpr std::size_t rx_read_chunk = 64 * 1024;

struct link_state {
    cmd_table_t cmd_table{};

    // transaction
    bool cmd_busy = false;
    int cmd_result = 0;
    std::string rx_line;
    std::string rx_param1 = "None", rx_param2 = "None", rx_param3 = "None";
    bool rx_cr_seen = false, rx_lf_seen = false, rx_done = false;
    int rx_count = 0;
    bool rx_edid_mode = false;
    std::string rx_data;
    bool poll_quiet = false;
    bool app_closing = false;

    // command terminal
    bool term_raw = false;
    bool term_visible = false;
    std::string term_text;
    bool tx_verbatim = false;  // the next line is sent exactly as given (a typed "$edid_write")

    // link choice and state
    int link_iface = 0;  // 0 RS-232, 1 Ethernet
    int com_port = 1;
    bool com_open = false;
    std::string eth_ip;
    bool eth_connected = false;

    // the WRITE side's image, sent by "$edid_write" (owned by the EDID workspace)
    const std::array<std::uint8_t, edid_image_bytes>* edid_write_image = nullptr;

    // views
    control_view lab_link = make_caption("Not Linked");
    busy_bar_view busy_bar;

    // the record whose reply is awaited now, if any
    rx_record* wire = nullptr;
    // command word of the last command that got no reply; a late reply carrying it is
    // dropped instead of being taken for the reply of a later command
    std::string stale_word;
    // bytes that arrived over TCP while no command was pending (at most rx_idle_limit)
    std::string rx_idle;
    // data-phase bytes of a dropped late EDID read reply still to be skipped
    int rx_skip = 0;
    // transactions under way (more than one when an operator action runs inside a wait)
    int depth = 0;

    // notifications for the view layer
    std::function<void()> on_term_text;     // term_text changed
    std::function<void()> on_link_caption;  // lab_link changed
    std::function<void()> on_busy_bar;      // busy_bar changed
};

}  // namespace vexlan
