// vexlan-cli as scripts use it: exit status, printed result codes, and what reached the unit.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

#include "sim_process.h"

using namespace vexlan::testing;

namespace {

struct cli_run {
    int status = -1;
    std::string out, err;
};

cli_run run_cli(const QStringList& args, int timeout_ms = 20000) {
    QProcess p;
    p.start(QStringLiteral(VEXLAN_CLI_PATH), args);
    cli_run r;
    if (!p.waitForFinished(timeout_ms)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

QByteArray bytes_of(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

int count_of(const std::string& hay, const std::string& needle) {
    int n = 0;
    for (auto pos = hay.find(needle); pos != std::string::npos; pos = hay.find(needle, pos + 1)) ++n;
    return n;
}

}  // namespace

TEST(Cli, SendScriptAndLink) {
    sim_process sim({"--verbose", "--fw", "3.1.4"});
    ASSERT_TRUE(sim.ok());
    const QString target = QString::fromStdString(sim.tcp_target());

    // Several lines over one link; the status says whether every one was accepted.
    auto text = run_cli({"--tcp", target, "send", "$timing 12", "$timing 9999"});
    EXPECT_EQ(text.status, 1) << text.err;
    EXPECT_NE(text.out.find("reply: $timing 12\\r\\n\nparam1: 12\nparam2: None\nparam3: None\nresult: 1\n"),
              std::string::npos) << text.out;
    EXPECT_NE(text.out.find("result: 3\n"), std::string::npos) << text.out;
    EXPECT_EQ(count_of(sim.log(), "rx $model?"), 1) << sim.log();  // one link for both

    auto json = run_cli({"send", "--json", "--tcp", target, "$pattern? 1"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.rfind("{\"line\":\"$pattern? 1\",\"reply\":\"$pattern? 1\",\"param1\":\"1\",\"param2\":\"None\","
                             "\"param3\":\"None\",\"result\":1,\"ms\":", 0), 0u) << json.out;

    QProcess script;
    script.start(QStringLiteral(VEXLAN_CLI_PATH), {"--tcp", target, "script", "-"});
    script.write("$timing 3\r\n# a comment\n\n$timing 9999\n$timing?");
    script.closeWriteChannel();
    ASSERT_TRUE(script.waitForFinished(20000));
    EXPECT_EQ(script.exitCode(), 1);
    const QList<QByteArray> lines = script.readAllStandardOutput().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 3) << script.readAllStandardError().toStdString();
    EXPECT_TRUE(lines[0].startsWith("{\"line\":\"$timing 3\",\"reply\":\"$timing 3\"")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains("\"param1\":\"err\"") && lines[1].contains("\"result\":3")) << lines[1].toStdString();
    EXPECT_TRUE(lines[2].contains("\"param1\":\"3\",")) << lines[2].toStdString();

    auto link = run_cli({"--tcp", target, "link", "--json"});
    EXPECT_EQ(link.status, 0) << link.err;
    EXPECT_EQ(link.out, "{\"model\":\"MRV-410\",\"board_id\":\"0\",\"firmware\":\"3.1.4\",\"task_mode\":\"pattern\","
                        "\"model_index\":0,\"catalogue\":\"m41_timing_pattern.ini\"}\n");
}

// Each way a command or a link can fail, with the exit status and the one message that names the
// command at fault (never a value left from an earlier one).
TEST(Cli, FailuresMapToStatusAndNameTheCommand) {
    struct fail_case {
        QStringList sim_options;
        QStringList command;
        int status;
        const char* message;
        const char* sent;  // the command the unit received twice (sent once, retried once)
    };
    const fail_case cases[] = {
        {{"--silent", "$fwver?"}, {"link"}, 1, "link: the unit did not accept \"$fwver?\" (result 2", "$fwver?"},
        {{"--silent", "$task_mode?"}, {"link"}, 1, "\"$task_mode?\"", "$task_mode?"},
        {{"--model", "XYZ-1"}, {"send", "$timing 1"}, 1, "send: model \"XYZ-1\" is not a known unit", nullptr},
        {{"--silent", "$timing"}, {"send", "$timing 3"}, 1, "", "$timing 3"},
        {{"--close-after", "2"}, {"link"}, 3, "link: the link was lost during \"$fwver?\"", nullptr},
        {{"--close-after", "5"}, {"send", "$timing 1", "$timing 2", "$timing 3"}, 3,
         "send: the link was lost during \"$timing 2\"", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.sim_options + c.command).join(' ').toStdString());
        sim_process sim(QStringList{"--verbose"} + c.sim_options);
        ASSERT_TRUE(sim.ok());
        auto r = run_cli(QStringList{"--tcp", QString::fromStdString(sim.tcp_target())} + c.command);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.sent) EXPECT_EQ(count_of(sim.log(), c.sent), 2) << sim.log();
    }
    // A dropped reply is retried: the fifth command (the one sent after the four of the link).
    sim_process sim({"--verbose", "--drop", "5"});
    ASSERT_TRUE(sim.ok());
    auto r = run_cli({"--tcp", QString::fromStdString(sim.tcp_target()), "send", "$pattern? 1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count_of(sim.log(), "$pattern? 1"), 3) << sim.log();  // twice received, once answered
}

TEST(Cli, EdidReadToFiles) {
    sim_process sim({"--pty", "--sink-edid", VEXLAN_DATA_DIR "/edid/vexlan_block_map_4b.bin"});
    ASSERT_TRUE(sim.ok());
    const QString target = QString::fromStdString(sim.tcp_target());
    // Over the serial line as well: link and a two-block store.
    auto serial = run_cli({"--serial", QString::fromStdString(sim.pty()), "edid", "read", "d1"});
    EXPECT_EQ(serial.status, 0) << serial.err;
    EXPECT_NE(serial.out.find(" //FF \r\n"), std::string::npos) << serial.out;
    const QString dir = QString::fromStdString(::testing::TempDir());
    const QString bin = dir + "/vexlan_cli_sink.bin", hex = dir + "/vexlan_cli_sink.hex";
    auto r = run_cli({"--tcp", target, "edid", "read", "sink_h", "--out", bin});
    ASSERT_EQ(r.status, 0) << r.err;
    const QByteArray want = bytes_of(VEXLAN_DATA_DIR "/edid/vexlan_block_map_4b.bin");
    ASSERT_EQ(want.size(), 512);
    EXPECT_EQ(bytes_of(bin), want);

    r = run_cli({"--tcp", target, "edid", "read", "sink_h", "--out", hex});
    ASSERT_EQ(r.status, 0) << r.err;
    // The hex text converts back to the same bytes.
    auto c = run_cli({"edid", "convert", hex, dir + "/vexlan_cli_back.bin"});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(bytes_of(dir + "/vexlan_cli_back.bin"), want);
}
