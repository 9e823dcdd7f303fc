// The simulator's EDID stores: names, renaming, the Rx EDID choice, the sink copy and the name a
// custom store gets from what is written into it.
#include <gtest/gtest.h>

#include "sim_protocol.h"
#include "unit_state.h"

namespace vexlan::sim {
namespace {

unit_state make_unit(bool no_sink = false, const std::string& model = "MRV-410")
{
    unit_config c;
    c.model = model;
    c.data_dir = "/nonexistent-vexlan-catalogues";
    c.edid_dir = std::string(VEXLAN_DATA_DIR) + "/edid";
    c.cec_interval = 0;
    c.no_sink = no_sink;
    return unit_state_make(c);
}

std::string ask(unit_state& u, const std::string& line) { return handle_line(u, line, 0); }

// One block of the store as the data phase carries it.
std::string block_text(unit_state& u, const std::string& slot, int block)
{
    const std::string r = ask(u, "$edid_read " + slot + ",block" + std::to_string(block));
    const auto eol = r.find("\r\n");
    return eol == std::string::npos ? r : r.substr(eol + 2);
}

}  // namespace

TEST(SimEdidStores, NamesAndRenames)
{
    unit_state u = make_unit();
    const std::pair<const char*, const char*> rows[] = {
        {"$edid_name? d1", "$edid_name? d1,HDMI 1080P\r\n"},
        {"$edid_name? c2", "$edid_name? c2,VXL.VEXLAN DVI 22\r\n"},
        {"$edid_name? sink_v", "$edid_name? sink_v,VGA Sink\r\n"},
        {"$edid_name? c11", "$edid_name? err\r\n"},
        {"$edid_name c3,Bench TV", "$edid_name c3,Bench TV\r\n"},
        {"$edid_name? c3", "$edid_name? c3,Bench TV\r\n"},
        {"$edid_name d3,Mine", "$edid_name err\r\n"},          // d1..d10 keep their names
        {"$edid_name c4,a,b", "$edid_name err\r\n"},
        {"$edid_name c4,bell\x07", "$edid_name err\r\n"},
        {"$edid_name c4,caf\xE9", "$edid_name err\r\n"},
        {"$edid_name c4,123456789012345678901", "$edid_name err\r\n"},  // 21 characters
        {"$edid_name c4,   ", "$edid_name err\r\n"},
    };
    for (const auto& [line, reply] : rows) EXPECT_EQ(ask(u, line), reply) << line;

    // A unit of another family has no VGA sink.
    unit_state other = make_unit(false, "MRV-510");
    EXPECT_EQ(ask(other, "$edid_name? sink_v"), "$edid_name? err\r\n");
}

TEST(SimEdidStores, RxChoice)
{
    unit_state u = make_unit();
    const std::pair<const char*, const char*> rows[] = {
        {"$edid_rx?", "$edid_rx? sink\r\n"},
        {"$edid_rx c1", "$edid_rx c1\r\n"},
        {"$edid_rx?", "$edid_rx? c1\r\n"},
        {"$edid_rx d9", "$edid_rx err\r\n"},      // an empty store
        {"$edid_rx sink_h", "$edid_rx err\r\n"},  // slot tokens of the sinks are no Rx choice
        {"$edid_rx sink_v", "$edid_rx err\r\n"},
        {"$edid_rx c11", "$edid_rx err\r\n"},
        {"$edid_rx?", "$edid_rx? c1\r\n"},        // refusals changed nothing
        {"$edid_rx sink", "$edid_rx sink\r\n"},
        {"$edid_rx?", "$edid_rx? sink\r\n"},
    };
    for (const auto& [line, reply] : rows) EXPECT_EQ(ask(u, line), reply) << line;
}

TEST(SimEdidStores, SinkCopyAndNamesAfterWrites)
{
    unit_state u = make_unit();
    EXPECT_EQ(ask(u, "$edid_copy_sink c5"), "$edid_copy_sink c5\r\n");
    for (int b = 0; b < 2; ++b) EXPECT_EQ(block_text(u, "c5", b), block_text(u, "sink_h", b)) << b;
    const std::string name = ask(u, "$edid_name? c5");
    EXPECT_EQ(name.rfind("$edid_name? c5,", 0), 0u);
    EXPECT_NE(name, "$edid_name? c5,Empty\r\n");
    EXPECT_EQ(ask(u, "$edid_copy_sink d5"), "$edid_copy_sink err\r\n");

    // Writing block 0 into a custom store names it after the image.
    std::string payload;
    const std::string d1 = block_text(u, "d1", 0);
    for (int i = 0; i < 128; ++i) payload += d1.substr(3 * i, 2) + " ";
    command write{"$edid_write c6,block0", true, payload};
    EXPECT_EQ(handle_command(u, write, 0).bytes, "$edid_write c6,block0\r\n");
    EXPECT_EQ(ask(u, "$edid_name? c6"), "$edid_name? c6,VXL.VEXLAN HD TV\r\n");

    // Nothing at the output: the sink reads err_ddc and cannot be copied.
    unit_state bare = make_unit(true);
    EXPECT_EQ(ask(bare, "$edid_read sink_h,block0"), "$edid_read err_ddc\r\n");
    EXPECT_EQ(ask(bare, "$edid_copy_sink c5"), "$edid_copy_sink err\r\n");
    EXPECT_EQ(ask(bare, "$edid_name? c5"), "$edid_name? c5,Empty\r\n");
}

}  // namespace vexlan::sim
