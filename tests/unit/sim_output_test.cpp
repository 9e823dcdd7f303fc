// The simulated unit's output side: which task mode may change which panel setting, the HDCP
// output report, the panel replies the application colours by, and the colour calibration state.
#include <gtest/gtest.h>

#include "sim_protocol.h"
#include "unit_state.h"

namespace vexlan::sim {
namespace {

unit_config config_for(const std::string& model, int board = 0) {
    unit_config c;
    c.model = model;
    c.board_id = board;
    c.data_dir = "/nonexistent-vexlan-catalogues";
    c.edid_dir = std::string(VEXLAN_DATA_DIR) + "/edid";
    c.cec_interval = 0;
    return c;
}

bool accepted(unit_state& u, const std::string& line) {
    const std::string r = handle_line(u, line, 0);
    return r.find(" err") == std::string::npos && r != "$err\r\n";
}

TEST(SimOutput, SettingsFollowTheTaskModeThePanelOffersThemIn) {
    struct row { const char* line; bool analyser_m41, pattern_m41, analyser_m41l, pattern_m41l; };
    const row rows[] = {
        {"$hdcp_in_sw on", true, false, true, false},   {"$rx_ddc off", true, false, true, false},
        {"$rx_hotplug toggle", true, false, true, false}, {"$rx_sense off", true, false, true, false},
        {"$audio_ch 6", false, true, false, true},      {"$audio_source hdmi", false, true, false, false},
        {"$hdr_set 2", false, true, false, true},       {"$hdcp_out_sw on", false, true, false, true},
        {"$tx_5v on", false, true, false, true},        {"$color_space y444", true, true, false, true},
        {"$deep_color 10", true, true, false, false},   {"$tmds_format dvi", true, true, false, true},
        {"$audio_mute on", true, true, true, true},     {"$tmds_sw off", true, true, true, true},
        {"$4k_to_1080p on_rgb", false, false, true, false},
    };
    for (const auto& r : rows) {
        const bool expect[] = {r.analyser_m41, r.pattern_m41, r.analyser_m41l, r.pattern_m41l};
        for (int k = 0; k < 4; ++k) {
            unit_state u = unit_state_make(config_for(k < 2 ? "MRV-410" : "MRV-410L"));
            handle_line(u, k % 2 == 0 ? "$task_mode analyser" : "$task_mode pattern", 0);
            EXPECT_EQ(accepted(u, r.line), expect[k]) << r.line << " case " << k;
        }
    }
}

TEST(SimOutput, PanelRepliesAndHdcpTalkingStates) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    handle_line(u, "$task_mode pattern", 0);
    EXPECT_EQ(handle_line(u, "$hdcp_out_sw?", 0), "$hdcp_out_sw? off\r\n");
    EXPECT_EQ(handle_line(u, "$hdcp_out_sw on", 0), "$hdcp_out_sw on\r\n");
    EXPECT_EQ(handle_line(u, "$hdcp_out_ver v2.2", 0), "$hdcp_out_ver v2.2\r\n");
    EXPECT_EQ(handle_line(u, "$hdcp_out_sw?", 0), "$hdcp_out_sw? v2.2_on\r\n");
    handle_line(u, "$tmds_sw off", 0);  // no link to the sink: still talking
    EXPECT_EQ(handle_line(u, "$hdcp_out_sw?", 0), "$hdcp_out_sw? v2.2_talk\r\n");
    EXPECT_EQ(handle_line(u, "$hdr_set 3", 0), "$hdr_set 3\r\n");
    EXPECT_EQ(handle_line(u, "$hdr_eotf? ", 0), "$hdr_eotf? hdr\r\n");
    EXPECT_EQ(handle_line(u, "$hdr_tx_col? ", 0), "$hdr_tx_col? 10\r\n");
    handle_line(u, "$task_mode analyser", 0);
    EXPECT_EQ(handle_line(u, "$rx_hotplug toggle", 0), "$rx_hotplug toggle\r\n");
    EXPECT_EQ(handle_line(u, "$rx_hotplug?", 0), "$rx_hotplug? on\r\n");
    EXPECT_EQ(handle_line(u, "$color_cal_color Yellow", 0), "$color_cal_color yellow\r\n");
    EXPECT_EQ(handle_line(u, "$color_cal_color?", 0), "$color_cal_color? yellow\r\n");
    EXPECT_EQ(handle_line(u, "$color_cal_level 007", 0), "$color_cal_level 7\r\n");
    EXPECT_EQ(handle_line(u, "$motion_text ", 0), "$motion_text \r\n");
    EXPECT_EQ(handle_line(u, "$motion_text?", 0), "$motion_text? \r\n");
}

}  // namespace
}  // namespace vexlan::sim
