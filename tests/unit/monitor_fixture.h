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

// 1080p60 RGB with two-channel LPCM, HDCP 1.4 in, a sink with HDCP 2.2 out.
inline unit_answers profile_1080p60() {
    return {
        {"$source_detect? 5v", "5v,on"}, {"$source_detect? ckdt", "ckdt,on"}, {"$source_detect? scdt", "scdt,on"},
        {"$source_detect? timingx", "timingx,1920x1080p60"}, {"$source_detect? tmds_format", "tmds_format,hdmi"},
        {"$source_detect? tmds_clock", "tmds_clock,148500"}, {"$source_detect? pixel_clock", "pixel_clock,148500"},
        {"$source_detect? data_rate", "data_rate,4455"}, {"$source_detect? ht", "ht,2200"},
        {"$source_detect? ha", "ha,1920"}, {"$source_detect? hbp", "hbp,148"}, {"$source_detect? hsw", "hsw,44"},
        {"$source_detect? hfp", "hfp,88"}, {"$source_detect? hsp", "hsp,p"}, {"$source_detect? vt", "vt,1125"},
        {"$source_detect? va", "va,1080"}, {"$source_detect? vbp", "vbp,36"}, {"$source_detect? vsw", "vsw,5"},
        {"$source_detect? vfp", "vfp,4"}, {"$source_detect? vsp", "vsp,p"},
        {"$source_detect? hvs_offset1", "hvs_offset1,0"}, {"$source_detect? hvs_offset2", "hvs_offset2,0"},
        {"$source_detect? scan", "scan,p"}, {"$source_detect? acr", "acr,on"}, {"$source_detect? acr_n", "acr_n,6144"},
        {"$source_detect? acr_cts", "acr_cts,148500"}, {"$source_detect? asp", "asp,on"},
        {"$source_detect? asp_pll", "asp_pll,lock"}, {"$source_detect? asp_fifo", "asp_fifo,nor"},
        {"$source_detect? asp_layout", "asp_layout,0"}, {"$source_detect? asp_ch", "asp_ch,2"},
        {"$source_detect? hbr", "hbr,off"}, {"$source_detect? chs_type", "chs_type,c"},
        {"$source_detect? chs_code", "chs_code,LPCM"}, {"$source_detect? chs_sr", "chs_sr,48"},
        {"$source_detect? chs_ss", "chs_ss,24"},
        {"$source_detect? avi", "avi,82 02 0D 57 00 A8 00 10 00 00 00 00 00 00 00 00 00"},
        {"$source_detect? gcp", "gcp,03 00 00 10 04 00 00"},
        {"$source_detect? aif", "aif,84 01 0A 70 01 00 00 00 00 00 00 00 00 00"},
        {"$source_detect? spd", "spd,83 01 19 3A 56 45 58 4C 41 4E 00 00 53 4F 55 52 43 45 00 00 00 00 00 00 00 00 00 00 01"},
        {"$source_detect? vsi", "vsi,off"}, {"$source_detect? drmi", "drmi,off"},
        {"$source_detect? hdcp", "hdcp,v1.4"}, {"$source_detect? hdcp_aksv", "hdcp_aksv,1A2B3C4D5E"},
        {"$source_detect? hdcp_bksv", "hdcp_bksv,5E4D3C2B1A"}, {"$source_detect? hdcp_rxid", "hdcp_rxid,None"},
        {"$source_detect? scdc_source_ver", "scdc_source_ver,1"},
        {"$source_detect? scdc_scr_enable", "scdc_scr_enable,off"},
        {"$source_detect? scdc_sink_ver", "scdc_sink_ver,1"},
        {"$source_detect? scdc_scr_status", "scdc_scr_status,off"},
        {"$rx_hotplug?", "on"}, {"$rx_sense?", "on"}, {"$rx_scdc?", "on"}, {"$color_space?", "rgb"},
        {"$deep_color?", "8"}, {"$edid_manuf? rx", "rx,VXL"}, {"$edid_model? rx", "rx,VX-1"},
        {"$edid_native? rx", "rx,1920x1080p60"}, {"$edid_type? rx", "rx,HDMI"}, {"$hdcp_in_sw?", "on"},
        {"$hdcp_in_ver?", "v1.4"}, {"$hdcp_out_sw?", "on"}, {"$hdcp_out_ver?", "v2.2"},
        {"$timingx?", "1920x1080p60"}, {"$tmds_format?", "hdmi"}, {"$tmds_sw?", "on"},
        {"$sink_detect? hotplug", "hotplug,on"}, {"$sink_detect? rsense", "rsense,on"},
        {"$edid_manuf? sink_h", "sink_h,SNK"}, {"$edid_model? sink_h", "sink_h,TV 55"},
        {"$edid_native? sink_h", "sink_h,3840x2160p60"}, {"$edid_type? sink_h", "sink_h,HDMI2.0"},
        {"$sink_detect? hdcp", "hdcp,v1.4+v2.2"}, {"$sink_detect? scdc", "scdc,on"},
        {"$sink_detect? hdcp_aksv", "hdcp_aksv,74E2A1C35B"}, {"$sink_detect? hdcp_bksv", "hdcp_bksv,8F1E2D3C4B"},
        {"$sink_detect? hdcp_rxid", "hdcp_rxid,3C9D0E7A21"}, {"$sink_detect? scdc_source_ver", "scdc_source_ver,1"},
        {"$sink_detect? scdc_scr_enable", "scdc_scr_enable,off"}, {"$sink_detect? scdc_sink_ver", "scdc_sink_ver,1"},
        {"$sink_detect? scdc_scr_status", "scdc_scr_status,off"},
        {"$pattern?", "3"}, {"$audio_mute?", "off"}, {"$audio_source?", "int"}, {"$audio_ch?", "2"}, {"$hdr_sw?", "off"},
    };
}

