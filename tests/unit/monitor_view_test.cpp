// The live monitor: poll lists by type and task mode, the status refresh of each reply into the
// five pages, the rules with arithmetic, packets that come and go, and the marking of changes.
#include <gtest/gtest.h>

#include "monitor_fixture.h"

namespace vexlan {
namespace {

using testing::monitor_rig;

std::vector<std::string> list_lines(const app_context& ctx) {
    std::vector<std::string> out;
    for (auto e = ctx.tasks.poll_list.begin(); e != ctx.tasks.poll_list.end() && *e != none_254; ++e)
        out.push_back(ctx.link.cmd_table[static_cast<std::size_t>(*e)]);
    return out;
}

TEST(MonitorView, PollListsByTypeAndTaskModeTimerOnlyOnPageFourWithALinkedUnit) {
    struct row { int task, page; std::size_t count; const char *first, *last; };
    const row rows[] = {
        {0, 0, 38, "$source_detect? 5v", "$sink_detect? scdc"},
        {0, 1, 19, "$source_detect? timingx", "$source_detect? scan"},
        {0, 2, 14, "$source_detect? acr", "$source_detect? chs_ss"},
        {0, 3, 6, "$source_detect? gcp", "$source_detect? drmi"},
        {0, 4, 11, "$source_detect? hdcp", "$source_detect? scdc_scr_status"},
        {1, 0, 20, "$timingx?", "$sink_detect? scdc"},
        {1, 1, 0, "", ""}, {1, 2, 0, "", ""}, {1, 3, 0, "", ""},
        {1, 4, 11, "$hdcp_out_sw?", "$sink_detect? scdc_scr_status"},
        // the cable-test mode and an unknown mode poll nothing, whatever was polled before
        {2, 0, 0, "", ""}, {2, 4, 0, "", ""}, {none_254, 0, 0, "", ""}, {none_254, 3, 0, "", ""},
    };
    monitor_rig rig;  // page 4 shown
    EXPECT_EQ(std::tuple(rig.timers.enabled(timer_id::tim_monitor), rig.ctx.tasks.deferred_action),
              std::tuple(true, int{deferred_none}));
    for (const auto& r : rows) {
        SCOPED_TRACE(::testing::Message() << "task " << r.task << " page " << r.page);
        monitor_poll_list_set(rig.ctx, 1 - (r.page % 2));  // something else first
        rig.ctx.tasks.task_mode = 0;
        monitor_poll_list_set(rig.ctx, 0);
        rig.ctx.tasks.poll_index = 5;
        rig.ctx.tasks.task_mode = r.task;
        monitor_poll_list_set(rig.ctx, r.page);
        const auto lines = list_lines(rig.ctx);
        EXPECT_EQ(std::tuple(lines.size(), rig.ctx.tasks.poll_index, lines.empty() ? "" : lines.front(),
                             lines.empty() ? "" : lines.back()),
                  std::tuple(r.count, 0, r.first, r.last));
    }
    rig.ctx.tasks.task_mode = 0;
    rig.tcp_ctl.far_end_closes();
    rig.run_for(2000);
    monitor_run(rig.ctx);
    EXPECT_FALSE(rig.timers.enabled(timer_id::tim_monitor));
}

TEST(MonitorView, SystemPageAfterOneCycle) {
    monitor_rig rig;
    EXPECT_EQ(rig.sent_by([&] { rig.cycle(); }).size(), 38u);
    const std::pair<int, const char*> rows[] = {
        {lab_source_5vx, "on"}, {lab_source_resox, "1920x1080p60"}, {lab_source_cscx, "RGB"},
        {lab_source_dcx, "8"}, {lab_source_avmutex, "Clear"}, {lab_source_audiox, "LPCM"},
        {lab_source_hdcpx, "v1.4"}, {lab_m41_rx_hdcpx, "v1.4"}, {lab_m41_rx_edid3x, "VXL."},
        {lab_m41_rx_edid4x, "VX-1"}, {lab_sink_rx_edid3x, "SNK."}, {lab_sink_rx_edidx, "HDMI2.0"},
        {lab_m41_outputx, "ON"}, {lab_m41_tx_hdcpx, "v2.2  Pass"}, {lab_sink_rx_scdcx, "on"},
    };
    for (const auto& [label, text] : rows) EXPECT_EQ(rig.sys(label), text) << sys_label_name(label);
    for (int i : {ind_gcp, ind_avi, ind_aif, ind_vsi, ind_drmi})
        EXPECT_EQ(rig.mon().indicator[i].color, i == ind_vsi || i == ind_drmi ? rgb_indicator_off : rgb_black)
            << i;
    EXPECT_EQ(rig.mon().fra_monitor_m41, rig.ctx.profile.current_model_string);
}

TEST(MonitorView, DataRateAndFrequencies) {
    for (const auto& [in, out] : std::initializer_list<std::pair<const char*, const char*>>{
             {"5940", "5.940"}, {"742", "0.742"}, {"42", "0.042"}, {"12000", "12.000"}, {"None", "None"}, {"err", "err"}})
        EXPECT_EQ(data_rate_text(in), out) << in;
    struct row { const char *clock, *ht, *vt, *scan, *h, *v; };
    const row rows[] = {
        {"148500", "2200", "1125", "p", "67500", "60.00"}, {"148500", "2200", "1125", "i", "67500", "120.00"},
        {"2376000", "9000", "4400", "p", "264000", "60.00"},  // 8K60: past a signed 32-bit number of Hz
        {"4752000", "9000", "4400", "p", "528000", "120.00"},  // 8K120: past any 32-bit number of Hz
        {"594000", "4400", "2250", "p", "135000", "60.00"}, {"148500", "0", "1125", "p", "0", "?"},
        {"148500", "2200", "0", "p", "67500", "?"}, {"None", "2200", "1125", "p", "0", ".00"},
        {"25", "2200", "1125", "p", "11", ".01"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.clock + std::string("/") + r.ht + "/" + r.vt + r.scan);
        monitor_kept k;
        k.pixel_clock_hz = pixel_clock_hz_from(r.clock);
        k.h_total = total_from(r.ht);
        k.v_total = total_from(r.vt);
        k.scan_type = r.scan;
        EXPECT_EQ(h_frequency_text(k), r.h);
        EXPECT_EQ(v_frequency_text(k), r.v);
    }
    // the same through the page: totals and clock come from their own replies
    monitor_rig rig;
    rig.answers["$source_detect? pixel_clock"] = "pixel_clock,2376000";
    rig.answers["$source_detect? ht"] = "ht,9000";
    rig.answers["$source_detect? vt"] = "vt,4400";
    opt_mon_type_click(rig.ctx, 1);
    rig.cycle();
    for (const auto& [i, text] : std::initializer_list<std::pair<int, const char*>>{
             {4, "264000"}, {14, "60.00"}, {3, "4.455"}, {13, "Progressive"}})
        EXPECT_EQ(rig.mon().video[static_cast<std::size_t>(i)].text, text) << i;
}

TEST(MonitorView, PacketThatGoesAwayTurnsGreyAndEmptiesItsRows) {
    monitor_rig rig;
    opt_mon_type_click(rig.ctx, 3);
    rig.cycle();
    const auto& P = rig.mon().packet;
    for (const auto& [i, text] : std::initializer_list<std::pair<int, const char*>>{
             {2, "RGB"}, {6, "16 1920x1080p 59/60 16:9"}, {15, "VEXLAN"}, {16, "SOURCE"}, {18, "VSI Off"},
             {22, "DRMI Off"}})
        EXPECT_EQ(P[static_cast<std::size_t>(i)].text, text) << i;
    rig.answers["$source_detect? avi"] = "avi,off";
    rig.answers["$source_detect? spd"] = "spd,None";
    rig.cycle();
    EXPECT_EQ(P[2].text, "AVI Off");
    for (int r = 3; r <= 7; ++r) EXPECT_EQ(P[static_cast<std::size_t>(r)].text, "") << r;
    EXPECT_EQ(P[15].text, "SPD Off");
    // on the System page the indicator goes grey and the colour space reads "None"
    rig.answers["$source_detect? avi"] = "avi,82 02 0D 00 00";
    opt_mon_type_click(rig.ctx, 0);
    rig.cycle();
    EXPECT_EQ(rig.mon().indicator[ind_avi].color, rgb_black);
    rig.answers["$source_detect? avi"] = "avi,8202 0D";  // not a byte list: absent
    rig.cycle();
    EXPECT_EQ(rig.mon().indicator[ind_avi].color, rgb_indicator_off);
    EXPECT_EQ(rig.sys(lab_source_cscx), "None");
}

TEST(MonitorView, RepliesLandOnTheQuerySentAndOnlyOnTheTargetsOfTheShownType) {
    monitor_rig rig;
    auto& M = rig.mon();
    opt_mon_type_click(rig.ctx, 1);
    // walk to "ht" (entry 4 of the Video Timing list)
    for (int i = 0; i < 4; ++i) tim_monitor_tick(rig.ctx);
    ASSERT_EQ(rig.ctx.tasks.poll_list[static_cast<std::size_t>(rig.ctx.tasks.poll_index)], 129);
    // the operator picks the Packet type while the "ht" reply is on its way
    rig.world.after(1, [&] { opt_mon_type_click(rig.ctx, 3); });
    tim_monitor_tick(rig.ctx);
    EXPECT_EQ(rig.tcp.commands.back(), "$source_detect? ht\r");
    EXPECT_EQ(M.kept.h_total, 2200);
    for (const auto& v : M.packet) EXPECT_EQ(v.text, "") << "a timing value landed on the Packet page";
    EXPECT_FALSE(M.kept.present[pk_gcp] || M.kept.present[pk_avi]);

    // a Packet-type query answered while the System type is shown: System targets only
    opt_mon_type_click(rig.ctx, 0);
    rig.ctx.link.rx_param1 = "gcp";
    rig.ctx.link.rx_param2 = "03 00 00 01 05";
    ASSERT_TRUE(monitor_reply_apply(rig.ctx, item_gcp));
    EXPECT_EQ(std::tuple(rig.sys(lab_source_avmutex), rig.sys(lab_source_dcx)), std::tuple("Set", "10"));
    for (const auto& v : M.packet) EXPECT_EQ(v.text, "");
    // System-only queries change nothing while another type is shown
    opt_mon_type_click(rig.ctx, 1);
    const auto before = M;
    rig.ctx.link.rx_param1 = "rx";
    rig.ctx.link.rx_param2 = "changed";
    for (int e : {153, 155, 40, 31, 26, 170, 84}) ASSERT_TRUE(monitor_reply_apply(rig.ctx, e)) << e;
    EXPECT_EQ(std::tuple(M.sys, M.video), std::tuple(before.sys, before.video));
    // cable and CEC replies are not the monitor's
    EXPECT_FALSE(monitor_reply_apply(rig.ctx, 14) || monitor_reply_apply(rig.ctx, 21));
}

TEST(MonitorView, MuteAndAuthenticationFollowEachReport) {
    monitor_rig rig("pattern");
    rig.answers["$audio_mute?"] = "on";
    rig.answers["$hdcp_out_sw?"] = "v2.2_on";
    // audio, channels, output HDCP and its colour, pattern name
    auto shown = [&] {
        rig.cycle();
        return std::tuple(rig.sys(lab_m41_out_audiox), rig.sys(lab_m41_out_audio_chx), rig.sys(lab_m41_tx_hdcpx),
                          rig.mon().sys[lab_m41_tx_hdcpx].color, rig.sys(lab_m41_patternx));
    };
    EXPECT_EQ(shown(), std::tuple("Mute", "", "v2.2  Pass", rgb_black, rig.ctx.catalogue.patterns.at(2).name));
    rig.answers["$audio_mute?"] = "off";
    rig.answers["$audio_source?"] = "hdmi";  // HDMI source: no channel count
    rig.answers["$hdcp_out_sw?"] = "v2.2_talk";
    rig.answers["$pattern?"] = "9999";  // outside the catalogue: the number itself
    EXPECT_EQ(shown(), std::tuple("HDMI", "", "v2.2  Fail", rgb_hdcp_fail, "9999"));
    rig.answers["$audio_source?"] = "int";
    rig.answers["$hdcp_out_sw?"] = "off";
    EXPECT_EQ(shown(), std::tuple("Internal", "2", "Off", rgb_black, "9999"));
}

TEST(MonitorView, HdcpPageRowsAndCaptionsInBothModes) {
    for (const char* task : {"analyser", "pattern"}) {
        SCOPED_TRACE(task);
        monitor_rig rig(task);
        opt_mon_type_click(rig.ctx, 4);
        rig.cycle();
        const auto& M = rig.mon();
        const std::string model = rig.ctx.profile.current_model_string;
        if (std::string(task) == "analyser") {
            EXPECT_EQ(std::tuple(M.hdcp_title, M.hdcp_captions[2], M.hdcp[0].text, M.hdcp[2].text, M.hdcp[7].text),
                      std::tuple("Source HDCP & SCDC", model + " Rx HDCP Port", "v1.4", "v1.4", "on"));
            rig.answers["$hdcp_in_sw?"] = "off";
            rig.cycle();
            EXPECT_EQ(M.hdcp[2].text, "Off");  // the version is not asked while the input is off
        } else {
            EXPECT_EQ(std::tuple(M.hdcp_title, M.hdcp_captions[0], M.hdcp_captions[2], M.hdcp[0].text, M.hdcp[4].text),
                      std::tuple("Sink HDCP & SCDC", model + " Tx HDCP", "Sink Rx HDCP Port", "v2.2  Pass", "3C9D0E7A21"));
        }
    }
}

TEST(MonitorView, ChangedValuesAreMarkedForThreeSeconds) {
    monitor_rig rig;
    rig.cycle();
    const auto& v = rig.mon().sys[lab_source_resox];
    EXPECT_FALSE(monitor_value_marked(v, rig.world.now));  // the first value is no change
    rig.answers["$source_detect? timingx"] = "timingx,1280x720p60";
    rig.cycle();
    const auto at = v.changed_ms;
    EXPECT_TRUE(monitor_value_marked(v, rig.world.now) && monitor_value_marked(v, at + 2999));
    EXPECT_FALSE(monitor_value_marked(v, at + 3000));
    EXPECT_FALSE(monitor_value_marked(rig.mon().sys[lab_source_5vx], rig.world.now));  // unchanged
    // "asp" and "chs_code" share the audio label: a steady source does not flip it every cycle
    rig.run_for(monitor_mark_ms);
    rig.cycle();
    EXPECT_EQ(rig.sys(lab_source_audiox), "LPCM");
    EXPECT_FALSE(monitor_value_marked(rig.mon().sys[lab_source_audiox], rig.world.now));
    monitor_form_set(rig.ctx);
    EXPECT_FALSE(monitor_value_marked(v, rig.world.now));
}

}  // namespace
}  // namespace vexlan
