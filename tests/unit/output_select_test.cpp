// Output selection and favourites: setting the output from lists and favourite buttons, the
// favourites that ticks make, the readers of pages 1 and 2, motion text and 4K down scaling.
#include <gtest/gtest.h>

#include "link/lifecycle.h"
#include "link/tasks.h"
#include "output_rig.h"
#include "temp_dir.h"

namespace vexlan {
namespace {

using testing::lines;
using testing::output_rig;

int green_count(const catalogue_page_view& page) {
    return static_cast<int>(std::ranges::count(page.cmd_fav, rgb_fav_current, &control_view::color));
}

TEST(OutputSelect, SetFromListOrFavouriteSendsPositionWithTwoBlanksAndShowsIt) {
    output_rig rig;
    rig.favourites(true, {5, 12, 88});
    rig.favourites(false, {3, 12});
    auto from = rig.mark();
    lstv_timing_dbl_click(rig.ctx, 12);
    cmd_pattern_click(rig.ctx, 1);
    EXPECT_EQ(rig.commands_since(from), (lines{"$timing  12\r", "$pattern  12\r"}));
    const auto &T = rig.ctx.output.timing, &P = rig.ctx.output.pattern;
    EXPECT_EQ(std::tuple(T.lab_out_now.caption, T.cmd_fav[1].color, green_count(T)), std::tuple("T12", rgb_fav_current, 1));
    EXPECT_EQ(std::tuple(P.lab_out_now.caption, P.selected, rig.ctx.catalogue.pattern_out_index, P.cmd_fav[1].color),
              std::tuple("P12", 12, 12, rgb_fav_current));

    // Timing 88 only in analyser mode; a refused set changes nothing; empty slot sends nothing.
    from = rig.mark();
    lstv_timing_dbl_click(rig.ctx, 88);
    cmd_timing_click(rig.ctx, 2);
    cmd_timing_click(rig.ctx, 7);
    EXPECT_TRUE(rig.commands_since(from).empty());
    rig.ctx.tasks.task_mode = 0;
    cmd_timing_click(rig.ctx, 2);
    EXPECT_EQ(rig.commands_since(from), (lines{"$timing  88\r"}));
    rig.unit.replies["$timing"] = "$timing err";
    lstv_timing_dbl_click(rig.ctx, 5);
    EXPECT_EQ(std::tuple(T.lab_out_now.caption, T.cmd_fav[2].color, T.list_enabled), std::tuple("T88", rgb_fav_current, true));
}

// Mend: the position and name are those chosen at the click, and the list and all favourite
// buttons take no input until the set command returns.
TEST(OutputSelect, ClicksDuringASetCommandAreNotTakenAndTheFirstChoiceIsShown) {
    output_rig rig;
    rig.favourites(false, {5, 7});
    rig.unit.delay = 300;
    bool seen_disabled = false;
    rig.world.after(100, [&] {
        const auto& p = rig.ctx.output.pattern;
        seen_disabled = !p.list_enabled && std::ranges::none_of(p.cmd_fav, &control_view::enabled);
        cmd_pattern_click(rig.ctx, 1);
        lstv_pattern_dbl_click(rig.ctx, 9);
        lstv_pattern_click(rig.ctx, 9);
    });
    const auto from = rig.mark();
    cmd_pattern_click(rig.ctx, 0);
    EXPECT_TRUE(seen_disabled);
    EXPECT_EQ(rig.commands_since(from), (lines{"$pattern  5\r"}));
    const auto& P = rig.ctx.output.pattern;
    EXPECT_EQ(std::tuple(P.lab_out_now.caption, rig.ctx.catalogue.pattern_out_index, P.selected, P.list_enabled,
                         P.cmd_fav[1].enabled),
              std::tuple("P5", 5, 5, true, true));
}

TEST(OutputSelect, TicksMakeFavouritesInListOrderAndNineteenthIsTakenBack) {
    output_rig rig;
    for (int p : {30, 4, 17}) lstv_timing_item_check(rig.ctx, p, true);
    EXPECT_EQ((std::vector<int>(rig.ctx.catalogue.timing_fav.begin(), rig.ctx.catalogue.timing_fav.begin() + 3)),
              (std::vector<int>{4, 17, 30}));
    EXPECT_EQ(rig.ctx.output.timing.cmd_fav[2].caption, "T30");
    for (int p = 40; p < 55; ++p) lstv_timing_item_check(rig.ctx, p, true);  // 18 in all
    const auto before = rig.ctx.catalogue.timing_fav;
    lstv_timing_item_check(rig.ctx, 60, true);
    EXPECT_FALSE(rig.ctx.catalogue.timings[59].checked);
    EXPECT_EQ(rig.ctx.catalogue.timing_fav, before);
    const auto& all = rig.ctx.catalogue.timings;
    EXPECT_EQ(std::count_if(all.begin(), all.end(), [](const auto& e) { return e.checked; }), 18);

    // unticking slot 3's entry moves the later ones down; the last used slot empties
    lstv_timing_item_check(rig.ctx, 30, false);
    const auto& fav = rig.ctx.catalogue.timing_fav;
    EXPECT_EQ(std::tuple(fav[2], fav[16], fav[17], rig.ctx.output.timing.cmd_fav[17].caption),
              std::tuple(40, 54, int{fav_empty}, ""));

    rig.ctx.output.pattern.cmd_fav[0].color = rgb_fav_current;
    rig.favourites(false, {2, 3});
    cmd_check_p_none_click(rig.ctx);
    const auto& first = rig.ctx.output.pattern.cmd_fav[0];  // emptied; colours stay
    const auto& cat = rig.ctx.catalogue;
    EXPECT_EQ(std::tuple(cat.pattern_fav, cat.patterns[1].checked, first.caption, first.color),
              std::tuple(fav_slots_empty(), false, "", rgb_fav_current));
}

// Mend: a favourites file that had problems at load is kept at close until the operator changes
// the favourites; then the operator's favourites are written.
TEST(OutputSelect, OperatorFavouriteChangesAreWrittenEvenAfterAProblemAtLoad) {
    testing::temp_dir dir;
    const std::string cat = "m41_timing_pattern.ini", fav = dir.file("m41_timing_pattern_fav.ini");
    ASSERT_EQ(dir.put(cat, "3\r\nA\r\nB\r\nC\r\n2\r\nX\r\nY\r\n"), "");
    for (int action = 0; action < 3; ++action) {
        ASSERT_EQ(write_file_atomic(fav, "2\r\nbroken\r\n"), "");
        output_rig rig;
        EXPECT_FALSE(catalogue_load(rig.ctx.catalogue, dir.str(), cat).empty());
        ASSERT_TRUE(rig.ctx.catalogue.favourites_keep_file);
        EXPECT_FALSE(favourites_save(rig.ctx.catalogue, dir.str(), rig.ctx.profile).find("kept") == std::string::npos);
        // ticks that repeat what the list already shows (as a program-set tick would) change nothing
        lstv_timing_item_check(rig.ctx, 2, true);
        lstv_timing_item_check(rig.ctx, 1, false);
        EXPECT_TRUE(rig.ctx.catalogue.favourites_keep_file);
        if (action == 0) lstv_timing_item_check(rig.ctx, 3, true);
        if (action == 1) lstv_timing_item_check(rig.ctx, 2, false);
        if (action == 2) cmd_check_p_none_click(rig.ctx);
        EXPECT_EQ(favourites_save(rig.ctx.catalogue, dir.str(), rig.ctx.profile), "") << action;
        const char* expect[] = {"2\r\n3\r", "254\r\n", "2\r\n25"};
        EXPECT_EQ(read_file(fav).bytes.value_or("").substr(0, 5), expect[action]) << action;
    }
}

// Mend: a position below 1 or not a number, or any position while the catalogue is empty,
// leaves selection, label, highlight and pattern_out_index unchanged.
TEST(OutputSelect, ReadersTakeOnlyPositionsFromOneOnClampTheTopAndRunOnlyOnTheirPage) {
    struct row { std::string reply; int patterns; int shown; int timing; };
    const row rows[] = {{"7", 45, 7, 7}, {"46", 45, 1, 46}, {"999999999999", 45, 1, 1}, {"None", 45, 3, 0},
                        {"0", 45, 3, 0}, {"-4", 45, 3, 0}, {"abc", 45, 3, 0}, {"", 45, 3, 0}, {"5", 0, 0, 5}};
    for (const auto& r : rows) {
        output_rig rig(0, 0, 90, r.patterns);
        rig.ctx.tasks.main_page = 2;
        if (r.patterns) {
            rig.favourites(false, {3});
            rig.unit.values["pattern"] = "3";
            lstv_pattern_out_get(rig.ctx);
            ASSERT_EQ(rig.ctx.output.pattern.selected, 3);
        }
        rig.unit.values["pattern"] = r.reply;
        lstv_pattern_out_get(rig.ctx);
        const auto& p = rig.ctx.output.pattern;
        EXPECT_EQ(std::tuple(p.selected, rig.ctx.catalogue.pattern_out_index, p.lab_out_now.caption, green_count(p)),
                  std::tuple(r.shown, r.shown ? r.shown : int{fav_empty}, r.shown ? "P" + std::to_string(r.shown) : "",
                             r.shown == 3 ? 1 : 0))
            << r.reply;

        rig.ctx.tasks.main_page = 1;
        rig.unit.values["timing"] = r.reply;
        lstv_timing_out_get(rig.ctx);
        EXPECT_EQ(rig.ctx.output.timing.selected, r.timing) << r.reply;
    }

    // the readers run only on their page with a unit, and defer while a poll runs
    output_rig rig;
    auto from = rig.mark();
    rig.ctx.tasks.main_page = 2;
    lstv_timing_out_get(rig.ctx);
    rig.ctx.tasks.main_page = 1;
    lstv_pattern_out_get(rig.ctx);
    rig.ctx.profile.model_index = model_none;
    lstv_timing_out_get(rig.ctx);
    EXPECT_TRUE(rig.commands_since(from).empty());
    rig.ctx.profile.model_index = 0;
    rig.ctx.tasks.poll_busy = true;
    lstv_timing_out_get(rig.ctx);
    EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_timing_out_get);
    rig.ctx.tasks.main_page = 2;
    lstv_pattern_out_get(rig.ctx);
    EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_pattern_out_get);
    rig.ctx.output.txt_motion_text = "HELLO";
    txt_motion_text_enter(rig.ctx);
    EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_motion_text);
    EXPECT_TRUE(rig.commands_since(from).empty());
    rig.ctx.tasks.poll_busy = false;
    output_pages_hooks_install(rig.ctx);
    deferred_replay_request(rig.ctx);  // the recorded Enter runs once the poll is over
    rig.pump.process_events();
    EXPECT_EQ(rig.commands_since(from), (lines{"$motion_text HELLO\r"}));
}

