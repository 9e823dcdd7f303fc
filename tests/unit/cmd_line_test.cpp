#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <sstream>
#include <tuple>

#include "link/cmd_line.h"

using namespace vexlan;

// Every command prefix at its index, as the unit's command list gives them; indices missing
// here are unassigned and stay empty. The detect queries are runs of items at consecutive indices.
static const char* const command_list = R"(
    0 "$4k_to_1080p "; 1 "$4k_to_1080p? "; 2 "$audio_ch "; 3 "$audio_ch? "; 4 "$audio_mute ";
    5 "$audio_mute? "; 6 "$audio_source "; 7 "$audio_source? "; 8 "$audio_sr "; 9 "$audio_sr? ";
    10 "$board_id? "; 11 "$boot go"; 12 "$boot?"; 13 "$cable_level "; 14 "$cable_level?"; 15 "$cable_result?";
    16 "$cable_run "; 17 "$cable_run?"; 18 "$cable_time "; 19 "$cable_time?"; 20 "$cec_log_clear";
    21 "$cec_log_msg? "; 22 "$cec_msg_set "; 23 "$cec_msg_set? "; 24 "$cec_msg_send "; 25 "$color_space ";
    26 "$color_space?"; 27 "$deep_color "; 28 "$deep_color?"; 30 "$edid_manuf? "; 31 "$edid_manuf? rx";
    32 "$edid_manuf? sink_h"; 33 "$edid_model? "; 34 "$edid_model? rx"; 35 "$edid_model? sink_h";
    36 "$edid_native? "; 37 "$edid_native? rx"; 38 "$edid_native? sink_h"; 39 "$edid_type? ";
    40 "$edid_type? rx"; 41 "$edid_type? sink_h"; 42 "$factory"; 50 "$hdcp_in_sw "; 51 "$hdcp_in_sw?";
    52 "$hdcp_in_ver "; 53 "$hdcp_in_ver?"; 54 "$hdcp_out_sw "; 55 "$hdcp_out_sw?"; 56 "$hdcp_out_ver ";
    57 "$hdcp_out_ver?"; 60 "$hdr_eotf "; 61 "$hdr_eotf? "; 62 "$hdr_set "; 63 "$hdr_set?"; 64 "$hdr_sw ";
    65 "$hdr_sw?"; 66 "$hdr_tx_col "; 67 "$hdr_tx_col? "; 68 "$motion_text "; 69 "$motion_text?";
    70 "$pattern? "; 71 "$pattern "; 150 "$rx_ddc "; 151 "$rx_ddc?"; 152 "$rx_hotplug "; 153 "$rx_hotplug?";
    154 "$rx_sense "; 155 "$rx_sense?"; 156 "$rx_scdc "; 157 "$rx_scdc?"; 160 "$timer_day?";
    161 "$timer_hour?"; 162 "$timer_minute?"; 163 "$timer_second?"; 164 "$timing "; 165 "$timing? ";
    166 "$timingx?"; 167 "$tmds_format "; 168 "$tmds_format?"; 169 "$tmds_sw "; 170 "$tmds_sw?";
    171 "$tx_5v "; 172 "$tx_5v?"; 180 "$color_cal_blue "; 181 "$color_cal_blue?"; 182 "$color_cal_color ";
    183 "$color_cal_color?"; 184 "$color_cal_green "; 185 "$color_cal_green?"; 186 "$color_cal_level ";
    187 "$color_cal_level?"; 188 "$color_cal_red "; 189 "$color_cal_red?";)";
static const std::tuple<int, const char*, const char*> detect_runs[] = {
    {80, "$sink_detect? ", "hdcp hdcp_aksv hdcp_bksv hdcp_rxid hotplug rsense scdc scdc_scr_enable scdc_scr_status "
                           "scdc_sink_ver scdc_source_ver"},
    {100, "$source_detect? ", "5v acr acr_n acr_cts aif asp asp_ch asp_fifo asp_layout asp_pll avi chs_code chs_sr "
                              "chs_ss chs_type ckdt data_rate drmi gcp ha hbp hbr hdcp hdcp_aksv hdcp_bksv hdcp_rxid "
                              "hfp hsp hsw ht hvs_offset1 hvs_offset2 pixel_clock scan scdc_scr_enable "
                              "scdc_scr_status scdc_sink_ver scdc_source_ver scdt spd timingx tmds_clock tmds_format "
                              "va vbp vfp vsi vsp vsw vt"}};

TEST(CommandTable, EveryIndexHoldsItsListedPrefix) {
    std::map<int, std::string> listed;
    const std::regex entry(R"re((\d+) "([^"]*)")re");
    const std::string text = command_list;
    for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it)
        listed[std::stoi((*it)[1])] = (*it)[2];
    for (const auto& [first, prefix, items] : detect_runs) {
        std::istringstream in(items);
        int i = first;
        for (std::string item; in >> item;) listed[i++] = prefix + item;
    }
    ASSERT_EQ(listed.size(), 154u);
    cmd_table_t t;
    t.fill("stale");
    cmd_table_init(t);
    for (int i = 0; i < cmd_table_size; ++i) {
        const auto f = listed.find(i);
        EXPECT_EQ(t[static_cast<std::size_t>(i)], f == listed.end() ? "" : f->second) << "index " << i;
    }
}

TEST(CommandLine, CommandWord) {
    const std::pair<std::string, std::string> cases[] = {
        {"$model?\r", "$model?"}, {"$model? X1\r\n", "$model?"}, {"model?\r", ""}, {"", ""}, {"$x", ""},
        {"$edid_read err_ddc\r\n", "$edid_read"}, {"$\r", "$"}, {"$a\rb c", "$a"},
        {"$model?\n\r", "$model?"},  // ended LF CR: the same word
    };
    for (const auto& [line, word] : cases) EXPECT_EQ(cmdstr_cmd_get(line), word) << "line '" << line << "'";
}

TEST(CommandLine, ReplyParametersNeverHoldALineEnd) {
    struct row { std::string line, p1, p2, p3; };
    const row rows[] = {
        {"$timing 12,3\r\n", "12", "3", "None"},     {"$a 1,,3\r\n", "1", "None", "None"},
        {"$a 1,2,3,4\r\n", "1", "2", "3"},           {"$a x y,z\r\n", "x y", "z", "None"},
        {"$a 5", "None", "None", "None"},           {"$model?\r\n", "None", "None", "None"},
        {"$a ,2,3\r\n", "None", "None", "None"},     {"$model? MRV-410\n\r", "MRV-410", "None", "None"},
        {"$a 1,2\n\r", "1", "2", "None"},            {"$a 1\r,2\n", "1", "None", "None"},
        {"$a 1,2,\r\n", "1", "2", "None"},           {"$cec_log_msg? 3,12,40:04\r\n", "3", "12", "40:04"},
    };
    for (const auto& r : rows) {
        const auto p = cmdrx_param_get(r.line);
        EXPECT_EQ(std::tuple(p.rx_param1, p.rx_param2, p.rx_param3), std::tuple(r.p1, r.p2, r.p3)) << r.line;
    }
}
