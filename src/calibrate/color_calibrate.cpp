#include "calibrate/color_calibrate.h"

#include <cctype>

#include "link/app_context.h"
#include "link/transaction.h"
#include "link/transports.h"

namespace vexlan {

namespace {

constexpr std::array<int, color_cal_row_count> set_indices{186, 188, 184, 180};
constexpr std::array<int, color_cal_row_count> query_indices{187, 189, 185, 181};

void changed(const color_cal_state& S) {
    if (S.on_change) S.on_change();
}

bool row_ok(int row) { return row >= 0 && row < color_cal_row_count; }

std::string lower(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Shows a value that came from the unit; nothing is sent.
bool row_apply_report(color_cal_state& S, int row, const std::string& text) {
    const auto v = color_cal_value(text);
    if (!v) return false;
    auto& R = S.rows[static_cast<std::size_t>(row)];
    R.slider = *v;
    R.box = std::to_string(*v);
    return true;
}

// Sends the row's value; while a set command of the row waits, the latest value is kept and sent
// once that command has returned.
void row_send(app_context& ctx, int row, const std::string& text) {
    auto& R = ctx.color_cal.rows[static_cast<std::size_t>(row)];
    if (R.sending) {
        R.pending = text;
        return;
    }
    R.sending = true;
    std::string value = text;
    for (;;) {
        cmdtx_str(ctx, color_cal_set_prefix(ctx, row) + value + "\r");
        if (!R.pending) break;
        value = *R.pending;
        R.pending.reset();
    }
    R.sending = false;
}

}  // namespace

const std::string& color_cal_set_prefix(const app_context& ctx, int row) {
    return ctx.link.cmd_table[static_cast<std::size_t>(set_indices[static_cast<std::size_t>(row)])];
}

const std::string& color_cal_query(const app_context& ctx, int row) {
    return ctx.link.cmd_table[static_cast<std::size_t>(query_indices[static_cast<std::size_t>(row)])];
}

std::optional<int> color_cal_value(std::string_view text) {
    if (text.empty() || text.size() > 3) return std::nullopt;
    int n = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    if (n > 255) return std::nullopt;
    return n;
}

std::optional<int> color_cal_box_value(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    return color_cal_value(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

void color_cal_load(app_context& ctx) {
    auto& S = ctx.color_cal;
    S.cal_loading = true;
    S.cal_suppress = false;
    color_cal_refresh(ctx);
    S.cal_loading = false;
    changed(S);
}

void color_cal_refresh(app_context& ctx) {
    auto& S = ctx.color_cal;
    if (!link_is_up(ctx)) return;
    if (cmdtx_str(ctx, ctx.link.cmd_table[183] + "\r") != 1) return;
    const std::string reported = ctx.link.rx_param1;
    for (int i = 0; i < color_cal_entry_count; ++i) {
        if (lower(color_cal_entries[static_cast<std::size_t>(i)]) != reported) continue;
        S.cbo_color = i;  // shown only: the unit already outputs this colour
        changed(S);
        color_cal_levels_get(ctx, i);
        return;
    }
}

int color_cal_color_choose(app_context& ctx, int index) {
    auto& S = ctx.color_cal;
    if (index < 0 || index >= color_cal_entry_count) return 0;
    S.cbo_color = index;
    changed(S);
    if (S.cal_loading || !link_is_up(ctx)) return 0;
    const int r = cmdtx_str(ctx, ctx.link.cmd_table[182] + color_cal_entries[static_cast<std::size_t>(index)] + "\r");
    if (r == 1) color_cal_levels_get(ctx, index);
    return r;
}

void color_cal_levels_get(app_context& ctx, int index) {
    auto& S = ctx.color_cal;
    if (index < 0 || index >= color_cal_entry_count) return;
    const bool user = index == color_cal_user;
    S.rows[row_level].enabled = !user;
    for (int r : {row_red, row_green, row_blue}) S.rows[static_cast<std::size_t>(r)].enabled = user;
    changed(S);
    if (!user) {
        if (cmdtx_str(ctx, color_cal_query(ctx, row_level) + "\r") == 1) row_apply_report(S, row_level, ctx.link.rx_param1);
    } else {
        for (int r : {row_red, row_green, row_blue}) {
            if (cmdtx_str(ctx, color_cal_query(ctx, r) + "\r") != 1) break;
            row_apply_report(S, r, ctx.link.rx_param1);
        }
    }
    changed(S);
}

void color_cal_slider_change(app_context& ctx, int row, int value) {
    auto& S = ctx.color_cal;
    if (!row_ok(row) || S.cal_suppress) return;
    if (value < 0) value = 0;
    if (value > 255) value = 255;
    auto& R = S.rows[static_cast<std::size_t>(row)];
    R.slider = value;
    R.box = std::to_string(value);
    changed(S);
    row_send(ctx, row, R.box);
}

void color_cal_box_enter(app_context& ctx, int row, const std::string& text) {
    auto& S = ctx.color_cal;
    if (!row_ok(row)) return;
    auto& R = S.rows[static_cast<std::size_t>(row)];
    R.box = text;
    events_process(ctx);
    if (const auto v = color_cal_box_value(text)) {
        const auto first = text.find_first_not_of(' ');
        const std::string s = text.substr(first, text.find_last_not_of(' ') - first + 1);
        S.cal_suppress = true;
        R.slider = *v;
        changed(S);
        row_send(ctx, row, s);  // as typed, leading zeros kept
        S.cal_suppress = false;
    }
    S.select_box = row;
    changed(S);
    S.select_box = -1;
}

}  // namespace vexlan
