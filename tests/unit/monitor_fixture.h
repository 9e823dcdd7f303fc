// A linked unit on the fake link that answers the analyser's queries from a source profile, with
// the monitor's hooks installed and page 4 shown.
#pragma once

#include <map>
#include <string>

#include "fake_controls.h"
#include "monitor/monitor_report.h"
#include "monitor/monitor_view.h"

namespace vexlan::testing {

// Query line (without CR) -> reply parameters after the command word.
using unit_answers = std::map<std::string, std::string>;

// "$<query> <item>" answered "<item>,<value>", for each {item, value}.
inline void answer_items(unit_answers& a, const std::string& query,
                         std::initializer_list<std::pair<const char*, std::string>> items) {
    for (const auto& [item, value] : items) a["$" + query + " " + item] = item + std::string(",") + value;
}

// 1080p60 RGB with two-channel LPCM, HDCP 1.4 in, a sink with HDCP 2.2 out.
inline unit_answers profile_1080p60() {
    unit_answers a{
        {"$rx_hotplug?", "on"}, {"$rx_sense?", "on"}, {"$rx_scdc?", "on"}, {"$color_space?", "rgb"},
        {"$deep_color?", "8"}, {"$edid_manuf? rx", "rx,VXL"}, {"$edid_model? rx", "rx,VX-1"},
        {"$edid_native? rx", "rx,1920x1080p60"}, {"$edid_type? rx", "rx,HDMI"}, {"$hdcp_in_sw?", "on"},
        {"$hdcp_in_ver?", "v1.4"}, {"$hdcp_out_sw?", "on"}, {"$hdcp_out_ver?", "v2.2"},
        {"$timingx?", "1920x1080p60"}, {"$tmds_format?", "hdmi"}, {"$tmds_sw?", "on"},
        {"$edid_manuf? sink_h", "sink_h,SNK"}, {"$edid_model? sink_h", "sink_h,TV 55"},
        {"$edid_native? sink_h", "sink_h,3840x2160p60"}, {"$edid_type? sink_h", "sink_h,HDMI2.0"},
        {"$pattern?", "3"}, {"$audio_mute?", "off"}, {"$audio_source?", "int"}, {"$audio_ch?", "2"},
        {"$hdr_sw?", "off"},
    };
    answer_items(a, "source_detect?", {
        {"5v", "on"}, {"ckdt", "on"}, {"scdt", "on"}, {"timingx", "1920x1080p60"}, {"tmds_format", "hdmi"},
        {"tmds_clock", "148500"}, {"pixel_clock", "148500"}, {"data_rate", "4455"}, {"ht", "2200"}, {"ha", "1920"},
        {"hbp", "148"}, {"hsw", "44"}, {"hfp", "88"}, {"hsp", "p"}, {"vt", "1125"}, {"va", "1080"}, {"vbp", "36"},
        {"vsw", "5"}, {"vfp", "4"}, {"vsp", "p"}, {"hvs_offset1", "0"}, {"hvs_offset2", "0"}, {"scan", "p"},
        {"acr", "on"}, {"acr_n", "6144"}, {"acr_cts", "148500"}, {"asp", "on"}, {"asp_pll", "lock"},
        {"asp_fifo", "nor"}, {"asp_layout", "0"}, {"asp_ch", "2"}, {"hbr", "off"}, {"chs_type", "c"},
        {"chs_code", "LPCM"}, {"chs_sr", "48"}, {"chs_ss", "24"},
        {"avi", "82 02 0D 57 00 A8 00 10 00 00 00 00 00 00 00 00 00"}, {"gcp", "03 00 00 10 04 00 00"},
        {"aif", "84 01 0A 70 01 00 00 00 00 00 00 00 00 00"},
        {"spd", "83 01 19 3A 56 45 58 4C 41 4E 00 00 53 4F 55 52 43 45 00 00 00 00 00 00 00 00 00 00 01"},
        {"vsi", "off"}, {"drmi", "off"}, {"hdcp", "v1.4"}, {"hdcp_aksv", "1A2B3C4D5E"}, {"hdcp_bksv", "5E4D3C2B1A"},
        {"hdcp_rxid", "None"}, {"scdc_source_ver", "1"}, {"scdc_scr_enable", "off"}, {"scdc_sink_ver", "1"},
        {"scdc_scr_status", "off"}});
    answer_items(a, "sink_detect?", {
        {"hotplug", "on"}, {"rsense", "on"}, {"hdcp", "v1.4+v2.2"}, {"scdc", "on"}, {"hdcp_aksv", "74E2A1C35B"},
        {"hdcp_bksv", "8F1E2D3C4B"}, {"hdcp_rxid", "3C9D0E7A21"}, {"scdc_source_ver", "1"},
        {"scdc_scr_enable", "off"}, {"scdc_sink_ver", "1"}, {"scdc_scr_status", "off"}});
    return a;
}

// 2160p60 4:2:0 HDR10 with an HDMI-VIC-free VSI, DRMI and 8-channel HBR audio; output off.
inline unit_answers profile_2160p60_hdr() {
    auto a = profile_1080p60();
    std::string drmi = "87 01 1A 00 02 00";
    for (int k = 6; k < 26; ++k) drmi += " 00";
    answer_items(a, "source_detect?", {
        {"timingx", "3840x2160p60"}, {"tmds_clock", "297000"}, {"pixel_clock", "594000"}, {"data_rate", "5940"},
        {"ht", "4400"}, {"ha", "3840"}, {"vt", "2250"}, {"va", "2160"}, {"hbr", "on"}, {"asp", "off"},
        {"chs_code", "DTS-HD"}, {"avi", "82 02 0D 00 60 C0 60 61 00"}, {"gcp", "03 00 00 01 06 00 00"},
        {"aif", "84 01 0A 00 B7 00 00 13 80"}, {"vsi", "81 01 05 00 03 0C 00 20 01"}, {"drmi", drmi + " E8 03 90 01"},
        {"spd", "off"}, {"scdc_scr_enable", "on"}, {"hdcp", "v2.2"}});
    a["$hdcp_out_sw?"] = "v2.2_talk";
    a["$hdcp_out_ver?"] = "v2.2";
    a["$tmds_sw?"] = "off";
    return a;
}

struct monitor_rig : link_rig {
    unit_answers& answers = unit.answers;

    // Linked and showing page 4.
    explicit monitor_rig(const std::string& task = "analyser", unit_answers source = profile_1080p60(),
                         const std::string& model = "MRV-510") {
        answers = std::move(source);
        unit.model = model;
        unit.task = task;
        monitor_hooks_install(ctx);
        ctx.monitor.time_text = [] { return std::string("12:00:00 2026-12-06"); };
        connect_and_link();
        cmd_main_click(ctx, 4);
    }
    monitor_state& mon() { return ctx.monitor; }
    // Runs poll steps until the poll index wrapped once (a whole cycle of the current list).
    void cycle() {
        const auto list = ctx.tasks.poll_list;
        int n = 0;
        while (n < poll_list_size && list[static_cast<std::size_t>(n)] != none_254) ++n;
        for (int i = 0; i < n; ++i) tim_monitor_tick(ctx);
    }
    std::string sys(int label) { return ctx.monitor.sys[static_cast<std::size_t>(label)].text; }
};

}  // namespace vexlan::testing
