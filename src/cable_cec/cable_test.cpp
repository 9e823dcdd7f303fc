#include "cable_cec/cable_test.h"

#include <algorithm>
#include <cctype>

#include "link/app_context.h"
#include "link/transaction.h"

namespace vexlan {

namespace {

void changed(const cable_state& C) {
    if (C.on_change) C.on_change();
}

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// "1".."7" exactly (blanks around allowed): the run time code; 0 otherwise.
int run_time_code(const std::string& text) {
    const auto v = cable_counter_value(text);
    bool digit = false;
    for (char c : text) {
        if (std::isdigit(static_cast<unsigned char>(c))) digit = true;
        else if (c != ' ') return 0;
    }
    return digit && v >= 1 && v <= cable_time_count ? static_cast<int>(v) : 0;
}

void running_look(cable_state& C, bool running) {
    C.sha_cable_start = running ? rgb_frame_idle : rgb_black;
    C.lab_cable_start.enabled = !running;
    C.sha_cable_stop = running ? rgb_black : rgb_frame_idle;
    C.lab_cable_stop.enabled = running;
    C.cbo_cable_time.enabled = !running;
    C.cmd_cable_level.enabled = !running;
}

}  // namespace

bool cable_running(const cable_state& C) { return !C.lab_cable_start.enabled; }

std::int64_t cable_counter_value(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    std::int64_t v = 0;
    constexpr std::int64_t cap = 1000000000;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > cap) v = cap;
    }
    return negative ? -v : v;
}

void cbo_cable_time_change(app_context& ctx, int index) {
    auto& C = ctx.cable;
    if (index < 0 || index >= cable_time_count) return;
    C.cbo_cable_time_index = index;
    if (C.select_quiet) return;
    if (action_deferred_if_busy(ctx, deferred_cable_time)) return;
    C.cbo_cable_time.enabled = false;
    changed(C);
    events_process(ctx);
    cmdtx_str(ctx, ctx.link.cmd_table[18] + std::to_string(C.cbo_cable_time_index + 1) + "\r");
    C.cbo_cable_time.enabled = true;
    changed(C);
}

void cmd_cable_level_click(app_context& ctx) {
    auto& C = ctx.cable;
    if (action_deferred_if_busy(ctx, deferred_cable_level)) return;
    C.cmd_cable_level.enabled = false;
    changed(C);
    events_process(ctx);
    const char* level = C.lab_cable_level.caption == "NORMAL" ? "strict" : "normal";
    cmdtx_str(ctx, ctx.link.cmd_table[13] + level + "\r");
    C.cmd_cable_level.enabled = true;
    changed(C);
}

void lab_cable_start_click(app_context& ctx) {
    auto& C = ctx.cable;
    if (action_deferred_if_busy(ctx, deferred_cable_start)) return;
    C.lab_cable_start.enabled = false;
    changed(C);
    events_process(ctx);
    C.pbar_value = 0;
    changed(C);
    events_process(ctx);
    cmdtx_str(ctx, ctx.link.cmd_table[16] + "start\r");
    C.lab_cable_start.enabled = true;
    changed(C);
}

void lab_cable_stop_click(app_context& ctx) {
    auto& C = ctx.cable;
    if (action_deferred_if_busy(ctx, deferred_cable_stop)) return;
    C.lab_cable_stop.enabled = false;
    changed(C);
    events_process(ctx);
    cmdtx_str(ctx, ctx.link.cmd_table[16] + "stop\r");
    C.lab_cable_stop.enabled = true;
    changed(C);
}

void cable_reply_show(app_context& ctx, int entry) {
    auto& C = ctx.cable;
    const std::string& p1 = ctx.link.rx_param1;
    switch (entry) {
    case 14: C.lab_cable_level.caption = upper(p1); break;
    case 15: C.lab_cable_result.caption = upper(p1); break;
    case 17:
        if (p1 == "start") running_look(C, true);
        else if (p1 == "stop") running_look(C, false);
        break;
    case 19: {
        if (C.cbo_cable_focused) return;
        const int code = run_time_code(p1);
        if (code == 0) return;  // not a run time the list has
        C.select_quiet = true;
        C.cbo_cable_time_index = code - 1;
        C.select_quiet = false;
        const bool running = cable_running(C);
        if (C.cbo_cable_time_index == cable_time_infinite) {
            C.img_cable_arrow.visible = true;
            C.lab_cable_result.visible = true;
            C.pbar_cable.visible = false;
            if (running) {
                C.lab_cable_result.caption = "Testing";
                int x = C.arrow_left + 300;
                if (x > C.frame_width - C.arrow_width) x = 0;
                C.arrow_left = x;
            }
        } else if (running) {
            C.img_cable_arrow.visible = false;
            C.lab_cable_result.visible = false;
            C.pbar_cable.visible = true;
        } else {
            C.pbar_cable.visible = false;
            C.lab_cable_result.visible = true;
        }
        break;
    }
    case 160: case 161: case 162: case 163: {
        control_view* labels[] = {&C.lab_cable_day, &C.lab_cable_hour, &C.lab_cable_minute, &C.lab_cable_second};
        labels[entry - 160]->caption = p1;
        cable_progress_update(ctx);
        break;
    }
    default: return;
    }
    changed(C);
}

void cable_progress_update(app_context& ctx) {
    auto& C = ctx.cable;
    if (!cable_running(C) || C.cbo_cable_time_index == cable_time_infinite) return;
    const std::int64_t s = cable_counter_value(C.lab_cable_second.caption);
    if (s == 0 || s == 59) return;
    const std::int64_t elapsed = cable_counter_value(C.lab_cable_minute.caption) * 60 + s +
                                 cable_counter_value(C.lab_cable_hour.caption) * 3600 +
                                 cable_counter_value(C.lab_cable_day.caption) * 86400;
    if (C.cbo_cable_time_index < 0 || C.cbo_cable_time_index >= cable_time_count) return;
    const int total = cable_time_seconds[static_cast<std::size_t>(C.cbo_cable_time_index)];
    if (total <= 0) return;
    C.pbar_value = std::clamp(100.0 * static_cast<double>(elapsed) / total, 0.0, 100.0);
    changed(C);
}

void cable_hooks_install(app_context& ctx) {
    auto& H = ctx.hooks;
    app_context* c = &ctx;
    H.cable_start = [c] { lab_cable_start_click(*c); };
    H.cable_stop = [c] { lab_cable_stop_click(*c); };
    H.cable_level = [c] { cmd_cable_level_click(*c); };
    H.cable_time = [c] { cbo_cable_time_change(*c, c->cable.cbo_cable_time_index); };
    H.cable_reply_show = [c](int entry) { cable_reply_show(*c, entry); };
}

}  // namespace vexlan
