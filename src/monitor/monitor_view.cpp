#include "monitor/monitor_view.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "link/app_context.h"
#include "link/tasks.h"
#include "link/transports.h"
#include "link/unit_link.h"
#include "monitor/monitor_report.h"

namespace vexlan {

namespace {

const char* const sys_label_names[sys_label_count] = {
    "lab_source_5vx", "lab_source_clockx", "lab_source_syncx", "lab_source_resox", "lab_source_formatx",
    "lab_source_cscx", "lab_source_dcx", "lab_source_avmutex", "lab_source_audiox", "lab_source_hdcpx",
    "lab_m41_rx_hotplugx", "lab_m41_rx_sensex", "lab_m41_rx_scdcx", "lab_m41_rx_hdcpx", "lab_m41_rx_edidx",
    "lab_m41_rx_edid2x", "lab_m41_rx_edid3x", "lab_m41_rx_edid4x", "lab_m41_tx_cscx", "lab_m41_tx_dcx",
    "lab_m41_tx_hdcpx", "lab_m41_tx_formatx", "lab_m41_reso_outx", "lab_m41_outputx", "lab_m41_patternx",
    "lab_m41_out_audiox", "lab_m41_out_audio_chx", "lab_m41_out_hdrx",
    "lab_sink_rx_hotplugx", "lab_sink_rx_sensex", "lab_sink_rx_scdcx", "lab_sink_rx_hdcpx",
    "lab_sink_rx_edidx", "lab_sink_rx_edid2x", "lab_sink_rx_edid3x", "lab_sink_rx_edid4x"};

const char* const hdcp_rows_analyser[10] = {
    "Source Tx HDCP", "Source Tx HDCP Aksv", " Rx HDCP Port", " Rx HDCP Bksv", " Rx HDCP RxID",
    "Source Tx SCDC Source Version", "Source Tx SCDC Scramble Enable", " Rx SCDC Port", " Rx SCDC Sink Version",
    " Rx SCDC Scramble Status"};
const char* const hdcp_rows_pattern[10] = {
    " Tx HDCP", " Tx HDCP Aksv", "Sink Rx HDCP Port", "Sink Rx HDCP Bksv", "Sink Rx HDCP RxID",
    " Tx SCDC Source Version", " Tx SCDC Scramble Enable", "Sink Rx SCDC Port", "Sink Rx SCDC Sink Version",
    "Sink Rx SCDC Scramble Status"};

// A reply's value written into one label. A text that replaces another non-empty text is marked.
struct writer {
    app_context& ctx;
    monitor_state& M;
    std::uint32_t now;

