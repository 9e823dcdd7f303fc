// vexlan-unit-sim's engine, driven with the unit time passed explicitly: the rules a round trip
// through a client would not reach (refusals, edge values, per-family pages), the HDMI source
// profiles as an analyser sees them, the fault rules and stray lines that never split a reply.
#include "sim_faults.h"
#include "sim_link.h"
#include "sim_protocol.h"
#include "sim_sources.h"
#include "unit_state.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <random>

#include "temp_dir.h"

namespace vexlan::sim {
namespace {

// A unit of `model` once `tweak` has changed its configuration.
unit_state unit_of(const std::string& model, int board = 0,
                   const std::function<void(unit_config&)>& tweak = {}) {
    unit_config c;
    c.model = model;
    c.board_id = board;
    c.data_dir = "/nonexistent-vexlan-catalogues";   // fallback catalogue: 90 timings, 45 patterns
    c.edid_dir = std::string(VEXLAN_DATA_DIR) + "/edid";
    c.cec_interval = 0;                                // no background CEC traffic unless asked
    if (tweak) tweak(c);
    return unit_state_make(c);
}

// "82 02 0D ..." as bytes; an empty vector for "off" or anything not two hex digits a byte.
std::vector<unsigned> bytes_of(const std::string& text) {
    std::vector<unsigned> b;
    for (std::size_t p = 0; p + 1 < text.size(); p += 3) {
        if (!isxdigit(static_cast<unsigned char>(text[p])) || !isxdigit(static_cast<unsigned char>(text[p + 1])))
            return {};
        b.push_back(static_cast<unsigned>(std::stoul(text.substr(p, 2), nullptr, 16)));
    }
    return b;
}
// The 128 bytes of an EDID data phase ("XX " each, then CR LF).
std::vector<unsigned> block_of(const std::string& data) { return bytes_of(data.substr(0, 384)); }
const std::vector<unsigned> erased_block(128, 0xFF);

// A command line, the reply expected without its CR LF ("": none) and the unit time it is sent at
// (< 0: the default).
struct ask {
    std::string line, reply;
    double at = -1;
};
void expect_replies(unit_state& u, const std::vector<ask>& asks, double now = 0) {
    for (const auto& a : asks) {
        const std::string want = a.reply.empty() ? "" : a.reply + "\r\n";
        EXPECT_EQ(handle_line(u, a.line, a.at < 0 ? now : a.at), want) << a.line << " @" << a.at;
    }
}

// The link queries themselves are checked over both transports: SimLink.QueriesResultsHelp...
TEST(SimProtocol, TaskModesAndPagesPerFamily) {
    struct row { const char* model; int board; bool second_family; };   // cable test, no CEC
    for (const row& r : {row{"MRV-410", 0, false}, row{"736", 1, true}, row{"MRV-510", 2, false}}) {
        SCOPED_TRACE(r.model);
        unit_state u = unit_of(r.model, r.board);
        expect_replies(u, {{"$task_mode?", "$task_mode? pattern"},
                           {"$task_mode cable", r.second_family ? "$task_mode cable" : "$task_mode err"},
                           {"$task_mode analyser", "$task_mode analyser"}});
        // Pages a family does not have: its firmware does not know their command words.
        EXPECT_EQ(handle_line(u, "$cec_log_msg? 1", 0) == "$err\r\n", r.second_family);
        EXPECT_EQ(handle_line(u, "$cable_run?", 0) == "$err\r\n", !r.second_family);
        const std::string help = handle_line(u, "$help", 0);
        EXPECT_EQ(std::pair(help.back(), help.find("$cable_run") != std::string::npos),
                  std::pair('\x04', r.second_family));
    }
}

TEST(SimProtocol, SettersStoreAndErrorsNameTheCommandOrAreDollarErr) {
    unit_state u = unit_of("MRV-410");
    expect_replies(u, {
        {"$timing  91", "$timing err"},  // the fallback catalogue has 90
        {"$timing  88", "$timing err"},  // 88 only in the analyser task
        {"$timing  12x", "$timing err"}, {"$color_cal_red 256", "$color_cal_red err"}, {"$nonsense", "$err"},
        {"$model", "$err"}, {"model?", "$err"}, {"$timing? ", "$timing? 16"},   // nothing changed the output
        {"$timing  12", "$timing 12"},   // two blanks, as the application sends
        {"$timingx?", "$timingx? Timing 12"}, {"$audio_ch 6", "$audio_ch 6"}, {"$audio_ch? ", "$audio_ch? 6"},
        {"$task_mode analyser", "$task_mode analyser"}, {"$timing  88", "$timing 88"},
        // DVI output forces 8 bits; a YCbCr choice brings HDMI back.
        {"$deep_color 12", "$deep_color 12"}, {"$tmds_format dvi", "$tmds_format dvi"},
        {"$deep_color?", "$deep_color? 8"}, {"$color_space y422", "$color_space y422"},
        {"$tmds_format?", "$tmds_format? hdmi"},
        {"$factory", "$factory ok"}, {"$audio_ch? ", "$audio_ch? 2"},
    });
    unit_state l = unit_of("MRV-410L", 1);
    expect_replies(l, {{"$color_space y420", "$color_space err"}, {"$deep_color 10", "$deep_color err"}});
}

TEST(SimProtocol, CatalogueFileBoundsTheNumbersAndAMissingFileFallsBack) {
    vexlan::testing::temp_dir dir("vexlan-sim-cat");
    ASSERT_EQ(dir.put("m51_timing_pattern.ini",
                      "4\r\nA\r\n1920x1080p60\r\n\"C, wide\"\r\nD\r\n3\r\nP1\r\nP2\r\nP3\r\n"), "");
    unit_state u = unit_of("MRV-510", 0, [&](unit_config& c) { c.data_dir = dir.str(); });
    EXPECT_TRUE(u.cat.from_file);
    expect_replies(u, {{"$timing? ", "$timing? 2"},   // starts at 1920x1080p60
                       {"$timing  4", "$timing 4"}, {"$timing  5", "$timing err"}, {"$pattern  4", "$pattern err"},
                       {"$timing  3", "$timing 3"}, {"$timingx?", "$timingx? C  wide"}});   // no "," inside

    unit_state v = unit_of("MRV-410", 0, [&](unit_config& c) { c.data_dir = dir.str(); });   // no m41 file
    EXPECT_EQ(std::tuple(v.cat.from_file, v.cat.timings.size(), v.notes.empty()), std::tuple(false, 90u, false));
}

// Read errors, refused names, Rx EDID choices and sink copies change nothing. A good read's layout
// and bytes: SimLink.QueriesResultsHelpActionDuringAWaitEdid... What the stores accept (write and
// read back, names after writes, rename, Rx EDID, sink copy, no sink) and an Rx EDID choice of an
// empty store: CliEdidStores.
TEST(SimEdid, ReadErrorsAndStoreRefusalsChangeNothing) {
    unit_state u = unit_of("MRV-410");
    // A one-block image reads FF beyond its end.
    EXPECT_EQ(block_of(handle_line(u, "$edid_read d4,block1", 0).substr(22)), erased_block);
    expect_replies(u, {
        {"$edid_read d9,block0", "$edid_read err_ddc"},   // an empty store
        {"$edid_read d11,block0", "$err"}, {"$edid_read d1,block4", "$err"},
        {"$edid_read d01,block0", "$err"}, {"$edid_read c1", "$err"}, {"$edid_read", "$err"},
        {"$edid_name? sink_v", "$edid_name? sink_v,VGA Sink"}, {"$edid_name? c11", "$edid_name? err"},
        {"$edid_name c3,Bench TV", "$edid_name c3,Bench TV"},
        {"$edid_name d3,Mine", "$edid_name err"},   // d1..d10 keep their names
        {"$edid_name c3,a,b", "$edid_name err"}, {"$edid_name c3,bell\x07", "$edid_name err"},
        {"$edid_name c3,caf\xE9", "$edid_name err"}, {"$edid_name c3,   ", "$edid_name err"},
        {"$edid_name c3,123456789012345678901", "$edid_name err"},   // 21 characters
        {"$edid_name? c3", "$edid_name? c3,Bench TV"}, {"$edid_rx c1", "$edid_rx c1"},
        {"$edid_rx sink_h", "$edid_rx err"}, {"$edid_rx sink_v", "$edid_rx err"},   // no Rx choice
        {"$edid_rx c11", "$edid_rx err"}, {"$edid_rx?", "$edid_rx? c1"}, {"$edid_rx sink", "$edid_rx sink"},
        {"$edid_rx?", "$edid_rx? sink"}, {"$edid_copy_sink d5", "$edid_copy_sink err"},
    });
    // The VGA sink exists on the first family only (no sink at all: CliEdidStores.NoSinkMeansNoCopy).
    EXPECT_EQ(handle_line(u, "$edid_read sink_v,block0", 0).size(), 26u + 386u);
    unit_state l = unit_of("MRV-410L"), other = unit_of("MRV-510");
    EXPECT_EQ(handle_line(l, "$edid_read sink_v,block0", 0), "$err\r\n");
    expect_replies(other, {{"$edid_name? sink_v", "$edid_name? err"}});   // nor on another family
}

TEST(SimEdid, WriteInAnyPiecesThenReadBackAndRefusals) {
    unit_state u = unit_of("MRV-410");
    std::vector<unsigned> block(128);
    std::string payload;
    for (int i = 0; i < 128; ++i) {
        block[i] = (i * 37 + 5) & 255;
        payload += {"0123456789ABCDEF"[block[i] >> 4], "0123456789ABCDEF"[block[i] & 15], ' '};
    }
    const std::string wire = "$edid_write c5,block1\r\n" + payload + "\r";
    // Delivered in many two-piece splits: always one command, complete only at the end.
    std::vector<command> cmds;
    for (std::size_t cut = 1; cut < wire.size(); cut += 7) {
        line_reader r;
        ASSERT_TRUE(r.feed(std::string_view(wire).substr(0, cut)).empty()) << cut;
        cmds = r.feed(std::string_view(wire).substr(cut));
        ASSERT_EQ(cmds.size(), 1u) << cut;
        EXPECT_EQ(std::pair(cmds[0].line, cmds[0].payload), std::pair(wire.substr(0, 21), payload)) << cut;
    }
    EXPECT_EQ(handle_command(u, cmds.at(0), 0).bytes, "$edid_write c5,block1\r\n");
    EXPECT_EQ(block_of(handle_line(u, "$edid_read c5,block1", 0).substr(22)), block);
    // Block 0 of the new store was never written: an EEPROM reads FF there.
    EXPECT_EQ(block_of(handle_line(u, "$edid_read c5,block0", 0).substr(22)), erased_block);

    std::string bad = payload;
    bad[10] = 'G';
    // a read-only store, no such block, 127 bytes, a byte that is not hex
    for (const auto& [line, p] : {std::pair{"$edid_write d1,block0", payload}, {"$edid_write c1,block9", payload},
                                  {"$edid_write c1,block0", payload.substr(3)}, {"$edid_write c1,block0", bad}})
        EXPECT_EQ(handle_command(u, command{line, true, p}, 0).bytes, "$edid_write err\r\n")
            << line << " " << p.size();
    EXPECT_EQ(handle_line(u, "$edid_read c1,block0", 0).substr(22, 24), "00 FF FF FF FF FF FF 00 ");
    // A header ended by CR alone has no payload and the next line is a command again.
    line_reader r;
    const auto two = r.feed("$edid_write c1,block0\r$model?\r");
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(std::tuple(two[0].has_payload, two[1].line), std::tuple(false, "$model?"));
}

TEST(SimLineReader, LineEndsPiecesAndAnEndlessLine) {
    line_reader r;
    std::vector<std::string> lines;
    for (const auto& c : r.feed("$model?\r\r\n$fwver?\r\n$boot?\n\n$tim")) lines.push_back(c.line);
    EXPECT_EQ(lines, (std::vector<std::string>{"$model?", "$fwver?", "$boot?"}));
    EXPECT_FALSE(r.idle());
    const auto rest = r.feed("ing? \r");
    EXPECT_EQ(rest.size() == 1 ? rest[0].line : "", "$timing? ");
    // An endless line is answered "$err" once it ends, and reading goes on.
    unit_state u = unit_of("MRV-410");
    const auto big = r.feed(std::string(5000, 'x') + "\r$model?\r");
    ASSERT_EQ(big.size(), 2u);
    EXPECT_EQ(handle_command(u, big[0], 0).bytes, "$err\r\n");
    EXPECT_EQ(big[1].line, "$model?");
}

// A run from start to pass, its counters and its end: CliCableCec and CableCecWindow.
TEST(SimCable, OnlyTheCableTaskRunsAndABadCableFails) {
    unit_state v = unit_of("DN-6P", 0, [](unit_config& c) { c.cable_quality = "bad"; });
    // A bad cable fails after eight seconds of an endless run; no new run time while running.
    expect_replies(v, {{"$cable_result?", "$cable_result? none"}, {"$cable_run start", "$cable_run err"},
                       {"$task_mode cable", "$task_mode cable"}, {"$cable_time 7", "$cable_time 7"},
                       {"$cable_run start", "$cable_run start"}, {"$cable_time 3", "$cable_time err", 1},
                       {"$cable_result?", "$cable_result? testing", 7}, {"$cable_result?", "$cable_result? fail", 9}});
}

TEST(SimCec, LogFillsOverTimeAndShowsSentMessages) {
    unit_state u = unit_of("MRV-410", 0, [](unit_config& c) { c.cec_interval = 2; });
    expect_replies(u, {{"$cec_log_msg? 1", "$cec_log_msg? 1,0"},
                       {"$cec_log_msg? 1", "$cec_log_msg? 1,1,RX 0F 87 00 E0 91 Device Vendor ID", 2.5}});
    // After a minute the log holds the last twelve, numbered on.
    handle_line(u, "$cec_log_msg? 1", 60);
    ASSERT_EQ(u.cec.log.size(), 12u);
    const int first = u.cec.log.front().number;
    for (int k : {1, 12}) {
        const std::string want = "$cec_log_msg? " + std::to_string(k) + "," + std::to_string(first + k - 1) + ",";
        EXPECT_EQ(handle_line(u, "$cec_log_msg? " + std::to_string(k), 60).substr(0, want.size()), want);
    }
    expect_replies(u, {{"$cec_log_msg? 13", "$cec_log_msg? err"},
                       {"$cec_log_clear", "$cec_log_clear ok"}, {"$cec_log_msg? 1", "$cec_log_msg? 1,0"},
                       {"$cec_msg_set 3,40 8F", "$cec_msg_set 3,40 8F"}, {"$cec_msg_send 3", "$cec_msg_send 3"},
                       {"$cec_log_msg? 1", "$cec_log_msg? 1,1,TX 40 8F Give Device Power Status", 60.2},
                       {"$cec_log_msg? 2", "$cec_log_msg? 2,2,RX 04 90 00 Report Power Status", 60.5}},
                   60.1);
}

TEST(SimProtocol, RebootSilencesTheUnitForItsBootTime) {
    unit_state u = unit_of("MRV-410", 0, [](unit_config& c) { c.boot_seconds = 1.5; });
    expect_replies(u, {{"$boot go", "$boot go", 10}, {"$model?", "", 11}, {"$boot?", "", 11.4},
                       {"$boot?", "$boot? ok", 11.6}});
}

// ---- output side ----------------------------------------------------------------------

bool accepted(unit_state& u, const std::string& line) {
    const std::string r = handle_line(u, line, 0);
    return r.find(" err") == std::string::npos && r != "$err\r\n";
}

TEST(SimOutput, SettingsFollowTheTaskModeThePanelOffersThemIn) {
    // accepted in: MRV-410 analyser, MRV-410 pattern, MRV-410L analyser, MRV-410L pattern
    const std::pair<const char*, const char*> rows[] = {
        {"$hdcp_in_sw on", "1010"}, {"$rx_ddc off", "1010"},    {"$rx_hotplug toggle", "1010"},
        {"$rx_sense off", "1010"},  {"$audio_ch 6", "0101"},    {"$audio_source hdmi", "0100"},
        {"$hdr_set 2", "0101"},     {"$hdcp_out_sw on", "0101"}, {"$tx_5v on", "0101"},
        {"$color_space y444", "1101"}, {"$deep_color 10", "1100"}, {"$tmds_format dvi", "1101"},
        {"$audio_mute on", "1111"}, {"$tmds_sw off", "1111"},   {"$4k_to_1080p on_rgb", "0010"},
    };
    for (const auto& [line, expect] : rows) {
        for (int k = 0; k < 4; ++k) {
            unit_state u = unit_of(k < 2 ? "MRV-410" : "MRV-410L");
            handle_line(u, k % 2 == 0 ? "$task_mode analyser" : "$task_mode pattern", 0);
            EXPECT_EQ(accepted(u, line), expect[k] == '1') << line << " case " << k;
        }
    }
}

// "off", then "v2.2_on" once switched on with a version: Cli.SendScriptLinkAndTimingPatternPanelLines.
TEST(SimOutput, PanelRepliesAndHdcpTalkingStates) {
    unit_state u = unit_of("MRV-410");
    handle_line(u, "$task_mode pattern", 0);
    expect_replies(u, {
        {"$hdcp_out_sw on", "$hdcp_out_sw on"}, {"$hdcp_out_ver v2.2", "$hdcp_out_ver v2.2"},
        {"$tmds_sw off", "$tmds_sw off"}, {"$hdcp_out_sw?", "$hdcp_out_sw? v2.2_talk"},  // no link to the sink
        {"$hdr_set 3", "$hdr_set 3"}, {"$hdr_eotf? ", "$hdr_eotf? hdr"}, {"$hdr_tx_col? ", "$hdr_tx_col? 10"},
        {"$task_mode analyser", "$task_mode analyser"}, {"$rx_hotplug toggle", "$rx_hotplug toggle"},
        {"$rx_hotplug?", "$rx_hotplug? on"}, {"$color_cal_color Yellow", "$color_cal_color yellow"},
        {"$color_cal_color?", "$color_cal_color? yellow"}, {"$color_cal_level 007", "$color_cal_level 7"},
        {"$motion_text ", "$motion_text "}, {"$motion_text?", "$motion_text? "},
    });
}

// ---- source profiles ------------------------------------------------------------------

unit_state unit_with(std::vector<std::string> cycle, double seconds = 0, std::vector<double> sink = {}) {
    return unit_of("MRV-410", 0, [&](unit_config& c) {
        c.source_cycle = std::move(cycle);
        c.source_cycle_seconds = seconds;
        c.sink_schedule = std::move(sink);
    });
}

// The value of "$source_detect? ITEM" (parameter 2), checking the echo of the item.
std::string value(unit_state& u, const std::string& item, double now = 0) {
    const std::string r = handle_line(u, "$source_detect? " + item, now);
    const std::string head = "$source_detect? " + item + ",";
    EXPECT_EQ(r.substr(0, head.size()), head) << r;
    EXPECT_EQ(r.substr(r.size() < 2 ? 0 : r.size() - 2), "\r\n");
    return r.size() < head.size() + 2 ? "" : r.substr(head.size(), r.size() - head.size() - 2);
}

long number(unit_state& u, const std::string& item) { return std::stol(value(u, item)); }

TEST(SimSources, EveryProfileIsConsistentAsTheAnalyserReportsIt) {
    for (const source_profile& p : source_profiles()) {
        SCOPED_TRACE(p.name);
        unit_state u = unit_with({p.name});
        EXPECT_EQ(value(u, "5v"), p.present ? "on" : "off");
        if (!p.present) {
            for (const char* k : {"avi", "gcp", "aif", "spd", "vsi", "drmi"}) EXPECT_EQ(value(u, k), "off");
            EXPECT_EQ(value(u, "pixel_clock"), "None");
            continue;
        }
        // Frame rate from the name ("...p60", "...i60", "...p24 3D FP") against clock and totals.
        const std::string t = value(u, "timingx");
        const std::size_t s = t.find_first_of("pi", t.find('x'));
        ASSERT_NE(s, std::string::npos);
        const bool interlaced = t[s] == 'i';
        EXPECT_EQ(value(u, "scan"), interlaced ? "i" : "p");
        const double rate = std::stod(t.substr(s + 1));
        const long ht = number(u, "ht"), vt = number(u, "vt"), pix = number(u, "pixel_clock");
        EXPECT_EQ(ht, number(u, "ha") + number(u, "hfp") + number(u, "hsw") + number(u, "hbp"));
        const long field = number(u, "va") + number(u, "vfp") + number(u, "vsw") + number(u, "vbp");
        EXPECT_EQ(vt, interlaced ? 2 * field + 1 : field);
        EXPECT_NEAR(pix * 1000.0 / (ht * vt) * (interlaced ? 2 : 1), rate, 0.01);

        // TMDS clock from colour space (AVI) and depth (GCP); data rate from the TMDS clock.
        const std::vector<unsigned> avi = bytes_of(value(u, "avi")), gcp = bytes_of(value(u, "gcp"));
        EXPECT_EQ(value(u, "tmds_format") == "dvi", avi.empty());
        const unsigned y = avi.empty() ? 0 : avi[4] >> 5;
        const unsigned cd = gcp.empty() ? 0 : gcp[4] & 15;
        const int bits = cd == 5 ? 10 : cd == 6 ? 12 : cd == 7 ? 16 : 8;
        const long tmds = number(u, "tmds_clock");
        EXPECT_EQ(tmds, pix * bits / 8 / (y == 3 ? 2 : 1));
        EXPECT_EQ(number(u, "data_rate"), std::lround(tmds * 30 / 1000.0));
        EXPECT_EQ(value(u, "scdc_scr_enable"), tmds > 340000 ? "on" : "off");

        // Every InfoFrame's bytes sum to 0 and its length byte matches; the GCP has no checksum.
        for (const char* k : {"avi", "aif", "spd", "vsi", "drmi"}) {
            const std::vector<unsigned> b = bytes_of(value(u, k));
            if (b.empty()) continue;
            EXPECT_EQ(b.size(), 4u + b[2]) << k;
            EXPECT_EQ(std::accumulate(b.begin(), b.end(), 0u) % 256, 0u) << k;
        }
        const std::vector<unsigned> vsi = bytes_of(value(u, "vsi")), drmi = bytes_of(value(u, "drmi"));
        if (!avi.empty() && avi[7] == 0) {   // AVI VIC 0: the format is an HDMI VIC in the VSI
            ASSERT_GE(vsi.size(), 9u);
            EXPECT_EQ(std::pair(vsi[7] >> 5, vsi[8]), std::pair(1u, 1u));   // HDMI VIC 1: 3840x2160p30
        }
        if (t.find("3D") != std::string::npos) {
            ASSERT_GE(vsi.size(), 9u);
            EXPECT_EQ(std::pair(vsi[7] >> 5, vsi[8] >> 4), std::pair(2u, 0u));   // 3D: frame packing
        }
        if (!drmi.empty()) {   // SMPTE ST 2084, maximum content and frame-average light levels
            EXPECT_EQ(std::tuple(drmi[4], drmi[26] + drmi[27] * 256, drmi[28] + drmi[29] * 256),
                      std::tuple(2u, 1000u, 400u));
        }

        // Audio: the AIF channel count and the clock regeneration (N = 128 fs, CTS = TMDS kHz).
        const std::vector<unsigned> aif = bytes_of(value(u, "aif"));
        EXPECT_EQ(value(u, "acr"), aif.empty() ? "off" : "on");
        if (aif.empty()) continue;
        EXPECT_EQ(number(u, "asp_ch"), static_cast<long>((aif[4] & 7) + 1));
        EXPECT_EQ(number(u, "acr_cts"), tmds);
        const bool hbr = value(u, "hbr") == "on";
        EXPECT_EQ(value(u, "asp"), hbr ? "off" : "on");
        EXPECT_EQ(number(u, "acr_n"), 128 * (hbr ? 192 : number(u, "chs_sr")));
    }
}

TEST(SimSources, CycleAndSinkScheduleFollowUnitTime) {
    unit_state u = unit_with({"1080p60", "none", "1080p60-12bit-avmute"}, 2, {3, 1});
    EXPECT_EQ(value(u, "gcp", 1), "03 00 00 10 00 00 00 00 00 00");
    EXPECT_EQ(value(u, "ckdt", 3), "off");
    EXPECT_EQ(value(u, "gcp", 5), "03 00 00 01 06 00 00 00 00 00");   // AVMute set, 12 bits
    EXPECT_EQ(value(u, "ckdt", 7), "on");                              // round again
    // Plugged three seconds, unplugged one: the sink's EDID is unreadable meanwhile.
    expect_replies(u, {{"$sink_detect? hotplug", "$sink_detect? hotplug,on", 2.9},
                       {"$sink_detect? hotplug", "$sink_detect? hotplug,off", 3.1},
                       {"$edid_read sink_h,block0", "$edid_read err_ddc", 3.5},
                       {"$edid_manuf? sink_h", "$edid_manuf? sink_h,none", 3.5},
                       {"$sink_detect? hotplug", "$sink_detect? hotplug,on", 4.2}});

    std::vector<std::string> names;
    std::vector<double> periods;
    double seconds = 0;
    EXPECT_EQ(source_cycle_parse("1080p60,dvi:2.5", names, seconds), "");
    EXPECT_EQ(names, (std::vector<std::string>{"1080p60", "dvi"}));
    for (const char* bad : {"1080p60,dvi", "1080p60,nope:2", "1080p60:2", "1080p60,dvi:0"})
        EXPECT_NE(source_cycle_parse(bad, names, seconds), "") << bad;
    for (const char* bad : {"5", "5,-1"}) EXPECT_NE(sink_schedule_parse(bad, periods), "") << bad;
}

// ---- faults and the output side of a link ----------------------------------------------

reply line(const std::string& text) { return reply{reply_kind::line, text + "\r\n"}; }

TEST(SimFaults, RulesMatchWordAndSubWordAndReplaceTheValue) {
    fault_rules f;
    command_rule r;
    std::string v;
    ASSERT_EQ(rule_parse("$pattern?=None", '=', r, v), "");
    f.replies.emplace_back(r, v);
    ASSERT_EQ(rule_parse("$source_detect? drmi=87 01 1A=x", '=', r, v), "");
    EXPECT_EQ(v, "87 01 1A=x");
    f.replies.emplace_back(r, v);
    ASSERT_EQ(rule_parse("$edid_read d1:250", ':', r, v), "");
    f.late.emplace_back(r, 0.25);
    for (const char* bad : {"pattern?=1", "=1", "$x", " $x:5"}) EXPECT_NE(rule_parse(bad, '=', r, v), "") << bad;

    // want: reply after the rules; "" = unchanged
    struct row { const char* line; std::string want; } rows[] = {
        {"$pattern? ", "$pattern? None\r\n"}, {"$source_detect? drmi", "$source_detect? drmi,87 01 1A=x\r\n"},
        {"$source_detect? avi", ""}, {"$source_detect?  drmi ", "$source_detect? drmi,87 01 1A=x\r\n"},
        {"$pattern 3", ""},
    };
    for (const row& w : rows) {
        const command c{w.line, false, {}};
        const reply out = f.apply_reply(c, line("$orig 1"));
        EXPECT_EQ(out.bytes, w.want.empty() ? "$orig 1\r\n" : w.want) << w.line;
    }
    EXPECT_EQ(f.late_for(command{"$edid_read d1,block0", false, {}}), 0.25);   // first field
    EXPECT_EQ(f.late_for(command{"$edid_read d10,block0", false, {}}), 0);
    EXPECT_EQ(f.apply_reply(command{"$pattern? ", false, {}}, reply{}).kind, reply_kind::none);
}

TEST(SimLink, LateRepliesFragmentsAndStrayLinesNeverSplitALine) {
    std::mt19937 rng(7);
    link_faults f;
    f.fragment = f.garbage = f.lfcr = true;
    link_output out(f, 0, false);
    double now = 0;
    std::string wire;
    out.queue_reply(line("$late? 0"), "$late?", now, rng, 0.05, true);
    std::vector<std::string> logged;
    for (int i = 1; i <= 30; ++i) {
        out.queue_reply(line("$q? " + std::to_string(i)), "$q?", now, rng);
        while (!out.empty() && out.next_wake(now) >= 0) {
            now += std::max(out.next_wake(now), 0.0005);
            std::string_view b = out.writable(now);
            wire += b;
            if (auto done = out.consumed(b.size(), now)) logged.push_back(done->command + "|" + done->bytes);
            if (out.next_wake(now) > 0.002 && i < 30) break;   // the client's next command
        }
    }
    // Every line ends LF CR and is a reply or a stray line, whole; the late one is among them.
    std::vector<std::string> lines;
    std::size_t p = 0;
    for (std::size_t e; (e = wire.find("\n\r", p)) != std::string::npos; p = e + 2) lines.push_back(wire.substr(p, e - p));
    EXPECT_EQ(p, wire.size());
    int replies = 0;
    bool late_seen = false;
    for (const auto& l : lines) {
        if (l == "$late? 0") late_seen = true;
        else if (l.rfind("$q? ", 0) == 0) ++replies;
        else EXPECT_TRUE(l.empty() || l == "#heartbeat" || l == "$notice fan ok" || l == "~~") << l;
        EXPECT_EQ(l.find_first_of("\r\n"), std::string::npos) << l;
    }
    EXPECT_EQ(std::tuple(replies, late_seen), std::tuple(30, true));
    EXPECT_NE(lines.front(), "$late? 0");   // it did not hold up the others
    ASSERT_EQ(logged.size(), 31u);
    EXPECT_NE(std::find(logged.begin(), logged.end(), "$late?|$late? 0\n\r"), logged.end());
}

}  // namespace
}  // namespace vexlan::sim
