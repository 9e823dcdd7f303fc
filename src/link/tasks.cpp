#include "link/tasks.h"

#include <algorithm>

#include "link/app_context.h"
#include "link/transaction.h"
#include "link/unit_link.h"

namespace vexlan {

namespace {

void monitor_timer(app_context& ctx, bool on) {
    if (ctx.ports.timers) ctx.ports.timers->set_enabled(timer_id::tim_monitor, on);
}

bool live_page(int page) { return page == 4 || page == 5 || page == 6; }

// The pictures of the three task images for a task mode (254: all "_off").
void task_images_set(main_view& V, int task_mode) {
    V.img_analyser.picture = task_mode == 0 ? "task_analyser_on.bmp" : "task_analyser_off.bmp";
    V.img_pattern.picture = task_mode == 1 ? "task_pattern_on.bmp" : "task_pattern_off.bmp";
    V.img_cable_test.picture = task_mode == 2 ? "task_cable_test_on.bmp" : "task_cable_test_off.bmp";
}

// The panel set-up of a page when it is chosen.
void page_enter(app_context& ctx, int page) {
    auto& V = ctx.view;
    switch (page) {
    case 1: V.lstv_timing.visible = true; break;
    case 2: V.lstv_pattern.visible = true; break;
    case 4: hook_call(ctx.hooks.monitor_page_enter); hook_call(ctx.hooks.monitor_form_set);
            hook_call(ctx.hooks.monitor_run); break;
    case 5: cable_test_run(ctx); hook_call(ctx.hooks.cable_page_enter); break;
    case 6: cec_monitor_run(ctx); hook_call(ctx.hooks.cec_page_enter); break;
    default: break;
    }
}

// The page's poll list after a deferred action was replayed.
void poll_list_rebuild(app_context& ctx) {
    switch (ctx.tasks.main_page) {
    case 5: cable_table_set(ctx); break;
    case 6: cec_monitor_table_set(ctx); break;
    default: hook_call(ctx.hooks.monitor_poll_list_set); break;
    }
}

// Runs the poll timer of a live page while the link is up and a unit is linked.
void live_page_run(app_context& ctx, int page) {
    ctx.tasks.deferred_action = deferred_none;
    if (link_is_up(ctx) && ctx.profile.model_index != model_none) {
        if (ctx.tasks.main_page == page && !ctx.link.app_closing) monitor_timer(ctx, true);
    } else {
        monitor_timer(ctx, false);
    }
}

}  // namespace

const char* task_mode_text(int task_mode) {
    switch (task_mode) {
    case 0: return "analyser";
    case 1: return "pattern";
    case 2: return "cable";
    default: return "";
    }
}

void poll_list_set(app_context& ctx, std::initializer_list<int> entries) {
    auto& T = ctx.tasks;
    T.poll_list = task_state::empty_list();
    std::size_t i = 0;
    for (int e : entries) {
        if (i + 1 >= T.poll_list.size()) break;  // the last entry always ends the list
        T.poll_list[i++] = e;
    }
    T.poll_index = 0;
}

void cable_table_set(app_context& ctx) {
    const auto& c = cable_poll_entries;
    poll_list_set(ctx, {c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7]});
}

void cec_monitor_table_set(app_context& ctx) { poll_list_set(ctx, {cec_poll_entry}); }

void cable_test_run(app_context& ctx) {
    cable_table_set(ctx);
    live_page_run(ctx, 5);
}

void cec_monitor_run(app_context& ctx) {
    cec_monitor_table_set(ctx);
    live_page_run(ctx, 6);
}

void cmd_task_mode_set(app_context& ctx, const std::string& mode) {
    auto& T = ctx.tasks;
    if (ctx.link.cmd_busy || T.poll_busy) {
        T.deferred_action = mode == "analyser" ? deferred_task_analyser
                            : mode == "pattern" ? deferred_task_pattern
                                                : deferred_task_cable;
        return;
    }
    if (live_page(T.main_page)) {
        monitor_timer(ctx, false);
        events_process(ctx);
    }
    if (cmdtx_str(ctx, "$task_mode " + mode + "\r") == 1) {
        const int m = task_mode_from_text(ctx.link.rx_param1);
        if (m >= 0) T.task_mode = m;
        ui_state_set(ctx);
        if (T.main_page == 2) hook_call(ctx.hooks.pattern_out_get);
        if (T.main_page == 1) hook_call(ctx.hooks.timing_out_get);
    }
    if ((T.task_mode == 0 || T.task_mode == 1) && T.main_page == 3) hook_call(ctx.hooks.output_panel_get);
    switch (T.main_page) {
    case 5:
        if (T.task_mode == 2) monitor_timer(ctx, true);
        break;
    case 6: monitor_timer(ctx, true); break;
    case 4:
        hook_call(ctx.hooks.monitor_form_set);
        monitor_timer(ctx, true);
        break;
    default: break;
    }
}

