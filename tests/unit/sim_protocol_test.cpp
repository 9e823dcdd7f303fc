// Protocol engine of vexlan-unit-sim, driven directly: command lines in, reply bytes out, with
// the unit time passed explicitly. The output side: which task mode may change which panel
// setting, the HDCP output report, the panel replies and the colour calibration state.
#include "sim_protocol.h"
#include "unit_state.h"

#include <gtest/gtest.h>

#include "link/file_io.h"
#include "temp_dir.h"

namespace vexlan::sim {
namespace {

unit_config config_for(const std::string& model, int board = 0) {
    unit_config c;
    c.model = model;
    c.board_id = board;
    c.data_dir = "/nonexistent-vexlan-catalogues";   // fallback catalogue: 90 timings, 45 patterns
    c.edid_dir = std::string(VEXLAN_DATA_DIR) + "/edid";
    c.cec_interval = 0;                                // no background CEC traffic unless asked
    return c;
}

std::vector<std::uint8_t> block_from_data_phase(const std::string& data) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < 128; ++i) out.push_back(static_cast<std::uint8_t>(std::stoi(data.substr(3 * i, 2), nullptr, 16)));
    return out;
}

// Sends each query and checks the whole reply.
void expect_replies(unit_state& u, const std::vector<std::pair<std::string, std::string>>& pairs, double now = 0) {
    for (const auto& [line, reply] : pairs) EXPECT_EQ(handle_line(u, line, now), reply) << line;
}

TEST(SimProtocol, LinkQueriesTaskModesAndPagesPerFamily) {
    struct row {
        const char* model;
        int board;
        bool second_family;  // cable test, no CEC
    };
    for (const row& r : {row{"MRV-410", 0, false}, row{"736", 1, true}, row{"MRV-510", 2, false}}) {
        SCOPED_TRACE(r.model);
        unit_config cfg = config_for(r.model, r.board);
        cfg.fw = "3.1.0";
        unit_state u = unit_state_make(cfg);
        expect_replies(u, {{"$model?", std::string("$model? ") + r.model + "\r\n"},
                           {"$board_id? ", "$board_id? " + std::to_string(r.board) + "\r\n"},
                           {"$fwver?", "$fwver? 3.1.0\r\n"}, {"$boot?", "$boot? ok\r\n"},
                           {"$task_mode?", "$task_mode? pattern\r\n"}});
        EXPECT_EQ(handle_line(u, "$task_mode cable", 0), r.second_family ? "$task_mode cable\r\n" : "$task_mode err\r\n");
        EXPECT_EQ(handle_line(u, "$task_mode analyser", 0), "$task_mode analyser\r\n");
        // Pages a family does not have: its firmware does not know their command words.
        EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 0) == "$err\r\n", r.second_family);
        EXPECT_EQ(handle_line(u, "$cable_run?", 0) == "$err\r\n", !r.second_family);
        const std::string help = handle_line(u, "$help", 0);
        EXPECT_EQ(help.back(), '\x04');
        EXPECT_EQ(help.find("$cable_run") != std::string::npos, r.second_family);
    }
}

TEST(SimProtocol, SettersStoreAndErrorsNameTheCommandOrAreDollarErr) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    expect_replies(u, {
        {"$timing  91", "$timing err\r\n"},  // the fallback catalogue has 90
        {"$timing  88", "$timing err\r\n"},  // 88 only in the analyser task
        {"$timing  12x", "$timing err\r\n"}, {"$color_cal_red 256", "$color_cal_red err\r\n"},
        {"$nonsense", "$err\r\n"}, {"$model", "$err\r\n"}, {"model?", "$err\r\n"},
        {"$timing? ", "$timing? 16\r\n"},    // nothing above changed the output
        {"$timing  12", "$timing 12\r\n"},   // two blanks, as the application sends
        {"$timingx?", "$timingx? Timing 12\r\n"},
        {"$audio_ch 6", "$audio_ch 6\r\n"}, {"$audio_ch? ", "$audio_ch? 6\r\n"},
        {"$task_mode analyser", "$task_mode analyser\r\n"}, {"$timing  88", "$timing 88\r\n"},
        // DVI output forces 8 bits; a YCbCr choice brings HDMI back.
        {"$deep_color 12", "$deep_color 12\r\n"}, {"$tmds_format dvi", "$tmds_format dvi\r\n"},
        {"$deep_color?", "$deep_color? 8\r\n"}, {"$color_space y422", "$color_space y422\r\n"},
        {"$tmds_format?", "$tmds_format? hdmi\r\n"},
        {"$factory", "$factory ok\r\n"}, {"$audio_ch? ", "$audio_ch? 2\r\n"},
    });
    unit_state l = unit_state_make(config_for("MRV-410L", 1));
    expect_replies(l, {{"$color_space y420", "$color_space err\r\n"}, {"$deep_color 10", "$deep_color err\r\n"}});
}

