// vexlan-cli as scripts use it, against vexlan-unit-sim: exit status, printed result codes and
// what reached the unit; the exact lines on the wire and a set then a read-back for each page; the
// output panel; monitor read|report|watch; the EDID stores (the refusals made before any link are
// checked in process: Cli.UsageErrorsAndStatus); discovery; cable, CEC and terminal.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <nlohmann/json.hpp>

#include "cli_runner.h"

using namespace vexlan::testing;
using nlohmann::json;

namespace {

json json_of(const cli_run& r) { return json::parse(r.out, nullptr, false); }

QString data_file(const char* name) { return QStringLiteral(VEXLAN_DATA_DIR "/edid/") + name; }

QString temp_file(const char* name) { return QDir(QString::fromStdString(::testing::TempDir())).filePath(name); }

json slots_json(const sim_process& sim) { return json_of(run_ok(sim, {"edid", "slots", "--json"})); }

}  // namespace

// Also the exact lines of timing, pattern and panel on the wire, each set then read back.
TEST(Cli, SendScriptLinkAndTimingPatternPanelLines) {
    sim_process sim({"--verbose", "--fw", "3.1.4"});
    ASSERT_TRUE(sim.ok());

    // Several lines over one link; the status says whether every one was accepted.
    auto text = run_cli(sim, {"send", "$timing 12", "$timing 9999"});
    EXPECT_EQ(text.status, 1) << text.err;
    EXPECT_TRUE(has_all(text.out, {"reply: $timing 12\\r\\n\nparam1: 12\nparam2: None\nparam3: None\nresult: 1\n",
                                   "result: 3\n"}));
    EXPECT_EQ(count_of(sim.log(), "rx $model?"), 1) << sim.log();  // one link for both

    auto one = run_ok(sim, {"send", "--json", "$pattern? 1"});
    EXPECT_EQ(one.out.rfind("{\"line\":\"$pattern? 1\",\"reply\":\"$pattern? 1\",\"param1\":\"1\",\"param2\":\"None\","
                             "\"param3\":\"None\",\"result\":1,\"ms\":", 0), 0u) << one.out;

    auto script = run_cli(sim, {"script", "-"}, "$timing 3\r\n# a comment\n\n$timing 9999\n$timing?");
    EXPECT_EQ(script.status, 1);
    const QList<QByteArray> lines = QByteArray::fromStdString(script.out).trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3) << script.err;
    EXPECT_TRUE(lines[0].startsWith("{\"line\":\"$timing 3\",\"reply\":\"$timing 3\"")) << script.out;
    EXPECT_TRUE(lines[1].contains("\"param1\":\"err\"") && lines[1].contains("\"result\":3")) << script.out;
    EXPECT_TRUE(lines[2].contains("\"param1\":\"3\",")) << script.out;

    auto link = run_ok(sim, {"link", "--json"});
    EXPECT_EQ(link.out, "{\"model\":\"MRV-410\",\"board_id\":\"0\",\"firmware\":\"3.1.4\",\"task_mode\":\"pattern\","
                        "\"model_index\":0,\"catalogue\":\"m41_timing_pattern.ini\"}\n");

    run_ok(sim, {"timing", "set", "5"});
    const auto wire = received(sim);
    ASSERT_FALSE(wire.empty());
    EXPECT_EQ(wire.back(), "$timing  5<D>");
    EXPECT_EQ(count_of(sim.log(), "$timing  5<D>"), 1);
    EXPECT_EQ(run_cli(sim, {"timing", "get"}).out, "timing: 5\n");
    EXPECT_EQ(run_cli(sim, {"timing", "set", "88"}).status, 1);  // analyser task only: nothing sent
    EXPECT_EQ(count_of(sim.log(), "$timing  88"), 0);

    EXPECT_EQ(run_cli(sim, {"pattern", "set", "41"}).status, 0);
    EXPECT_EQ(run_cli(sim, {"pattern", "get", "--json"}).out, "{\"pattern\":41}\n");
    EXPECT_EQ(run_cli(sim, {"motion-text", "set", "  Vexlan\ttest  "}).status, 0);
    EXPECT_EQ(run_cli(sim, {"motion-text", "get"}).out, "motion text: Vexlantest\n");

    // The panel: every item read, and a set clicks like the window.
    const auto get = run_ok(sim, {"panel", "get", "--json"});
    EXPECT_EQ(count_of(get.out, "\"item\":"), 21) << get.out;
    EXPECT_EQ(count_of(get.out, "\"read\":true"), 21);
    EXPECT_TRUE(has_all(get.out, {"\"query\":\"$hdcp_out_sw?\",\"read\":true,\"report\":\"off\",\"green\":38"}));

    run_ok(sim, {"panel", "set", "40"});
    const auto panel_lines = received(sim);
    ASSERT_GE(panel_lines.size(), 2u);
    EXPECT_EQ(panel_lines[panel_lines.size() - 2], "$hdcp_out_sw on<D>");  // the preparation first
    EXPECT_EQ(panel_lines.back(), "$hdcp_out_ver v2.2<D>");
    const auto after = run_cli(sim, {"panel", "get", "--json"});
    EXPECT_TRUE(has_all(after.out, {"\"report\":\"v2.2_on\"", "\"report\":\"v2.2\",\"green\":40"}));

    EXPECT_EQ(run_cli(sim, {"panel", "set", "0"}).status, 1);  // not confirmed
    EXPECT_EQ(count_of(sim.log(), "$factory"), 0);
    EXPECT_EQ(run_cli(sim, {"panel", "set", "0", "--yes"}).status, 0);
    EXPECT_EQ(count_of(sim.log(), "$factory<D>"), 1);
    EXPECT_EQ(run_cli(sim, {"panel", "set", "50"}).status, 2);
}

