// Protocol engine of vexlan-unit-sim, driven directly: command lines in, reply bytes out, with
// the unit time passed explicitly. The engine sources are compiled into this file so that the
// unit test binary needs nothing beyond its usual sources.
#include "../../sim/sim_protocol.cpp"
#include "../../sim/unit_state.cpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include <unistd.h>

namespace vexlan::sim {
namespace {

namespace fs = std::filesystem;

unit_config config_for(const std::string& model, int board = 0) {
    unit_config c;
    c.model = model;
    c.board_id = board;
    c.data_dir = "/nonexistent-vexlan-catalogues";   // fallback catalogue: 90 timings, 45 patterns
    c.edid_dir = std::string(VEXLAN_DATA_DIR) + "/edid";
    c.cec_interval = 0;                                // no background CEC traffic unless asked
    return c;
}

std::string edid_payload(const std::vector<std::uint8_t>& block) {
    std::string p;
    char buf[4];
    for (std::uint8_t b : block) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        p += buf;
    }
    return p;
}

std::vector<std::uint8_t> block_from_data_phase(const std::string& data) {
    std::vector<std::uint8_t> out;
    for (int i = 0; i < 128; ++i) out.push_back(static_cast<std::uint8_t>(std::stoi(data.substr(3 * i, 2), nullptr, 16)));
    return out;
}

// ---- identity and reply forms --------------------------------------------------------------

TEST(SimProtocol, LinkQueriesAnswerPerModel) {
    struct row {
        const char* model;
        int board;
        const char* cable_mode_reply;
        bool has_cec;
        bool has_cable;
    };
    const row rows[] = {
        {"MRV-410", 0, "$task_mode err\r\n", true, false},
        {"Pattern Gen.", 2, "$task_mode err\r\n", true, false},
        {"736", 1, "$task_mode cable\r\n", false, true},
        {"DN-6P", 2, "$task_mode cable\r\n", false, true},
        {"MRV-510", 0, "$task_mode err\r\n", true, false},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.model);
        unit_config cfg = config_for(r.model, r.board);
        cfg.fw = "3.1.0";
        unit_state u = unit_state_make(cfg);
        EXPECT_EQ(handle_line(u, "$model?", 0), std::string("$model? ") + r.model + "\r\n");
        EXPECT_EQ(handle_line(u, "$board_id?", 0), "$board_id? " + std::to_string(r.board) + "\r\n");
        EXPECT_EQ(handle_line(u, "$board_id? ", 0), "$board_id? " + std::to_string(r.board) + "\r\n");
        EXPECT_EQ(handle_line(u, "$fwver?", 0), "$fwver? 3.1.0\r\n");
        EXPECT_EQ(handle_line(u, "$boot?", 0), "$boot? ok\r\n");
        EXPECT_EQ(handle_line(u, "$task_mode?", 0), "$task_mode? pattern\r\n");
        EXPECT_EQ(handle_line(u, "$task_mode cable", 0), r.cable_mode_reply);
        EXPECT_EQ(handle_line(u, "$task_mode?", 0), r.has_cable ? "$task_mode? cable\r\n" : "$task_mode? pattern\r\n");
        EXPECT_EQ(handle_line(u, "$task_mode analyser", 0), "$task_mode analyser\r\n");
        // Pages a family does not have: its firmware does not know their command words.
        EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 0) == "$err\r\n", !r.has_cec);
        EXPECT_EQ(handle_line(u, "$cable_run?", 0) == "$err\r\n", !r.has_cable);
        EXPECT_EQ(handle_line(u, "$4k_to_1080p? ", 0) == "$err\r\n", !r.has_cable);
    }
}

