// Linking a unit: model and board variant select the profile and the catalogue; firmware and
// task mode labels; the catalogue is replaced only when the profile changed; an unknown model
// stays unlinked without flooding the operator.
#include <gtest/gtest.h>

#include "fake_controls.h"
#include "link/model_profile.h"

namespace vexlan {
namespace {

using testing::link_rig;

// Connects to a unit of `model` and `board` and links it with the "Link" label.
void linked(link_rig& rig, const std::string& model, const std::string& board = "0") {
    rig.unit.model = model;
    rig.unit.board = board;
    rig.connect_tcp();
    lab_link_click(rig.ctx);
}

// The choice itself is the profile's; here: that linking applies it to the labels and lists,
// and shows the firmware and the task mode (an unknown task text leaves the mode unchanged).
TEST(UnitLink, ModelBoardFirmwareAndTaskModeSetProfileLabelsAndCatalogue) {
    struct row { const char *model, *board, *task, *caption, *catalogue, *item2; int mode; };
    const row rows[] = {
        {"KS-P9-GTR", "1", "analyser", "KS-P9-GTR .", "m41_timing_pattern.ini", "VGA  Sink", 0},
        {"736", "0", "cable", "736", "m41l_k_old_timing_pattern.ini", "---      ", 2},
        {"MRV-510", "2", "Analyser", "MRV-510 .", "m51_timing_pattern.ini", "---      ", none_254},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.model) + " board " + r.board + " " + r.task);
        link_rig rig;
        int catalogue_events = 0;
        rig.ctx.view.on_catalogue = [&] { ++catalogue_events; };
        rig.unit.fw = "1.07";
        rig.unit.task = r.task;
        linked(rig, r.model, r.board);
        const auto& V = rig.ctx.view;
        EXPECT_EQ(std::tuple(V.lab_model.caption, rig.ctx.catalogue.file_name, catalogue_events,
                             V.imgcbo_item2, rig.ctx.link.lab_link.enabled, V.lab_fw_ver.caption),
                  std::tuple(r.caption, r.catalogue, 1, r.item2, true, "FW: 1.07"));
        EXPECT_GT(rig.ctx.catalogue.timing_count, 0);
        EXPECT_EQ(std::tuple(rig.ctx.tasks.task_mode, V.img_analyser.picture),
                  std::tuple(r.mode, r.mode == 0 ? "task_analyser_on.bmp" : "task_analyser_off.bmp"));
    }
}

TEST(UnitLink, RelinkingTheSameProfileKeepsTheCatalogueInMemory) {
    link_rig rig;
    linked(rig, "DN-6P", "2");
    ASSERT_EQ(rig.ctx.catalogue.file_name, "m41l_new_timing_pattern.ini");

    // The operator changes a favourite; a relink of the same kind of unit keeps it.
    rig.ctx.catalogue.timing_fav[0] = 3;
    rig.ctx.catalogue.timings[2].checked = true;
    rig.ctx.catalogue.pattern_out_index = 7;
    rig.unit.model = "736";  // same family and board: same profile index and variant
    lab_link_click(rig.ctx);
    const auto& C = rig.ctx.catalogue;
    EXPECT_EQ(std::tuple(C.timing_fav[0], C.timings[2].checked, C.pattern_out_index, rig.ctx.profile.current_model_string),
              std::tuple(3, true, 7, "DN-6P"));

    // Another board of the same family reloads (the change is lost, the file is read again).
    rig.unit.board = "1";
    lab_link_click(rig.ctx);
    EXPECT_EQ(std::tuple(C.file_name, C.pattern_out_index, rig.ctx.profile.current_model_string),
              std::tuple("m41l_k_new_timing_pattern.ini", int{fav_empty}, "736"));
}

TEST(UnitLink, UnansweredQueriesLeaveWhatWasThere) {
    // "$model?" unanswered: the profile and labels stay, the label is clickable again.
    link_rig rig;
    rig.connect_and_link();
    ASSERT_EQ(rig.ctx.profile.model_index, 0);
    rig.unit.silent = true;
    rig.ctx.view.lab_fw_ver.caption = "FW: old";
    lab_link_click(rig.ctx);
    const auto& V = rig.ctx.view;
    const auto& L = rig.ctx.link.lab_link;
    EXPECT_EQ(std::tuple(rig.ctx.profile.model_index, V.lab_model.caption, V.lab_fw_ver.caption),
              std::tuple(0, "MRV-410", "FW: old"));
    EXPECT_EQ(std::tuple(L.caption, L.color, L.enabled), std::tuple("No response", rgb_red, true));

    // "$board_id?" and "$fwver?" unanswered: variant 0, no task-mode query, task unchanged.
    link_rig partial;
    partial.connect_tcp();
    partial.unit.drop = {{"$board_id?", 99}, {"$fwver?", 99}};
    lab_link_click(partial.ctx);
    EXPECT_EQ(std::tuple(partial.ctx.profile.board_variant, partial.ctx.view.lab_model.caption, partial.ctx.tasks.task_mode),
              std::tuple(0, "MRV-410", int{none_254}));
    for (const auto& c : partial.tcp.commands) EXPECT_NE(c, "$task_mode?\r");
}

TEST(UnitLink, LinkDuringATransactionIsDeferred) {
    link_rig rig;
    rig.connect_and_link();
    const auto sent = rig.tcp.commands.size();
    for (bool poll : {false, true}) {  // a transaction or a poll step runs
        rig.ctx.link.cmd_busy = !poll;
        rig.ctx.tasks.poll_busy = poll;
        rig.ctx.tasks.deferred_action = deferred_none;
        lab_link_click(rig.ctx);
        EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_link);
        EXPECT_EQ(rig.tcp.commands.size(), sent);
    }
}

