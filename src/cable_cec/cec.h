// The CEC page (main page 6): ten stored transmit messages with their Send buttons, and the
// unit's twelve-line CEC log read line by line through the periodic poll.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "link/view.h"

namespace vexlan {

struct app_context;

inline constexpr int cec_msg_count = 10;
inline constexpr int cec_log_line_count = 12;
inline constexpr std::size_t cec_msg_max = 48;  // characters per stored message

struct cec_state {
    std::array<control_view, cec_msg_count> txt_cec_tx_msg{};  // caption: the box's text
    std::array<control_view, cec_msg_count> cmd_cec_tx_send = send_buttons();
    control_view cmd_cec_data_type = inactive("Text");
    control_view cmd_cec_clear = make_caption("Clear");
    std::array<std::string, cec_log_line_count> cec_log_lines{};
    std::string txt_cec_monitor_log = log_text_of({});  // twelve lines, each ending CR LF
    int cec_send_index = 0;

    std::function<void()> on_change;

    static std::array<control_view, cec_msg_count> send_buttons() {
        std::array<control_view, cec_msg_count> a;
        for (int i = 0; i < cec_msg_count; ++i) a[static_cast<std::size_t>(i)].caption = "Send " + std::to_string(i + 1);
        return a;
    }
    static control_view inactive(const char* caption) {
        control_view v = make_caption(caption);
        v.enabled = false;
        return v;
    }
    static std::string log_text_of(const std::array<std::string, cec_log_line_count>& lines) {
        std::string s;
        for (const auto& l : lines) s += l + "\r\n";
        return s;
    }
};

// Operator actions: Clear (deferred code 4) and "Send i+1" (deferred code 5).
void cmd_cec_clear_click(app_context& ctx);
void cmd_cec_tx_send_click(app_context& ctx, int index);
// Reads the ten stored messages into their boxes.
void cec_tx_msg_refresh(app_context& ctx);
// Display of one accepted "$cec_log_msg? " reply.
void cec_log_reply_show(app_context& ctx);

// Installs the page's reader, deferred replays and reply display into the context's page hooks.
void cec_hooks_install(app_context& ctx);

}  // namespace vexlan
