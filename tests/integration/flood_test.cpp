// vexlan-unit-sim --flood on loopback, which sends filler without pause once linked: both sessions
// (the Qt one of the window and the POSIX one of vexlan-cli) give "no response" within the
// ordinary wait, with flat memory, and the Qt event loop keeps serving its timers meanwhile.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include "link/transaction.h"
#include "link/unit_link.h"
#include "platform/qt_session.h"
#include "posix_session.h"
#include "sim_process.h"

using namespace vexlan;

namespace {

long resident_kib() { return vexlan::testing::proc_status_kb("self", "VmRSS:"); }

// Links (the flood starts with the answer to "$task_mode?"), then one command against the flood:
// result 2 after both sends' waits, memory flat.
template <class Session>
void expect_no_response_with_flat_memory(Session& s) {
    unit_identity id;
    ASSERT_TRUE(unit_identity_query(s.ctx, id));
    const long rss_before = resident_kib();
    ASSERT_GT(rss_before, 0);
    QElapsedTimer t;
    t.start();
    EXPECT_EQ(cmdtx_str(s.ctx, "$timing? \r"), 2);
    EXPECT_LE(t.elapsed(), 6500);
    EXPECT_LE(s.ctx.link.rx_line.size(), rx_line_limit);
    EXPECT_LT(resident_kib() - rss_before, 50 * 1024) << "KiB grown during the wait";
}

}  // namespace

TEST(Flood, QtSessionGivesNoResponseInTimeAndKeepsServingEvents) {
    vexlan::testing::sim_process sim({"--flood"});
    ASSERT_TRUE(sim.ok());
    qt_session s;
    ASSERT_EQ(s.open_tcp(sim.tcp_target()), "");
    int ticks = 0;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] { ++ticks; });
    tick.start(20);
    expect_no_response_with_flat_memory(s);
    EXPECT_GT(ticks, 100) << "timers starved during the 6.4 s wait";
    // Idle: what arrives between transactions is kept only up to its cap.
    const long rss_before = resident_kib();
    s.pump.wait_until(s.clock.now_ms() + 300, [] { return false; });
    EXPECT_LE(s.ctx.link.rx_idle.size(), rx_idle_limit);
    EXPECT_LT(resident_kib() - rss_before, 50 * 1024);
}

TEST(Flood, PosixSessionGivesNoResponseInTime) {
    vexlan::testing::sim_process sim({"--flood"});
    ASSERT_TRUE(sim.ok());
    posix_session s;
    ASSERT_EQ(s.open_tcp(sim.tcp_target(), 2000), "");
    expect_no_response_with_flat_memory(s);
}