TEST(SimProtocol, ErrorRepliesNameTheCommandOrAreDollarErr) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    const std::pair<const char*, const char*> cases[] = {
        {"$timing  0", "$timing err\r\n"},
        {"$timing  91", "$timing err\r\n"},          // fallback catalogue has 90
        {"$timing  12x", "$timing err\r\n"},
        {"$timing", "$timing err\r\n"},
        {"$timing  88", "$timing err\r\n"},          // 88 only in the analyser task
        {"$pattern  46", "$pattern err\r\n"},
        {"$task_mode sleep", "$task_mode err\r\n"},
        {"$audio_ch 4", "$audio_ch err\r\n"},
        {"$hdr_tx_col 11", "$hdr_tx_col err\r\n"},
        {"$color_cal_red 256", "$color_cal_red err\r\n"},
        {"$boot now", "$boot err\r\n"},
        {"$motion_text 123456789012345678901", "$motion_text err\r\n"},
        {"$edid_name d1,Mine", "$edid_name err\r\n"},
        {"$edid_rx d9", "$edid_rx err\r\n"},          // empty store
        {"$source_detect? nothing", "$source_detect? err\r\n"},
        {"$cec_msg_set? 11", "$cec_msg_set? err\r\n"},
        {"$nonsense", "$err\r\n"},
        {"$model", "$err\r\n"},
        {"model?", "$err\r\n"},
    };
    for (const auto& [line, want] : cases) EXPECT_EQ(handle_line(u, line, 0), want) << line;
    // Nothing above changed the output.
    EXPECT_EQ(handle_line(u, "$timing? ", 0), "$timing? 16\r\n");
    EXPECT_EQ(handle_line(u, "$pattern? ", 0), "$pattern? 1\r\n");
}

TEST(SimProtocol, OutputSelectionStoresAndReports) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    EXPECT_EQ(handle_line(u, "$timing  12", 0), "$timing 12\r\n");   // two blanks, as the application sends
    EXPECT_EQ(handle_line(u, "$timing? ", 0), "$timing? 12\r\n");
    EXPECT_EQ(handle_line(u, "$timingx?", 0), "$timingx? Timing 12\r\n");
    EXPECT_EQ(handle_line(u, "$pattern  42", 0), "$pattern 42\r\n");
    EXPECT_EQ(handle_line(u, "$pattern? ", 0), "$pattern? 42\r\n");
    EXPECT_EQ(handle_line(u, "$motion_text Hello  World", 0), "$motion_text Hello  World\r\n");
    EXPECT_EQ(handle_line(u, "$motion_text?", 0), "$motion_text? Hello  World\r\n");
    EXPECT_EQ(handle_line(u, "$task_mode analyser", 0), "$task_mode analyser\r\n");
    EXPECT_EQ(handle_line(u, "$timing  88", 0), "$timing 88\r\n");
}

TEST(SimProtocol, OutputPanelSettersStoreWithFollowUps) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    const std::pair<const char*, const char*> sets[] = {
        {"$audio_ch 6", "$audio_ch? "},      {"$audio_sr 192", "$audio_sr? "},
        {"$audio_source ana", "$audio_source? "}, {"$rx_ddc off", "$rx_ddc?"},
        {"$hdcp_in_ver v1.4", "$hdcp_in_ver?"}, {"$tx_5v on", "$tx_5v?"},
        {"$hdr_tx_col 7", "$hdr_tx_col? "},  {"$color_cal_level 100", "$color_cal_level?"},
    };
    for (const auto& [set, query] : sets) {
        std::string s = set;
        std::string value = s.substr(s.find(' ') + 1);
        EXPECT_EQ(handle_line(u, set, 0), s + "\r\n");
        std::string word = std::string(query).substr(0, std::string(query).find_last_not_of(' ') + 1);
        EXPECT_EQ(handle_line(u, query, 0), word + " " + value + "\r\n");
    }
    // DVI output forces RGB 8 bits; a YCbCr choice brings HDMI back.
    handle_line(u, "$color_space y444", 0);
    handle_line(u, "$deep_color 12", 0);
    EXPECT_EQ(handle_line(u, "$tmds_format dvi", 0), "$tmds_format dvi\r\n");
    EXPECT_EQ(handle_line(u, "$color_space?", 0), "$color_space? rgb\r\n");
    EXPECT_EQ(handle_line(u, "$deep_color?", 0), "$deep_color? 8\r\n");
    handle_line(u, "$color_space y422", 0);
    EXPECT_EQ(handle_line(u, "$tmds_format?", 0), "$tmds_format? hdmi\r\n");
    // An HDR preset sets EOTF and colorimetry.
    EXPECT_EQ(handle_line(u, "$hdr_set 2", 0), "$hdr_set 2\r\n");
    EXPECT_EQ(handle_line(u, "$hdr_eotf? ", 0), "$hdr_eotf? 2084\r\n");
    EXPECT_EQ(handle_line(u, "$hdr_tx_col? ", 0), "$hdr_tx_col? 9\r\n");
    // Hotplug toggle answers "toggle" and ends high.
    EXPECT_EQ(handle_line(u, "$rx_hotplug toggle", 0), "$rx_hotplug toggle\r\n");
    EXPECT_EQ(handle_line(u, "$rx_hotplug?", 0), "$rx_hotplug? on\r\n");
    // Transmitter HDCP reports version and whether the sink answered.
    EXPECT_EQ(handle_line(u, "$hdcp_out_sw?", 0), "$hdcp_out_sw? off\r\n");
    handle_line(u, "$hdcp_out_ver v2.2", 0);
    handle_line(u, "$hdcp_out_sw on", 0);
    EXPECT_EQ(handle_line(u, "$hdcp_out_sw?", 0), "$hdcp_out_sw? v2.2_on\r\n");
    handle_line(u, "$tmds_sw off", 0);
    EXPECT_EQ(handle_line(u, "$hdcp_out_sw?", 0), "$hdcp_out_sw? v2.2_talk\r\n");
    // Colour names arrive capitalised and are reported in lower case.
    EXPECT_EQ(handle_line(u, "$color_cal_color Magenta", 0), "$color_cal_color magenta\r\n");
    EXPECT_EQ(handle_line(u, "$color_cal_color?", 0), "$color_cal_color? magenta\r\n");
    // Factory reset brings the defaults back.
    EXPECT_EQ(handle_line(u, "$factory", 0), "$factory ok\r\n");
    EXPECT_EQ(handle_line(u, "$audio_ch? ", 0), "$audio_ch? 2\r\n");
    EXPECT_EQ(handle_line(u, "$hdcp_out_sw?", 0), "$hdcp_out_sw? off\r\n");
}