TEST(SimProtocol, CatalogueFileBoundsTheNumbersAndAMissingFileFallsBack) {
    vexlan::testing::temp_dir dir("vexlan-sim-cat");
    ASSERT_EQ(write_file_atomic(dir.file("m51_timing_pattern.ini"),
                                "4\r\nA\r\n1920x1080p60\r\n\"C, wide\"\r\nD\r\n3\r\nP1\r\nP2\r\nP3\r\n"), "");
    unit_config cfg = config_for("MRV-510");
    cfg.data_dir = dir.str();
    unit_state u = unit_state_make(cfg);
    EXPECT_TRUE(u.cat.from_file);
    expect_replies(u, {{"$timing? ", "$timing? 2\r\n"},   // starts at 1920x1080p60
                       {"$timing  4", "$timing 4\r\n"}, {"$timing  5", "$timing err\r\n"},
                       {"$pattern  4", "$pattern err\r\n"}, {"$timing  3", "$timing 3\r\n"},
                       {"$timingx?", "$timingx? C  wide\r\n"}});   // no "," inside a value

    unit_config other = config_for("MRV-410");
    other.data_dir = dir.str();   // no m41 file there
    unit_state v = unit_state_make(other);
    EXPECT_FALSE(v.cat.from_file);
    EXPECT_EQ(v.cat.timings.size(), 90u);
    EXPECT_FALSE(v.notes.empty());
}

TEST(SimEdid, ReadRepliesAndTheirErrors) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    const reply r = handle_command(u, command{"$edid_read d1,block0", false, {}}, 0);
    ASSERT_EQ(r.kind, reply_kind::edid_data);
    const std::string header = "$edid_read d1,block0\r\n";
    ASSERT_EQ(r.bytes.size(), header.size() + 386);
    EXPECT_EQ(r.bytes.substr(0, header.size() + 24), header + "00 FF FF FF FF FF FF 00 ");
    EXPECT_EQ(r.bytes.substr(r.bytes.size() - 2), "\r\n");
    unsigned sum = 0;
    for (auto v : block_from_data_phase(r.bytes.substr(header.size()))) sum += v;
    EXPECT_EQ(sum % 256, 0u);
    // A one-block image reads FF beyond its end.
    EXPECT_EQ(block_from_data_phase(handle_line(u, "$edid_read d4,block1", 0).substr(22)),
              std::vector<std::uint8_t>(128, 0xFF));
    EXPECT_EQ(handle_line(u, "$edid_read d9,block0", 0), "$edid_read err_ddc\r\n");   // empty store
    for (const char* bad : {"$edid_read d11,block0", "$edid_read d1,block4", "$edid_read d01,block0",
                            "$edid_read c1", "$edid_read"})
        EXPECT_EQ(handle_line(u, bad, 0), "$err\r\n") << bad;
    // The VGA sink exists on the first family only (a missing sink: sim_edid_test).
    EXPECT_EQ(handle_line(u, "$edid_read sink_v,block0", 0).size(), 26u + 386u);
    unit_state l = unit_state_make(config_for("MRV-410L"));
    EXPECT_EQ(handle_line(l, "$edid_read sink_v,block0", 0), "$err\r\n");
}

