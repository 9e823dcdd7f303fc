// Discovery over loopback against the simulator's responder (the window's Qt socket and
// vexlan-cli), and the cable, CEC and terminal commands of vexlan-cli.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "cli_runner.h"
#include "link/app_context.h"
#include "link/discovery.h"
#include "platform/qt_datagram.h"

namespace vexlan {
namespace {

using testing::run_cli;
using testing::sim_process;

// One discovery request from the window's socket to the simulator; the rows after `ms`.
std::vector<discovery_row> discover(quint16 udp_port, int ms = 600) {
    app_context ctx;
    qt_datagram_port port;
    ctx.discovery.port = &port;
    ctx.discovery.target_host = "127.0.0.1";
    ctx.discovery.target_port = udp_port;
    ctx.discovery.local_port = 0;
    discovery_hooks_install(ctx);
    eth_discover(ctx);
    EXPECT_FALSE(ctx.discovery.lab_discovery_error.visible) << ctx.discovery.lab_discovery_error.caption;
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return ctx.discovery.rows;
}

// The simulator's responder answers the window's socket and vexlan-cli; malformed replies add no row.
TEST(DiscoveryLoopback, UnitsAnswerAndMalformedRepliesAddNoRow) {
    struct row {
        const char* malformed;
        int rows;
    };
    const row rows[] = {{"", 3}, {"unknown-types", 3}, {"no-des", 0}, {"des-first", 0}, {"short-mac", 0}, {"past-end", 0}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.malformed);
        QStringList opts{"--model", "DN-6P", "--udp-port", "0", "--units", "3", "--mac", "02:00:00:00:00:10"};
        if (*r.malformed) opts << "--udp-malformed" << r.malformed;
        sim_process sim(opts);
        ASSERT_TRUE(sim.ok() && sim.udp_port());
        const auto got = discover(sim.udp_port());
        ASSERT_EQ(static_cast<int>(got.size()), r.rows);
        if (r.rows == 3) {
            EXPECT_EQ(got[0].ip, "127.0.0.1");
            EXPECT_EQ(got[2].ip, "127.0.0.3");
            EXPECT_EQ(got[1].mac, "02:00:00:00:00:11");
            EXPECT_EQ(got[0].name, "DN-6P");
        }
        if (*r.malformed) continue;
        const auto cli = run_cli({"discover", "--target", QString("127.0.0.1:%1").arg(sim.udp_port()), "--port", "0",
                                  "--timeout", "0.5", "--json"});
        EXPECT_EQ(cli.status, 0) << cli.err;
        EXPECT_EQ(cli.out, "[{\"ip\":\"127.0.0.1\",\"mac\":\"02:00:00:00:00:10\",\"name\":\"DN-6P\"},"
                           "{\"ip\":\"127.0.0.2\",\"mac\":\"02:00:00:00:00:11\",\"name\":\"DN-6P\"},"
                           "{\"ip\":\"127.0.0.3\",\"mac\":\"02:00:00:00:00:12\",\"name\":\"DN-6P\"}]\n");
    }
    EXPECT_EQ(run_cli({"discover", "--target", "nowhere:1"}).status, 2);
}

TEST(CliCableCec, CableRunInScaledTimeAndCecStoreAndLog) {
    sim_process cable({"--model", "MRV-410L", "--task", "cable", "--clock-scale", "240"});
    ASSERT_TRUE(cable.ok());
    EXPECT_EQ(run_cli(cable, {"cable", "set", "--time", "1", "--level", "strict"}).status, 0);
    EXPECT_EQ(run_cli(cable, {"cable", "start"}).status, 0);
    const auto running = run_cli(cable, {"cable", "status", "--json"});
    EXPECT_NE(running.out.find("\"level\":\"STRICT\""), std::string::npos) << running.out;
    EXPECT_NE(running.out.find("\"time_code\":1"), std::string::npos) << running.out;
    // Each status query is a new process, slow on a loaded machine: poll until the result shows,
    // with a bound far above the half second the run takes.
    std::string done;
    QElapsedTimer w;
    w.start();
    while (w.elapsed() < 60000 && done.find("\"result\":\"PASS\"") == std::string::npos)
        done = run_cli(cable, {"cable", "status", "--json"}).out;
    EXPECT_NE(done.find("\"running\":false"), std::string::npos) << done;
    EXPECT_NE(done.find("\"result\":\"PASS\""), std::string::npos) << done;
    EXPECT_NE(done.find("\"minutes\":\"2\""), std::string::npos) << done;
    EXPECT_EQ(run_cli(cable, {"cable", "set", "--time", "9"}).status, 2);

    sim_process cec({"--model", "MRV-510", "--cec-interval-ms", "0"});
    ASSERT_TRUE(cec.ok());
    EXPECT_EQ(run_cli(cec, {"cec", "set", "2", "40 04"}).status, 0);
    const auto list = run_cli(cec, {"cec", "list", "--json"});
    EXPECT_EQ(list.status, 0) << list.err;
    EXPECT_NE(list.out.find("{\"n\":2,\"text\":\"40 04\"}"), std::string::npos) << list.out;
    EXPECT_EQ(run_cli(cec, {"cec", "send", "2"}).status, 0);
    const auto log = run_cli(cec, {"cec", "log", "--json"});
    EXPECT_EQ(log.status, 0) << log.err;
    EXPECT_NE(log.out.find(" 1. TX 40 04 Image View On"), std::string::npos) << log.out;

    const auto term = run_cli(cec, {"terminal"}, "$help\n  $model?  \n");
    EXPECT_EQ(term.status, 0) << term.err;
    EXPECT_NE(term.out.find("<EOT>"), std::string::npos) << term.out;
    EXPECT_NE(term.out.find("$model? MRV-510<CR><LF>\n"), std::string::npos) << term.out;
}

}  // namespace
}  // namespace vexlan