TEST(SimProtocol, SecondFamilyTransmitterLimits) {
    unit_state u = unit_state_make(config_for("MRV-410L", 1));
    EXPECT_EQ(handle_line(u, "$color_space y444", 0), "$color_space y444\r\n");
    EXPECT_EQ(handle_line(u, "$color_space y420", 0), "$color_space err\r\n");
    EXPECT_EQ(handle_line(u, "$deep_color 10", 0), "$deep_color err\r\n");
    EXPECT_EQ(handle_line(u, "$4k_to_1080p on_yuv", 0), "$4k_to_1080p on_yuv\r\n");
    EXPECT_EQ(handle_line(u, "$4k_to_1080p? ", 0), "$4k_to_1080p? on_yuv\r\n");
}

// ---- catalogues ------------------------------------------------------------------------------

TEST(SimCatalogue, FileNamesFollowModelAndBoard) {
    const std::tuple<const char*, int, const char*> rows[] = {
        {"MRV-410", 2, "m41_timing_pattern.ini"},       {"KS-P9-GTR", 0, "m41_timing_pattern.ini"},
        {"736", 0, "m41l_k_old_timing_pattern.ini"},    {"DN-6P", 0, "m41l_old_timing_pattern.ini"},
        {"736", 1, "m41l_k_new_timing_pattern.ini"},    {"Pattern Gen.L", 2, "m41l_new_timing_pattern.ini"},
        {"MRV-510", 1, "m51_timing_pattern.ini"},       {"Unknown", 1, "m41_timing_pattern.ini"},
    };
    for (const auto& [model, board, file] : rows) EXPECT_EQ(catalogue_file_name(model, board), file) << model << board;
}

TEST(SimCatalogue, ParsesQuotedNamesAndLineEnds) {
    catalogue c;
    ASSERT_TRUE(catalogue_parse("3\r\n640x480p60, \"720x480p60, 4:3\" trailing,1280x720p60  \r\n2,Color Bar\r\n\"Ramp\"\r\n", c));
    ASSERT_EQ(c.timings.size(), 3u);
    EXPECT_EQ(c.timings[0], "640x480p60");
    EXPECT_EQ(c.timings[1], "720x480p60, 4:3");
    EXPECT_EQ(c.timings[2], "1280x720p60");
    ASSERT_EQ(c.patterns.size(), 2u);
    EXPECT_EQ(c.patterns[0], "Color Bar");
    EXPECT_EQ(c.patterns[1], "Ramp");
    EXPECT_FALSE(catalogue_parse("", c));
    EXPECT_FALSE(catalogue_parse("x,1,2", c));
}

