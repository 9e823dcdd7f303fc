// The output control panel: command lines, reports and colours, HDCP states, clicks with their
// preparations and follow-ups, visibility by task mode and model. The colour calibration dialog:
// reading colour and values, choosing a colour, sliders and boxes.
#include <gtest/gtest.h>

#include "link/lifecycle.h"
#include "link/tasks.h"
#include "output_rig.h"

namespace vexlan {
namespace {

using testing::lines;
using testing::output_rig;

struct panel_rig : output_rig {
    explicit panel_rig(int model_index = 0) : output_rig(model_index) {
        output_panel_hooks_install(ctx);
        ctx.life.lists_init();
        unit.values = {
            {"hdcp_in_sw", "off"}, {"hdcp_in_ver", "v1.4"}, {"rx_ddc", "on"}, {"rx_hotplug", "on"},
            {"rx_scdc", "on"}, {"rx_sense", "on"}, {"audio_source", "int"}, {"audio_ch", "2"},
            {"audio_mute", "off"}, {"audio_sr", "48"}, {"hdr_sw", "off"}, {"hdr_set", "1"},
            {"hdr_eotf", "sdr"}, {"hdr_tx_col", "3"}, {"hdcp_out_sw", "off"}, {"hdcp_out_ver", "v1.4"},
            {"color_space", "rgb"}, {"deep_color", "8"}, {"tx_5v", "follow"}, {"tmds_sw", "on"},
            {"tmds_format", "hdmi"}};
    }
    const control_view& btn(int b) const { return ctx.panel.cmd_panel[static_cast<std::size_t>(b)]; }
    rgb colour(int b) const { return btn(b).color; }
    std::vector<int> greens() const {
        std::vector<int> out;
        for (int b = 0; b < panel_button_count; ++b)
            if (colour(b) == rgb_panel_green) out.push_back(b);
        return out;
    }
};

TEST(OutputPanel, CommandLinesComeFromTheCommandTableAtStartUp) {
    panel_rig rig;
    const auto& C = rig.ctx.panel.panel_cmd;
    const std::pair<int, const char*> rows[] = {
        {0, "$factory"}, {1, "$boot go"}, {4, "$hdcp_in_ver v1.4+v2.2"}, {5, "$rx_hotplug toggle"},
        {16, "$audio_ch 6"}, {28, "$hdr_tx_col 1"}, {37, "$hdr_tx_col 10"}, {48, "$tx_5v follow"},
        {56, "$rx_hotplug off"}, {60, "$audio_sr 192"}};
    for (const auto& [b, line] : rows) EXPECT_EQ(C[static_cast<std::size_t>(b)], line) << b;
    EXPECT_TRUE(C[61].empty());
    for (int b = 2; b < panel_button_count; ++b)
        EXPECT_EQ(C[static_cast<std::size_t>(b)].empty(), b == 50 || b == 51) << b;
}

TEST(OutputPanel, RefreshAsksEveryItemAndColoursOneButtonPerRow) {
    panel_rig rig;
    const auto sent = rig.sent_by([&] { output_panel_refresh(rig.ctx); });
    ASSERT_EQ(sent.size(), 21u);
    EXPECT_EQ((lines{sent[0], sent[6], sent[12], sent[20]}),
              (lines{"$hdcp_in_sw?\r", "$audio_source? \r", "$hdr_eotf? \r", "$tmds_format?\r"}));
    // HDCP in off: "Off" green, both versions grey
    EXPECT_EQ(rig.greens(), (std::vector<int>{2, 7, 9, 11, 12, 15, 18, 20, 22, 25, 30, 38, 41, 45, 48, 53, 54, 57, 58}));
    EXPECT_EQ(std::tuple(panel_green_button(rig.ctx.panel, 1), rig.ctx.panel.report[13]), std::tuple(-1, "3"));

    // the refresh stops at the first query without a usable reply; the later items stay
    rig.unit.values["rx_ddc"] = rig.unit.values["rx_scdc"] = "off";
    rig.unit.silent.insert("$rx_hotplug?");
    output_panel_refresh(rig.ctx);
    EXPECT_EQ(std::tuple(rig.colour(8), rig.colour(11)), std::tuple(rgb_panel_green, rgb_panel_green));
}

TEST(OutputPanel, HdcpStatesColourTheVersionButtons) {
    struct row { std::string sw, ver; int green, red; };
    const row rows[] = {{"v2.2_talk", "v2.2", -1, 40}, {"v2.2_on", "v2.2", 40, -1}, {"v1.4_talk", "v1.4", -1, 39},
                        {"v1.4_on", "v1.4", 39, -1}, {"v1.4_on", "v2.2", -1, -1}, {"off", "v2.2", 38, -1}};
    for (const auto& r : rows) {
        panel_rig rig;
        rig.unit.values["hdcp_out_sw"] = r.sw;
        rig.unit.values["hdcp_out_ver"] = r.ver;
        output_panel_refresh(rig.ctx);
        const auto& P = rig.ctx.panel;
        EXPECT_EQ(panel_green_button(P, 14) >= 0 ? panel_green_button(P, 14) : panel_green_button(P, 15), r.green) << r.sw;
        EXPECT_EQ(panel_red_button(P, 15), r.red) << r.sw;
    }
    panel_rig rig;
    rig.unit.values["hdcp_in_sw"] = "on";
    rig.unit.values["hdcp_in_ver"] = "v1.4+v2.2";
    output_panel_refresh(rig.ctx);
    EXPECT_EQ(std::tuple(rig.ctx.panel.hdcp_in_on, rig.colour(4), rig.colour(2)), std::tuple(true, rgb_panel_green, rgb_panel_grey));
}

TEST(OutputPanel, ClicksSendPreparationsShowTheirReplyAndStopAtARefusedOne) {
    panel_rig rig;
    output_panel_refresh(rig.ctx);
    EXPECT_EQ(rig.sent_by([&] { cmd_panel_Click(rig.ctx, 4); }),
              (lines{"$hdcp_in_sw on\r", "$hdcp_in_ver v1.4+v2.2\r"}));
    EXPECT_EQ((std::vector<rgb>{rig.colour(4), rig.colour(2), rig.colour(3)}),
              (std::vector<rgb>{rgb_panel_green, rgb_panel_grey, rgb_panel_grey}));

    EXPECT_EQ(rig.sent_by([&] { cmd_panel_Click(rig.ctx, 40); }), (lines{"$hdcp_out_sw on\r", "$hdcp_out_ver v2.2\r"}));
    EXPECT_EQ(rig.colour(40), rgb_panel_green);

    // "Toggle": "Low" green while the command runs, then the report's button
    rig.unit.delay = 100;
    bool low_while_running = false;
    rig.world.after(50, [&] { low_while_running = rig.colour(56) == rgb_panel_green && !rig.btn(5).enabled; });
    cmd_panel_Click(rig.ctx, 5);
    EXPECT_TRUE(low_while_running);
    EXPECT_EQ(std::tuple(rig.colour(57), rig.colour(56), rig.btn(5).enabled), std::tuple(rgb_panel_green, rgb_panel_grey, true));
    rig.unit.delay = 5;

    // HDR setting re-reads EOTF and colorimetry; colour space re-reads the format items
    EXPECT_EQ(rig.sent_by([&] { cmd_panel_Click(rig.ctx, 23); }),
              (lines{"$hdr_set 2\r", "$hdr_eotf? \r", "$hdr_tx_col? \r"}));
    EXPECT_EQ(rig.sent_by([&] { cmd_panel_Click(rig.ctx, 43); }),
              (lines{"$color_space y422\r", "$color_space?\r", "$deep_color?\r", "$tmds_format?\r"}));

    // audio source enables and disables channels and sampling rates
    for (int source : {13, 14, 12}) {
        cmd_panel_Click(rig.ctx, source);
        for (int b : {15, 16, 17, 58, 59, 60})
            EXPECT_EQ(rig.btn(b).enabled, source == 12 || (source == 14 && b >= 58)) << source << " " << b;
    }

    // a click while a poll runs is recorded and replayed with its index
    rig.ctx.tasks.poll_busy = true;
    const auto from = rig.mark();
    cmd_panel_Click(rig.ctx, 19);
    EXPECT_TRUE(rig.commands_since(from).empty());
    EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_output_panel_button);
    rig.ctx.tasks.poll_busy = false;
    deferred_replay_request(rig.ctx);  // the recorded click runs once the poll is over
    rig.pump.process_events();
    EXPECT_EQ(rig.commands_since(from), (lines{"$audio_mute on\r"}));