    void put(monitor_value& v, const std::string& text, rgb color = rgb_black) {
        if (v.text != text) {
            if (!v.text.empty()) {
                v.marked = true;
                v.changed_ms = now;
            }
            v.text = text;
        }
        v.color = color;
    }
    void sys(int label, const std::string& text, rgb color = rgb_black) {
        if (M.monitor_page == 0) put(M.sys[static_cast<std::size_t>(label)], text, color);
    }
    void video(int slot, const std::string& text) {
        if (M.monitor_page == 1) put(M.video[static_cast<std::size_t>(slot)], text);
    }
    void audio(int row, const std::string& text) {
        if (M.monitor_page == 2) put(M.audio[static_cast<std::size_t>(row)], text);
    }
    void packet(int row, const std::string& text) {
        if (M.monitor_page == 3) put(M.packet[static_cast<std::size_t>(row)], text);
    }
    void hdcp(int row, const std::string& text, rgb color = rgb_black) {
        if (M.monitor_page == 4) put(M.hdcp[static_cast<std::size_t>(row)], text, color);
    }
    void indicator(int which, bool on) {
        if (M.monitor_page == 0)
            put(M.indicator[static_cast<std::size_t>(which)], indicator_captions[which], on ? rgb_black : rgb_indicator_off);
    }
};

void clear_values(auto& arr) {
    for (auto& v : arr) v = monitor_value{};
}

std::string upper(std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The packet rows of the Packet page for a kind: first row, row count.
struct packet_rows {
    int first, count;
    const char* off_text;
};
packet_rows rows_of(int item) {
    switch (item) {
    case item_gcp: return {0, 2, "GCP Off"};
    case item_avi: return {2, 6, "AVI Off"};
    case item_aif: return {8, 7, "AIF Off"};
    case item_spd: return {15, 3, "SPD Off"};
    case item_vsi: return {18, 4, "VSI Off"};
    case item_drmi: return {22, 4, "DRMI Off"};
    default: return {0, 0, ""};
    }
}

int kind_of(int item) {
    switch (item) {
    case item_gcp: return pk_gcp;
    case item_avi: return pk_avi;
    case item_aif: return pk_aif;
    case item_spd: return pk_spd;
    case item_vsi: return pk_vsi;
    case item_drmi: return pk_drmi;
    default: return -1;
    }
}

void packet_apply(app_context& ctx, writer& w, int item, const std::string& value) {
    auto& M = ctx.monitor;
    auto& m = M.mod;
    const packet_rows rows = rows_of(item);
    const int kind = kind_of(item);
    if (kind < 0) return;
    const bool present = packet_text_valid(value);
    M.kept.present[static_cast<std::size_t>(kind)] = present;
    const int ind = item == item_gcp ? ind_gcp : item == item_avi ? ind_avi : item == item_aif ? ind_aif
                  : item == item_drmi ? ind_drmi : item == item_vsi ? ind_vsi : -1;
    if (ind >= 0) w.indicator(ind, present);
    if (item == item_aif) w.audio(0, present ? "On" : "Off");
    if (!present) {
        w.packet(rows.first, rows.off_text);
        for (int r = 1; r < rows.count; ++r) w.packet(rows.first + r, "");
        if (item == item_avi) w.sys(lab_source_cscx, "None");
        if (item == item_gcp) {
            w.sys(lab_source_avmutex, "None");
            w.sys(lab_source_dcx, "None");
        }
        return;
    }
    *packet_text_of(m, item) = packet_text_make(value);
    packet_decode(m, item);
    std::vector<std::string> t;
    switch (item) {
    case item_gcp:
        t = {gcp_avmute_text(m.gcp_avmute), gcp_color_depth_text(m.gcp_color_depth)};
        w.sys(lab_source_avmutex, t[0]);
        w.sys(lab_source_dcx, t[1]);
        break;
    case item_avi:
        t = {avi_color_space_text(m.avi_color_space), avi_colorimetry_text(m.avi_colorimetry),
             avi_it_content_text(m.avi_it_content), avi_ext_colorimetry_text(m.avi_ext_colorimetry),
             avi_vic_text(m.avi_vic), std::to_string(m.avi_pixel_repeat)};
        w.sys(lab_source_cscx, t[0]);
        break;
    case item_aif:
        t = {m.aif_coding_type, m.aif_channel_count, m.aif_sampling_rate, m.aif_sample_size,
             m.aif_ext_coding_type, m.aif_speaker_placement, m.aif_down_mix};
        break;
    case item_spd: t = {m.spd_vendor, m.spd_product, m.spd_source_type}; break;
    case item_vsi: t = {m.vsi_ieee_id, m.vsi_video_format, vsi_hdmi_vic_text(m.vsi_hdmi_vic), m.vsi_3d_structure}; break;
    case item_drmi:
        t = {m.drmi_eotf, m.drmi_metadata, std::to_string(m.drmi_max_cll), std::to_string(m.drmi_max_fall)};
        break;
    default: break;
    }
    for (std::size_t r = 0; r < t.size(); ++r) w.packet(rows.first + static_cast<int>(r), t[r]);
}

std::string pattern_name(const app_context& ctx, const std::string& value) {
    char* end = nullptr;
    const long n = std::strtol(value.c_str(), &end, 10);
    const auto& P = ctx.catalogue.patterns;
    if (value.empty() || *end != '\0' || n < 1 || n > static_cast<long>(P.size())) return value;
    return P[static_cast<std::size_t>(n - 1)].name;
}

}  // namespace

const char* sys_label_name(int label) {
    return label >= 0 && label < sys_label_count ? sys_label_names[label] : "";
}

void monitor_changed(const monitor_state& m) {
    if (m.on_change) m.on_change();
}

bool monitor_value_marked(const monitor_value& v, std::uint32_t now_ms) {
    return v.marked && now_ms - v.changed_ms < monitor_mark_ms;
}

std::string data_rate_text(const std::string& mbps) {
    if (mbps.empty()) return mbps;
    for (char c : mbps)
        if (c < '0' || c > '9') return mbps;
    std::string d = mbps;
    if (d.size() < 4) d = std::string(4 - d.size(), '0') + d;
    return d.substr(0, d.size() - 3) + "." + d.substr(d.size() - 3);
}

std::uint64_t pixel_clock_hz_from(const std::string& khz) {
    if (khz.empty()) return 0;
    char* end = nullptr;
    const double v = std::strtod(khz.c_str(), &end);
    if (*end != '\0' || !(v > 0) || v > 1e12) return 0;
    return static_cast<std::uint64_t>(v * 1000.0 + 0.5);
}

int total_from(const std::string& value) {
    if (value.empty() || value.size() > 5) return 0;
    int n = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return 0;
        n = n * 10 + (c - '0');
    }
    return n <= 65535 ? n : 0;
}

std::string h_frequency_text(const monitor_kept& k) {
    if (k.h_total <= 0) return "0";
    const auto ht = static_cast<std::uint64_t>(k.h_total);
    return std::to_string((k.pixel_clock_hz + ht / 2) / ht);
}

std::string v_frequency_text(const monitor_kept& k) {
    if (k.h_total <= 0 || k.v_total <= 0) return "?";
    double f = static_cast<double>(k.pixel_clock_hz) / (static_cast<double>(k.h_total) * static_cast<double>(k.v_total));
    if (k.scan_type == "i") f *= 2;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", f);
    std::string s = buf;
    if (s.rfind("0.", 0) == 0) s.erase(0, 1);  // "###.00": no leading zero below 1
    return s;
}

bool monitor_entry_has_subword(const app_context& ctx, int entry) {
    if (entry < 0 || entry >= cmd_table_size) return false;
    const std::string& c = ctx.link.cmd_table[static_cast<std::size_t>(entry)];
    const auto blank = c.find(' ');
    return blank != std::string::npos && blank + 1 < c.size();
}

std::string monitor_reply_value(const app_context& ctx, int entry) {
    return monitor_entry_has_subword(ctx, entry) ? ctx.link.rx_param2 : ctx.link.rx_param1;
}

std::vector<int> monitor_poll_entries(int page, int task_mode) {
    if (task_mode == 0) {
        switch (page) {
        case 0: return {100, 115, 138, 140, 142, 110, 118, 105, 121, 104, 122, 111, 117, 146, 153, 155, 26, 28, 31,
                        34, 37, 40, 51, 53, 55, 57, 166, 168, 170, 157, 84, 85, 32, 35, 38, 41, 80, 86};
        case 1: return {140, 141, 132, 116, 129, 119, 120, 128, 126, 127, 149, 143, 144, 148, 145, 147, 130, 131, 133};
        case 2: return {101, 102, 103, 104, 121, 105, 109, 107, 108, 106, 114, 111, 112, 113};
        case 3: return {118, 110, 104, 139, 146, 117};
        case 4: return {122, 123, 51, 53, 124, 125, 137, 134, 157, 136, 135};
        default: return {};
        }
    }
    if (task_mode == 1) {
        switch (page) {
        case 0: return {166, 70, 26, 28, 5, 7, 3, 55, 57, 65, 168, 170, 84, 85, 32, 35, 38, 41, 80, 86};
        case 4: return {55, 57, 81, 80, 82, 83, 90, 87, 86, 89, 88};
        default: return {};
        }
    }
    return {};  // cable-test mode and an unknown mode poll nothing
}

void monitor_flags_for_list(monitor_kept& k, int page, int task_mode) {
    if (task_mode == 0 && page == 0) {
        k.asp = false;
        k.hdcp_in = false;
    } else if (task_mode == 0 && page == 4) {
        k.hdcp_in = false;
    } else if (task_mode == 1 && page == 4) {
        k.hdcp_out = false;
    }
}

void monitor_poll_list_set(app_context& ctx, int page) {
    auto& T = ctx.tasks;
    const auto entries = monitor_poll_entries(page, T.task_mode);
    T.poll_list = task_state::empty_list();
    for (std::size_t i = 0; i < entries.size() && i + 1 < T.poll_list.size(); ++i) T.poll_list[i] = entries[i];
    T.poll_index = 0;
    monitor_flags_for_list(ctx.monitor.kept, page, T.task_mode);
}

void monitor_form_set(app_context& ctx) {
    auto& M = ctx.monitor;
    switch (M.monitor_page) {
    case 0:
        clear_values(M.sys);
        for (int i = 0; i < indicator_count; ++i)
            M.indicator[static_cast<std::size_t>(i)] = monitor_value{indicator_captions[i], rgb_indicator_off, false, 0};
        break;
    case 1: clear_values(M.video); break;
    case 2: clear_values(M.audio); break;
    case 3: clear_values(M.packet); break;
    case 4: clear_values(M.hdcp); break;
    default: break;
    }
    const bool pattern = ctx.tasks.task_mode == 1;
    const std::string unit = ctx.profile.model_index == model_none ? "Unit" : ctx.profile.current_model_string;
    M.hdcp_title = pattern ? "Sink HDCP & SCDC" : "Source HDCP & SCDC";
    for (std::size_t r = 0; r < M.hdcp_captions.size(); ++r) {
        const std::string c = pattern ? hdcp_rows_pattern[r] : hdcp_rows_analyser[r];
        M.hdcp_captions[r] = c[0] == ' ' ? unit + c : c;
    }
    monitor_changed(M);
}

void monitor_run(app_context& ctx) {
    auto& M = ctx.monitor;
    ctx.tasks.deferred_action = deferred_none;
    if (M.report_running) return;  // the report owns the unit until it ends
    monitor_poll_list_set(ctx, M.monitor_page);
    if (M.monitor_page == 0 && !ctx.profile.current_model_string.empty())
        M.fra_monitor_m41 = ctx.profile.current_model_string;
    const bool up = link_is_up(ctx) && ctx.profile.model_index != model_none;
    if (ctx.ports.timers) {
        if (!up) ctx.ports.timers->set_enabled(timer_id::tim_monitor, false);
        else if (ctx.tasks.main_page == 4 && !ctx.link.app_closing && !M.report_shown)
            ctx.ports.timers->set_enabled(timer_id::tim_monitor, true);
    }
    monitor_changed(M);
}

void opt_mon_type_click(app_context& ctx, int index) {
    auto& M = ctx.monitor;
    if (index < 0 || index >= monitor_type_count) return;
    if (M.report_running) {  // the report walks its own lists; the new type waits for its end
        M.pending_type = index;
        return;
    }
    M.monitor_page = index;
    if (ctx.tasks.main_page == 4) {
        monitor_form_set(ctx);
        monitor_poll_list_set(ctx, M.monitor_page);
    }
    monitor_changed(M);
}

void monitor_page_enter(app_context& ctx) {
    auto& M = ctx.monitor;
    if (M.report_running) {
        M.report_abort = true;
        M.report_status = "Report stopped: the Monitor page was chosen again.";
    }
    M.mon_report_text.clear();
    M.txt_monitor_report.clear();
    M.report_shown = false;
    M.page_frame_hidden = false;
    M.cmd_monitor_report_enabled = true;
    ctx.tasks.fra_mon_type_enabled = true;
    if (M.monitor_page < 0 || M.monitor_page >= monitor_type_count) M.monitor_page = 0;
    monitor_changed(M);
}

bool monitor_reply_apply(app_context& ctx, int entry) {
    auto& M = ctx.monitor;
    auto& K = M.kept;
    writer w{ctx, M, ctx.ports.clock ? ctx.ports.clock->now_ms() : 0};
    const std::string v = monitor_reply_value(ctx, entry);
    switch (entry) {
    // ---- source, direct values
    case 100: w.sys(lab_source_5vx, v); break;
    case 115: w.sys(lab_source_clockx, v); break;
    case 138: w.sys(lab_source_syncx, v); break;
    case 142: w.sys(lab_source_formatx, v); break;
    case 140: w.sys(lab_source_resox, v); w.video(0, v); break;
    case 141: w.video(1, v); break;
    case 132: K.pixel_clock_hz = pixel_clock_hz_from(v); w.video(2, v); break;
    case 119: w.video(6, v); break;
    case 120: w.video(7, v); break;
    case 128: w.video(8, v); break;
    case 126: w.video(9, v); break;
    case 143: w.video(16, v); break;
    case 144: w.video(17, v); break;
    case 148: w.video(18, v); break;
    case 145: w.video(19, v); break;
    case 147: w.video(20, v); break;
    case 130: w.video(11, v); break;
    case 131: w.video(12, v); break;
    case 129: K.h_total = total_from(v); w.video(5, v); break;
    case 149: K.v_total = total_from(v); w.video(15, v); break;
    case 116: w.video(3, data_rate_text(v)); break;
    case 127: w.video(10, v); w.video(4, h_frequency_text(K)); break;
    case 133:
        if (v == "i" || v == "p") K.scan_type = v;
        w.video(13, v == "i" ? "Interlace" : v == "p" ? "Progressive" : v);
        w.video(14, v_frequency_text(K));
        break;
    // ---- audio
    case 101: w.audio(2, v); break;
    case 102: w.audio(3, v); break;
    case 103: w.audio(4, v); break;
    case 108: if (K.asp) w.audio(8, v); break;
    case 106: w.audio(9, K.asp ? v : "None"); break;
    case 112: w.audio(12, v); break;
    case 113: w.audio(13, v); break;
    case 105:
        K.asp = v == "on";
        if (K.asp) {
            // "ASP" replaces only "None": a coding from "chs_code" (or "HBR") stays, so the label
            // does not flip between two texts on every cycle
            const std::string& now_shown = M.sys[lab_source_audiox].text;
            if (now_shown.empty() || now_shown == "None") w.sys(lab_source_audiox, "ASP");
            w.audio(5, "On");
        } else {
            w.sys(lab_source_audiox, "None");
            w.audio(5, "Off");
        }
        break;
    case 121:
        K.asp = v == "on";
        if (K.asp) {
            w.sys(lab_source_audiox, "HBR");
            w.audio(1, "On");
        } else {
            w.audio(1, v);
        }
        break;
    case 109: if (K.asp) w.audio(6, v == "lock" ? "Locked" : v == "unlock" ? "Unlocked" : v); break;
    case 107: if (K.asp) w.audio(7, v == "nor" ? "Normal" : v == "err" ? "Error" : v); break;
    case 114: w.audio(10, v == "c" ? "Consumer" : v == "p" ? "Professional" : v); break;
    case 111: w.audio(11, v); w.sys(lab_source_audiox, v); break;
    // ---- packets
    case item_gcp: case item_avi: case item_aif: case item_spd: case item_vsi: case item_drmi:
        packet_apply(ctx, w, entry, v);
        break;
    // ---- HDCP and SCDC
    case 122: w.sys(lab_source_hdcpx, v); w.hdcp(0, v); break;
    case 123: case 81: w.hdcp(1, v); break;
    case 124: case 82: w.hdcp(3, v); break;
    case 125: case 83: w.hdcp(4, v); break;
    case 137: case 90: w.hdcp(5, v); break;
    case 134: case 87: w.hdcp(6, v); break;
    case 136: case 89: w.hdcp(8, v); break;
    case 135: case 88: w.hdcp(9, v); break;
    case 80: w.sys(lab_sink_rx_hdcpx, v); w.hdcp(2, v); break;
    case 86: w.sys(lab_sink_rx_scdcx, v); w.hdcp(7, v); break;
    case 157: w.sys(lab_m41_rx_scdcx, v); w.hdcp(7, v); break;
    case 51:
        if (v == "on") {
            K.hdcp_in = true;
            if (M.sys[lab_m41_rx_hdcpx].text == "off") w.sys(lab_m41_rx_hdcpx, "on");
        } else if (v == "off") {
            K.hdcp_in = false;
            w.sys(lab_m41_rx_hdcpx, "off");
            w.hdcp(2, "Off");
        }
        break;
    case 53:
        if (K.hdcp_in) {
            w.sys(lab_m41_rx_hdcpx, v);
            w.hdcp(2, v);
        }
        break;
    case 55:
        if (v == "off") {
            K.hdcp_out = false;
            K.hdcp_auth = false;
            w.sys(lab_m41_tx_hdcpx, "Off");
            w.hdcp(0, "Off");
        } else {
            K.hdcp_out = true;
            K.hdcp_auth = v.size() >= 2 && v.compare(v.size() - 2, 2, "on") == 0;  // follows each report
        }
        break;
    case 57:
        if (K.hdcp_out) {
            const std::string t = v + (K.hdcp_auth ? "  Pass" : "  Fail");
            const rgb c = K.hdcp_auth ? rgb_black : rgb_hdcp_fail;
            w.sys(lab_m41_tx_hdcpx, t, c);
            w.hdcp(0, t, c);
        }
        break;
    // ---- sink and unit
    case 84: w.sys(lab_sink_rx_hotplugx, v); break;
    case 85: w.sys(lab_sink_rx_sensex, v); break;
    case 153: w.sys(lab_m41_rx_hotplugx, v); break;
    case 155: w.sys(lab_m41_rx_sensex, v); break;
    case 40: w.sys(lab_m41_rx_edidx, v); break;
    case 37: w.sys(lab_m41_rx_edid2x, v); break;
    case 34: w.sys(lab_m41_rx_edid4x, v); break;
    case 31: w.sys(lab_m41_rx_edid3x, v + "."); break;
    case 41: w.sys(lab_sink_rx_edidx, v); break;
    case 38: w.sys(lab_sink_rx_edid2x, v); break;
    case 35: w.sys(lab_sink_rx_edid4x, v); break;
    case 32: w.sys(lab_sink_rx_edid3x, v + "."); break;
    case 26: w.sys(lab_m41_tx_cscx, v); break;
    case 28: w.sys(lab_m41_tx_dcx, v); break;
    case 166: w.sys(lab_m41_reso_outx, v); break;
    case 168: w.sys(lab_m41_tx_formatx, v); break;
    case 65: w.sys(lab_m41_out_hdrx, v); break;
    case 170: w.sys(lab_m41_outputx, upper(v)); break;
    case 70: w.sys(lab_m41_patternx, pattern_name(ctx, v)); break;
    // ---- pattern-generator audio
    case 5:
        K.audio_mute = v == "on";  // follows each report
        if (K.audio_mute) w.sys(lab_m41_out_audiox, "Mute");
        break;
    case 7:
        if (!K.audio_mute) {
            if (v == "ana") K.audio_source = 0;
            else if (v == "hdmi") K.audio_source = 1;
            else if (v == "int") K.audio_source = 2;
            w.sys(lab_m41_out_audiox, v == "ana" ? "Analog" : v == "hdmi" ? "HDMI" : v == "int" ? "Internal" : v);
        }
        break;
    case 3: w.sys(lab_m41_out_audio_chx, K.audio_mute || K.audio_source == 1 ? "" : v); break;
    default: return false;
    }
    monitor_changed(M);
    return true;
}

void monitor_hooks_install(app_context& ctx) {
    auto& H = ctx.hooks;
    H.monitor_page_enter = [&ctx] { monitor_page_enter(ctx); };
    H.monitor_form_set = [&ctx] { monitor_form_set(ctx); };
    H.monitor_run = [&ctx] { monitor_run(ctx); };
    H.monitor_poll_list_set = [&ctx] { monitor_poll_list_set(ctx, ctx.monitor.monitor_page); };
    H.monitor_report = [&ctx] { cmd_monitor_report_click(ctx); };
    auto before = H.monitor_reply_apply;
    H.monitor_reply_apply = [&ctx, before] {
        if (monitor_reply_apply(ctx, ctx.tasks.poll_entry)) return;
        if (before) before();
    };
}

}  // namespace vexlan