// Each way a command or a link can fail, with the exit status and the one message that names the
// command at fault (never a value left from an earlier one); and a dropped reply, retried.
TEST(Cli, FailuresMapToStatusAndNameTheCommand) {
    // `sent`: a command the unit received `times` times (retried)
    struct fail_case { QStringList sim_options, command; int status; const char *message, *sent; int times; };
    const fail_case cases[] = {
        {{"--silent", "$fwver?"}, {"link"}, 1, "link: the unit did not accept \"$fwver?\" (result 2", "$fwver?", 2},
        {{"--silent", "$task_mode?"}, {"link"}, 1, "\"$task_mode?\"", "$task_mode?", 2},
        {{"--model", "XYZ-1"}, {"send", "$timing 1"}, 1, "send: model \"XYZ-1\" is not a known unit", nullptr, 0},
        {{"--silent", "$timing"}, {"send", "$timing 3"}, 1, "", "$timing 3", 2},
        {{"--close-after", "2"}, {"link"}, 3, "link: the link was lost during \"$fwver?\"", nullptr, 0},
        {{"--close-after", "5"}, {"send", "$timing 1", "$timing 2", "$timing 3"}, 3,
         "send: the link was lost during \"$timing 2\"", nullptr, 0},
        // the fifth command (the one after the four of the link): twice received, once answered
        {{"--drop", "5"}, {"send", "$pattern? 1"}, 0, "", "$pattern? 1", 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.sim_options + c.command).join(' ').toStdString());
        sim_process sim(QStringList{"--verbose"} + c.sim_options);
        ASSERT_TRUE(sim.ok());
        auto r = run_cli(sim, c.command);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.sent) {
            EXPECT_EQ(count_of(sim.log(), c.sent), c.times) << sim.log();
        }
    }
}

TEST(CliOutput, ColourAndDownScalingSetThenReadBack) {
    sim_process sim({"--verbose", "--model", "MRV-410L", "--board-id", "1", "--task", "analyser"});
    ASSERT_TRUE(sim.ok());
    EXPECT_EQ(run_cli(sim, {"scale4k", "set", "on_yuv"}).status, 0);
    EXPECT_EQ(run_cli(sim, {"scale4k", "get"}).out, "scale4k: on_yuv\n");
    run_ok(sim, {"color", "set", "user", "1", "2", "255"});
    EXPECT_EQ(run_cli(sim, {"color", "get", "--json"}).out, "{\"color\":\"User\",\"red\":1,\"green\":2,\"blue\":255}\n");
    EXPECT_EQ(run_cli(sim, {"color", "set", "Cyan", "0099"}).status, 2);
    EXPECT_EQ(run_cli(sim, {"color", "set", "Cyan", "99"}).status, 0);
    EXPECT_EQ(run_cli(sim, {"color", "get"}).out, "color: \"Cyan\"\nlevel: 99\n");
    EXPECT_EQ(count_of(sim.log(), "$color_cal_color Cyan<D>"), 1);
}

