// The EDID page's traffic with the unit: READ, WRITE, slot names, rename, Rx EDID, sink copy,
// and the page's rules for a busy link.
#include "edid_page_rig.h"

namespace vexlan {
namespace {

using edid_test::bytes;
using testing::page_rig;
namespace img = vexlan::edid_test;

bytes with_ext(int ext) {
    std::vector<bytes> blocks{img::base_block()};
    for (int i = 0; i < std::max(ext, 1); ++i) blocks.push_back(img::cea_block({img::video_block({16})}));
    return img::finish(blocks, ext);
}

TEST(EdidPageRead, BlocksAndSizeBySourceAndExtensionCount) {
    const bytes one = img::finish({img::base_block()});
    // token: the unit's store holding the image; sound: the verdict that unread blocks are FF filler
    struct row { const char* name; int model, read_index; bytes store; std::string token; int blocks, size;
                 bool sound = true; };
    const std::vector<row> rows = {
        {"d3 never reads past block 1", 0, 5, with_ext(3), "d3", 2, 512, false},
        {"sink, one extension", 0, 1, with_ext(1), "sink_h", 2, 256},
        {"sink, three extensions", 0, 1, with_ext(3), "sink_h", 4, 512},
        {"sink, no extension and an FF block 1", 0, 1, one, "sink_h", 2, 128},
        {"c4 is READ item 16", 0, 16, with_ext(1), "c4", 2, 256},
        {"VGA sink on a first-family unit", 0, 2, one, "sink_v", 2, 128},
        {"item 2 on another family does nothing", 1, 2, one, "sink_v", 0, 0},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        page_rig rig(r.model);
        rig.unit.put(r.token, r.store);
        edid_read_list_choose(rig.ctx, r.read_index);
        edid_read_click(rig.ctx);
        std::vector<std::string> lines;
        for (int b = 0; b < r.blocks; ++b) lines.push_back("$edid_read " + r.token + ",block" + std::to_string(b));
        EXPECT_EQ(rig.lines(), lines);
        EXPECT_EQ(rig.P.edid.edid_info_read.edid_size, r.size);
        if (r.size == 0) {
            EXPECT_TRUE(rig.P.rtxt_edid_read.empty());
            continue;
        }
        // blocks read come from the store, the rest of the image is FF
        bytes expect(r.store.begin(), r.store.begin() + std::min<int>(128 * r.blocks, static_cast<int>(r.store.size())));
        expect.resize(512, 0xFF);
        EXPECT_EQ(rig.image(0, 512), expect);
        EXPECT_EQ(rig.P.rtxt_edid_read, edid_text_format(expect.data(), 128 * r.blocks, edid_text_variant::unit_read));
        EXPECT_EQ(std::tuple(rig.P.read_side.msg2.visible, rig.P.cmd_read[4].enabled, rig.P.transfer_busy,
                             rig.ctx.link.rx_edid_mode),
                  std::tuple(!r.sound, r.sound, false, false));
    }
}

// A READ whose block 0 is not accepted leaves the READ side as it was and says "Read fail !";
// a later block that fails leaves FF blocks and the block-count verdict.
TEST(EdidPageRead, FailuresNeverLeaveAMixThatLooksSound) {
    const bytes good = testing::two_block_hdmi();
    const std::vector<std::tuple<const char*, std::function<void(testing::edid_unit&)>, bool>> rows = {
        {"no reply", [](auto& u) { u.silent = {"$edid_read"}; }, true},
        {"no sink (err_ddc)", [](auto& u) { sim::edid_store_clear(u.store("sink_h")); }, true},
        {"error reply", [](auto& u) { u.refuse = {"$edid_read"}; }, true},
        {"another slot answers", [](auto& u) { u.other_token = "d1"; }, true},
        {"block 2 refused", [](auto& u) { u.refuse = {"$edid_read sink_h,block2"}; }, false},
    };
    for (const auto& [name, fault, block0_fails] : rows) {
        SCOPED_TRACE(name);
        page_rig rig;
        rig.unit.put("sink_h", good);
        edid_read_list_choose(rig.ctx, 1);
        edid_read_click(rig.ctx);  // a sound image first
        const std::string before = rig.P.rtxt_edid_read;
        ASSERT_EQ(rig.P.edid.edid_info_read.edid_size, 256);
        rig.unit.put("sink_h", with_ext(3));
        fault(rig.unit);
        edid_read_click(rig.ctx);
        const auto& S = rig.P.read_side;
        if (block0_fails) {
            EXPECT_EQ(std::tuple(rig.P.rtxt_edid_read, rig.image(0, 256), testing::shown(S.msg1)),
                      std::tuple(before, good, testing::red(edid_read_fail)));
        } else {
            bytes ff = with_ext(3);
            std::fill(ff.begin() + 256, ff.end(), 0xFF);
            EXPECT_EQ(rig.image(0, 512), ff);
            EXPECT_EQ(std::tie(rig.P.edid.edid_info_read.edid_size, rig.P.edid.edid_info_read.edid_type),
                      std::tuple(256, edid_type_invalid));
            EXPECT_EQ(testing::shown(S.msg2), testing::red("Block No."));
            EXPECT_FALSE(rig.P.cmd_read[4].enabled);
        }
        EXPECT_FALSE(rig.ctx.link.rx_edid_mode);
    }
}

// Blocks 0 and 1 go to the slot, which is then named after the image; a refused block stops the
// WRITE and says so; an empty window is refused; more than two blocks are dropped only on Yes.
TEST(EdidPageWrite, SendsBlocksZeroAndOneOrReportsTheFailure) {
    const bytes img = testing::two_block_hdmi();
    const std::string b0 = "$edid_write c4,block0", b1 = "$edid_write c4,block1";
    using cmds = std::vector<std::string>;
    const std::tuple<const char*, cmds, cmds> rows[] = {  // name, commands refused, commands sent
        {"accepted", {}, {b0, b1}}, {"block 0 refused: block 1 not sent", {b0}, {b0}},
        {"block 1 refused", {b1}, {b0, b1}}};
    for (const auto& [name, refuse, sent] : rows) {
        SCOPED_TRACE(name);
        page_rig rig;
        rig.write_side(img);
        rig.unit.refuse = refuse;
        edid_write_list_choose(rig.ctx, 6);  // c4
        edid_write_click(rig.ctx);
        EXPECT_EQ(rig.lines(), sent);
        const bool ok = refuse.empty();
        if (ok) {
            EXPECT_TRUE(std::equal(img.begin(), img.end(), rig.unit.store("c4").bytes.begin()));
            EXPECT_FALSE(rig.P.write_side.msg1.visible);
        } else {
            EXPECT_EQ(testing::shown(rig.P.write_side.msg1), testing::red(edid_write_fail));
        }
        EXPECT_EQ(std::tuple(edid_write_item(rig.ctx, 6), edid_read_item(rig.ctx, 16)),
                  ok ? std::tuple("ABC.TESTMON", "ABC.TESTMON") : std::tuple("---", "---"));
        EXPECT_EQ(rig.ctx.link.edid_write_image, nullptr);  // the snapshot is not left behind
    }
    {
        SCOPED_TRACE("empty WRITE window");
        page_rig rig;
        rig.P.cmd_write[4].enabled = true;  // even if the button were enabled
        edid_write_click(rig.ctx);
        EXPECT_TRUE(rig.lines().empty());
        EXPECT_EQ(std::tie(rig.dlg.messages, rig.dlg.icons),
                  std::tuple(std::vector<std::string>{"WRITE window is empty"}, std::vector{msg_icon::critical}));
    }
    for (msg_answer a : {msg_answer::no, msg_answer::yes}) {
        SCOPED_TRACE(a == msg_answer::yes ? "four blocks, Yes" : "four blocks, No");
        page_rig rig;
        rig.write_side(with_ext(3));
        rig.dlg.answer = a;
        edid_write_click(rig.ctx);
        ASSERT_EQ(rig.dlg.messages.size(), 1u);
        EXPECT_NE(rig.dlg.messages[0].find("4 blocks"), std::string::npos);
        EXPECT_EQ(rig.lines().size(), a == msg_answer::yes ? 2u : 0u);
    }
}

// While a transaction waits the page's controls do nothing, and the bytes written are those of
// the moment WRITE was pressed.
TEST(EdidPageBusy, NothingReentersAWriteAndTheSnapshotIsSent) {
    page_rig rig;
    const bytes img = testing::two_block_hdmi();
    rig.write_side(img);
    rig.unit.put("d1", with_ext(1));
    edid_read_click(rig.ctx);  // the READ side holds d1
    rig.tcp.commands.clear();
    const std::string write_text = rig.P.rtxt_edid_write;
    int read_index = 0;
    rig.world.at(rig.world.now + 2, [&] {
        // inside the wait for block 0
        EXPECT_TRUE(edid_page_busy(rig.ctx));
        edid_read_click(rig.ctx);
        edid_copy_to_write(rig.ctx);
        edid_write_clear(rig.ctx);
        edid_write_click(rig.ctx);
        edid_read_list_choose(rig.ctx, 7);
        read_index = rig.P.read_index;
        frm_rx_edid_choose(rig.ctx, 4);
        cmd_copy_click(rig.ctx);
        edid_compare(rig.ctx);
        // something that changes the image bytes anyway
        rig.P.edid.edid_info_write.edid_image[130] ^= 0xFF;
    });
    edid_write_list_choose(rig.ctx, 6);
    edid_write_click(rig.ctx);
    EXPECT_EQ(rig.lines(), (std::vector<std::string>{"$edid_write c4,block0", "$edid_write c4,block1"}));
    EXPECT_TRUE(std::equal(img.begin(), img.end(), rig.unit.store("c4").bytes.begin()));
    EXPECT_EQ(rig.P.rtxt_edid_write, write_text);
    EXPECT_EQ(std::tuple(read_index, rig.P.rx_edid_slot, rig.P.read_side.msg1.visible, edid_page_busy(rig.ctx)),
              std::tuple(3, 1, false, false));
}

TEST(EdidPageSlots, NameRefreshStopsAtTheFirstUnansweredDSlotAndSkipsCSlots) {
    page_rig rig;
    for (int n = 1; n <= 10; ++n) {
        rig.unit.store("d" + std::to_string(n)).name = "D" + std::to_string(n);
        rig.unit.store("c" + std::to_string(n)).name = "C" + std::to_string(n);
    }
    rig.unit.rx_reply = "c4";
    rig.unit.silent = {"$edid_name? c3", "$edid_name? d7"};
    edid_slot_names_refresh(rig.ctx);
    EXPECT_EQ(std::tuple(edid_read_item(rig.ctx, 3), edid_read_item(rig.ctx, 8), edid_read_item(rig.ctx, 9),
                         rig.lines().back(), rig.P.rx_edid_slot),
              std::tuple("D1", "D6", "---", "$edid_name? d7", 1));  // d7 and later stay

    rig.unit.silent = {"$edid_name? c3"};
    edid_slot_names_refresh(rig.ctx);
    frm_rx_edid_open(rig.ctx);
    EXPECT_EQ(std::tuple(edid_read_item(rig.ctx, 12), edid_write_item(rig.ctx, 3), edid_write_item(rig.ctx, 5),
                         edid_read_item(rig.ctx, 22), rig.P.rx_edid_slot, rig.P.rx_dialog_index),
              std::tuple("D10", "C1", "---", "C10", 15, 15));  // c3 skipped
}

// Only the exact tokens of the unit's stores move the Rx EDID.
TEST(EdidPageSlots, RxEdidFollowsOnlyExactTokensAndAcceptedChoices) {
    const std::vector<std::pair<std::string, int>> rows = {
        {"sink", 1}, {"d1", 2}, {"d10", 11}, {"c1", 12}, {"c10", 21}, {"c11", 7}, {"c04", 7},
        {"d0", 7},   {"x", 7},  {"sink2", 7}, {"", 7},   {"C4", 7},
    };
    for (const auto& [token, slot] : rows) {
        SCOPED_TRACE(token);
        page_rig rig;
        rig.P.rx_edid_slot = 7;
        rig.unit.rx_reply = token;
        edid_slot_names_refresh(rig.ctx);
        EXPECT_EQ(rig.P.rx_edid_slot, slot);
    }
    page_rig rig;
    rig.unit.put("c4", testing::two_block_hdmi());
    rig.unit.put("d10", testing::two_block_hdmi());
    for (const auto& [choice, line] :
         {std::pair{1, "$edid_rx sink"}, std::pair{15, "$edid_rx c4"}, std::pair{11, "$edid_rx d10"}}) {
        frm_rx_edid_choose(rig.ctx, choice);
        EXPECT_EQ(std::tuple(rig.lines().back(), rig.P.rx_edid_slot), std::tuple(line, choice));
    }
    rig.unit.refuse = {"$edid_rx"};
    frm_rx_edid_choose(rig.ctx, 3);
    rig.unit.refuse.clear();
    rig.unit.silent = {"$edid_rx"};
    frm_rx_edid_choose(rig.ctx, 4);
    // the dialog shows what holds
    EXPECT_EQ(std::tuple(rig.P.rx_edid_slot, rig.P.rx_dialog_index), std::tuple(11, 11));
}

TEST(EdidPageSlots, RenameChecksTheNameAndTheSlot) {
    const std::tuple<const char*, int, const char*> rows[] = {  // name, WRITE item, message ("": sent)
        {"  ", 5, "Wrong name"}, {"A,B", 5, "Wrong name"}, {"TAB\tNAME", 5, "Wrong name"}, {"\x7F", 5, "Wrong name"},
        {"\xE9t\xE9", 5, "Wrong name"}, {"NAME", 1, "Sink can't be named."}, {"NAME", 2, "Sink can't be named."},
        {"  MY TV 2 ", 5, ""}};
    for (const auto& [text, write_index, message] : rows) {
        SCOPED_TRACE(text);
        page_rig rig;
        edid_write_list_choose(rig.ctx, write_index);
        edid_rename_text_set(rig.ctx, text);
        edid_rename_click(rig.ctx);
        const bool sent = !*message;
        EXPECT_EQ(rig.lines(), sent ? std::vector<std::string>{"$edid_name c3,MY TV 2"} : std::vector<std::string>{});
        EXPECT_EQ(rig.dlg.messages, sent ? std::vector<std::string>{} : std::vector<std::string>{message});
        EXPECT_EQ(rig.dlg.icons, sent ? std::vector<msg_icon>{} : std::vector{msg_icon::exclamation});
        const char* const name = sent ? "MY TV 2" : "---";
        EXPECT_EQ(std::tuple(edid_write_item(rig.ctx, 5), edid_read_item(rig.ctx, 15)), std::tuple(name, name));
    }
}

// A rename while busy waits as code 6, keeps the slot and the name of the click and is dropped
// when the WRITE choice changed in the meantime.
TEST(EdidPageSlots, DeferredRenameKeepsTheClickOrIsDropped) {
    for (bool moved : {false, true}) {
        SCOPED_TRACE(moved ? "choice changed" : "choice kept");
        page_rig rig;
        edid_write_list_choose(rig.ctx, 5);
        edid_rename_text_set(rig.ctx, "FIRST");
        rig.ctx.tasks.poll_busy = true;
        edid_rename_click(rig.ctx);
        EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_edid_slot_rename);
        EXPECT_TRUE(rig.lines().empty());
        rig.ctx.tasks.poll_busy = false;
        edid_rename_text_set(rig.ctx, "SECOND");
        if (moved) edid_write_list_choose(rig.ctx, 6);
        rig.ctx.hooks.edid_slot_rename = [&] { edid_rename_replay(rig.ctx); };
        deferred_action_run(rig.ctx, deferred_edid_slot_rename);
        EXPECT_EQ(rig.lines(), moved ? std::vector<std::string>{} : std::vector<std::string>{"$edid_name c3,FIRST"});
        deferred_action_run(rig.ctx, deferred_edid_slot_rename);  // replayed once only
        EXPECT_LE(rig.lines().size(), 1u);
    }
}

TEST(EdidPageSlots, SinkCopyReadsBackOnlyTheSlotShownInTheReadList) {
    for (int read_index : {16, 3}) {
        SCOPED_TRACE(read_index);
        page_rig rig;
        rig.unit.put("sink_h", testing::two_block_hdmi());
        edid_read_list_choose(rig.ctx, read_index);
        frm_copy_sink_open(rig.ctx);
        frm_copy_sink_select(rig.ctx, 4);
        cmd_copy_click(rig.ctx);
        EXPECT_EQ(rig.P.copy_slot, 4);
        std::vector<std::string> expect{"$edid_copy_sink c4", "$edid_name? c4"};
        if (read_index == 16) expect.insert(expect.end(), {"$edid_read c4,block0", "$edid_read c4,block1"});
        EXPECT_EQ(rig.lines(), expect);
        EXPECT_EQ(std::tuple(edid_write_item(rig.ctx, 6), edid_read_item(rig.ctx, 16)),
                  std::tuple("ABC.TESTMON", "ABC.TESTMON"));  // the unit names the copy
        EXPECT_EQ(rig.P.rtxt_edid_read.empty(), read_index != 16);
    }
    page_rig rig;
    rig.unit.refuse = {"$edid_copy_sink"};
    frm_copy_sink_select(rig.ctx, 2);
    cmd_copy_click(rig.ctx);
    EXPECT_EQ(rig.lines(), std::vector<std::string>{"$edid_copy_sink c2"});
    EXPECT_EQ(testing::shown(rig.P.read_side.msg1), testing::red(edid_copy_fail));
}

}  // namespace
}  // namespace vexlan