TEST(SimCatalogue, CountsBoundTheValidNumbersAndMissingFilesFallBack) {
    fs::path dir = fs::temp_directory_path() / ("vexlan-sim-cat-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    {
        std::ofstream f(dir / "m51_timing_pattern.ini", std::ios::binary);
        f << "4\r\nA\r\n1920x1080p60\r\n\"C, wide\"\r\nD\r\n3\r\nP1\r\nP2\r\nP3\r\n";
    }
    unit_config cfg = config_for("MRV-510");
    cfg.data_dir = dir.string();
    unit_state u = unit_state_make(cfg);
    EXPECT_TRUE(u.cat.from_file);
    for (const auto& n : u.notes) EXPECT_EQ(n.find("catalogue"), std::string::npos) << n;
    EXPECT_EQ(handle_line(u, "$timing? ", 0), "$timing? 2\r\n");   // starts at 1920x1080p60
    EXPECT_EQ(handle_line(u, "$timing  4", 0), "$timing 4\r\n");
    EXPECT_EQ(handle_line(u, "$timing  5", 0), "$timing err\r\n");
    EXPECT_EQ(handle_line(u, "$pattern  3", 0), "$pattern 3\r\n");
    EXPECT_EQ(handle_line(u, "$pattern  4", 0), "$pattern err\r\n");
    handle_line(u, "$timing  3", 0);
    EXPECT_EQ(handle_line(u, "$timingx?", 0), "$timingx? C  wide\r\n");   // no "," inside a value

    unit_config other = config_for("MRV-410");
    other.data_dir = dir.string();   // no m41 file there
    unit_state v = unit_state_make(other);
    EXPECT_FALSE(v.cat.from_file);
    EXPECT_EQ(v.cat.timings.size(), 90u);
    EXPECT_EQ(v.cat.patterns.size(), 45u);
    ASSERT_FALSE(v.notes.empty());
    fs::remove_all(dir);
}

// ---- EDID stores -----------------------------------------------------------------------------

TEST(SimEdid, ReadReplyHasHeaderAndExactDataPhase) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    reply r = handle_command(u, command{"$edid_read d1,block0", false, {}}, 0);
    ASSERT_EQ(r.kind, reply_kind::edid_data);
    const std::string header = "$edid_read d1,block0\r\n";
    ASSERT_EQ(r.bytes.size(), header.size() + 386);
    EXPECT_EQ(r.bytes.substr(0, header.size()), header);
    std::string data = r.bytes.substr(header.size());
    EXPECT_EQ(data.substr(0, 24), "00 FF FF FF FF FF FF 00 ");
    EXPECT_EQ(data.substr(384), "\r\n");
    for (int i = 0; i < 128; ++i) {
        EXPECT_TRUE(std::isxdigit(static_cast<unsigned char>(data[3 * i])) && !std::islower(static_cast<unsigned char>(data[3 * i])));
        EXPECT_EQ(data[3 * i + 2], ' ');
    }
    std::vector<std::uint8_t> b0 = block_from_data_phase(data);
    unsigned sum = 0;
    for (auto v : b0) sum += v;
    EXPECT_EQ(sum % 256, 0u);
    // A one-block image reads FF beyond its end.
    std::string d4 = handle_line(u, "$edid_read d4,block1", 0);
    ASSERT_EQ(d4.size(), std::string("$edid_read d4,block1\r\n").size() + 386);
    EXPECT_EQ(block_from_data_phase(d4.substr(22)), std::vector<std::uint8_t>(128, 0xFF));
}

TEST(SimEdid, ReadErrorsHaveNoDataPhase) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    std::string empty = handle_line(u, "$edid_read d9,block0", 0);
    EXPECT_EQ(empty, "$edid_read err_ddc\r\n");
    EXPECT_EQ(empty.substr(11, 7), "err_ddc");
    for (const char* bad : {"$edid_read d11,block0", "$edid_read d1,block4", "$edid_read d01,block0",
                            "$edid_read c1", "$edid_read sink_x,block0", "$edid_read"})
        EXPECT_EQ(handle_line(u, bad, 0), "$err\r\n") << bad;
    // The VGA sink exists on the first family only.
    EXPECT_EQ(handle_line(u, "$edid_read sink_v,block0", 0).size(), 26u + 386u);
    unit_state l = unit_state_make(config_for("MRV-410L"));
    EXPECT_EQ(handle_line(l, "$edid_read sink_v,block0", 0), "$err\r\n");
    unit_state m = unit_state_make(config_for("MRV-510"));
    EXPECT_EQ(handle_line(m, "$edid_read sink_v,block0", 0), "$err\r\n");
    // Without a sink the HDMI sink store fails on DDC.
    unit_config cfg = config_for("MRV-410");
    cfg.no_sink = true;
    unit_state n = unit_state_make(cfg);
    EXPECT_EQ(handle_line(n, "$edid_read sink_h,block0", 0), "$edid_read err_ddc\r\n");
    EXPECT_EQ(handle_line(n, "$sink_detect? hotplug", 0), "$sink_detect? hotplug,off\r\n");
}

