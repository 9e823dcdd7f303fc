// vexlan-cli on the unit's EDID stores against the simulator: write then read back, a four-block
// sink read to files over both links, slot names, rename, the Rx EDID choice and the sink copy. The
// refusals made before any link (slot tokens, names, unusable or invalid files) are checked in
// process (Cli.UsageErrorsAndStatus).
#include <gtest/gtest.h>

#include <QDir>
#include <nlohmann/json.hpp>

#include "cli_runner.h"

using namespace vexlan::testing;

namespace {

QString data_file(const char* name) { return QStringLiteral(VEXLAN_DATA_DIR "/edid/") + name; }

QString temp_file(const char* name) { return QDir(QString::fromStdString(::testing::TempDir())).filePath(name); }

nlohmann::json slots_json(const sim_process& sim)
{
    const cli_run r = run_cli(sim, {"edid", "slots", "--json"});
    EXPECT_EQ(r.status, 0) << r.err;
    return nlohmann::json::parse(r.out, nullptr, false);
}

}  // namespace

TEST(CliEdidStores, WriteThenReadBackGivesTheSameBlocksAndTheSinkReadsToFiles)
{
    const QString sink_file = data_file("vexlan_block_map_4b.bin");
    sim_process sim({"--pty", "--sink-edid", sink_file});
    ASSERT_TRUE(sim.ok());
    struct row {
        const char* file;
        const char* slot;
        int compared;  // bytes of X and Y that must be equal
        const char* note;
    };
    const row rows[] = {
        {"vexlan_uhd_tv_2b.bin", "c4", 256, nullptr},
        {"vexlan_dvi_monitor_1b.bin", "c7", 128, nullptr},  // block 1 goes as FF filler
        {"vexlan_block_map_4b.bin", "c8", 256, "only blocks 0 and 1 are written"},
    };
    for (const row& r : rows) {
        SCOPED_TRACE(r.file);
        const QString x = data_file(r.file), y = temp_file("vexlan_cli_back.bin");
        const cli_run w = run_cli(sim, {"edid", "write", r.slot, x});
        ASSERT_EQ(w.status, 0) << w.err;
        if (r.note) {
            EXPECT_NE(w.err.find(r.note), std::string::npos) << w.err;
        }
        const cli_run rd = run_cli(sim, {"edid", "read", r.slot, "--out", y});
        ASSERT_EQ(rd.status, 0) << rd.err;
        const QByteArray want = file_bytes(x), got = file_bytes(y);
        ASSERT_GE(got.size(), r.compared);
        EXPECT_EQ(got.left(r.compared), want.left(r.compared));
        if (r.compared == 128) {
            EXPECT_EQ(got.size(), 128) << "a one-block image reads back as one block";
        }
    }
    // The unit named c4 after the image written into it; the name is printed and listed.
    const nlohmann::json names = slots_json(sim);
    EXPECT_EQ(names["c4"], "VXL.VEXLAN UHD TV") << names.dump();

    // Over the serial line as well: link and a two-block store.
    auto serial = run_cli({"--serial", QString::fromStdString(sim.pty()), "edid", "read", "d1"});
    EXPECT_EQ(serial.status, 0) << serial.err;
    EXPECT_NE(serial.out.find(" //FF \r\n"), std::string::npos) << serial.out;
    // The four-block sink to a BIN file, and to a HEX file that converts back to the same bytes.
    const QByteArray want = file_bytes(sink_file);
    ASSERT_EQ(want.size(), 512);
    const QString bin = temp_file("vexlan_cli_sink.bin"), hex = temp_file("vexlan_cli_sink.hex");
    ASSERT_EQ(run_cli(sim, {"edid", "read", "sink_h", "--out", bin}).status, 0);
    EXPECT_EQ(file_bytes(bin), want);
    ASSERT_EQ(run_cli(sim, {"edid", "read", "sink_h", "--out", hex}).status, 0);
    const auto c = run_cli({"edid", "convert", hex, temp_file("vexlan_cli_back.bin")});
    ASSERT_EQ(c.status, 0) << c.err;
    EXPECT_EQ(file_bytes(temp_file("vexlan_cli_back.bin")), want);
}

TEST(CliEdidStores, SlotsRenameRxAndSinkCopy)
{
    sim_process sim;
    ASSERT_TRUE(sim.ok());
    nlohmann::json names = slots_json(sim);
    ASSERT_TRUE(names.is_object()) << names.dump();
    EXPECT_EQ(names.size(), 21u);
    EXPECT_EQ(names["d1"], "HDMI 1080P");
    EXPECT_EQ(names["c1"], "VXL.VEXLAN HD TV");
    EXPECT_EQ(names["d10"], "Empty");

    const cli_run refused = run_cli(sim, {"edid", "rx", "d9"});  // an empty store: the unit refuses
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("$edid_rx d9 not accepted"), std::string::npos) << refused.err;
    EXPECT_EQ(run_cli(sim, {"edid", "rename", "c3", "  Bench TV  "}).status, 0);
    EXPECT_EQ(run_cli(sim, {"edid", "rx", "d2"}).status, 0);
    const cli_run copy = run_cli(sim, {"edid", "copy-sink", "c5"});
    EXPECT_EQ(copy.status, 0) << copy.err;
    EXPECT_EQ(copy.out, "c5: VXL.VEXLAN UHD TV\n");

    names = slots_json(sim);
    EXPECT_EQ(names["c3"], "Bench TV");
    EXPECT_EQ(names["rx"], "d2");
    EXPECT_EQ(names["c5"], "VXL.VEXLAN UHD TV");
    const cli_run text = run_cli(sim, {"edid", "slots"});
    EXPECT_NE(text.out.find("c3: Bench TV\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("rx: d2\n"), std::string::npos) << text.out;

    // The copy holds the sink's blocks 0 and 1.
    const QString sink = temp_file("vexlan_cli_sink2.bin"), c5 = temp_file("vexlan_cli_c5.bin");
    ASSERT_EQ(run_cli(sim, {"edid", "read", "sink_h", "--out", sink}).status, 0);
    ASSERT_EQ(run_cli(sim, {"edid", "read", "c5", "--out", c5}).status, 0);
    EXPECT_EQ(file_bytes(c5).left(256), file_bytes(sink).left(256));

    // --force writes an invalid image as it is.
    const QString bad = data_file("vexlan_bad_checksum_2b.bin"), y = temp_file("vexlan_cli_forced.bin");
    const cli_run forced = run_cli(sim, {"edid", "write", "c3", bad, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    ASSERT_EQ(run_cli(sim, {"edid", "read", "c3", "--out", y}).status, 0);
    EXPECT_EQ(file_bytes(y), file_bytes(bad));
}

TEST(CliEdidStores, NoSinkMeansNoCopy)
{
    sim_process sim({"--no-sink"});
    ASSERT_TRUE(sim.ok());
    const cli_run copy = run_cli(sim, {"edid", "copy-sink", "c5"});
    EXPECT_EQ(copy.status, 1);
    EXPECT_NE(copy.err.find("Copy fail !"), std::string::npos) << copy.err;
    const cli_run read = run_cli(sim, {"edid", "read", "sink_h"});
    EXPECT_EQ(read.status, 1);
    EXPECT_EQ(slots_json(sim)["c5"], "Empty");
}
