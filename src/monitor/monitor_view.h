// The live monitor of page 4: the five monitor types and their value labels as plain data, the
// poll list of each type and task mode, and the status refresh that writes each accepted poll
// reply into the view. The window renders this state; tests read it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/view.h"
#include "monitor/mod_monitor.h"

namespace vexlan {

struct app_context;

inline constexpr int monitor_type_count = 5;
inline constexpr std::uint32_t monitor_mark_ms = 3000;  // a changed value stays marked this long

// The value labels of the System page (block diagram).
enum sys_label : int {
    lab_source_5vx, lab_source_clockx, lab_source_syncx, lab_source_resox, lab_source_formatx,
    lab_source_cscx, lab_source_dcx, lab_source_avmutex, lab_source_audiox, lab_source_hdcpx,
    lab_m41_rx_hotplugx, lab_m41_rx_sensex, lab_m41_rx_scdcx, lab_m41_rx_hdcpx, lab_m41_rx_edidx,
    lab_m41_rx_edid2x, lab_m41_rx_edid3x, lab_m41_rx_edid4x, lab_m41_tx_cscx, lab_m41_tx_dcx,
    lab_m41_tx_hdcpx, lab_m41_tx_formatx, lab_m41_reso_outx, lab_m41_outputx, lab_m41_patternx,
    lab_m41_out_audiox, lab_m41_out_audio_chx, lab_m41_out_hdrx,
    lab_sink_rx_hotplugx, lab_sink_rx_sensex, lab_sink_rx_scdcx, lab_sink_rx_hdcpx,
    lab_sink_rx_edidx, lab_sink_rx_edid2x, lab_sink_rx_edid3x, lab_sink_rx_edid4x,
    sys_label_count
};
const char* sys_label_name(int label);  // "lab_source_5vx", ...

// The packet indicators of the System page.
enum packet_indicator : int { ind_gcp, ind_avi, ind_aif, ind_drmi, ind_vsi, indicator_count };
inline constexpr const char* indicator_captions[indicator_count] = {"GCP", "AVI", "AIF", "DRMI", "VSI"};

// Packet kinds (presence flags).
enum packet_kind : int { pk_gcp, pk_avi, pk_aif, pk_spd, pk_vsi, pk_drmi, packet_kind_count };

constexpr rgb rgb_indicator_off{144, 144, 144};
constexpr rgb rgb_hdcp_fail{255, 48, 48};

// One value label: its text and colour, and when its text last changed (for the marking).
struct monitor_value {
    std::string text;
    rgb color = rgb_black;
    bool marked = false;            // changed by a reply (not by emptying the page)
    std::uint32_t changed_ms = 0;   // clock tick of that change
    friend bool operator==(const monitor_value&, const monitor_value&) = default;
};

// The values the status refresh keeps between replies (shared with the report).
struct monitor_kept {
    std::uint64_t pixel_clock_hz = 0;
    int h_total = 0, v_total = 0;
    std::string scan_type = "p";
    std::array<bool, packet_kind_count> present{};
    bool hdcp_in = false, hdcp_out = false, hdcp_auth = false;
    bool asp = false, audio_mute = false;
    int audio_source = 0;  // 0 analog, 1 HDMI, 2 internal
};

struct monitor_state {
    int monitor_page = 0;  // 0 System .. 4 HDCP & SCDC

    // pages
    std::array<monitor_value, sys_label_count> sys{};
    std::array<monitor_value, indicator_count> indicator{};
    std::array<monitor_value, 21> video{};
    std::array<monitor_value, 14> audio{};
    std::array<monitor_value, 26> packet{};
    std::array<monitor_value, 10> hdcp{};
    std::string hdcp_title;                    // lab_title_hdcp_scdc
    std::array<std::string, 10> hdcp_captions;  // lab_item_h captions
    std::string fra_monitor_m41 = "Unit";      // caption of the unit block of the System page

    monitor_kept kept;
    mod_monitor mod;

    // report frame
    std::array<bool, monitor_type_count> chk_mon_report{};
    bool cmd_monitor_report_enabled = true;
    bool report_shown = false;      // txt_monitor_report, SAVE and EXIT visible
    bool page_frame_hidden = false; // the current page's frame is hidden (a report runs or shows)
    bool report_running = false;
    bool report_abort = false;
    int report_page = 0;
    std::string mon_report_text;
    std::string txt_monitor_report;
    std::string report_status;      // why the last report ended without a result ("" otherwise)
    int pending_type = -1;          // a type chosen while a report ran, applied at its end
    std::string report_path;        // the file last saved

    // the header's time and date ("hh:mm:ss yyyy-mm-dd" unless replaced)
    std::function<std::string()> time_text;
    // each query the report sent and got an accepted or error reply to (for tools)
    std::function<void(int entry)> on_report_reply;
    // notification for the window: any field above changed
    std::function<void()> on_change;
};

// ---- the rules, free functions on the context ----------------------------------------------

// Installs the monitor's handlers into the context's page hooks. The status-refresh hook
// forwards replies that are not the monitor's (cable, CEC) to the hook installed before.
void monitor_hooks_install(app_context& ctx);

void opt_mon_type_click(app_context& ctx, int index);
void monitor_form_set(app_context& ctx);
void monitor_poll_list_set(app_context& ctx, int page);
// The poll list of a monitor type in a task mode (command-table indices, without the 254).
std::vector<int> monitor_poll_entries(int page, int task_mode);
void monitor_run(app_context& ctx);
// Page 4 chosen: report text emptied and hidden, report buttons released, type frame enabled,
// an out-of-range type reset to 0.
void monitor_page_enter(app_context& ctx);

// The status refresh of an accepted reply to `entry` (a command-table index), with the reply
// parameters in ctx.link. Returns false when the entry is not an analyser query.
bool monitor_reply_apply(app_context& ctx, int entry);

// The value text of a reply: parameter 2 for a query with a sub-word, else parameter 1.
std::string monitor_reply_value(const app_context& ctx, int entry);
bool monitor_entry_has_subword(const app_context& ctx, int entry);

// Display rules shared with the report.
std::string data_rate_text(const std::string& mbps);
std::string h_frequency_text(const monitor_kept& k);  // whole number, no blank
std::string v_frequency_text(const monitor_kept& k);  // "###.00" or "?"
std::uint64_t pixel_clock_hz_from(const std::string& khz);
int total_from(const std::string& value);

// A value changed within the last three seconds.
bool monitor_value_marked(const monitor_value& v, std::uint32_t now_ms);

void monitor_changed(const monitor_state& m);

}  // namespace vexlan