TEST(SimEdid, WriteInAnyPiecesThenReadBackAndRefusals) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    std::vector<std::uint8_t> block(128);
    std::string payload;
    for (int i = 0; i < 128; ++i) {
        block[i] = static_cast<std::uint8_t>(i * 37 + 5);
        payload += {"0123456789ABCDEF"[block[i] >> 4], "0123456789ABCDEF"[block[i] & 15], ' '};
    }
    const std::string wire = "$edid_write c5,block1\r\n" + payload + "\r";
    // Delivered in many two-piece splits: always one command, complete only at the end.
    for (std::size_t cut = 1; cut < wire.size(); cut += 7) {
        line_reader r;
        ASSERT_TRUE(r.feed(std::string_view(wire).substr(0, cut)).empty()) << cut;
        const auto cmds = r.feed(std::string_view(wire).substr(cut));
        ASSERT_EQ(cmds.size(), 1u) << cut;
        EXPECT_EQ(cmds[0].line, "$edid_write c5,block1");
        EXPECT_EQ(cmds[0].payload.size(), 384u);
    }
    line_reader r;
    const auto cmds = r.feed(wire);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(handle_command(u, cmds[0], 0).bytes, "$edid_write c5,block1\r\n");
    EXPECT_EQ(block_from_data_phase(handle_line(u, "$edid_read c5,block1", 0).substr(22)), block);
    // Block 0 of the new store was never written: an EEPROM reads FF there.
    EXPECT_EQ(block_from_data_phase(handle_line(u, "$edid_read c5,block0", 0).substr(22)),
              std::vector<std::uint8_t>(128, 0xFF));

    auto write = [&](const std::string& line, const std::string& p) {
        return handle_command(u, command{line, true, p}, 0).bytes;
    };
    std::string bad = payload;
    bad[10] = 'G';
    EXPECT_EQ(write("$edid_write d1,block0", payload), "$edid_write err\r\n");       // read-only store
    EXPECT_EQ(write("$edid_write c1,block9", payload), "$edid_write err\r\n");
    EXPECT_EQ(write("$edid_write c1,block0", payload.substr(3)), "$edid_write err\r\n");   // 127 bytes
    EXPECT_EQ(write("$edid_write c1,block0", bad), "$edid_write err\r\n");
    EXPECT_EQ(handle_line(u, "$edid_read c1,block0", 0).substr(22, 24), "00 FF FF FF FF FF FF 00 ");
    // A header ended by CR alone has no payload and the next line is a command again.
    const auto two = r.feed("$edid_write c1,block0\r$model?\r");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_FALSE(two[0].has_payload);
    EXPECT_EQ(two[1].line, "$model?");
}

TEST(SimLineReader, LineEndsPiecesAndAnEndlessLine) {
    line_reader r;
    std::vector<std::string> lines;
    for (const auto& c : r.feed("$model?\r\r\n$fwver?\r\n$boot?\n\n$tim")) lines.push_back(c.line);
    EXPECT_EQ(lines, (std::vector<std::string>{"$model?", "$fwver?", "$boot?"}));
    EXPECT_FALSE(r.idle());
    const auto rest = r.feed("ing? \r");
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].line, "$timing? ");
    // An endless line is answered "$err" once it ends, and reading goes on.
    unit_state u = unit_state_make(config_for("MRV-410"));
    const auto big = r.feed(std::string(5000, 'x') + "\r$model?\r");
    ASSERT_EQ(big.size(), 2u);
    EXPECT_EQ(handle_command(u, big[0], 0).bytes, "$err\r\n");
    EXPECT_EQ(big[1].line, "$model?");
}

TEST(SimCable, TimedRunProgressesAndEndsAndQualityDecides) {
    unit_config cfg = config_for("736");
    cfg.initial_task = task_kind::cable;
    unit_state u = unit_state_make(cfg);
    expect_replies(u, {{"$cable_result?", "$cable_result? none\r\n"}, {"$cable_time 1", "$cable_time 1\r\n"}});
    EXPECT_EQ(handle_line(u, "$cable_run start", 10), "$cable_run start\r\n");
    EXPECT_EQ(handle_line(u, "$cable_time 3", 20), "$cable_time err\r\n");   // not while running
    expect_replies(u, {{"$cable_result?", "$cable_result? testing\r\n"},
                       {"$timer_minute?", "$timer_minute? 1\r\n"},
                       {"$timer_second?", "$timer_second? 1\r\n"}}, 71);
    // Two minutes after the start the run is over and passed; the counters stop at 2:00.
    expect_replies(u, {{"$cable_run?", "$cable_run? stop\r\n"},
                       {"$cable_result?", "$cable_result? pass\r\n"}, {"$timer_minute?", "$timer_minute? 2\r\n"},
                       {"$timer_second?", "$timer_second? 0\r\n"}}, 200);

    // A bad cable fails after eight seconds of an endless run; only the cable task can run one.
    unit_config bad = config_for("DN-6P");
    bad.cable_quality = "bad";
    unit_state v = unit_state_make(bad);
    EXPECT_EQ(handle_line(v, "$cable_run start", 0), "$cable_run err\r\n");
    for (const char* line : {"$task_mode cable", "$cable_time 7", "$cable_run start"}) handle_line(v, line, 0);
    EXPECT_EQ(handle_line(v, "$cable_result?", 7), "$cable_result? testing\r\n");
    EXPECT_EQ(handle_line(v, "$cable_result?", 9), "$cable_result? fail\r\n");
}