// Mend: a motion-text reply without text is an empty box, not "None"; the text sent is trimmed,
// at most 20 characters, without control characters. The box and the colour button follow the
// catalogue and the selection.
TEST(OutputSelect, MotionTextIsCleanInBothDirectionsAndPatternExtrasFollowTheSelection) {
    output_rig rig;  // m41: motion text for 41 and 42
    const std::pair<std::string, std::string> sent[] = {
        {"  HELLO  ", "HELLO"}, {"A\tB\x01" "C\x7f", "ABC"}, {"123456789012345678901234", "12345678901234567890"},
        {"   ", ""}, {"1234567890123456789 X", "1234567890123456789"}};
    for (const auto& [typed, wire] : sent) {
        rig.ctx.output.txt_motion_text = typed;
        EXPECT_EQ(rig.sent_by([&] { txt_motion_text_enter(rig.ctx); }),
                  (lines{"$motion_text " + wire + "\r"})) << typed;
    }
    const std::pair<std::string, std::string> read[] = {
        {"$motion_text?", ""}, {"$motion_text? ", ""}, {"$motion_text? HELLO", "HELLO"}, {"$motion_text? None", "None"}};
    rig.ctx.tasks.main_page = 2;
    rig.unit.values["pattern"] = "41";
    for (const auto& [reply, box] : read) {
        rig.ctx.output.txt_motion_text = "old";
        rig.ctx.output.motion_text_visible = false;
        rig.unit.replies["$motion_text?"] = reply;
        lstv_pattern_out_get(rig.ctx);
        EXPECT_TRUE(rig.ctx.output.motion_text_visible);
        EXPECT_EQ(rig.ctx.output.txt_motion_text, box) << reply;
    }

    // motion text box; colour button shown, enabled
    auto extras = [](output_rig& r, auto&& action) {
        action();
        const auto& O = r.ctx.output;
        const auto& C = O.cmd_color_setting;
        return std::tuple(O.motion_text_visible, C.visible, C.visible && C.enabled);
    };
    EXPECT_EQ(extras(rig, [&] { lstv_pattern_click(rig.ctx, 42); }), std::tuple(true, false, false));
    EXPECT_EQ(extras(rig, [&] { lstv_pattern_click(rig.ctx, 13); }), std::tuple(false, false, false));

    output_rig k(1, 1);  // m41l k_new: "Color Setting" for 13, enabled once 13 is output
    EXPECT_EQ(extras(k, [&] { lstv_pattern_click(k.ctx, 41); }), std::tuple(false, false, false));
    EXPECT_EQ(extras(k, [&] { lstv_pattern_click(k.ctx, 13); }), std::tuple(false, true, false));
    EXPECT_EQ(extras(k, [&] { lstv_pattern_dbl_click(k.ctx, 13); }), std::tuple(false, true, true));
    EXPECT_FALSE(std::get<1>(extras(k, [&] { lstv_pattern_click(k.ctx, 14); })));
    k.ctx.tasks.main_page = 2;
    k.unit.values["pattern"] = "13";
    EXPECT_EQ(k.sent_by([&] { lstv_pattern_out_get(k.ctx); }), (lines{"$pattern? \r"}));
    EXPECT_TRUE(k.ctx.output.cmd_color_setting.visible && k.ctx.output.cmd_color_setting.enabled);
}