void cmd_main_click(app_context& ctx, int index) {
    auto& T = ctx.tasks;
    auto& V = ctx.view;
    if (index < 0 || index >= main_page_count) return;
    monitor_timer(ctx, false);
    events_process(ctx);
    T.poll_busy = false;
    ctx.link.poll_quiet = false;

    if (T.main_page == none_254) {
        V.img_logo_visible = false;
    } else if (T.main_page >= 0 && T.main_page < main_page_count) {
        V.fra_main[static_cast<std::size_t>(T.main_page)].visible = false;
        V.cmd_main[static_cast<std::size_t>(T.main_page)].color = rgb_page_normal;
    }
    T.main_page = index;
    V.cmd_main[static_cast<std::size_t>(index)].color = rgb_page_pressed;
    hook_call(ctx.hooks.term_pause_update);

    page_enter(ctx, index);

    V.fra_main[static_cast<std::size_t>(index)].visible = true;
    view_changed(V);
    events_process(ctx);

    if (link_is_up(ctx)) {
        cmdtx_str(ctx, "$boot?\r");
        refresh_action(ctx);
    }
}

void refresh_action(app_context& ctx) {
    auto& T = ctx.tasks;
    auto& V = ctx.view;
    if (ctx.link.cmd_busy || T.poll_busy) {
        T.deferred_action = deferred_refresh;
        return;
    }
    T.refresh_running = true;
    V.img_refresh.enabled = false;
    V.img_refresh.picture = "refresh_busy.bmp";
    view_changed(V);
    if (T.main_page == 4) monitor_timer(ctx, false);

    lab_link_click(ctx);

    if (ctx.link.cmd_result == 1) {
        switch (T.main_page) {
        case 0: hook_call(ctx.hooks.edid_slots_read); break;
        case 1: hook_call(ctx.hooks.timing_out_get); break;
        case 2: hook_call(ctx.hooks.pattern_out_get); break;
        case 3: hook_call(ctx.hooks.output_panel_get); break;
        case 6: hook_call(ctx.hooks.cec_tx_msg_refresh); break;
        default: break;
        }
    }
    if (live_page(T.main_page)) monitor_timer(ctx, true);

    V.img_refresh.picture = "refresh_on.bmp";
    V.img_refresh.enabled = true;
    T.refresh_running = false;
    view_changed(V);
    deferred_replay_request(ctx);
}

bool action_deferred_if_busy(app_context& ctx, int code) {
    if (!link_busy(ctx)) return false;
    ctx.tasks.deferred_action = code;
    return true;
}

void deferred_action_run(app_context& ctx, int code) {
    auto& H = ctx.hooks;
    switch (code) {
    case deferred_cable_start: hook_call(H.cable_start); break;
    case deferred_cable_stop: hook_call(H.cable_stop); break;
    case deferred_cable_level: hook_call(H.cable_level); break;
    case deferred_cable_time: hook_call(H.cable_time); break;
    case deferred_cec_log_clear: hook_call(H.cec_log_clear); break;
    case deferred_cec_msg_send: hook_call(H.cec_msg_send); break;
    case deferred_edid_slot_rename: hook_call(H.edid_slot_rename); break;
    case deferred_link: lab_link_click(ctx); break;
    case deferred_monitor_report: hook_call(H.monitor_report); break;
    case deferred_motion_text: hook_call(H.motion_text_send); break;
    case deferred_output_panel_button: hook_call(H.output_panel_button); break;
    case deferred_pattern_out_get: hook_call(H.pattern_out_get); break;
    case deferred_refresh: refresh_action(ctx); break;
    case deferred_task_analyser: cmd_task_mode_set(ctx, "analyser"); break;
    case deferred_task_cable: cmd_task_mode_set(ctx, "cable"); break;
    case deferred_task_pattern: cmd_task_mode_set(ctx, "pattern"); break;
    case deferred_timing_out_get:
        if (ctx.profile.model_index == 1 && ctx.tasks.task_mode == 0) hook_call(H.scale_4k_out_get);
        else hook_call(H.timing_out_get);
        break;
    default: break;
    }
}

namespace {

// Carries out the recorded action once; on a live page its poll list starts again.
void deferred_replay(app_context& ctx) {
    auto& T = ctx.tasks;
    const int code = T.deferred_action;
    T.deferred_action = deferred_none;  // an action recorded by the replay itself stays recorded
    deferred_action_run(ctx, code);
    if (live_page(T.main_page)) poll_list_rebuild(ctx);
}

}  // namespace

