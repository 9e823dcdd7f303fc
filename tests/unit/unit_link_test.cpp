// Linking a unit: model and board variant select the profile and the catalogue; firmware and
// task mode labels; the catalogue is replaced only when the profile changed.
#include <gtest/gtest.h>

#include "fake_controls.h"

namespace vexlan {
namespace {

using testing::link_rig;

// The choice itself is the profile's; here: that linking applies it to the labels and lists.
TEST(UnitLink, ModelAndBoardSelectProfileCaptionAndCatalogue) {
    struct row {
        const char* model;
        const char* board;
        const char* caption;
        const char* catalogue;
        const char* item2;
    };
    const row rows[] = {
        {"KS-P9-GTR", "1", "KS-P9-GTR .", "m41_timing_pattern.ini", "VGA  Sink"},
        {"736", "0", "736", "m41l_k_old_timing_pattern.ini", "---      "},
        {"MRV-510", "2", "MRV-510 .", "m51_timing_pattern.ini", "---      "},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.model) + " board " + r.board);
        link_rig rig;
        int catalogue_events = 0;
        rig.ctx.view.on_catalogue = [&] { ++catalogue_events; };
        rig.unit.model = r.model;
        rig.unit.board = r.board;
        rig.connect_tcp();
        lab_link_click(rig.ctx);
        EXPECT_EQ(rig.ctx.view.lab_model.caption, r.caption);
        EXPECT_EQ(rig.ctx.catalogue.file_name, r.catalogue);
        EXPECT_GT(rig.ctx.catalogue.timing_count, 0);
        EXPECT_EQ(catalogue_events, 1);
        EXPECT_EQ(rig.ctx.view.imgcbo_item2, r.item2);
        EXPECT_TRUE(rig.ctx.link.lab_link.enabled);
    }
}

TEST(UnitLink, RelinkingTheSameProfileKeepsTheCatalogueInMemory) {
    link_rig rig;
    rig.unit.model = "DN-6P";
    rig.unit.board = "2";
    rig.connect_tcp();
    lab_link_click(rig.ctx);
    ASSERT_EQ(rig.ctx.catalogue.file_name, "m41l_new_timing_pattern.ini");

    // The operator changes a favourite; a relink of the same kind of unit keeps it.
    rig.ctx.catalogue.timing_fav[0] = 3;
    rig.ctx.catalogue.timings[2].checked = true;
    rig.ctx.catalogue.pattern_out_index = 7;
    rig.unit.model = "736";  // same family and board: same profile index and variant
    lab_link_click(rig.ctx);
    EXPECT_EQ(rig.ctx.catalogue.timing_fav[0], 3);
    EXPECT_TRUE(rig.ctx.catalogue.timings[2].checked);
    EXPECT_EQ(rig.ctx.catalogue.pattern_out_index, 7);
    EXPECT_EQ(rig.ctx.profile.current_model_string, "DN-6P");

    // Another board of the same family reloads (the change is lost, the file is read again).
    rig.unit.board = "1";
    lab_link_click(rig.ctx);
    EXPECT_EQ(rig.ctx.catalogue.file_name, "m41l_k_new_timing_pattern.ini");
    EXPECT_EQ(rig.ctx.catalogue.pattern_out_index, fav_empty);
    EXPECT_EQ(rig.ctx.profile.current_model_string, "736");
}

TEST(UnitLink, FirmwareAndTaskModeLabels) {
    const std::pair<const char*, int> rows[] = {{"analyser", 0}, {"cable", 2}, {"Analyser", none_254}};  // unknown: unchanged
    for (const auto& [task, mode] : rows) {
        SCOPED_TRACE(task);
        link_rig rig;
        rig.unit.fw = "1.07";
        rig.unit.task = task;
        rig.connect_tcp();
        lab_link_click(rig.ctx);
        EXPECT_EQ(rig.ctx.view.lab_fw_ver.caption, "FW: 1.07");
        EXPECT_EQ(rig.ctx.tasks.task_mode, mode);
        EXPECT_EQ(rig.ctx.view.img_analyser.picture, mode == 0 ? "task_analyser_on.bmp" : "task_analyser_off.bmp");
    }
}

TEST(UnitLink, UnansweredQueriesLeaveWhatWasThere) {
    // "$model?" unanswered: the profile and labels stay, the label is clickable again.
    link_rig rig;
    rig.connect_and_link();
    ASSERT_EQ(rig.ctx.profile.model_index, 0);
    rig.unit.silent = true;
    rig.ctx.view.lab_fw_ver.caption = "FW: old";
    lab_link_click(rig.ctx);
    EXPECT_EQ(rig.ctx.profile.model_index, 0);
    EXPECT_EQ(rig.ctx.view.lab_model.caption, "MRV-410");
    EXPECT_EQ(rig.ctx.view.lab_fw_ver.caption, "FW: old");
    EXPECT_EQ(rig.ctx.link.lab_link.caption, "No response");
    EXPECT_EQ(rig.ctx.link.lab_link.color, rgb_red);
    EXPECT_TRUE(rig.ctx.link.lab_link.enabled);

    // "$board_id?" and "$fwver?" unanswered: variant 0, no task-mode query, task unchanged.
    link_rig partial;
    partial.connect_tcp();
    auto base = partial.unit;
    partial.tcp.unit = [&](const std::string& line) -> std::vector<testing::reply_chunk> {
        const auto w = cmdstr_cmd_get(line);
        if (w == "$board_id?" || w == "$fwver?") return {};
        return base(line);
    };
    lab_link_click(partial.ctx);
    EXPECT_EQ(partial.ctx.profile.board_variant, 0);
    EXPECT_EQ(partial.ctx.view.lab_model.caption, "MRV-410");
    EXPECT_EQ(partial.ctx.tasks.task_mode, none_254);
    for (const auto& c : partial.tcp.commands) EXPECT_NE(c, "$task_mode?\r");
}

TEST(UnitLink, LinkDuringATransactionIsDeferred) {
    link_rig rig;
    rig.connect_and_link();
    rig.ctx.link.cmd_busy = true;
    const auto sent = rig.tcp.commands.size();
    lab_link_click(rig.ctx);
    EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_link);
    EXPECT_EQ(rig.tcp.commands.size(), sent);
    rig.ctx.link.cmd_busy = false;
    rig.ctx.tasks.poll_busy = true;
    rig.ctx.tasks.deferred_action = deferred_none;
    lab_link_click(rig.ctx);
    EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_link);
    EXPECT_EQ(rig.tcp.commands.size(), sent);
}

}  // namespace
}  // namespace vexlan