// read: page values, packet fields and raw replies; report: as the window saves it and as JSON;
// watch: a value printed only when it changes.
TEST(CliMonitor, ReadReportAndWatch) {
    sim_process sim({"--model", "MRV-510", "--task", "analyser"});
    ASSERT_TRUE(sim.ok());
    auto r = run_ok(sim, {"monitor", "read", "--type", "3", "--json"});
    json j = json_of(r);
    const json fields{{"type", 3}, {"avi_vic", 16}, {"avi_color_space", 0}, {"avi_color_space_text", "RGB"},
                      {"gcp_avmute_text", "Clear"}, {"spd_vendor", "VEXLAN"}};
    for (const auto& [key, value] : fields.items()) EXPECT_EQ(j[key], value) << key;
    EXPECT_TRUE(j["aif_coding_type"].is_string());
    EXPECT_FALSE(j.contains("drmi_eotf")) << "an absent packet has no decoded fields";
    EXPECT_EQ(j["values"]["drmi_eotf"], "DRMI Off");
    EXPECT_EQ(j["raw"]["$source_detect? avi"].get<std::string>().substr(0, 5), "82 02");
    EXPECT_EQ(j["raw"].size(), 6u);

    r = run_ok(sim, {"monitor", "read", "--type", "1"});
    EXPECT_TRUE(has_all(r.out, {"h_frequency = 67500\n", "v_frequency = 60.00\n"}));
    EXPECT_EQ(run_cli(sim, {"monitor", "read", "--type", "5"}).status, 2);

    const QString file = temp_file("vexlan_cli_report.txt");
    r = run_ok(sim, {"monitor", "report", "--out", file});
    EXPECT_EQ(r.out, "");
    const std::string text = file_bytes(file).toStdString();
    EXPECT_EQ(text.rfind("Monitor Report ", 0), 0u);
    EXPECT_TRUE(has_all(text, {"\r\nModel: MRV-510 , FW: ", "\r\n========== Monitor HDCP & SCDC\r\n",
                               "\r\nSource H Frequency = 67500 Hz\r\n"}));
    EXPECT_TRUE(text.ends_with("\r\nEND.\r\n"));

    r = run_ok(sim, {"monitor", "report", "--json"});
    j = json_of(r);
    ASSERT_EQ(j["sections"].size(), 5u);
    EXPECT_EQ(j["sections"][1]["title"], "Video Timing");
    EXPECT_EQ(j["sections"][1]["lines"]["Source Pixel Clock"], "148500 kHz");
    EXPECT_EQ(j["avi_vic"], 16);
    EXPECT_TRUE(j["raw"].contains("$sink_detect? scdc"));

    r = run_ok(sim, {"monitor", "watch", "--type", "1", "--cycles", "3"});
    EXPECT_EQ(count_of(r.out, " h_total = 2200\n"), 1) << r.out;
    EXPECT_EQ(count_of(r.out, " timing = 1920x1080p60\n"), 1);
    EXPECT_EQ(std::pair(r.out.find(':'), r.out.find('.')), std::pair(2ul, 8ul));  // "hh:mm:ss.mmm name = value"
}

