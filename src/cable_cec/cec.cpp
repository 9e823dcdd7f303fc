#include "cable_cec/cec.h"

#include <cctype>

#include "link/app_context.h"
#include "link/transaction.h"

namespace vexlan {

namespace {

void changed(const cec_state& S) {
    if (S.on_change) S.on_change();
}

// A decimal number of one to `digits` digits and nothing else; -1 otherwise.
int small_number(const std::string& text, std::size_t digits) {
    if (text.empty() || text.size() > digits) return -1;
    int v = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

// The stored-message text of a "$cec_msg_set? n" reply: parameter 2, or "" when the reply has
// no text (the split gives "None" for an absent parameter; only a real "None" stays).
std::string stored_text(const link_state& L) {
    if (L.rx_param2 != "None") return L.rx_param2.substr(0, cec_msg_max);
    const auto blank = L.rx_line.find(' ');
    const bool literal = blank != std::string::npos && L.rx_line.find(",None", blank) != std::string::npos;
    return literal ? "None" : "";
}

}  // namespace

void cmd_cec_clear_click(app_context& ctx) {
    auto& S = ctx.cec;
    if (action_deferred_if_busy(ctx, deferred_cec_log_clear)) return;
    ctx.tasks.cec_log_counter = 0;
    ctx.tasks.poll_index = 0;
    S.cmd_cec_clear.enabled = false;
    changed(S);
    events_process(ctx);
    cmdtx_str(ctx, ctx.link.cmd_table[20] + "\r");
    S.cmd_cec_clear.enabled = true;
    changed(S);
}

void cmd_cec_tx_send_click(app_context& ctx, int index) {
    auto& S = ctx.cec;
    if (index < 0 || index >= cec_msg_count) return;
    S.cec_send_index = index;
    if (action_deferred_if_busy(ctx, deferred_cec_msg_send)) return;
    auto& button = S.cmd_cec_tx_send[static_cast<std::size_t>(index)];
    button.enabled = false;
    changed(S);
    events_process(ctx);
    const std::string n = std::to_string(index + 1);
    const std::string& text = S.txt_cec_tx_msg[static_cast<std::size_t>(index)].caption;
    if (cmdtx_str(ctx, ctx.link.cmd_table[22] + n + "," + text + "\r") == 1)
        cmdtx_str(ctx, ctx.link.cmd_table[24] + n + "\r");
    button.enabled = true;
    changed(S);
}

void cec_tx_msg_refresh(app_context& ctx) {
    auto& S = ctx.cec;
    auto& L = ctx.link;
    for (int n = 1; n <= cec_msg_count; ++n) {
        const int result = cmdtx_str(ctx, L.cmd_table[23] + std::to_string(n) + "\r");
        if (result != 1 && result != 3) break;
        // only this slot's own accepted reply fills a box
        if (result != 1 || small_number(L.rx_param1, 2) != n) continue;
        S.txt_cec_tx_msg[static_cast<std::size_t>(n - 1)].caption = stored_text(L);
        changed(S);
    }
}

void cec_log_reply_show(app_context& ctx) {
    auto& S = ctx.cec;
    const auto& L = ctx.link;
    const std::string& p2 = L.rx_param2;
    if (p2.size() > 2) return;
    const int line = small_number(L.rx_param1, 2);
    if (line < 1 || line > cec_log_line_count) return;  // not a line of the log
    auto& text = S.cec_log_lines[static_cast<std::size_t>(line - 1)];
    if (p2 == "0") {
        text.clear();
    } else {
        text = (p2.size() < 2 ? std::string(2 - p2.size(), ' ') : std::string()) + p2 + ". " +
               (L.rx_param3 == "None" ? std::string() : L.rx_param3);
    }
    S.txt_cec_monitor_log = cec_state::log_text_of(S.cec_log_lines);
    changed(S);
}

void cec_hooks_install(app_context& ctx) {
    auto& H = ctx.hooks;
    app_context* c = &ctx;
    H.cec_tx_msg_refresh = [c] { cec_tx_msg_refresh(*c); };
    H.cec_log_clear = [c] { cmd_cec_clear_click(*c); };
    H.cec_msg_send = [c] { cmd_cec_tx_send_click(*c, c->cec.cec_send_index); };
    H.cec_log_reply_show = [c] { cec_log_reply_show(*c); };
}

}  // namespace vexlan