TEST(SimCec, LogFillsOverTimeAndShowsSentMessages) {
    unit_config cfg = config_for("MRV-410");
    cfg.cec_interval = 2;
    unit_state u = unit_state_make(cfg);
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 0), "$cec_log_msg? 1,0\r\n");
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 2.5), "$cec_log_msg? 1,1,RX 0F 87 00 E0 91 Device Vendor ID\r\n");
    // After a minute the log holds the last twelve, numbered on.
    handle_line(u, "$cec_log_msg? 1", 60);
    ASSERT_EQ(u.cec.log.size(), 12u);
    const int first = u.cec.log.front().number;
    for (int k : {1, 12}) {
        const std::string want = "$cec_log_msg? " + std::to_string(k) + "," + std::to_string(first + k - 1) + ",";
        EXPECT_EQ(handle_line(u, "$cec_log_msg? " + std::to_string(k), 60).substr(0, want.size()), want);
    }
    expect_replies(u, {{"$cec_log_msg? 13", "$cec_log_msg? err\r\n"},
                       {"$cec_log_clear", "$cec_log_clear ok\r\n"}, {"$cec_log_msg? 1", "$cec_log_msg? 1,0\r\n"},
                       {"$cec_msg_set 3,40 8F", "$cec_msg_set 3,40 8F\r\n"}, {"$cec_msg_send 3", "$cec_msg_send 3\r\n"}},
                   60.1);
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 60.2), "$cec_log_msg? 1,1,TX 40 8F Give Device Power Status\r\n");
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 2", 60.5), "$cec_log_msg? 2,2,RX 04 90 00 Report Power Status\r\n");
}

TEST(SimProtocol, RebootSilencesTheUnitForItsBootTime) {
    unit_config cfg = config_for("MRV-410");
    cfg.boot_seconds = 1.5;
    unit_state u = unit_state_make(cfg);
    EXPECT_EQ(handle_line(u, "$boot go", 10), "$boot go\r\n");
    EXPECT_EQ(handle_line(u, "$model?", 11), "");
    EXPECT_EQ(handle_line(u, "$boot?", 11.4), "");
    EXPECT_EQ(handle_line(u, "$boot?", 11.6), "$boot? ok\r\n");
}

// ---- output side ----------------------------------------------------------------------

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
    expect_replies(u, {
        {"$hdcp_out_sw?", "$hdcp_out_sw? off\r\n"}, {"$hdcp_out_sw on", "$hdcp_out_sw on\r\n"},
        {"$hdcp_out_ver v2.2", "$hdcp_out_ver v2.2\r\n"}, {"$hdcp_out_sw?", "$hdcp_out_sw? v2.2_on\r\n"},
        {"$tmds_sw off", "$tmds_sw off\r\n"},
        {"$hdcp_out_sw?", "$hdcp_out_sw? v2.2_talk\r\n"},  // no link to the sink: still talking
        {"$hdr_set 3", "$hdr_set 3\r\n"}, {"$hdr_eotf? ", "$hdr_eotf? hdr\r\n"}, {"$hdr_tx_col? ", "$hdr_tx_col? 10\r\n"},
        {"$task_mode analyser", "$task_mode analyser\r\n"},
        {"$rx_hotplug toggle", "$rx_hotplug toggle\r\n"}, {"$rx_hotplug?", "$rx_hotplug? on\r\n"},
        {"$color_cal_color Yellow", "$color_cal_color yellow\r\n"}, {"$color_cal_color?", "$color_cal_color? yellow\r\n"},
        {"$color_cal_level 007", "$color_cal_level 7\r\n"}, {"$motion_text ", "$motion_text \r\n"},
        {"$motion_text?", "$motion_text? \r\n"},
    });
}

}  // namespace
}  // namespace vexlan::sim