TEST(UnitLink, UnknownModelIsReportedOncePerConnectionAndNotQueriedFurther) {
    link_rig rig;
    rig.unit.model = "MRV-999";
    rig.connect_tcp();
    const auto from = rig.link().commands.size();
    for (int i = 0; i < 3; ++i) lab_link_click(rig.ctx);
    // The housekeeping links by itself while nothing is linked over TCP.
    for (int i = 0; i < 30; ++i) tim_clock_tick(rig.ctx);

    EXPECT_EQ(rig.ctx.profile.model_index, model_none);
    ASSERT_EQ(rig.dialogs.messages.size(), 1u);
    EXPECT_NE(rig.dialogs.messages[0].find("\"MRV-999\""), std::string::npos) << rig.dialogs.messages[0];
    for (const auto& c : rig.commands_since(from)) EXPECT_TRUE(c == "$model?\r" || c == "$board_id?\r") << c;

    // A new connection tells again.
    linked(rig, "MRV-999");
    EXPECT_EQ(rig.dialogs.messages.size(), 2u);

    // A model text of any length is shown cut to 80 characters.
    linked(rig, std::string(5000, 'M'));
    ASSERT_EQ(rig.dialogs.messages.size(), 3u);
    EXPECT_NE(rig.dialogs.messages[2].find("\"" + std::string(80, 'M') + "...\""), std::string::npos);
    EXPECT_LT(rig.dialogs.messages[2].size(), 200u);
}

// ---- the profile itself ----------------------------------------------------------------

// What the unit reports ("$model?" and "$board_id?") decides the family and the catalogue file.
TEST(model_profile, model_text_and_board_id_select_catalogue) {
    // board_reply: "$board_id?" parameter 1; "" when the query failed
    struct row { const char *model, *board_reply; int model_index, board_variant; const char* catalogue; };
    const row rows[] = {
        {"MRV-410", "0", 0, 0, "m41_timing_pattern.ini"},     {"Pattern Gen.", "2", 0, 2, "m41_timing_pattern.ini"},
        {"735", "0", 0, 0, "m41_timing_pattern.ini"},         {"KS-P9-GTR", "", 0, 0, "m41_timing_pattern.ini"},
        {"736", "0", 1, 0, "m41l_k_old_timing_pattern.ini"},
        {"736", "3", 1, 0, "m41l_k_old_timing_pattern.ini"},  // unknown board id counts as 0
        {"DN-6P", "0", 1, 0, "m41l_old_timing_pattern.ini"},  {"Pattern Gen.L", "None", 1, 0, "m41l_old_timing_pattern.ini"},
        {"MRV-410L", " 1", 1, 0, "m41l_old_timing_pattern.ini"}, {"DN-6P", "01", 1, 0, "m41l_old_timing_pattern.ini"},
        {"736", "1", 1, 1, "m41l_k_new_timing_pattern.ini"},  {"DN-6P", "1", 1, 1, "m41l_k_new_timing_pattern.ini"},
        {"MRV-410L", "2", 1, 2, "m41l_new_timing_pattern.ini"}, {"736", "2", 1, 2, "m41l_new_timing_pattern.ini"},
        {"MRV-510", "0", 2, 0, "m51_timing_pattern.ini"},
        // Exact, case-sensitive comparison; anything else is no family at all.
        {"mrv-510", "0", 254, 0, "m41_timing_pattern.ini"},   {"MRV-510 ", "0", 254, 0, "m41_timing_pattern.ini"},
        {"7360", "0", 254, 0, "m41_timing_pattern.ini"},      {"", "1", 254, 1, "m41_timing_pattern.ini"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.model) + " / board " + r.board_reply);
        const int variant = board_variant_from_reply(r.board_reply);
        EXPECT_EQ(variant, r.board_variant);
        EXPECT_EQ(model_index_from_text(r.model), r.model_index);

        model_profile p;
        const auto reload = model_profile_update(p, r.model, variant);
        ASSERT_TRUE(reload.has_value());
        EXPECT_EQ(std::tuple(*reload, catalogue_file_for(p), p.current_model_string),
                  std::tuple(r.catalogue, r.catalogue, r.model_index == 254 ? "" : r.model));
    }
    // A profile that never linked uses the first family's files.
    EXPECT_EQ(catalogue_file_for(model_profile{}), "m41_timing_pattern.ini");
    // The favourites file replaces the last four characters, whatever they are.
    EXPECT_EQ(favourites_file_name("m41l_k_new_timing_pattern.ini"), "m41l_k_new_timing_pattern_fav.ini");
    EXPECT_EQ(favourites_file_name("custom.txt"), "custom_fav.ini");
}

// A change of family or board reloads the catalogue; a relink of the same kind does not.
TEST(model_profile, update_reloads_only_on_change) {
    model_profile p;
    // reload: nullptr: no reload
    struct step { const char* model; int variant; const char* reload; };
    const step steps[] = {{"DN-6P", 0, "m41l_old_timing_pattern.ini"},
                          {"MRV-410L", 0, nullptr},  // same family and board: model text kept
                          {"MRV-510", 0, "m51_timing_pattern.ini"}, {"unknown", 0, "m41_timing_pattern.ini"},
                          {"other unknown", 0, nullptr}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.model);
        const auto reload = model_profile_update(p, s.model, s.variant);
        EXPECT_EQ(reload.value_or("none"), s.reload ? s.reload : "none");
    }
    EXPECT_EQ(p.current_model_string, "");
}

}  // namespace
}  // namespace vexlan
