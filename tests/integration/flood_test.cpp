// vexlan-unit-sim --flood on loopback, which sends filler without pause once linked: both sessions
// (the Qt one of the window and the POSIX one of vexlan-cli) end the command with "no response",
// and what they hold stays within its caps. How long that takes, and the event loop's timers
// meanwhile, are figures of bench_qt_flood_bench.
#include <gtest/gtest.h>

#include "link/transaction.h"
#include "link/unit_link.h"
#include "platform/qt_session.h"
#include "posix_session.h"
#include "sim_process.h"

using namespace vexlan;
using vexlan::testing::proc_status_kb;

namespace {

// Links (the flood starts with the answer to "$task_mode?"), then one command against the flood,
// then a while idle: result 2, the caps kept, memory flat.
template <class Session>
void expect_no_response_within_caps(Session& s) {
    unit_identity id;
    ASSERT_TRUE(unit_identity_query(s.ctx, id));
    const long rss_before = proc_status_kb("self", "VmRSS:");
    ASSERT_GT(rss_before, 0);
    EXPECT_EQ(cmdtx_str(s.ctx, "$timing? \r"), 2);
    EXPECT_LE(s.ctx.link.rx_line.size(), rx_line_limit);
    s.pump.wait_until(s.clock.now_ms() + 300, [] { return false; });
    EXPECT_LE(s.ctx.link.rx_idle.size(), rx_idle_limit);
    EXPECT_LT(proc_status_kb("self", "VmRSS:") - rss_before, 50 * 1024) << "KiB grown";
}

}  // namespace

TEST(Flood, QtAndPosixSessionsGiveNoResponseWithinTheirCaps) {
    {
        vexlan::testing::sim_process sim({"--flood"});
        ASSERT_TRUE(sim.ok());
        qt_session s;
        ASSERT_EQ(s.open_tcp(sim.tcp_target()), "");
        expect_no_response_within_caps(s);
    }
    vexlan::testing::sim_process sim({"--flood"});
    ASSERT_TRUE(sim.ok());
    posix_session s;
    ASSERT_EQ(s.open_tcp(sim.tcp_target(), 2000), "");
    expect_no_response_within_caps(s);
}