TEST(SimEdid, WriteThenReadBackThroughTheLineReader) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    std::vector<std::uint8_t> block(128);
    for (int i = 0; i < 128; ++i) block[i] = static_cast<std::uint8_t>(i * 37 + 5);
    const std::string wire = "$edid_write c5,block1\r\n" + edid_payload(block) + "\r";
    ASSERT_EQ(wire.size(), 23u + 384u + 1u);
    // Delivered in every possible two-piece split, and byte by byte: always one command.
    for (std::size_t cut = 1; cut < wire.size(); cut += 7) {
        line_reader r;
        auto a = r.feed(std::string_view(wire).substr(0, cut));
        auto b = r.feed(std::string_view(wire).substr(cut));
        ASSERT_TRUE(a.empty()) << cut;
        ASSERT_EQ(b.size(), 1u) << cut;
        EXPECT_TRUE(b[0].has_payload);
        EXPECT_EQ(b[0].line, "$edid_write c5,block1");
        EXPECT_EQ(b[0].payload.size(), 384u);
    }
    line_reader r;
    std::vector<command> cmds;
    for (char c : wire)
        for (auto& x : r.feed(std::string_view(&c, 1))) cmds.push_back(x);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(handle_command(u, cmds[0], 0).bytes, "$edid_write c5,block1\r\n");
    std::string back = handle_line(u, "$edid_read c5,block1", 0);
    ASSERT_EQ(back.size(), 22u + 386u);
    EXPECT_EQ(block_from_data_phase(back.substr(22)), block);
    // Block 0 of the new store was never written: an EEPROM reads FF there.
    EXPECT_EQ(block_from_data_phase(handle_line(u, "$edid_read c5,block0", 0).substr(22)),
              std::vector<std::uint8_t>(128, 0xFF));
}

TEST(SimEdid, WriteRefusals) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    std::string good = edid_payload(std::vector<std::uint8_t>(128, 0x11));
    auto write = [&](const std::string& line, const std::string& payload) {
        return handle_command(u, command{line, true, payload}, 0).bytes;
    };
    EXPECT_EQ(write("$edid_write d1,block0", good), "$edid_write err\r\n");       // read-only store
    EXPECT_EQ(write("$edid_write c1,block9", good), "$edid_write err\r\n");
    EXPECT_EQ(write("$edid_write c1,block0", good.substr(3)), "$edid_write err\r\n");   // 127 bytes
    std::string bad = good;
    bad[10] = 'G';
    EXPECT_EQ(write("$edid_write c1,block0", bad), "$edid_write err\r\n");
    EXPECT_EQ(handle_command(u, command{"$edid_write c1,block0", false, {}}, 0).bytes, "$edid_write err\r\n");
    // The refusals left c1 as seeded.
    EXPECT_EQ(handle_line(u, "$edid_read c1,block0", 0).substr(22, 24), "00 FF FF FF FF FF FF 00 ");
    // A header ended by CR alone is answered at once and the next line is a command again.
    line_reader r;
    auto cmds = r.feed("$edid_write c1,block0\r$model?\r");
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_FALSE(cmds[0].has_payload);
    EXPECT_EQ(cmds[1].line, "$model?");
}

