// Task modes, the main pages, the refresh action, the periodic poll with its poll list, the
// deferred operator action and the link/task display (ui_state_set).
#pragma once

#include <array>
#include <functional>
#include <initializer_list>
#include <string>

namespace vexlan {

struct app_context;

inline constexpr int poll_list_size = 41;
inline constexpr int none_254 = 254;

// Deferred action codes.
enum deferred_code : int {
    deferred_cable_start = 0,
    deferred_cable_stop = 1,
    deferred_cable_level = 2,
    deferred_cable_time = 3,
    deferred_cec_log_clear = 4,
    deferred_cec_msg_send = 5,
    deferred_edid_slot_rename = 6,
    deferred_link = 7,
    deferred_monitor_report = 8,
    deferred_motion_text = 9,
    deferred_output_panel_button = 10,
    deferred_pattern_out_get = 11,
    deferred_refresh = 12,
    deferred_task_analyser = 13,
    deferred_task_cable = 14,
    deferred_task_pattern = 15,
    deferred_timing_out_get = 16,
    deferred_none = 254,
};

struct task_state {
    int task_mode = none_254;  // 0 analyser, 1 pattern, 2 cable, 254 not yet known
    int main_page = none_254;  // 0 EDID .. 6 CEC, 254 before the first choice
    std::array<int, poll_list_size> poll_list = empty_list();
    int poll_index = 0;
    int poll_entry = none_254;  // the entry the running poll step sent: the query its reply answers
    int cec_log_counter = 0;  // 0..11
    bool poll_busy = false;
    bool refresh_running = false;  // the refresh action runs (refresh image "busy")
    int deferred_action = deferred_none;
    bool replay_posted = false;  // a replay of deferred_action waits in the event loop
    bool fra_mon_type_enabled = true;  // the monitor type frame of page 4 (Part of the monitor)

    static std::array<int, poll_list_size> empty_list() {
        std::array<int, poll_list_size> a;
        a.fill(none_254);
        return a;
    }
};

// What the pages that are built elsewhere do when this part calls them. Every hook may be left
// empty: an empty hook does nothing.
struct page_hooks {
    // page readers (page shown, refresh action, deferred replay)
    std::function<void()> edid_slots_read;       // page 0
    std::function<void()> timing_out_get;        // page 1, code 16
    std::function<void()> scale_4k_out_get;      // code 16 for a second-family unit in analyser mode
    std::function<void()> pattern_out_get;       // page 2, code 11
    std::function<void()> output_panel_get;      // page 3
    std::function<void()> cec_tx_msg_refresh;    // page 6 on refresh
    // monitor page (page 4)
    std::function<void()> monitor_page_enter;    // report text, report buttons, monitor type reset
    std::function<void()> monitor_form_set;
    std::function<void()> monitor_run;
    std::function<void()> monitor_poll_list_set; // the analyser poll list of the current type
    std::function<void()> monitor_reply_apply;   // status refresh of an accepted poll reply
    // cable and CEC pages (display parts)
    std::function<void()> cable_page_enter;
    std::function<void()> cec_page_enter;
    std::function<void(int entry)> cable_reply_show;  // accepted reply of a cable poll entry
    std::function<void()> cec_log_reply_show;         // accepted "$cec_log_msg? " reply
    // deferred replays of actions that belong to other pages
    std::function<void()> cable_start, cable_stop, cable_level, cable_time;
    std::function<void()> cec_log_clear, cec_msg_send;
    std::function<void()> edid_slot_rename, monitor_report, motion_text_send, output_panel_button;
    // the command terminal's pause state follows the page
    std::function<void()> term_pause_update;
    // Ethernet discovery: "Find IP" and "Refresh" of the link area
    std::function<void()> eth_find_click, eth_refresh_click;
};

inline void hook_call(const std::function<void()>& f) {
    if (f) f();
}

// The task mode text for a mode number: "analyser", "pattern", "cable".
const char* task_mode_text(int task_mode);

// Operator actions.
void cmd_task_mode_set(app_context& ctx, const std::string& mode);
void cmd_main_click(app_context& ctx, int index);
void refresh_action(app_context& ctx);  // img_refresh click

// One poll step (tim_monitor tick).
void tim_monitor_tick(app_context& ctx);

// An operator action that would send while a transaction or a poll step runs is recorded as the
// deferred action instead; true when it was recorded (the caller then does nothing more).
bool action_deferred_if_busy(app_context& ctx, int code);

// Replays one deferred action code.
void deferred_action_run(app_context& ctx, int code);

// Asks for the deferred action, if one is recorded, to be replayed once from the event loop as
// soon as nothing runs (no transaction, poll step or refresh), whatever the page. The end of
// every transaction, poll step and refresh asks again, so an action recorded during any of them
// is replayed when the last of them has returned.
void deferred_replay_request(app_context& ctx);

// Recomputes the link/task display.
void ui_state_set(app_context& ctx);

// Poll lists.
void poll_list_set(app_context& ctx, std::initializer_list<int> entries);
void cable_table_set(app_context& ctx);
void cec_monitor_table_set(app_context& ctx);
// Page entry of the cable and CEC pages: clear the deferred action, set the poll list and run
// the poll timer while the link is up and a unit is linked.
void cable_test_run(app_context& ctx);
void cec_monitor_run(app_context& ctx);

inline constexpr std::array<int, 8> cable_poll_entries{14, 17, 15, 19, 160, 161, 162, 163};
inline constexpr int cec_poll_entry = 21;

}  // namespace vexlan
