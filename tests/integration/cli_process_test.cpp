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

int count_of(const std::string& hay, const std::string& needle) {
    int n = 0;
    for (auto pos = hay.find(needle); pos != std::string::npos; pos = hay.find(needle, pos + 1)) ++n;
    return n;
}

}  // namespace

TEST(Cli, SendResults) {
    sim_process sim({"--verbose", "--fw", "3.1.4"});
    ASSERT_TRUE(sim.ok());
    const QString target = QString::fromStdString(sim.tcp_target());

    auto good = run_cli({"--tcp", target, "send", "$timing 12"});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.out.find("reply: $timing 12\\r\\n"), std::string::npos) << good.out;
    EXPECT_NE(good.out.find("param1: 12\n"), std::string::npos);
    EXPECT_NE(good.out.find("param2: None\n"), std::string::npos);
    EXPECT_NE(good.out.find("result: 1\n"), std::string::npos);

    auto bad = run_cli({"--tcp", target, "send", "$timing 9999"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.out.find("result: 3\n"), std::string::npos) << bad.out;

    auto link = run_cli({"--tcp", target, "link"});
    EXPECT_EQ(link.status, 0) << link.err;
    EXPECT_NE(link.out.find("model: MRV-410\n"), std::string::npos) << link.out;
    EXPECT_NE(link.out.find("firmware: 3.1.4\n"), std::string::npos);
}

TEST(Cli, DroppedReplyRetriedAndSilentUnitSentTwice) {
    {
        // The link takes four commands; the fifth, the one sent, is dropped once.
        sim_process sim({"--verbose", "--drop", "5"});
        ASSERT_TRUE(sim.ok());
        auto r = run_cli({"--tcp", QString::fromStdString(sim.tcp_target()), "send", "$pattern? 1"});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("result: 1\n"), std::string::npos) << r.out;
        EXPECT_EQ(count_of(sim.log(), "$pattern? 1"), 3) << sim.log();  // twice received, once answered
    }
    {
        sim_process sim({"--verbose", "--silent", "$timing"});
        ASSERT_TRUE(sim.ok());
        auto r = run_cli({"--tcp", QString::fromStdString(sim.tcp_target()), "send", "$timing 3"});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.out.find("result: 2\n"), std::string::npos) << r.out;
        EXPECT_EQ(count_of(sim.log(), "$timing 3"), 2) << sim.log();  // the same bytes, twice
    }
}

TEST(Cli, ClearErrors) {
    const std::pair<QStringList, std::string> cases[] = {
        {{"--tcp", "127.0.0.1:1", "link"}, "cannot connect to 127.0.0.1:1"},
        {{"--tcp", "127.0.0.1:x", "link"}, "bad TCP port"},
        {{"--serial", "/dev/no-such-port", "link"}, "cannot open serial port /dev/no-such-port"},
        {{"--tcp", "127.0.0.1:2", "frobnicate"}, "unknown command frobnicate"},
        {{"link"}, "give exactly one of --tcp and --serial"},
        {{"edid", "analyze", "/no/such/file.bin"}, "/no/such/file.bin"},
    };
    for (const auto& [args, text] : cases) {
        auto r = run_cli(args);
        EXPECT_NE(r.status, 0) << args.join(' ').toStdString();
        EXPECT_NE(r.err.find(text), std::string::npos) << args.join(' ').toStdString() << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n') <= 2, true) << r.err;
    }
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
    QFile got(bin), want(VEXLAN_DATA_DIR "/edid/vexlan_block_map_4b.bin");
    ASSERT_TRUE(got.open(QIODevice::ReadOnly) && want.open(QIODevice::ReadOnly));
    EXPECT_EQ(got.readAll(), want.readAll());

    r = run_cli({"--tcp", target, "edid", "read", "sink_h", "--out", hex});
    ASSERT_EQ(r.status, 0) << r.err;
    // The hex text converts back to the same bytes.
    auto c = run_cli({"edid", "convert", hex, dir + "/vexlan_cli_back.bin"});
    ASSERT_EQ(c.status, 0) << c.err;
    QFile back(dir + "/vexlan_cli_back.bin");
    ASSERT_TRUE(back.open(QIODevice::ReadOnly));
    want.seek(0);
    EXPECT_EQ(back.readAll(), want.readAll());
}
