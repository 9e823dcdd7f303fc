#include "monitor/monitor_report.h"

#include <cctype>
#include <ctime>
#include <sys/stat.h>

#include "link/app_context.h"
#include "link/file_io.h"
#include "link/tasks.h"
#include "link/transaction.h"
#include "link/transports.h"
#include "link/unit_link.h"
#include "monitor/monitor_view.h"

namespace vexlan {

namespace {

constexpr const char* crlf = "\r\n";

struct direct_line {
    int entry;
    const char* label;   // a label starting with a blank is preceded by the unit's model
    const char* suffix;
};

// Replies written as label + value (+ suffix), the same in every section.
const direct_line direct_lines[] = {
    {100, "Source +5V   = ", ""}, {101, "Source ACR       = ", ""}, {102, "Source ACR N     = ", ""},
    {103, "Source ACR CTS   = ", ""}, {115, "Source Clock = ", ""}, {138, "Source Sync  = ", ""},
    {140, "Source Resolution  = ", ""}, {142, "Source TMDS Format = ", ""}, {120, "Source H Back Porch    = ", ""},
    {128, "Source H Sync Width    = ", ""}, {126, "Source H Front Porch   = ", ""},
    {144, "Source V Back Porch    = ", ""}, {148, "Source V Sync Width    = ", ""},
    {145, "Source V Front Porch   = ", ""}, {147, "Source V Sync Polarity = ", ""},
    {131, "Source H/V Offset2 = ", ""}, {122, "Source Tx HDCP = ", ""}, {123, "Source Tx HDCP Aksv = ", ""},
    {134, "Source Tx SCDC Scramble Enable = ", ""}, {137, "Source Tx SCDC Source Version = ", ""},
    {108, "Source ASP Layout= ", ""}, {106, "Source ASP Ch No.= ", ""},
    {124, " Rx HDCP Bksv = ", ""}, {125, " Rx HDCP RxID = ", ""}, {135, " Rx SCDC Scramble Status = ", ""},
    {136, " Rx SCDC Sink Version = ", ""},
    {129, "Source H Total         = ", " pixel"}, {119, "Source H Active        = ", " pixel"},
    {149, "Source V Total         = ", " line"}, {143, "Source V Active        = ", " line"},
    {130, "Source H/V Offset1 = ", " dot"}, {141, "Source TMDS Clock = ", " kHz"}, {132, "Source Pixel Clock= ", " kHz"},
    {80, "Sink Rx HDCP Port = ", ""}, {82, "Sink Rx HDCP Bksv = ", ""}, {83, "Sink Rx HDCP RxID = ", ""},
    {84, "Sink Rx Hotplug = ", ""}, {85, "Sink Rx Sense = ", ""}, {86, "Sink Rx SCDC Port = ", ""},
    {88, "Sink Rx SCDC Scramble Status = ", ""}, {89, "Sink Rx SCDC Sink Version = ", ""},
    {81, " Tx HDCP Aksv = ", ""}, {87, " Tx SCDC Scramble Enable = ", ""}, {90, " Tx SCDC Source Version = ", ""},
    {31, " Rx EDID Manufacturer = ", ""}, {34, " Rx EDID Model = ", ""}, {37, " Rx EDID Native = ", ""},
    {40, " Rx EDID Type = ", ""}, {32, "Sink Rx EDID Manufacturer = ", ""}, {35, "Sink Rx EDID Model = ", ""},
    {38, "Sink Rx EDID Native = ", ""}, {41, "Sink Rx EDID Type = ", ""},
    {153, " Rx Hotplug = ", ""}, {155, " Rx Sense = ", ""}, {157, " Rx SCDC Port = ", ""},
    {65, " Out HDR = ", ""}, {70, " Out Pattern    = ", ""}, {166, " Out Resolution = ", ""},
    {168, " Out TMDS Format = ", ""}, {170, " Output = ", ""}, {3, " Out Audio Channel No. = ", ""},
};

std::string time_date_now() {
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "%H:%M:%S %Y-%m-%d", &tm);
    return buf;
}

// A number as the report writes it after "=": one blank, then the digits.
std::string num(std::uint64_t n) { return " " + std::to_string(n); }

struct line_writer {
    std::string out;
    std::string model;
    void line(const std::string& label, const std::string& rest = {}) {
        // " Rx ...", " Tx ...", " Out ...": the unit's own ports; "   ..." packet details are not
        const bool port = label.size() > 1 && label[0] == ' ' && label[1] != ' ';
        out += port ? model + label : label;
        out += rest;
        out += crlf;
    }
};

void packet_lines(app_context& ctx, line_writer& w, int entry, int page, const std::string& v) {
    auto& M = ctx.monitor;
    auto& K = M.kept;
    auto& m = M.mod;
    const bool present = packet_text_valid(v);
    const int kind = entry == item_gcp ? pk_gcp : entry == item_avi ? pk_avi : entry == item_aif ? pk_aif
                   : entry == item_spd ? pk_spd : entry == item_vsi ? pk_vsi : pk_drmi;
    K.present[static_cast<std::size_t>(kind)] = present;
    if (present) {
        *packet_text_of(m, entry) = packet_text_make(v);
        packet_decode(m, entry);
    }
    const std::string text = present ? *packet_text_of(m, entry) : std::string();
    if (page == 0) {
        if (entry == item_avi) w.line("Source Color Space = ", present ? avi_color_space_text(m.avi_color_space) : "None");
        if (entry == item_gcp) {
            if (!present) {
                w.line("Source AVMute = None");
                w.line("Source Deep Color = None");
            } else {
                w.line("Source AVMute = ", gcp_avmute_text(m.gcp_avmute));
                const std::string d = gcp_color_depth_text(m.gcp_color_depth);
                w.line("Source Color Depth =", m.gcp_color_depth == 0 || d == "Reserved" ? " " + d : num(static_cast<std::uint64_t>(m.gcp_color_depth)));
            }
        }
        if (entry == item_vsi) {
            std::string list;
            if (K.present[pk_gcp]) list += "GCP ";
            if (K.present[pk_avi]) list += "AVI ";
            if (K.present[pk_aif]) list += "AIF ";
            if (K.present[pk_drmi]) list += "HDR ";
            if (K.present[pk_vsi]) list += "VSI ";
            w.line("Source Packets = ", list);
        }
        return;
    }
    if (page == 2 && entry == item_aif) {
        w.line(present ? "Source AIF       = on" : "Source AIF = off");
        return;
    }
    if (page != 3) return;
    switch (entry) {
    case item_avi:
        w.line("Source AVI = ", v);
        if (!present) return;
        packet_hex_append(w.out, text);
        w.line("   Color Space = ", avi_color_space_text(m.avi_color_space));
        w.line("   Colorimetry = ", avi_colorimetry_text(m.avi_colorimetry));
        w.line("   IT Content = ", avi_it_content_text(m.avi_it_content));
        w.line("   Extended Colorimetry = ", avi_ext_colorimetry_text(m.avi_ext_colorimetry));
        w.line("   VIC = ", avi_vic_text(m.avi_vic));
        w.line("   Pixel Repitition = x", std::to_string(m.avi_pixel_repeat));
        break;
    case item_gcp: {
        w.line("Source GCP = ", v);
        if (!present) return;
        packet_hex_append(w.out, text);
        w.line("   AVMute = ", gcp_avmute_text(m.gcp_avmute));
        const std::string d = gcp_color_depth_text(m.gcp_color_depth);
        w.line("   Color Depth =", m.gcp_color_depth == 0 || d == "Reserved" ? " " + d : num(static_cast<std::uint64_t>(m.gcp_color_depth)));
        break;
    }
    case item_aif:
        w.line("Source AIF = ", v);
        if (!present) return;
        packet_hex_append(w.out, text);
        w.line("   Coding Type   = ", m.aif_coding_type);
        w.line("   Channel No.   = ", m.aif_channel_count);
        w.line("   Sampling Rate = ", m.aif_sampling_rate);
        w.line("   Sampling Size = ", m.aif_sample_size);
        w.line("   Ext. Coding   = ", m.aif_ext_coding_type);
        w.line("   Speaker Place = ", m.aif_speaker_placement);
        w.line("   Down Mix.     = ", m.aif_down_mix);
        break;
    case item_drmi:
        w.line("Source DRMI= ", v);
        if (!present) return;
        packet_hex_append(w.out, text);
        w.line("   EOTF     = ", m.drmi_eotf);
        w.line("   Metadata = ", m.drmi_metadata);
        w.line("   Max. Content Light Level       =", num(m.drmi_max_cll));
        w.line("   Max. Frame-Average Light Level =", num(m.drmi_max_fall));
        break;
    case item_spd:
        w.line("Source SPD = ", v);
        if (!present) return;
        packet_hex_append(w.out, text);
        w.line("   Vendor     = ", m.spd_vendor);
        w.line("   Product    = ", m.spd_product);
        w.line("   Information= ", m.spd_source_type);
        break;
    case item_vsi:
        w.line("Source VSI = ", v);
        if (!present) return;
        packet_hex_append(w.out, text);
        w.line("   IEEE ID           = ", m.vsi_ieee_id);
        w.line("   HDMI Video Format = ", m.vsi_video_format);
        w.line("   Ext.HDMI VIC      = ", vsi_hdmi_vic_text(m.vsi_hdmi_vic));
        w.line("   3D Structure      = ", m.vsi_3d_structure);
        break;
    default: break;
    }
}

// Brings the page back as EXIT does (poll list, timer, type frame, page frame).
void live_restore(app_context& ctx) {
    auto& M = ctx.monitor;
    monitor_poll_list_set(ctx, M.monitor_page);
    M.report_shown = false;
    M.cmd_monitor_report_enabled = true;
    if (!ctx.link.app_closing) {
        if (ctx.ports.timers && ctx.tasks.main_page == 4) ctx.ports.timers->set_enabled(timer_id::tim_monitor, true);
        events_process(ctx);
        ctx.tasks.fra_mon_type_enabled = true;
        M.page_frame_hidden = false;
    }
}

// A type chosen while the report ran takes effect now.
void pending_type_apply(app_context& ctx) {
    auto& M = ctx.monitor;
    if (M.pending_type < 0) return;
    const int t = M.pending_type;
    M.pending_type = -1;
    opt_mon_type_click(ctx, t);
}

}  // namespace

