// The simulator's EDID stores: which names, Rx EDID choices and sink copies it refuses, and that
// a refusal changes nothing. What it accepts (write and read back, names after writes, rename,
// Rx EDID, sink copy, no sink) is checked through vexlan-cli: CliEdidStores.
#include <gtest/gtest.h>

#include "sim_protocol.h"
#include "unit_state.h"

namespace vexlan::sim {
namespace {

unit_state make_unit(const std::string& model = "MRV-410")
{
    unit_config c;
    c.model = model;
    c.data_dir = "/nonexistent-vexlan-catalogues";
    c.edid_dir = std::string(VEXLAN_DATA_DIR) + "/edid";
    c.cec_interval = 0;
    return unit_state_make(c);
}

}  // namespace

TEST(SimEdidStores, RefusalsChangeNothing)
{
    unit_state u = make_unit();
    const std::pair<const char*, const char*> rows[] = {
        {"$edid_name? sink_v", "$edid_name? sink_v,VGA Sink\r\n"},
        {"$edid_name? c11", "$edid_name? err\r\n"},
        {"$edid_name c3,Bench TV", "$edid_name c3,Bench TV\r\n"},
        {"$edid_name d3,Mine", "$edid_name err\r\n"},  // d1..d10 keep their names
        {"$edid_name c3,a,b", "$edid_name err\r\n"},
        {"$edid_name c3,bell\x07", "$edid_name err\r\n"},
        {"$edid_name c3,caf\xE9", "$edid_name err\r\n"},
        {"$edid_name c3,123456789012345678901", "$edid_name err\r\n"},  // 21 characters
        {"$edid_name c3,   ", "$edid_name err\r\n"},
        {"$edid_name? c3", "$edid_name? c3,Bench TV\r\n"},
        {"$edid_rx c1", "$edid_rx c1\r\n"},
        {"$edid_rx d9", "$edid_rx err\r\n"},      // an empty store
        {"$edid_rx sink_h", "$edid_rx err\r\n"},  // slot tokens of the sinks are no Rx choice
        {"$edid_rx sink_v", "$edid_rx err\r\n"},
        {"$edid_rx c11", "$edid_rx err\r\n"},
        {"$edid_rx?", "$edid_rx? c1\r\n"},
        {"$edid_rx sink", "$edid_rx sink\r\n"},
        {"$edid_rx?", "$edid_rx? sink\r\n"},
        {"$edid_copy_sink d5", "$edid_copy_sink err\r\n"},
    };
    for (const auto& [line, reply] : rows) EXPECT_EQ(handle_line(u, line, 0), reply) << line;

    // A unit of another family has no VGA sink.
    unit_state other = make_unit("MRV-510");
    EXPECT_EQ(handle_line(other, "$edid_name? sink_v", 0), "$edid_name? err\r\n");
}

}  // namespace vexlan::sim