TEST(SimEdid, NamesRxSelectionCopyAndFacts) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    EXPECT_EQ(handle_line(u, "$edid_name? d1", 0), "$edid_name? d1,HDMI 1080P\r\n");
    EXPECT_EQ(handle_line(u, "$edid_name c3,My Monitor", 0), "$edid_name c3,My Monitor\r\n");
    EXPECT_EQ(handle_line(u, "$edid_name? c3", 0), "$edid_name? c3,My Monitor\r\n");
    EXPECT_EQ(handle_line(u, "$edid_rx?", 0), "$edid_rx? sink\r\n");
    EXPECT_EQ(handle_line(u, "$edid_rx d4", 0), "$edid_rx d4\r\n");
    EXPECT_EQ(handle_line(u, "$edid_rx?", 0), "$edid_rx? d4\r\n");
    EXPECT_EQ(handle_line(u, "$edid_manuf? rx", 0), "$edid_manuf? rx,VXL\r\n");
    EXPECT_EQ(handle_line(u, "$edid_model? rx", 0), "$edid_model? rx,VEXLAN DVI 22\r\n");
    EXPECT_EQ(handle_line(u, "$edid_native? rx", 0), "$edid_native? rx,1680x1050p59.88\r\n");
    const std::pair<const char*, const char*> types[] = {
        {"sink_h", "HDMI"}, {"sink_v", "analog"}, {"d1", "HDMI"}, {"d4", "DVI"},
        {"d6", "DVI"}, {"d7", "HDMI"}, {"d8", "HDMI"},
    };
    for (const auto& [slot, type] : types)
        EXPECT_EQ(handle_line(u, std::string("$edid_type? ") + slot, 0),
                  std::string("$edid_type? ") + slot + "," + type + "\r\n");
    EXPECT_EQ(handle_line(u, "$edid_native? d3", 0), "$edid_native? d3,3840x2160p30\r\n");
    EXPECT_EQ(handle_line(u, "$edid_type? d10", 0), "$edid_type? d10,none\r\n");
    // Copy the sink into an empty custom store: same bytes, named after the image.
    EXPECT_EQ(handle_line(u, "$edid_read c4,block0", 0), "$edid_read err_ddc\r\n");
    EXPECT_EQ(handle_line(u, "$edid_copy_sink c4", 0), "$edid_copy_sink c4\r\n");
    EXPECT_EQ(handle_line(u, "$edid_read c4,block1", 0).substr(22), handle_line(u, "$edid_read sink_h,block1", 0).substr(26));
    EXPECT_EQ(handle_line(u, "$edid_name? c4", 0), "$edid_name? c4,VXL.VEXLAN UHD TV\r\n");
    EXPECT_EQ(handle_line(u, "$edid_copy_sink d4", 0), "$edid_copy_sink err\r\n");
}

// ---- line reader -----------------------------------------------------------------------------

TEST(SimLineReader, LineEndsAndNoise) {
    line_reader r;
    auto c = r.feed("$model?\r\r\n$fwver?\r\n$boot?\n\n$task_mode?\r");
    ASSERT_EQ(c.size(), 4u);
    EXPECT_EQ(c[0].line, "$model?");
    EXPECT_EQ(c[1].line, "$fwver?");
    EXPECT_EQ(c[2].line, "$boot?");
    EXPECT_EQ(c[3].line, "$task_mode?");
    EXPECT_TRUE(r.idle());
    auto part = r.feed("$tim");
    EXPECT_TRUE(part.empty());
    EXPECT_FALSE(r.idle());
    auto rest = r.feed("ing? \r");
    ASSERT_EQ(rest.size(), 1u);
    EXPECT_EQ(rest[0].line, "$timing? ");
    // An endless line is answered "$err" once it ends, and reading goes on.
    unit_state u = unit_state_make(config_for("MRV-410"));
    auto big = r.feed(std::string(5000, 'x') + "\r$model?\r");
    ASSERT_EQ(big.size(), 2u);
    EXPECT_EQ(handle_command(u, big[0], 0).bytes, "$err\r\n");
    EXPECT_EQ(big[1].line, "$model?");
}

TEST(SimProtocol, HelpListsCommandsAndEndsWithEot) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    for (const char* w : {"$help", "$?"}) {
        reply r = handle_command(u, command{w, false, {}}, 0);
        EXPECT_EQ(r.kind, reply_kind::multi_line);
        ASSERT_FALSE(r.bytes.empty());
        EXPECT_EQ(r.bytes.back(), '\x04');
        EXPECT_EQ(std::count(r.bytes.begin(), r.bytes.end(), '\x04'), 1);
        EXPECT_GT(std::count(r.bytes.begin(), r.bytes.end(), '\n'), 40);
        EXPECT_NE(r.bytes.find("$edid_read"), std::string::npos);
        EXPECT_NE(r.bytes.find("$cec_msg_send"), std::string::npos);
        EXPECT_EQ(r.bytes.find("$cable_run"), std::string::npos);   // not on this family
    }
    unit_state l = unit_state_make(config_for("736"));
    std::string h = handle_line(l, "$help", 0);
    EXPECT_NE(h.find("$cable_run"), std::string::npos);
    EXPECT_EQ(h.find("$cec_msg_send"), std::string::npos);
}