// The stores as the unit lists them, images written and read back, the sink read to files, a
// rename, the Rx EDID choice and a sink copy.
TEST(CliEdidStores, WriteReadBackSlotsRenameRxAndSinkCopy) {
    const QString sink_file = data_file("vexlan_block_map_4b.bin");
    sim_process sim({"--pty", "--sink-edid", sink_file});
    ASSERT_TRUE(sim.ok());
    json names = slots_json(sim);
    ASSERT_TRUE(names.is_object()) << names.dump();
    EXPECT_EQ(std::tuple(names.size(), names["d1"], names["c1"], names["d10"]),
              std::tuple(21u, "HDMI 1080P", "VXL.VEXLAN HD TV", "Empty"));
    // compared: the leading bytes of X (written) and Y (read back) that must be equal
    struct row { const char *file, *slot; int compared; const char* note; };
    const row rows[] = {
        {"vexlan_uhd_tv_2b.bin", "c4", 256, nullptr},
        {"vexlan_dvi_monitor_1b.bin", "c7", 128, nullptr},  // block 1 goes as FF filler
        {"vexlan_block_map_4b.bin", "c8", 256, "only blocks 0 and 1 are written"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.file);
        const QString x = data_file(r.file), y = temp_file("vexlan_cli_back.bin");
        const cli_run w = run_ok(sim, {"edid", "write", r.slot, x});
        if (r.note) {
            EXPECT_NE(w.err.find(r.note), std::string::npos) << w.err;
        }
        run_ok(sim, {"edid", "read", r.slot, "--out", y});
        const QByteArray want = file_bytes(x), got = file_bytes(y);
        ASSERT_GE(got.size(), r.compared);
        EXPECT_EQ(got.left(r.compared), want.left(r.compared));
        if (r.compared == 128) {
            EXPECT_EQ(got.size(), 128) << "a one-block image reads back as one block";
        }
    }

    // Over the serial line as well: link and a two-block store.
    auto serial = run_cli({"--serial", QString::fromStdString(sim.pty()), "edid", "read", "d1"});
    EXPECT_EQ(serial.status, 0) << serial.err;
    EXPECT_TRUE(has_all(serial.out, {" //FF \r\n"}));
    // The four-block sink to a BIN file, and to a HEX file that converts back to the same bytes.
    const QByteArray want = file_bytes(sink_file);
    ASSERT_EQ(want.size(), 512);
    const QString bin = temp_file("vexlan_cli_sink.bin"), hex = temp_file("vexlan_cli_sink.hex");
    ASSERT_EQ(run_cli(sim, {"edid", "read", "sink_h", "--out", bin}).status, 0);
    EXPECT_EQ(file_bytes(bin), want);
    ASSERT_EQ(run_cli(sim, {"edid", "read", "sink_h", "--out", hex}).status, 0);
    const auto c = run_cli({"edid", "convert", hex, temp_file("vexlan_cli_back.bin")});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(file_bytes(temp_file("vexlan_cli_back.bin")), want);

    const cli_run refused = run_cli(sim, {"edid", "rx", "d9"});  // an empty store: the unit refuses
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(has_all(refused.err, {"$edid_rx d9 not accepted"}));
    EXPECT_EQ(run_cli(sim, {"edid", "rename", "c3", "  Bench TV  "}).status, 0);
    EXPECT_EQ(run_cli(sim, {"edid", "rx", "d2"}).status, 0);
    EXPECT_EQ(run_ok(sim, {"edid", "copy-sink", "c5"}).out, "c5: VXL.VEXLAN MAP TV\n");
    // c4 named after the image written into it; the names are printed and listed.
    names = slots_json(sim);
    EXPECT_EQ(std::tuple(names["c4"], names["c3"], names["rx"], names["c5"]),
              std::tuple("VXL.VEXLAN UHD TV", "Bench TV", "d2", "VXL.VEXLAN MAP TV"));
    EXPECT_TRUE(has_all(run_cli(sim, {"edid", "slots"}).out, {"c3: Bench TV\n", "rx: d2\n"}));
    // The copy holds the sink's blocks 0 and 1.
    const QString c5 = temp_file("vexlan_cli_c5.bin");
    ASSERT_EQ(run_cli(sim, {"edid", "read", "c5", "--out", c5}).status, 0);
    EXPECT_EQ(file_bytes(c5).left(256), want.left(256));

    // --force writes an invalid image as it is.
    const QString bad = data_file("vexlan_bad_checksum_2b.bin"), y = temp_file("vexlan_cli_forced.bin");
    run_ok(sim, {"edid", "write", "c3", bad, "--force"});
    ASSERT_EQ(run_cli(sim, {"edid", "read", "c3", "--out", y}).status, 0);
    EXPECT_EQ(file_bytes(y), file_bytes(bad));
}