std::string monitor_report_lines(app_context& ctx, int entry, int page) {
    auto& M = ctx.monitor;
    auto& K = M.kept;
    line_writer w;
    w.model = ctx.profile.current_model_string;
    const std::string v = monitor_reply_value(ctx, entry);
    for (const auto& d : direct_lines) {
        if (d.entry != entry) continue;
        if (entry == 129) K.h_total = total_from(v);
        if (entry == 149) K.v_total = total_from(v);
        if (entry == 132) K.pixel_clock_hz = pixel_clock_hz_from(v);
        w.line(d.label, v + d.suffix);
        return w.out;
    }
    switch (entry) {
    case 116: w.line("Source Video Data Rate = ", data_rate_text(v) + " Gbps"); break;
    case 127:
        w.line("Source H Sync Polarity = ", v);
        w.line("Source H Frequency =", " " + h_frequency_text(K) + " Hz");
        break;
    case 133:
        if (v == "i" || v == "p") K.scan_type = v;
        w.line("Source Scan = ", v == "i" ? "Interlace" : v == "p" ? "Progressive" : v);
        w.line("Source V Frequency =", v_frequency_text(K) + " Hz");
        break;
    case 105:
        K.asp = v == "on";
        if (page == 2) w.line("Source ASP       = ", v);
        break;
    case 109:
        if (K.asp) w.line(v == "lock" ? "Source ASP PLL   = Locked" : "Source ASP PLL   = Unlocked");
        break;
    case 107:
        if (K.asp) w.line("Source ASP FIFO  = ", v == "nor" ? "Normal" : v == "err" ? "Error" : v);
        break;
    case 121:
        if (v == "on") K.asp = true;
        if (page == 2) w.line("Source HBR       = ", v);
        if (page == 0 && v == "on") w.line("Source Audio = HBR");
        break;
    case 111:
        if (!K.asp) break;
        if (page == 0) w.line("Source Audio = ", v);
        else w.line("Source CHS Coding        = ", v);
        break;
    case 112: if (K.asp) w.line("Source CHS Sampling Rate = ", v + " kHz"); break;
    case 113: if (K.asp) w.line("Source CHS Sampling Size = ", v + " Bits"); break;
    case 114: if (K.asp) w.line("Source CHS Type          = ", v == "c" ? "Consumer" : v == "p" ? "Professional" : v); break;
    case item_gcp: case item_avi: case item_aif: case item_spd: case item_vsi: case item_drmi:
        packet_lines(ctx, w, entry, page, v);
        break;
    case 51:
        if (v == "off") {
            K.hdcp_in = false;
            w.line(" Rx HDCP Port = off");
        } else if (v == "on") {
            K.hdcp_in = true;
        }
        break;
    case 53: if (K.hdcp_in) w.line(" Rx HDCP Port = ", v); break;
    case 55:
        if (v == "off") {
            K.hdcp_out = false;
            K.hdcp_auth = false;
            w.line(" Tx HDCP Out = off");
        } else {
            K.hdcp_out = true;
            K.hdcp_auth = v.size() >= 2 && v.compare(v.size() - 2, 2, "on") == 0;
        }
        break;
    case 57: if (K.hdcp_out) w.line(" Tx HDCP Out = ", v + (K.hdcp_auth ? "  Pass" : "  Fail !")); break;
    case 5:
        K.audio_mute = v == "on";
        w.line(" Out Audio Mute = ", v);
        break;
    case 7:
        w.line(" Out Audio Source = ", v == "ana" ? "Analog In" : v == "hdmi" ? "HDMI In" : v == "int" ? "Internal Sinewave" : v);
        break;
    case 26: {
        const bool bypass = ctx.profile.model_index == 1 && ctx.tasks.task_mode == 0;
        w.line(" Tx Color Space = ", bypass ? "Bypass" : v);
        break;
    }
    case 28: {
        const bool second = ctx.profile.model_index == 1;
        if (second && ctx.tasks.task_mode == 0) w.line(" Tx Deep Color = Bypass");
        else if (second && ctx.tasks.task_mode == 1) w.line(" Tx Deep Color = 8 Bits");
        else w.line(" Tx Deep Color = ", v + " Bits");
        break;
    }
    default: break;
    }
    return w.out;
}

