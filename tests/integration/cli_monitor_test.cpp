// vexlan-cli monitor read|report|watch against the unit simulator.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include "sim_process.h"

using namespace vexlan::testing;

namespace {

struct cli_out {
    int status = -1;
    std::string out, err;
};

cli_out monitor_cli(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(VEXLAN_CLI_PATH), args);
    cli_out r;
    if (!p.waitForFinished(20000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

TEST(CliMonitor, ReadGivesPageValuesPacketFieldsAndRawReplies) {
    sim_process sim({"--model", "MRV-510", "--task", "analyser"});
    ASSERT_TRUE(sim.ok());
    const QString target = QString::fromStdString(sim.tcp_target());
    auto r = monitor_cli({"--tcp", target, "monitor", "read", "--type", "3", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    EXPECT_EQ(j["type"].toInt(), 3);
    EXPECT_EQ(j["avi_vic"].toInt(-1), 16);
    EXPECT_TRUE(j["avi_vic"].isDouble());
    EXPECT_EQ(j["avi_color_space"].toInt(-1), 0);
    EXPECT_EQ(j["avi_color_space_text"].toString(), "RGB");
    EXPECT_EQ(j["gcp_avmute_text"].toString(), "Clear");
    EXPECT_EQ(j["spd_vendor"].toString(), "VEXLAN");
    EXPECT_TRUE(j["aif_coding_type"].isString());
    EXPECT_FALSE(j.contains("drmi_eotf")) << "an absent packet has no decoded fields";
    EXPECT_EQ(j["values"].toObject()["drmi_eotf"].toString(), "DRMI Off");
    EXPECT_TRUE(j["raw"].toObject()["$source_detect? avi"].toString().startsWith("82 02"));
    EXPECT_EQ(j["raw"].toObject().size(), 6);

    r = monitor_cli({"--tcp", target, "monitor", "read", "--type", "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("h_frequency = 67500\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("v_frequency = 60.00\n"), std::string::npos);

    EXPECT_EQ(monitor_cli({"--tcp", target, "monitor", "read", "--type", "5"}).status, 2);
}

TEST(CliMonitor, ReportAsTheWindowSavesItAndAsJson) {
    sim_process sim({"--model", "MRV-510", "--task", "analyser"});
    ASSERT_TRUE(sim.ok());
    const QString target = QString::fromStdString(sim.tcp_target());
    QTemporaryDir dir;
    const QString file = dir.filePath("report.txt");
    auto r = monitor_cli({"--tcp", target, "monitor", "report", "--out", file});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const std::string text = f.readAll().toStdString();
    EXPECT_EQ(text.rfind("Monitor Report ", 0), 0u);
    EXPECT_NE(text.find("\r\nModel: MRV-510 , FW: "), std::string::npos);
    EXPECT_NE(text.find("\r\n========== Monitor HDCP & SCDC\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nSource H Frequency = 67500 Hz\r\n"), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - 8), "\r\nEND.\r\n");

    r = monitor_cli({"--tcp", target, "monitor", "report", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = QJsonDocument::fromJson(QByteArray::fromStdString(r.out)).object();
    const auto sections = j["sections"].toArray();
    ASSERT_EQ(sections.size(), 5);
    EXPECT_EQ(sections[1].toObject()["title"].toString(), "Video Timing");
    EXPECT_EQ(sections[1].toObject()["lines"].toObject()["Source Pixel Clock"].toString(), "148500 kHz");
    EXPECT_EQ(j["avi_vic"].toInt(-1), 16);
    EXPECT_TRUE(j["raw"].toObject().contains("$sink_detect? scdc"));
}

TEST(CliMonitor, WatchPrintsAValueOnlyWhenItChanges) {
    sim_process sim({"--model", "MRV-510", "--task", "analyser"});
    ASSERT_TRUE(sim.ok());
    auto r = monitor_cli({"--tcp", QString::fromStdString(sim.tcp_target()), "monitor", "watch", "--type", "1",
                          "--cycles", "3"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto count = [&](const std::string& s) {
        int n = 0;
        for (auto p = r.out.find(s); p != std::string::npos; p = r.out.find(s, p + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count(" h_total = 2200\n"), 1) << r.out;
    EXPECT_EQ(count(" timing = 1920x1080p60\n"), 1);
    EXPECT_EQ(r.out.find(':'), 2u);  // "hh:mm:ss.mmm name = value"
    EXPECT_EQ(r.out[8], '.');
}

}  // namespace