TEST(CliEdidStores, NoSinkMeansNoCopy) {
    sim_process sim({"--no-sink"});
    ASSERT_TRUE(sim.ok());
    const cli_run copy = run_cli(sim, {"edid", "copy-sink", "c5"});
    EXPECT_EQ(copy.status, 1);
    EXPECT_TRUE(has_all(copy.err, {"Copy fail !"}));
    EXPECT_EQ(run_cli(sim, {"edid", "read", "sink_h"}).status, 1);
    EXPECT_EQ(slots_json(sim)["c5"], "Empty");
}

// The simulator's responder with several units, and malformed replies that give no row.
TEST(CliDiscover, UnitsAnswerAndMalformedRepliesGiveNoRow) {
    const char* const three = "[{\"ip\":\"127.0.0.1\",\"mac\":\"02:00:00:00:00:10\",\"name\":\"DN-6P\"},"
                              "{\"ip\":\"127.0.0.2\",\"mac\":\"02:00:00:00:00:11\",\"name\":\"DN-6P\"},"
                              "{\"ip\":\"127.0.0.3\",\"mac\":\"02:00:00:00:00:12\",\"name\":\"DN-6P\"}]\n";
    for (const char* malformed : {"", "unknown-types", "no-des", "des-first", "short-mac", "past-end"}) {
        SCOPED_TRACE(malformed);
        QStringList opts{"--model", "DN-6P", "--udp-port", "0", "--units", "3", "--mac", "02:00:00:00:00:10"};
        if (*malformed) opts << "--udp-malformed" << malformed;
        sim_process sim(opts);
        ASSERT_TRUE(sim.ok() && sim.udp_port());
        const auto r = run_cli({"discover", "--target", QString("127.0.0.1:%1").arg(sim.udp_port()), "--port", "0",
                                "--timeout", "0.5", "--json"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, std::string(malformed) == "" || std::string(malformed) == "unknown-types" ? three : "[]\n");
    }
    EXPECT_EQ(run_cli({"discover", "--target", "nowhere:1"}).status, 2);
}

TEST(CliCableCec, CableRunInScaledTimeAndCecStoreAndLog) {
    sim_process cable({"--model", "MRV-410L", "--task", "cable", "--clock-scale", "240"});
    ASSERT_TRUE(cable.ok());
    EXPECT_EQ(run_cli(cable, {"cable", "set", "--time", "1", "--level", "strict"}).status, 0);
    EXPECT_EQ(run_cli(cable, {"cable", "start"}).status, 0);
    const auto running = run_cli(cable, {"cable", "status", "--json"});
    EXPECT_TRUE(has_all(running.out, {"\"level\":\"STRICT\"", "\"time_code\":1"}));
    // Each status query is a new process, slow on a loaded machine: poll until the result shows,
    // with a bound far above the half second the run takes.
    std::string done;
    QElapsedTimer w;
    w.start();
    while (w.elapsed() < 60000 && done.find("\"result\":\"PASS\"") == std::string::npos)
        done = run_cli(cable, {"cable", "status", "--json"}).out;
    EXPECT_TRUE(has_all(done, {"\"running\":false", "\"result\":\"PASS\"", "\"minutes\":\"2\""}));
    EXPECT_EQ(run_cli(cable, {"cable", "set", "--time", "9"}).status, 2);

    sim_process cec({"--model", "MRV-510", "--cec-interval-ms", "0"});
    ASSERT_TRUE(cec.ok());
    EXPECT_EQ(run_cli(cec, {"cec", "set", "2", "40 04"}).status, 0);
    EXPECT_TRUE(has_all(run_ok(cec, {"cec", "list", "--json"}).out, {"{\"n\":2,\"text\":\"40 04\"}"}));
    EXPECT_EQ(run_cli(cec, {"cec", "send", "2"}).status, 0);
    EXPECT_TRUE(has_all(run_ok(cec, {"cec", "log", "--json"}).out, {" 1. TX 40 04 Image View On"}));

    const auto term = run_ok(cec, {"terminal"}, "$help\n  $model?  \n");
    EXPECT_TRUE(has_all(term.out, {"<EOT>", "$model? MRV-510<CR><LF>\n"}));
}
