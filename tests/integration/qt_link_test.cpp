// The command transaction over the real Qt transports against vexlan-unit-sim: loopback TCP
// and a pseudo-terminal standing in for the serial line, and a serial device that goes away.
#include <gtest/gtest.h>

#include <QTimer>
#include <tuple>

#include "edid/edid_transfer.h"
#include "link/file_io.h"
#include "link/transaction.h"
#include "platform/qt_session.h"
#include "sim_process.h"

using namespace vexlan;
using namespace vexlan::testing;

namespace {

const char* block_map_edid = VEXLAN_DATA_DIR "/edid/vexlan_block_map_4b.bin";

// Opens the session over TCP or over the simulator's pseudo-terminal; false when it cannot.
bool open_link(qt_session& s, sim_process& sim, bool serial) {
    const std::string err = !sim.ok() ? "the simulator did not start"
                            : serial  ? s.open_serial(sim.pty())
                                      : s.open_tcp(sim.tcp_target());
    EXPECT_EQ(err, "");
    return err.empty();
}

const std::pair<bool, const char*> transports[] = {{false, "tcp"}, {true, "pty"}};  // serial?, name

}  // namespace

// Each reply starts late, so that an action taken during a wait sends its own command meanwhile,
// and comes in fragments: a four-block EDID read and a write read back still arrive whole. Then
// the simulator ends: a serial probe fails once the device has gone.
TEST(SimLink, QueriesResultsHelpActionDuringAWaitEdidAndAGoneDeviceOverBothTransports) {
    const std::string expected = read_file(block_map_edid).bytes.value_or("");
    ASSERT_EQ(expected.size(), 512u);
    for (const auto& [serial, name] : transports) {
        SCOPED_TRACE(name);
        sim_process sim({"--pty", "--model", "MRV-510", "--board-id", "2", "--fw", "9.8.7", "--task", "analyser",
                         "--delay-ms", "60", "--fragment", "--sink-edid", block_map_edid});
        qt_session s;
        ASSERT_TRUE(open_link(s, sim, serial));
        s.ctx.profile.model_index = 0;  // any command may pass before the link
        int inner_result = -1;
        std::string inner_p1;
        QTimer::singleShot(10, [&] {
            inner_result = cmdtx_str(s.ctx, "$fwver?\r");
            inner_p1 = s.ctx.link.rx_param1;
        });
        unit_identity id;
        ASSERT_TRUE(unit_identity_query(s.ctx, id));
        EXPECT_EQ(std::tuple(id.model, id.board_id, id.firmware, id.task_mode),
                  std::tuple("MRV-510", "2", "9.8.7", "analyser"));
        EXPECT_EQ(std::tuple(inner_result, inner_p1), std::tuple(1, "9.8.7"));  // during "$model?"
        EXPECT_EQ(s.ctx.profile.model_index, 2);
        // A good reply, an error reply and an unknown command word.
        EXPECT_EQ(cmdtx_str(s.ctx, "$timing 5\r"), 1);
        EXPECT_EQ(s.ctx.link.rx_param1, "5");
        EXPECT_EQ(cmdtx_str(s.ctx, "$timing 9999\r"), 3);
        EXPECT_EQ(s.ctx.link.rx_param1.substr(0, 3), "err");
        EXPECT_EQ(cmdtx_str(s.ctx, "$no_such_command 1\r"), 3);
        EXPECT_EQ(s.ctx.link.lab_link.caption, "Accepted");
        // The help text in the terminal runs over many lines up to its EOT.
        s.ctx.link.term_visible = true;
        s.ctx.link.term_raw = true;
        EXPECT_EQ(cmdtx_str(s.ctx, "$help\r"), 1);
        EXPECT_FALSE(s.ctx.link.term_raw);
        EXPECT_EQ(s.ctx.link.rx_line.back(), '\x04');
        EXPECT_GT(std::count(s.ctx.link.rx_line.begin(), s.ctx.link.rx_line.end(), '\n'), 3);
        EXPECT_NE(s.ctx.link.term_text.find("<EOT>"), std::string::npos);

        const auto r = edid_read_from_unit(s.ctx, "sink_h");
        ASSERT_TRUE(r.ok) << r.failure;
        EXPECT_EQ(std::tuple(r.blocks_read, r.edid_size, s.ctx.link.rx_edid_mode), std::tuple(4, 512, false));
        EXPECT_EQ(std::string(r.image.begin(), r.image.begin() + 512), expected);
        // Its first two blocks written to a custom store, as a two-block image, read back.
        std::array<std::uint8_t, edid_image_bytes> image{};
        std::copy(r.image.begin(), r.image.begin() + 256, image.begin());
        image[126] = 1;
        s.ctx.link.edid_write_image = &image;
        for (const char* block : {"block0", "block1"}) {
            EXPECT_EQ(cmdtx_str(s.ctx, std::string("$edid_write c4,") + block + "\r\n"), 1) << block;
            EXPECT_EQ(s.ctx.link.rx_param2, block);
        }
        const auto back = edid_read_from_unit(s.ctx, "c4");
        ASSERT_TRUE(back.ok) << back.failure;
        EXPECT_EQ(back.blocks_read, 2);
        EXPECT_TRUE(std::equal(image.begin(), image.begin() + 256, back.image.begin()));
        if (!serial) continue;
        EXPECT_TRUE(s.serial.probe());
        sim.stop();  // the far end of the line goes away, as an unplugged adapter does
        s.pump.wait_until(s.clock.now_ms() + 3000, [&] { return !s.serial.probe(); });
        EXPECT_FALSE(s.serial.probe()) << "the serial port still looks present";
    }
}

TEST(SimLink, ConnectionClosedByTheUnit) {
    sim_process sim({"--close-after", "1"});
    qt_session s;
    ASSERT_TRUE(open_link(s, sim, false));
    EXPECT_EQ(cmdtx_str(s.ctx, "$model?\r"), 1);
    s.pump.wait_until(s.clock.now_ms() + 2000, [&] { return !s.ctx.link.eth_connected; });
    EXPECT_FALSE(s.ctx.link.eth_connected);
    EXPECT_EQ(cmdtx_str(s.ctx, "$model?\r"), 0);
    ASSERT_FALSE(s.dialogs.messages.empty());
    EXPECT_EQ(s.dialogs.messages.back(), "Ethernet is disconnected !.");
}