// ---- time-driven state -----------------------------------------------------------------------

TEST(SimCable, TimedRunProgressesAndEnds) {
    unit_config cfg = config_for("736");
    cfg.initial_task = task_kind::cable;
    unit_state u = unit_state_make(cfg);
    EXPECT_EQ(handle_line(u, "$cable_result?", 0), "$cable_result? none\r\n");
    EXPECT_EQ(handle_line(u, "$cable_time 1", 0), "$cable_time 1\r\n");
    EXPECT_EQ(handle_line(u, "$cable_level strict", 0), "$cable_level strict\r\n");
    EXPECT_EQ(handle_line(u, "$cable_level?", 0), "$cable_level? strict\r\n");
    EXPECT_EQ(handle_line(u, "$cable_run start", 10), "$cable_run start\r\n");
    EXPECT_EQ(handle_line(u, "$cable_time 3", 20), "$cable_time err\r\n");   // not while running
    EXPECT_EQ(handle_line(u, "$cable_run?", 71), "$cable_run? start\r\n");
    EXPECT_EQ(handle_line(u, "$cable_result?", 71), "$cable_result? testing\r\n");
    EXPECT_EQ(handle_line(u, "$timer_minute?", 71), "$timer_minute? 1\r\n");
    EXPECT_EQ(handle_line(u, "$timer_second?", 71), "$timer_second? 1\r\n");
    EXPECT_EQ(handle_line(u, "$timer_hour?", 71), "$timer_hour? 0\r\n");
    EXPECT_EQ(handle_line(u, "$timer_day?", 71), "$timer_day? 0\r\n");
    // Two minutes after the start the run is over and passed; the counters stop at 2:00.
    EXPECT_EQ(handle_line(u, "$cable_run?", 200), "$cable_run? stop\r\n");
    EXPECT_EQ(handle_line(u, "$cable_result?", 200), "$cable_result? pass\r\n");
    EXPECT_EQ(handle_line(u, "$timer_minute?", 200), "$timer_minute? 2\r\n");
    EXPECT_EQ(handle_line(u, "$timer_second?", 200), "$timer_second? 0\r\n");
}