TEST(OutputSelect, DownScalingOnSecondFamilyInAnalyserMode) {
    output_rig rig(1, 2);
    output_pages_hooks_install(rig.ctx);
    rig.ctx.tasks.main_page = 1;
    rig.ctx.tasks.task_mode = 0;
    const std::pair<std::string, int> reports[] = {{"on_yuv", 2}, {"off", 0}, {"bogus", 0}, {"on_rgb", 1}};
    for (const auto& [word, option] : reports) {
        rig.unit.values["4k_to_1080p"] = word;
        EXPECT_EQ(rig.sent_by([&] { hook_call(rig.ctx.hooks.timing_out_get); }), (lines{"$4k_to_1080p? \r"}));
        EXPECT_TRUE(rig.ctx.output.fra_reso_out_m41l_visible);
        EXPECT_EQ(rig.ctx.output.opt_4k_to_1080p, option) << word;
    }
    EXPECT_EQ(rig.sent_by([&] { opt_4k_to_1080p_click(rig.ctx, 2); }), (lines{"$4k_to_1080p on_yuv\r"}));
    rig.ctx.tasks.task_mode = 1;
    rig.unit.values["timing"] = "4";
    EXPECT_EQ(rig.sent_by([&] { hook_call(rig.ctx.hooks.timing_out_get); }), (lines{"$timing? \r"}));
    EXPECT_FALSE(rig.ctx.output.fra_reso_out_m41l_visible);
    EXPECT_EQ(rig.ctx.output.timing.lab_out_now.caption, "T4");
}

}  // namespace
}  // namespace vexlan
