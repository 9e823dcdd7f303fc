// EDID operations on the unit's stores against a scripted unit: what goes on the wire and which
// replies count as success.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "edid/edid_unit_ops.h"
#include "fake_ports.h"

using namespace vexlan;
using namespace vexlan::testing;

namespace {

// A scripted unit: each command line (CR and any payload removed) maps to the reply's
// parameters; a missing entry gets no reply.
struct scripted_unit {
    std::map<std::string, std::string> replies;

    std::vector<reply_chunk> operator()(const std::string& cmd)
    {
        const auto it = replies.find(cmd.substr(0, cmd.find('\r')));
        if (it == replies.end()) return {};
        return {{5, it->second + "\r\n"}};
    }
};

struct EdidUnitOps : ::testing::Test {
    fake_rig rig;
    scripted_unit unit;
    void SetUp() override { rig.tcp.unit = [this](const std::string& c) { return unit(c); }; }
};

}  // namespace

TEST(EdidUnitTokens, Tables)
{
    for (const char* t : {"c1", "c9", "c10"})
        EXPECT_EQ(std::tuple(edid_custom_token(t), edid_write_target_token(t), edid_rx_token(t)),
                  std::tuple(true, true, true)) << t;
    for (const char* t : {"c0", "c11", "c01", "c", "C4", " c4", "c4 ", "d4", "sink_h", "c1x", ""})
        EXPECT_FALSE(edid_custom_token(t)) << t;
    EXPECT_TRUE(edid_write_target_token("sink_h"));
    for (const char* t : {"sink_v", "d1", "sink", "c11"}) EXPECT_FALSE(edid_write_target_token(t)) << t;
    for (const char* t : {"sink", "d1", "d10"}) EXPECT_TRUE(edid_rx_token(t)) << t;
    for (const char* t : {"sink_h", "d0", "d11", "d01", "SINK", "sink ", "None"}) EXPECT_FALSE(edid_rx_token(t)) << t;
    // Refused names and the trimming are checked through the page's rename.
    for (const char* ok : {"A", "ABC.MONITOR", "My TV 2", "~!@#$%^&*()"}) EXPECT_EQ(edid_slot_name_problem(ok), "") << ok;
}

// The bytes sent are checked through the page's WRITE (EdidPageWrite).
TEST_F(EdidUnitOps, WriteStopsAtTheFirstBlockNotAccepted)
{
    // replies to block 0 and block 1 (nullptr: none), block 1 sent, written
    const std::tuple<const char*, const char*, bool, bool> rows[] = {
        {"$edid_write c4,block0", "$edid_write c4,block1", true, true},
        {"$edid_write c5,block0", nullptr, false, false},  // another store echoed
        {"$edid_write c4,block1", nullptr, false, false},  // another block echoed
        {"$edid_write err", nullptr, false, false},
        {"$edid_write c4,block0", "$edid_write err", true, false},
    };
    for (const auto& [block0_reply, block1_reply, block1_sent, ok] : rows) {
        SCOPED_TRACE(block0_reply);
        fake_rig fresh;
        scripted_unit u;
        if (block0_reply) u.replies["$edid_write c4,block0"] = block0_reply;
        if (block1_reply) u.replies["$edid_write c4,block1"] = block1_reply;
        fresh.tcp.unit = [&u](const std::string& c) { return u(c); };
        const std::array<std::uint8_t, edid_image_bytes> img{};
        const auto o = edid_blocks_write(fresh.ctx, "c4", img);
        EXPECT_EQ(o.ok, ok);
        // The transaction may retry a block; block1 follows only an accepted block0.
        const bool block1 = std::any_of(fresh.tcp.commands.begin(), fresh.tcp.commands.end(),
                                        [](const std::string& c) { return c.rfind("$edid_write c4,block1", 0) == 0; });
        EXPECT_EQ(block1, block1_sent);
        if (!ok) {
            EXPECT_NE(o.failure.find("$edid_write c4,block"), std::string::npos) << o.failure;
        }
    }
}

TEST_F(EdidUnitOps, NamesAndRxQueries)
{
    unit.replies["$edid_name? c3"] = "$edid_name? c3,ABC.MONITOR";
    unit.replies["$edid_name? c4"] = "$edid_name? c5,OTHER";  // echoes another store
    EXPECT_EQ(edid_slot_name_read(rig.ctx, "c3"), "ABC.MONITOR");
    EXPECT_EQ(edid_slot_name_read(rig.ctx, "c4"), std::nullopt);
    EXPECT_EQ(edid_slot_name_read(rig.ctx, "c6"), std::nullopt);  // no reply

    for (const auto& [reply, want] : std::vector<std::pair<std::string, std::optional<std::string>>>{
             {"$edid_rx? c4", "c4"}, {"$edid_rx? sink", "sink"}, {"$edid_rx? d10", "d10"},
             {"$edid_rx? c11", std::nullopt}, {"$edid_rx? sink_h", std::nullopt}, {"$edid_rx? x", std::nullopt}}) {
        unit.replies["$edid_rx?"] = reply;
        EXPECT_EQ(edid_rx_read(rig.ctx), want) << reply;
    }
}

// Accepted and refused Rx choices, an accepted copy and its name: CliEdidStores against the
// simulator. Here: the echoes that do or do not count.
TEST_F(EdidUnitOps, RenameAndCopyEchoes)
{
    unit.replies["$edid_name c3,My TV"] = "$edid_name c3,My TV ";
    unit.replies["$edid_name c4,Other"] = "$edid_name c4,Othe";  // the unit kept something else
    EXPECT_TRUE(edid_slot_rename(rig.ctx, "c3", "My TV").ok);
    EXPECT_FALSE(edid_slot_rename(rig.ctx, "c4", "Other").ok);

    unit.replies["$edid_copy_sink c7"] = "$edid_copy_sink err";
    const auto failed = edid_sink_copy(rig.ctx, "c7");
    EXPECT_FALSE(failed.ok);
    EXPECT_EQ(failed.failure.rfind("Copy fail !", 0), 0u) << failed.failure;
    EXPECT_EQ(rig.tcp.commands.back(), "$edid_copy_sink c7\r");  // no name query after a failed copy
}