TEST(SimCable, QualityLevelAndTaskDecideTheOutcome) {
    struct row {
        const char* quality;
        const char* level;
        double at;
        const char* result;
    };
    const row rows[] = {
        {"bad", "normal", 7, "testing"}, {"bad", "normal", 9, "fail"},   {"bad", "strict", 4, "fail"},
        {"marginal", "normal", 100, "testing"}, {"marginal", "strict", 50, "fail"}, {"good", "strict", 3000, "testing"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(std::string(r.quality) + " " + r.level);
        unit_config cfg = config_for("DN-6P");
        cfg.cable_quality = r.quality;
        unit_state u = unit_state_make(cfg);
        EXPECT_EQ(handle_line(u, "$cable_run start", 0), "$cable_run err\r\n");   // pattern task
        handle_line(u, "$task_mode cable", 0);
        handle_line(u, std::string("$cable_level ") + r.level, 0);
        handle_line(u, "$cable_time 7", 0);   // endless
        handle_line(u, "$cable_run start", 0);
        EXPECT_EQ(handle_line(u, "$cable_result?", r.at), std::string("$cable_result? ") + r.result + "\r\n");
        EXPECT_EQ(handle_line(u, "$cable_run?", r.at), "$cable_run? start\r\n");
    }
    unit_config cfg = config_for("DN-6P");
    cfg.initial_task = task_kind::cable;
    unit_state u = unit_state_make(cfg);
    handle_line(u, "$cable_time 7", 0);
    handle_line(u, "$cable_run start", 0);
    EXPECT_EQ(handle_line(u, "$timer_day?", 90061), "$timer_day? 1\r\n");
    EXPECT_EQ(handle_line(u, "$timer_hour?", 90061), "$timer_hour? 1\r\n");
    EXPECT_EQ(handle_line(u, "$cable_run stop", 90061), "$cable_run stop\r\n");
    EXPECT_EQ(handle_line(u, "$timer_minute?", 99999), "$timer_minute? 1\r\n");   // frozen
}

TEST(SimCec, MessagesAndLogThatFillsOverTime) {
    unit_config cfg = config_for("MRV-410");
    cfg.cec_interval = 2;
    unit_state u = unit_state_make(cfg);
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 0), "$cec_log_msg? 1,0\r\n");
    // Background traffic arrives every two seconds; after a minute the log holds the last 12.
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 2.5), "$cec_log_msg? 1,1,RX 0F 87 00 E0 91 Device Vendor ID\r\n");
    handle_line(u, "$cec_log_msg? 1", 60);
    EXPECT_EQ(u.cec.log.size(), 12u);
    int first = u.cec.log.front().number;
    for (int k = 1; k <= 12; ++k) {
        std::string want = "$cec_log_msg? " + std::to_string(k) + "," + std::to_string(first + k - 1) + ",";
        EXPECT_EQ(handle_line(u, "$cec_log_msg? " + std::to_string(k), 60).substr(0, want.size()), want);
    }
    EXPECT_EQ(handle_line(u, "$cec_log_clear", 60), "$cec_log_clear ok\r\n");
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 60), "$cec_log_msg? 1,0\r\n");
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 13", 60), "$cec_log_msg? err\r\n");
    // Store, read back and send: the log shows the message and the TV's answer.
    EXPECT_EQ(handle_line(u, "$cec_msg_set 3,40 8F", 60.1), "$cec_msg_set 3,40 8F\r\n");
    EXPECT_EQ(handle_line(u, "$cec_msg_set? 3", 60.1), "$cec_msg_set? 3,40 8F\r\n");
    EXPECT_EQ(handle_line(u, "$cec_msg_send 3", 60.1), "$cec_msg_send 3\r\n");
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 60.2), "$cec_log_msg? 1,1,TX 40 8F Give Device Power Status\r\n");
    EXPECT_EQ(handle_line(u, "$cec_log_msg? 2", 60.5), "$cec_log_msg? 2,2,RX 04 90 00 Report Power Status\r\n");
    EXPECT_EQ(handle_line(u, "$cec_msg_set 4,not hex", 61), "$cec_msg_set 4,not hex\r\n");
    EXPECT_EQ(handle_line(u, "$cec_msg_send 4", 61), "$cec_msg_send err\r\n");
    EXPECT_EQ(handle_line(u, "$cec_msg_set 5," + std::string(49, 'A'), 61), "$cec_msg_set err\r\n");
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

TEST(SimProtocol, DetectionFollowsInputAndOutputState) {
    unit_state u = unit_state_make(config_for("MRV-410"));
    EXPECT_EQ(handle_line(u, "$source_detect? 5v", 0), "$source_detect? 5v,on\r\n");
    EXPECT_EQ(handle_line(u, "$source_detect? pixel_clock", 0), "$source_detect? pixel_clock,148500\r\n");
    // Packets: blank-separated hex bytes whose InfoFrame checksum is right.
    std::string avi = handle_line(u, "$source_detect? avi", 0);
    std::string bytes = avi.substr(std::string("$source_detect? avi,").size());
    bytes = bytes.substr(0, bytes.size() - 2);
    unsigned sum = 0;
    for (std::size_t i = 0; i < bytes.size(); i += 3) sum += static_cast<unsigned>(std::stoi(bytes.substr(i, 2), nullptr, 16));
    EXPECT_EQ(sum % 256, 0u);
    EXPECT_EQ(bytes.substr(0, 8), "82 02 0D");
    handle_line(u, "$hdcp_in_sw off", 0);
    EXPECT_EQ(handle_line(u, "$source_detect? hdcp", 0), "$source_detect? hdcp,off\r\n");
    handle_line(u, "$rx_hotplug off", 0);
    EXPECT_EQ(handle_line(u, "$source_detect? ckdt", 0), "$source_detect? ckdt,off\r\n");
    EXPECT_EQ(handle_line(u, "$source_detect? avi", 0), "$source_detect? avi,off\r\n");
    EXPECT_EQ(handle_line(u, "$sink_detect? rsense", 0), "$sink_detect? rsense,on\r\n");
    handle_line(u, "$tmds_sw off", 0);
    EXPECT_EQ(handle_line(u, "$sink_detect? rsense", 0), "$sink_detect? rsense,off\r\n");
}

}  // namespace
}  // namespace vexlan::sim
