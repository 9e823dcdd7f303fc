// The cable test page (main page 5): run time and level choice, start and stop, and the unit's
// state mirrored from the cable poll list (level, run state, result, run time, elapsed counters).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "link/view.h"

namespace vexlan {

struct app_context;

inline constexpr int cable_time_count = 7;
inline constexpr int cable_time_infinite = 6;  // index of "Infinite"
inline constexpr rgb rgb_frame_idle{192, 192, 192};

// The run time entries, in list order; the unit's code for entry i is i + 1.
inline constexpr std::array<const char*, cable_time_count> cable_time_items{
    " 2 minutes", " 5 minutes", "10 minutes", "15 minutes", "30 minutes", " 1 hour", "Infinite"};
// Length of each run time in seconds; 0 for the endless run.
inline constexpr std::array<int, cable_time_count> cable_time_seconds{120, 300, 600, 900, 1800, 3600, 0};

struct cable_state {
    // run time list
    control_view cbo_cable_time;
    int cbo_cable_time_index = -1;  // -1: nothing selected yet
    bool cbo_cable_focused = false;
    bool select_quiet = false;
    // level
    control_view cmd_cable_level = make_caption("Test Level");
    control_view lab_cable_level = make_caption("Normal");
    // start and stop labels with their frames
    control_view lab_cable_start = tipped("START", "Click to start cable test", true);
    rgb sha_cable_start = rgb_black;
    control_view lab_cable_stop = tipped("STOP", "Click to stop cable test", false);
    rgb sha_cable_stop = rgb_frame_idle;
    // elapsed time
    control_view lab_cable_time = make_caption("Test Time");
    control_view lab_cable_timer = make_caption(":     :");
    control_view lab_cable_day, lab_cable_hour, lab_cable_minute, lab_cable_second;
    // progress, arrow, result
    control_view pbar_cable;
    double pbar_value = 0;  // 0..100
    control_view lab_cable_result;
    control_view img_cable_arrow = hidden_control();
    int arrow_left = 0;           // twips from the frame's left edge
    int frame_width = 9600;       // width of the cable frame, twips (the window keeps it current)
    int arrow_width = 720;        // twips

    std::function<void()> on_change;  // any field above changed

    static control_view tipped(const char* caption, const char* tip, bool enabled) {
        control_view v = make_caption(caption);
        v.tool_tip = tip;
        v.enabled = enabled;
        return v;
    }
    static control_view hidden_control() {
        control_view v;
        v.visible = false;
        return v;
    }
};

// A test runs while the start label is disabled.
bool cable_running(const cable_state& C);

// Operator actions; each is deferred (codes 3, 2, 0, 1) while a transaction or a poll runs.
void cbo_cable_time_change(app_context& ctx, int index);
void cmd_cable_level_click(app_context& ctx);
void lab_cable_start_click(app_context& ctx);
void lab_cable_stop_click(app_context& ctx);

// Display of one accepted reply of the cable poll list; `entry` is the command-table index that
// was polled.
void cable_reply_show(app_context& ctx, int entry);
void cable_progress_update(app_context& ctx);

// The numeric value of a counter text as the unit sent it: its leading decimal digits (after
// blanks and a sign), 0 when there are none, limited to +-1e9 so that sums never overflow.
std::int64_t cable_counter_value(const std::string& text);

// Installs the page's deferred replays and reply display into the context's page hooks.
void cable_hooks_install(app_context& ctx);

}  // namespace vexlan
