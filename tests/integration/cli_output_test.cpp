// vexlan-cli's output and monitor commands against the simulator: the exact lines on the wire, a
// set then a read-back for each page, the whole output panel as JSON, monitor read|report|watch.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "cli_runner.h"

using namespace vexlan::testing;

namespace {

QJsonObject json_of(const cli_run& r) { return QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object(); }

}  // namespace

TEST(CliOutput, TimingPatternAndPanelPutExactLinesOnTheWireAndReadBack) {
    sim_process sim({"--verbose", "--model", "MRV-410", "--task", "pattern"});
    ASSERT_TRUE(sim.ok());
    const auto set = run_cli(sim, {"timing", "set", "5"});
    EXPECT_EQ(set.status, 0) << set.err;
    const auto lines = received(sim);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "$timing  5<D>");
    EXPECT_EQ(count_of(sim.log(), "$timing  5<D>"), 1);
    EXPECT_EQ(run_cli(sim, {"timing", "get"}).out, "timing: 5\n");
    EXPECT_EQ(run_cli(sim, {"timing", "set", "88"}).status, 1);  // analyser task only: nothing sent
    EXPECT_EQ(count_of(sim.log(), "$timing  88"), 0);

    EXPECT_EQ(run_cli(sim, {"pattern", "set", "41"}).status, 0);
    EXPECT_EQ(run_cli(sim, {"pattern", "get", "--json"}).out, "{\"pattern\":41}\n");
    EXPECT_EQ(run_cli(sim, {"motion-text", "set", "  Vexlan\ttest  "}).status, 0);
    EXPECT_EQ(run_cli(sim, {"motion-text", "get"}).out, "motion text: Vexlantest\n");

    // The panel: every item read, and a set clicks like the window.
    const auto get = run_cli(sim, {"panel", "get", "--json"});
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(count_of(get.out, "\"item\":"), 21) << get.out;
    EXPECT_EQ(count_of(get.out, "\"read\":true"), 21);
    EXPECT_NE(get.out.find("\"query\":\"$hdcp_out_sw?\",\"read\":true,\"report\":\"off\",\"green\":38"), std::string::npos)
        << get.out;

    const auto panel_set = run_cli(sim, {"panel", "set", "40"});
    EXPECT_EQ(panel_set.status, 0) << panel_set.err;
    const auto panel_lines = received(sim);
    ASSERT_GE(panel_lines.size(), 2u);
    EXPECT_EQ(panel_lines[panel_lines.size() - 2], "$hdcp_out_sw on<D>");  // the preparation first
    EXPECT_EQ(panel_lines.back(), "$hdcp_out_ver v2.2<D>");
    const auto after = run_cli(sim, {"panel", "get", "--json"});
    EXPECT_NE(after.out.find("\"report\":\"v2.2_on\""), std::string::npos) << after.out;
    EXPECT_NE(after.out.find("\"report\":\"v2.2\",\"green\":40"), std::string::npos) << after.out;

    EXPECT_EQ(run_cli(sim, {"panel", "set", "0"}).status, 1);  // not confirmed
    EXPECT_EQ(count_of(sim.log(), "$factory"), 0);
    EXPECT_EQ(run_cli(sim, {"panel", "set", "0", "--yes"}).status, 0);
    EXPECT_EQ(count_of(sim.log(), "$factory<D>"), 1);
    EXPECT_EQ(run_cli(sim, {"panel", "set", "50"}).status, 2);
}

TEST(CliOutput, ColourAndDownScalingSetThenReadBack) {
    sim_process sim({"--verbose", "--model", "MRV-410L", "--board-id", "1", "--task", "analyser"});
    ASSERT_TRUE(sim.ok());
    EXPECT_EQ(run_cli(sim, {"scale4k", "set", "on_yuv"}).status, 0);
    EXPECT_EQ(run_cli(sim, {"scale4k", "get"}).out, "scale4k: on_yuv\n");
    const auto user = run_cli(sim, {"color", "set", "user", "1", "2", "255"});
    EXPECT_EQ(user.status, 0) << user.err;
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
    auto r = run_cli(sim, {"monitor", "read", "--type", "3", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = json_of(r);
    const QJsonObject fields{{"type", 3}, {"avi_vic", 16}, {"avi_color_space", 0}, {"avi_color_space_text", "RGB"},
                             {"gcp_avmute_text", "Clear"}, {"spd_vendor", "VEXLAN"}};
    for (auto f = fields.begin(); f != fields.end(); ++f) EXPECT_EQ(j[f.key()], f.value()) << f.key().toStdString();
    EXPECT_TRUE(j["aif_coding_type"].isString());
    EXPECT_FALSE(j.contains("drmi_eotf")) << "an absent packet has no decoded fields";
    EXPECT_EQ(j["values"].toObject()["drmi_eotf"].toString(), "DRMI Off");
    EXPECT_TRUE(j["raw"].toObject()["$source_detect? avi"].toString().startsWith("82 02"));
    EXPECT_EQ(j["raw"].toObject().size(), 6);

    r = run_cli(sim, {"monitor", "read", "--type", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("h_frequency = 67500\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("v_frequency = 60.00\n"), std::string::npos);
    EXPECT_EQ(run_cli(sim, {"monitor", "read", "--type", "5"}).status, 2);

    QTemporaryDir dir;
    const QString file = dir.filePath("report.txt");
    r = run_cli(sim, {"monitor", "report", "--out", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    const std::string text = file_bytes(file).toStdString();
    EXPECT_EQ(text.rfind("Monitor Report ", 0), 0u);
    EXPECT_NE(text.find("\r\nModel: MRV-510 , FW: "), std::string::npos);
    EXPECT_NE(text.find("\r\n========== Monitor HDCP & SCDC\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nSource H Frequency = 67500 Hz\r\n"), std::string::npos);
    EXPECT_TRUE(text.ends_with("\r\nEND.\r\n"));

    r = run_cli(sim, {"monitor", "report", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    j = json_of(r);
    const auto sections = j["sections"].toArray();
    ASSERT_EQ(sections.size(), 5);
    EXPECT_EQ(sections[1].toObject()["title"].toString(), "Video Timing");
    EXPECT_EQ(sections[1].toObject()["lines"].toObject()["Source Pixel Clock"].toString(), "148500 kHz");
    EXPECT_EQ(j["avi_vic"].toInt(-1), 16);
    EXPECT_TRUE(j["raw"].toObject().contains("$sink_detect? scdc"));

    r = run_cli(sim, {"monitor", "watch", "--type", "1", "--cycles", "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count_of(r.out, " h_total = 2200\n"), 1) << r.out;
    EXPECT_EQ(count_of(r.out, " timing = 1920x1080p60\n"), 1);
    EXPECT_EQ(r.out.find(':'), 2u);  // "hh:mm:ss.mmm name = value"
    EXPECT_EQ(r.out[8], '.');
}