// 2160p60 4:2:0 HDR10 with an HDMI-VIC-free VSI, DRMI and 8-channel HBR audio; output off.
inline unit_answers profile_2160p60_hdr() {
    auto a = profile_1080p60();
    a["$source_detect? timingx"] = "timingx,3840x2160p60";
    a["$source_detect? tmds_clock"] = "tmds_clock,297000";
    a["$source_detect? pixel_clock"] = "pixel_clock,594000";
    a["$source_detect? data_rate"] = "data_rate,5940";
    a["$source_detect? ht"] = "ht,4400";
    a["$source_detect? ha"] = "ha,3840";
    a["$source_detect? vt"] = "vt,2250";
    a["$source_detect? va"] = "va,2160";
    a["$source_detect? hbr"] = "hbr,on";
    a["$source_detect? asp"] = "asp,off";
    a["$source_detect? chs_code"] = "chs_code,DTS-HD";
    a["$source_detect? avi"] = "avi,82 02 0D 00 60 C0 60 61 00";
    a["$source_detect? gcp"] = "gcp,03 00 00 01 06 00 00";
    a["$source_detect? aif"] = "aif,84 01 0A 00 B7 00 00 13 80";
    a["$source_detect? vsi"] = "vsi,81 01 05 00 03 0C 00 20 01";
    std::string drmi = "drmi,87 01 1A 00 02 00";
    for (int k = 6; k < 26; ++k) drmi += " 00";
    a["$source_detect? drmi"] = drmi + " E8 03 90 01";
    a["$source_detect? spd"] = "spd,off";
    a["$source_detect? scdc_scr_enable"] = "scdc_scr_enable,on";
    a["$source_detect? hdcp"] = "hdcp,v2.2";
    a["$hdcp_out_sw?"] = "v2.2_talk";
    a["$hdcp_out_ver?"] = "v2.2";
    a["$tmds_sw?"] = "off";
    return a;
}

struct monitor_rig : link_rig {
    unit_answers answers = profile_1080p60();
    std::map<std::string, int> drop;  // query line -> how many times to stay silent

    explicit monitor_rig(const std::string& task = "analyser", const std::string& model = "MRV-510") {
        unit.model = model;
        unit.task = task;
        auto scripted = [this](const std::string& line) -> std::vector<reply_chunk> {
            const std::string q = line.substr(0, line.size() - 1);
            std::string key = q;
            while (!key.empty() && key.back() == ' ') key.pop_back();
            if (auto d = drop.find(key); d != drop.end() && d->second > 0) {
                --d->second;
                return {};
            }
            if (auto it = answers.find(key); it != answers.end()) return fake_rig::reply(line, it->second);
            return unit(line);
        };
        tcp.unit = scripted;
        serial.unit = scripted;
        monitor_hooks_install(ctx);
        ctx.monitor.time_text = [] { return std::string("12:00:00 2026-12-06"); };
        connect_and_link();
    }
    monitor_state& mon() { return ctx.monitor; }
    void show_page4() { cmd_main_click(ctx, 4); }
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
