// Late replies: a reply that answers an earlier request is dropped and the wait goes on; error
// replies still end the transaction.
#include <gtest/gtest.h>

#include "fake_ports.h"
#include "link/reply_echo.h"

using namespace vexlan;
using namespace vexlan::testing;

namespace {

const std::string data_phase = edid_data_phase(0xA5);

// The request, its own reply and late replies of the same word for one echo rule.
struct echo_case {
    std::string line, own;
    std::vector<std::string> late;
    bool edid_read;
};

echo_case case_for(const echo_rule& r) {
    const std::string w(r.word);
    echo_case c;
    c.edid_read = w == "$edid_read";
    const std::string tail = c.edid_read ? "\r\n" + data_phase : ",VAL\r\n";
    if (r.echoed == 2) {
        c.line = w + " d4,block1" + (w == "$edid_write" ? "\r\n" : "\r");
        c.own = w + " d4,block1" + (c.edid_read ? "\r\n" + data_phase : "\r\n");
        c.late = {w + " d3,block1" + tail, w + " d4,block0" + tail};
    } else {
        c.line = w + " a7\r";
        c.own = w + " a7,VAL\r\n";
        c.late = {w + " a6,VAL\r\n", w + "\r\n"};
    }
    return c;
}

}  // namespace

TEST(ReplyEcho, EveryRuleDropsAReplyOfAnotherArgumentAndKeepsErrorForms) {
    ASSERT_FALSE(echo_rules().empty());
    for (const auto& rule : echo_rules()) {
        const auto c = case_for(rule);
        const std::string w(rule.word);
        // Late replies first, then the own reply: the wait goes on past the late ones, no resend.
        {
            fake_rig rig;
            rig.ctx.link.rx_edid_mode = c.edid_read;
            std::vector<reply_chunk> chunks;
            for (const auto& l : c.late) chunks.push_back({3, l});
            chunks.push_back({3, c.own});
            rig.tcp.answer_with(chunks);
            EXPECT_EQ(cmdtx_str(rig.ctx, c.line), 1) << c.line;
            EXPECT_EQ(rig.tcp.writes.size(), 1u) << c.line;
            EXPECT_EQ(rig.ctx.link.rx_param1, rule.echoed == 2 ? "d4" : "a7") << c.line;
            if (c.edid_read) {
                EXPECT_EQ(rig.ctx.link.rx_data, data_phase);
            }
        }
        // Error forms end the transaction at once with result 3.
        std::vector<std::string> errors = {"$err\r\n", w + " err\r\n"};
        if (c.edid_read) errors.push_back("$edid_read err_ddc\r\n");
        for (const auto& e : errors) {
            fake_rig rig;
            rig.ctx.link.rx_edid_mode = c.edid_read;
            rig.tcp.answer_with({{3, e}});
            EXPECT_EQ(cmdtx_str(rig.ctx, c.line), 3) << c.line << " / " << e;
            EXPECT_LT(rig.world.now, 20u) << e;
        }
    }
    // Commands outside the table take any argument in their reply.
    EXPECT_TRUE(echo_expected("$timing 5\r").empty());
    EXPECT_TRUE(echo_expected("$edid_manuf? \r").empty());  // no argument: nothing to echo
}

TEST(ReplyEcho, DelayedUnitNeverAnswersOneStoreWithAnother) {
    // d1 is answered 7 s late, d2 after 1 s: d1's late reply arrives while d2 waits.
    fake_rig rig;
    rig.tcp.unit = [](const std::string& line) {
        const auto slot = line.substr(13, line.size() - 14);
        return fake_rig::reply(line, slot + ",VX" + slot, slot == "d1" ? 7000 : 1000);
    };
    EXPECT_EQ(cmdtx_str(rig.ctx, "$edid_manuf? d1\r"), 2);
    EXPECT_EQ(cmdtx_str(rig.ctx, "$edid_manuf? d2\r"), 1);
    EXPECT_EQ(rig.ctx.link.rx_param2, "VXd2");
}

TEST(ReplyEcho, LateReplyMarkerEndsWithTheNextOwnReply) {
    // "$fwver?" gets no reply; "$timing? 1" then gets its own: an "$fwver?" line arriving
    // during a later command is an answer to that command again (result 3 at once), not a late
    // reply to wait past.
    fake_rig rig;
    rig.tcp.unit = [](const std::string& line) {
        if (line == "$fwver?\r") return std::vector<reply_chunk>{};
        if (line == "$board_id?\r") return std::vector<reply_chunk>{{4, "$fwver? 1.0\r\n"}};
        return fake_rig::reply(line, "3", 4);
    };
    EXPECT_EQ(cmdtx_str(rig.ctx, "$fwver?\r"), 2);
    EXPECT_EQ(cmdtx_str(rig.ctx, "$timing? 1\r"), 1);
    const auto before = rig.world.now;
    EXPECT_EQ(cmdtx_str(rig.ctx, "$board_id?\r"), 3);
    EXPECT_LT(rig.world.now - before, 20u);
}