void deferred_replay_request(app_context& ctx) {
    auto& T = ctx.tasks;
    if (T.deferred_action == deferred_none || T.replay_posted || !ctx.ports.pump) return;
    T.replay_posted = true;
    ctx.ports.pump->post([&ctx] {
        auto& T = ctx.tasks;
        T.replay_posted = false;
        if (ctx.link.cmd_busy || T.poll_busy || T.refresh_running || ctx.link.app_closing) return;
        if (T.deferred_action != deferred_none) deferred_replay(ctx);
    });
}

void tim_monitor_tick(app_context& ctx) {
    auto& T = ctx.tasks;
    auto& L = ctx.link;
    T.poll_busy = true;
    monitor_timer(ctx, false);
    events_process(ctx);

    const auto entry_at = [&](int i) { return i >= 0 && i < poll_list_size ? T.poll_list[static_cast<std::size_t>(i)] : none_254; };
    if (link_is_up(ctx) && ctx.profile.model_index != model_none && !L.cmd_busy && T.poll_index < poll_list_size &&
        entry_at(T.poll_index) != none_254) {
        const int e = entry_at(T.poll_index);
        L.poll_quiet = true;
        std::string line = e >= 0 && e < cmd_table_size ? L.cmd_table[static_cast<std::size_t>(e)] : std::string();
        if (T.main_page == 6) {
            T.cec_log_counter += 1;
            if (T.cec_log_counter >= 12) T.cec_log_counter = 0;
            line += std::to_string(T.cec_log_counter + 1);
        }
        T.poll_entry = e;
        if (cmdtx_str(ctx, line + "\r") == 1) {
            const auto& H = ctx.hooks;
            const bool cable = std::find(cable_poll_entries.begin(), cable_poll_entries.end(), e) != cable_poll_entries.end();
            if (cable && H.cable_reply_show) H.cable_reply_show(e);
            else if (e == cec_poll_entry && H.cec_log_reply_show) H.cec_log_reply_show();
            else hook_call(H.monitor_reply_apply);
        }
        T.poll_index += 1;
    }
    if (entry_at(T.poll_index) == none_254) T.poll_index = 0;
    L.poll_quiet = false;

    if (T.deferred_action != deferred_none && !L.cmd_busy && live_page(T.main_page)) {
        T.poll_busy = false;
        deferred_replay(ctx);
    }
    if (!L.app_closing && live_page(T.main_page)) {
        if (T.fra_mon_type_enabled) monitor_timer(ctx, true);
        events_process(ctx);
        T.poll_busy = false;
    }
    deferred_replay_request(ctx);
}

void ui_state_set(app_context& ctx) {
    auto& V = ctx.view;
    auto& T = ctx.tasks;
    auto& L = ctx.link;
    const bool ethernet = L.link_iface == 1;
    bool up;
    if (!ethernet) {
        L.com_open = ctx.ports.serial && ctx.ports.serial->is_open();
        up = L.com_open;
    } else {
        up = L.eth_connected;
    }
    if (up) {
        link_button_open(ctx, ethernet);
        if (!T.refresh_running) V.img_refresh.picture = "refresh_on.bmp";
        task_images_set(V, T.task_mode);
    } else {
        if (!ethernet || !ctx.transport.eth_connecting) link_button_closed(ctx, ethernet);
        V.img_refresh.picture = "refresh_off.bmp";
        task_images_set(V, none_254);
    }

    auto& cable_button = V.cmd_main[5];
    if (ctx.profile.model_index != 1) {
        V.img_cable_test.visible = false;
        cable_button.visible = false;
        V.fra_main[5].visible = false;
        for (int i = 0; i < 5; ++i) V.cmd_main[static_cast<std::size_t>(i)].enabled = true;
    } else {
        V.img_cable_test.visible = true;
        cable_button.visible = true;
        V.cmd_main[6].visible = false;  // no CEC page on a second-family unit
        if (T.task_mode != 2) {
            V.img_cable_test.enabled = false;
            cable_button.enabled = false;
            for (int i = 0; i < 5; ++i) V.cmd_main[static_cast<std::size_t>(i)].enabled = true;
            if (T.main_page == 5) V.fra_main[5].visible = false;
            else if (T.main_page >= 0 && T.main_page < main_page_count)
                V.fra_main[static_cast<std::size_t>(T.main_page)].visible = true;
        } else {
            V.img_cable_test.enabled = true;
            cable_button.enabled = true;
            for (int i = 0; i < 5; ++i) V.cmd_main[static_cast<std::size_t>(i)].enabled = false;
            for (int i = 0; i < main_page_count; ++i)
                if (i != 5) V.fra_main[static_cast<std::size_t>(i)].visible = false;
        }
    }
    view_changed(V);
    if (T.main_page == 4) hook_call(ctx.hooks.monitor_run);
}

}  // namespace vexlan