bool monitor_report_item(app_context& ctx, int entry) {
    auto& M = ctx.monitor;
    std::string line = entry >= 0 && entry < cmd_table_size ? ctx.link.cmd_table[static_cast<std::size_t>(entry)] : "";
    const int r = cmdtx_str(ctx, line + "\r");
    if (r != 1 && r != 3) {
        M.report_abort = true;
        if (M.report_status.empty()) {
            while (!line.empty() && line.back() == ' ') line.pop_back();
            M.report_status = "Report stopped: no reply to \"" + line + "\"" + (r == 0 ? " (link down)." : ".");
        }
        return false;
    }
    M.mon_report_text += monitor_report_lines(ctx, entry, M.report_page);
    if (M.on_report_reply) M.on_report_reply(entry);
    return true;
}

void cmd_monitor_report_click(app_context& ctx) {
    auto& M = ctx.monitor;
    auto& T = ctx.tasks;
    bool any = false;
    for (bool c : M.chk_mon_report) any = any || c;
    if (!any || M.report_running) return;
    if (ctx.link.cmd_busy || T.poll_busy) {
        T.deferred_action = deferred_monitor_report;
        return;
    }
    if (ctx.ports.timers) ctx.ports.timers->set_enabled(timer_id::tim_monitor, false);
    events_process(ctx);
    M.cmd_monitor_report_enabled = false;
    T.fra_mon_type_enabled = false;
    M.page_frame_hidden = true;
    M.report_abort = false;
    M.report_running = true;
    M.report_status.clear();
    M.mon_report_text.clear();
    M.txt_monitor_report.clear();
    monitor_changed(M);

    for (int k = 0; k < monitor_type_count && !M.report_abort; ++k) {
        if (!M.chk_mon_report[static_cast<std::size_t>(k)]) continue;
        M.mon_report_text += crlf;
        M.mon_report_text += monitor_report_titles[k];
        M.mon_report_text += crlf;
        M.report_page = k;
        // the section walks its own copy of its list: nothing can change it during the waits
        const std::vector<int> list = monitor_poll_entries(k, T.task_mode);
        monitor_flags_for_list(M.kept, k, T.task_mode);
        for (int e : list) {
            if (!monitor_report_item(ctx, e) || M.report_abort) break;
        }
    }
    M.report_running = false;
    if (M.report_abort) {
        if (M.report_status.empty()) M.report_status = "Report stopped.";
        M.mon_report_text.clear();
        live_restore(ctx);
        pending_type_apply(ctx);
        monitor_changed(M);
        return;
    }
    const char* mode = T.task_mode == 0 ? "Analyzer Mode" : T.task_mode == 1 ? "Pattern Mode" : T.task_mode == 2 ? "Cable Test Mode" : "";
    const std::string header = "Model: " + ctx.view.lab_model.caption + " , " + ctx.view.lab_fw_ver.caption +
                               " , AP: v2.18" + crlf + mode;
    const std::string when = M.time_text ? M.time_text() : time_date_now();
    M.mon_report_text = "Monitor Report " + when + crlf + header + crlf + M.mon_report_text + crlf + "END.";
    M.txt_monitor_report = M.mon_report_text;
    M.report_shown = true;
    M.cmd_monitor_report_enabled = true;
    pending_type_apply(ctx);
    monitor_changed(M);
}

