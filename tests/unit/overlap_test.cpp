// An operator action that runs inside another transaction's wait (events keep running while a
// transaction waits) must never take that transaction's reply for its own.
#include <gtest/gtest.h>

#include "fake_ports.h"

using namespace vexlan;
using namespace vexlan::testing;

TEST(Overlap, SecondCommandWaitsForThePendingReply) {
    for (int iface : {0, 1}) {
        fake_rig rig(iface);
        auto& link = rig.link();
        link.unit = [](const std::string& line) {
            if (line == "$cable_run?\r") return fake_rig::reply(line, "start", 30);
            return fake_rig::reply(line, "12", 5);
        };
        int inner_result = -1;
        std::string inner_p1;
        bool busy_after_inner = false;
        rig.world.at(5, [&] {
            inner_result = cmdtx_str(rig.ctx, "$timing 12\r");
            inner_p1 = rig.ctx.link.rx_param1;
            busy_after_inner = rig.ctx.link.cmd_busy;
        });
        const int outer_result = cmdtx_str(rig.ctx, "$cable_run?\r");

        ASSERT_EQ(link.writes.size(), 2u);
        EXPECT_EQ(link.writes[0], "$cable_run?\r");
        EXPECT_EQ(link.writes[1], "$timing 12\r");
        EXPECT_EQ(link.write_times[1], 30u) << "the second command went out before the first reply";
        EXPECT_EQ(inner_result, 1);
        EXPECT_EQ(inner_p1, "12");
        EXPECT_TRUE(busy_after_inner) << "the outer transaction still runs";
        EXPECT_EQ(outer_result, 1);
        EXPECT_EQ(rig.ctx.link.rx_param1, "start");
        EXPECT_EQ(rig.ctx.link.rx_line, "$cable_run? start\r\n");
        EXPECT_FALSE(rig.ctx.link.cmd_busy);
    }
}

TEST(Overlap, LateReplyOfAnAbandonedCommandIsDropped) {
    fake_rig rig;
    int cable_sends = 0;
    rig.tcp.unit = [&](const std::string& line) {
        if (line == "$cable_run?\r") {
            const bool first = ++cable_sends == 1;
            return fake_rig::reply(line, first ? "late" : "stop", first ? 3300 : 5);
        }
        return fake_rig::reply(line, "12", 200);
    };
    int inner_result = -1;
    std::string inner_line;
    std::uint32_t inner_sent_at = 0;
    rig.world.at(5, [&] {
        inner_result = cmdtx_str(rig.ctx, "$timing 12\r");
        inner_line = rig.ctx.link.rx_line;
        inner_sent_at = rig.tcp.write_times.back();
    });
    const int outer_result = cmdtx_str(rig.ctx, "$cable_run?\r");

    // The action waited for the first command's wait to run out (161 steps), then sent.
    EXPECT_EQ(inner_sent_at, 161u * 20u);
    EXPECT_EQ(inner_result, 1);
    EXPECT_EQ(inner_line, "$timing 12\r\n") << "the late reply of $cable_run? was taken";
    // The first command was sent a second time and got its own reply.
    ASSERT_EQ(rig.tcp.writes.size(), 3u);
    EXPECT_EQ(rig.tcp.writes[2], "$cable_run?\r");
    EXPECT_EQ(outer_result, 1);
    EXPECT_EQ(rig.ctx.link.rx_param1, "stop");
}