    // Mend: a preparation that is not accepted stops the click before the version command.
    for (int index : {3, 4, 39, 40}) {
        panel_rig p;
        const std::string sw = index < 10 ? "$hdcp_in_sw" : "$hdcp_out_sw";
        p.unit.replies[sw] = sw + " err";
        EXPECT_EQ(p.sent_by([&] { cmd_panel_Click(p.ctx, index); }), (lines{sw + " on\r"})) << index;
        EXPECT_EQ(std::tuple(p.ctx.panel.hdcp_in_on, p.ctx.panel.hdcp_out_state, p.btn(index).enabled),
                  std::tuple(false, 0, true));
    }
}

// Mend: only 1..10 colours a colorimetry button; no other report reaches another row's button.
// The reply of another command greys the item and colours nothing.
TEST(OutputPanel, ReportsOutsideTheRowOrOfAnotherCommandColourNothing) {
    const std::pair<std::string, int> rows[] = {{"1", 28}, {"10", 37}, {"0", -1}, {"11", -1}, {"13", -1},
                                                {"40", -1}, {"-1", -1}, {"err", -1}, {"3x", -1}, {"", -1}};
    for (const auto& [report, green] : rows) {
        panel_rig rig;
        output_panel_refresh(rig.ctx);
        const auto before = rig.greens();
        rig.unit.values["hdr_tx_col"] = report;
        cmdtx_str(rig.ctx, "$hdr_tx_col? \r");
        output_panel_show(rig.ctx, 13);
        EXPECT_EQ(panel_green_button(rig.ctx.panel, 13), green) << report;
        auto now = rig.greens(), was = before;  // the other rows keep their greens
        for (auto* g : {&now, &was}) std::erase_if(*g, [](int b) { return b >= 28 && b <= 37; });
        EXPECT_EQ(now, was) << report;
    }

    panel_rig rig;
    output_panel_refresh(rig.ctx);
    ASSERT_EQ(rig.colour(7), rgb_panel_green);
    const std::string replies[] = {"$rx_ddc? on", "$err on", "$rx_sense? err"};
    for (const auto& reply : replies) {
        rig.unit.replies["$rx_sense?"] = reply;
        output_panel_refresh(rig.ctx);
        // the DDC row and the hot-plug row keep their own reports
        EXPECT_EQ(std::tuple(panel_green_button(rig.ctx.panel, 5), rig.colour(9), rig.colour(57)),
                  std::tuple(-1, rgb_panel_green, rgb_panel_green)) << reply;
    }
    rig.unit.replies.clear();
    rig.unit.replies["$hdcp_in_sw?"] = "$hdcp_in_ver? on";
    rig.ctx.panel.hdcp_in_on = false;
    output_panel_refresh(rig.ctx);
    EXPECT_FALSE(rig.ctx.panel.hdcp_in_on);
    output_panel_show(rig.ctx, 21);
    output_panel_show(rig.ctx, -1);
}

// Mend: factory reset and reboot ask first (No by default); an accepted reset reads the panel.
TEST(OutputPanel, FactoryResetAndRebootAskFirst) {
    panel_rig rig;
    EXPECT_EQ(rig.sent_by([&] {
        cmd_panel_Click(rig.ctx, 0);
        cmd_panel_Click(rig.ctx, 1);
    }), lines{});
    EXPECT_EQ(rig.dialogs.buttons, std::vector<msg_buttons>(2, msg_buttons::yes_no_default_no));
    rig.dialogs.answer = msg_answer::yes;
    EXPECT_EQ(rig.sent_by([&] { cmd_panel_Click(rig.ctx, 1); }), (lines{"$boot go\r"}));
    auto sent = rig.sent_by([&] { cmd_panel_Click(rig.ctx, 0); });
    EXPECT_EQ(sent.size(), 22u);
    sent.resize(2);
    EXPECT_EQ(sent, (lines{"$factory\r", "$hdcp_in_sw?\r"}));
}

TEST(OutputPanel, VisibilityFollowsTaskModeAndModel) {
    struct row { int task, model; std::vector<int> shown, hidden; };
    const row rows[] = {
        {0, 0, {2, 11, 56, 57, 41, 47, 54, 55}, {12, 17, 20, 40, 48, 49, 58, 60}},
        {0, 1, {2, 11, 56, 57}, {41, 47, 54, 55, 12, 40}},
        {1, 0, {15, 17, 20, 21, 25, 40, 48, 49, 58, 60, 12, 14, 22, 24, 41, 47, 54, 55}, {2, 11, 56, 57}},
        {2, 1, {15, 20, 25, 40, 41, 42, 54, 55}, {12, 13, 14, 22, 23, 24, 43, 47, 2, 57}},
    };
    for (const auto& r : rows) {
        panel_rig rig(r.model);
        rig.ctx.tasks.task_mode = r.task;
        output_panel_refresh(rig.ctx);
        for (int b : r.shown) EXPECT_TRUE(rig.btn(b).visible) << r.task << r.model << " " << b;
        for (int b : r.hidden) EXPECT_FALSE(rig.btn(b).visible) << r.task << r.model << " " << b;
        for (int b : {0, 1, 18, 19, 50, 51, 52, 53}) EXPECT_TRUE(rig.btn(b).visible) << b;
    }
}

// ---- colour calibration dialog -------------------------------------------------------

struct cal_rig : output_rig {
    cal_rig() : output_rig(1, 1) {
        unit.values = {{"color_cal_color", "yellow"}, {"color_cal_level", "128"}, {"color_cal_red", "10"},
                       {"color_cal_green", "20"}, {"color_cal_blue", "30"}};
    }
    const color_cal_row_view& row(int r) const { return ctx.color_cal.rows[static_cast<std::size_t>(r)]; }
};

// Mend: values read from the unit are shown without sending anything, and the colour selected by
// a refresh is not sent back; only the operator's choice of a colour is sent.
TEST(ColorCalibrate, OpeningAndRefreshReadWithoutSendingChoosingAColourSendsIt) {
    cal_rig rig;
    EXPECT_EQ(rig.sent_by([&] { color_cal_load(rig.ctx); }), (lines{"$color_cal_color?\r", "$color_cal_level?\r"}));
    // colour chosen, level row, whether the level and red rows take input
    auto state = [&] {
        return std::tuple(rig.ctx.color_cal.cbo_color, rig.row(row_level).slider, rig.row(row_level).box,
                          rig.row(row_level).enabled, rig.row(row_red).enabled);
    };
    EXPECT_EQ(state(), std::tuple(4, 128, "128", true, false));
    rig.unit.values["color_cal_color"] = "user";
    EXPECT_EQ(rig.sent_by([&] { color_cal_refresh(rig.ctx); }),
              (lines{"$color_cal_color?\r", "$color_cal_red?\r", "$color_cal_green?\r", "$color_cal_blue?\r"}));
    EXPECT_EQ(state(), std::tuple(7, 128, "128", false, true));
    EXPECT_EQ(rig.row(row_blue).slider, 30);
    // a colour that matches no entry leaves selection and rows as they are
    rig.unit.values["color_cal_color"] = "err";
    color_cal_refresh(rig.ctx);
    EXPECT_EQ(state(), std::tuple(7, 128, "128", false, true));

    // choosing a colour sends its text and reads its rows
    EXPECT_EQ(rig.sent_by([&] { color_cal_color_choose(rig.ctx, 4); }),
              (lines{"$color_cal_color Yellow\r", "$color_cal_level?\r"}));
    EXPECT_TRUE(rig.row(row_level).enabled && !rig.row(row_red).enabled);
    EXPECT_EQ(rig.sent_by([&] { color_cal_color_choose(rig.ctx, 7); }),
              (lines{"$color_cal_color User\r", "$color_cal_red?\r", "$color_cal_green?\r", "$color_cal_blue?\r"}));
    EXPECT_TRUE(rig.row(row_red).enabled && rig.row(row_green).enabled && rig.row(row_blue).enabled);
    EXPECT_FALSE(rig.row(row_level).enabled);
    rig.ctx.link.eth_connected = false;
    EXPECT_EQ(rig.sent_by([&] {
        color_cal_color_choose(rig.ctx, 1);
        color_cal_refresh(rig.ctx);
    }), lines{});
}

// Mend: only integers 0..255 from the unit are applied; anything else leaves the row. Enter takes
// 1 to 3 digits up to 255 (longer digit strings are rejected, not overflowed); a valid value moves
// the slider without a second send.
TEST(ColorCalibrate, OnlyValuesZeroTo255FromTheUnitOrTypedAreTaken) {
    cal_rig rig;
    const std::pair<std::string, int> rows[] = {{"0", 0}, {"255", 255}, {"256", 77}, {"-1", 77}, {"None", 77},
                                                {"12a", 77}, {"99999999999", 77}, {"", 77}, {"7.5", 77}};
    for (const auto& [report, shown] : rows) {
        rig.ctx.color_cal.rows[row_level].slider = 77;
        rig.unit.values["color_cal_level"] = report;
        EXPECT_EQ(rig.sent_by([&] { color_cal_levels_get(rig.ctx, 0); }).size(), 1u) << report;
        EXPECT_EQ(rig.row(row_level).slider, shown) << report;
    }
    const std::pair<std::string, std::string> entered[] = {
        {"255", "255"}, {" 007 ", "007"}, {"0", "0"}, {"256", ""}, {"12a", ""}, {"", ""}, {"   ", ""},
        {"-1", ""}, {"0255", ""}, {"99999999999999999999", ""}, {"4294967297", ""}};
    for (const auto& [typed, wire] : entered) {
        rig.ctx.color_cal.rows[row_red].slider = 9;
        const auto sent = rig.sent_by([&] { color_cal_box_enter(rig.ctx, row_red, typed); });
        EXPECT_EQ(sent, wire.empty() ? lines{} : lines{"$color_cal_red " + wire + "\r"}) << typed;
        EXPECT_EQ(rig.row(row_red).slider, wire.empty() ? 9 : std::stoi(wire)) << typed;
        EXPECT_FALSE(rig.ctx.color_cal.cal_suppress);
    }
    // a failed query in the "User" case skips the rest
    rig.unit.values["color_cal_red"] = "10";  // the unit kept the last value typed
    rig.unit.silent.insert("$color_cal_green?");
    const auto from = rig.mark();
    color_cal_levels_get(rig.ctx, 7);
    EXPECT_EQ(std::tuple(rig.row(row_red).slider, rig.row(row_blue).slider, rig.commands_since(from).back()),
              std::tuple(10, 0, "$color_cal_green?\r"));
}

// Mend: slider moves do not nest transactions; moves during a wait coalesce into one send of the
// latest value.
TEST(ColorCalibrate, SliderMovesDuringAWaitCoalesce) {
    cal_rig rig;
    EXPECT_EQ(rig.sent_by([&] { color_cal_slider_change(rig.ctx, row_level, 100); }),
              (lines{"$color_cal_level 100\r"}));
    EXPECT_EQ(rig.row(row_level).box, "100");

    rig.unit.delay = 100;
    int depth_max = 0;
    for (int t = 20; t <= 80; t += 20)
        rig.world.after(static_cast<std::uint32_t>(t), [&, t] {
            color_cal_slider_change(rig.ctx, row_level, 100 + t);
            depth_max = std::max(depth_max, rig.ctx.link.depth);
        });
    EXPECT_EQ(rig.sent_by([&] { color_cal_slider_change(rig.ctx, row_level, 110); }),
              (lines{"$color_cal_level 110\r", "$color_cal_level 180\r"}));
    EXPECT_EQ(std::tuple(depth_max, rig.row(row_level).box, rig.row(row_level).sending), std::tuple(1, "180", false));
}

}  // namespace
}  // namespace vexlan