std::string report_file_name_fix(const std::string& path) {
    const auto slash = path.rfind('/');
    const std::size_t name_at = slash == std::string::npos ? 0 : slash + 1;
    const std::string name = path.substr(name_at);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return path + ".txt";
    std::string ext = name.substr(dot + 1);
    for (auto& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "txt") return path;
    if (ext.size() <= 4) return path.substr(0, name_at + dot) + ".txt";
    return path + ".txt";
}

void cmd_monitor_save_click(app_context& ctx) {
    auto& M = ctx.monitor;
    if (M.txt_monitor_report.empty() || !ctx.ports.dialogs) return;
    auto& D = *ctx.ports.dialogs;
    std::string path;
    for (;;) {
        file_dialog_request req;
        req.title = "Save Monitor Report";
        req.filter = "*.txt|*.txt";
        path = D.file_save(req);
        if (path.empty()) return;
        path = report_file_name_fix(path);
        struct stat st{};
        if (::stat(path.c_str(), &st) != 0) break;
        const msg_answer a = D.message_box(path + " exists. Overwrite it ?", msg_icon::question, msg_buttons::yes_no_cancel);
        if (a == msg_answer::yes) break;
        if (a == msg_answer::cancel) return;
    }
    const std::string err = write_file_atomic(path, M.mon_report_text + crlf);
    if (!err.empty()) {
        D.message_box(err, msg_icon::critical);
        return;
    }
    M.report_path = path;
    monitor_changed(M);
}

void cmd_monitor_exit_click(app_context& ctx) {
    auto& M = ctx.monitor;
    M.txt_monitor_report.clear();
    live_restore(ctx);
    monitor_changed(M);
}

}  // namespace vexlan
