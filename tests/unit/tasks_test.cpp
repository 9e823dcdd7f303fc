// Task modes, page switching, the refresh action, the poll step with its lists and the deferred
// action, and the link/task display.
#include <gtest/gtest.h>

#include <tuple>

#include "fake_controls.h"

namespace vexlan {
namespace {

using testing::link_rig;
using lines = std::vector<std::string>;

// Makes the named page hooks append their name to `log` when they run.
void record_hooks(app_context& ctx, std::vector<std::string>& log, std::initializer_list<const char*> names) {
    auto& H = ctx.hooks;
    const std::pair<const char*, std::function<void()>*> all[] = {
        {"edid", &H.edid_slots_read},        {"timing", &H.timing_out_get},     {"scale", &H.scale_4k_out_get},
        {"pattern", &H.pattern_out_get},     {"panel", &H.output_panel_get},    {"cec", &H.cec_tx_msg_refresh},
        {"form", &H.monitor_form_set},       {"cable_start", &H.cable_start},   {"cec_log_clear", &H.cec_log_clear},
        {"motion_text_send", &H.motion_text_send}};
    for (const char* n : names)
        for (const auto& [name, hook] : all)
            if (std::string(n) == name) *hook = [&log, name = name] { log.push_back(name); };
}

TEST(Tasks, LivePagesWalkTheirPollListsInOrder) {
    lines cable = {"$cable_level?\r",  "$cable_run?\r",    "$cable_result?\r", "$cable_time?\r",   "$timer_day?\r",
                   "$timer_hour?\r",   "$timer_minute?\r", "$timer_second?\r", "$cable_level?\r", "$cable_run?\r"};
    lines cec;
    for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 1, 2}) cec.push_back("$cec_log_msg? " + std::to_string(n) + "\r");
    // An unanswered entry is sent twice, then skipped; polling goes on.
    const lines skipped = {"$cable_level?\r", "$cable_run?\r", "$cable_run?\r", "$cable_result?\r"};
    struct row { const char *model, *task; int page; lines expect; int steps, answered, index_after; };
    const row rows[] = {{"MRV-410L", "cable", 5, cable, 10, 10, 2},
                        {"MRV-510", "pattern", 6, cec, 13, 13, 0},
                        {"MRV-410L", "cable", 5, skipped, 3, 2, 3}};
    for (const auto& r : rows) {
        link_rig rig(r.model, r.task, r.page);
        if (r.answered < r.steps) rig.unit.drop["$cable_run?"] = 99;
        int applied = 0;
        rig.ctx.hooks.monitor_reply_apply = [&] {  // runs for the entry that was answered
            const auto& T = rig.ctx.tasks;
            const auto& entry = rig.ctx.link.cmd_table[static_cast<std::size_t>(T.poll_list[T.poll_index])];
            EXPECT_EQ(rig.tcp.commands.back().substr(0, entry.size()), entry);
            ++applied;
        };
        EXPECT_EQ(rig.sent_by([&] { rig.poll(r.steps); }), r.expect);
        EXPECT_EQ(std::tuple(applied, rig.ctx.tasks.poll_index), std::tuple(r.answered, r.index_after));
        EXPECT_FALSE(rig.ctx.tasks.poll_busy || rig.ctx.link.poll_quiet);
    }
}

TEST(Tasks, TaskImageClickDuringAPollIsReplayedAfterTheStepLastClickWins) {
    link_rig rig("MRV-510", "analyser", 6);
    rig.unit.delay = 30;
    // Two clicks on different task images while the poll waits for its reply.
    rig.world.after(10, [&] {
        cmd_task_mode_set(rig.ctx, "cable");
        EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_task_cable);
        cmd_task_mode_set(rig.ctx, "pattern");
    });
    bool seen_deferred = false;
    rig.ctx.hooks.monitor_reply_apply = [&] { seen_deferred = rig.ctx.tasks.deferred_action == deferred_task_pattern; };
    EXPECT_EQ(rig.sent_by([&] { rig.poll(1); }), (lines{"$cec_log_msg? 2\r", "$task_mode pattern\r"}));
    EXPECT_TRUE(seen_deferred);  // recorded during the poll
    const auto& T = rig.ctx.tasks;
    EXPECT_EQ(std::tuple(T.task_mode, T.deferred_action, rig.ctx.view.img_pattern.picture),
              std::tuple(1, int{deferred_none}, std::string("task_pattern_on.bmp")));
    // the poll list of the page is set up again and the timer runs on
    EXPECT_EQ(std::tuple(T.poll_index, T.poll_list[0], T.poll_busy), std::tuple(0, int{cec_poll_entry}, false));
    EXPECT_TRUE(rig.timers.enabled(timer_id::tim_monitor));
}

// After the poll step a deferred code replays its operator action (a hook) or its command.
TEST(Tasks, DeferredCodesReplayTheirAction) {
    const std::pair<int, const char*> rows[] = {{0, "cable_start"}, {4, "cec_log_clear"}, {9, "motion_text_send"},
                                                {16, "timing"}, {7, "$model?\r"}, {13, "$task_mode analyser\r"}};
    for (const auto& [code, expected] : rows) {
        SCOPED_TRACE(code);
        link_rig rig("MRV-410", "pattern", 6);
        lines after;  // hooks run and commands sent after the poll step
        record_hooks(rig.ctx, after, {"cable_start", "cec_log_clear", "motion_text_send", "timing", "scale"});
        rig.ctx.tasks.deferred_action = code;
        const auto sent = rig.sent_by([&] { rig.poll(1); });
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent[0], "$cec_log_msg? 2\r");
        after.insert(after.end(), sent.begin() + 1, sent.end());
        EXPECT_EQ(after.empty() ? "" : after[0], expected);
        EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_none);
    }
}

// An action deferred because a transaction ran is replayed once, as soon as that transaction
// has returned and the event loop runs again, on every page.
TEST(Tasks, DeferredActionIsReplayedOnEveryPageOnceNothingRuns) {
    // reads: page hooks the replay runs
    struct row { int page; int code; lines reads; const char *model = "MRV-510", *task = "pattern"; };
    const row rows[] = {
        {0, deferred_refresh, {"edid"}},     {1, deferred_refresh, {"timing"}}, {2, deferred_refresh, {"pattern"}},
        {3, deferred_refresh, {"panel"}},    {4, deferred_refresh, {}},         {6, deferred_refresh, {"cec"}},
        {0, deferred_pattern_out_get, {"pattern"}}, {3, deferred_timing_out_get, {"timing"}},
        {5, deferred_pattern_out_get, {"pattern"}, "MRV-410L", "cable"},
        // a second-family unit in analyser mode reads the down-scaling choice instead
        {3, deferred_timing_out_get, {"scale"}, "DN-6P", "analyser"},
        {3, deferred_timing_out_get, {"timing"}, "DN-6P", "pattern"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE("page " + std::to_string(r.page) + " code " + std::to_string(r.code) + " " + r.model);
        link_rig rig(r.model, r.task, r.page);
        rig.timers.set_enabled(timer_id::tim_monitor, false);  // no poll step takes part
        lines reads;
        record_hooks(rig.ctx, reads, {"edid", "timing", "scale", "pattern", "panel", "cec"});
        rig.unit.delay = 40;
        rig.world.after(10, [&] {
            if (r.code == deferred_refresh) refresh_action(rig.ctx);
            else rig.ctx.tasks.deferred_action = r.code;  // as the page's reader records it
        });
        const auto from = rig.tcp.commands.size();
        EXPECT_EQ(cmdtx_str(rig.ctx, "$timing? \r"), 1);
        EXPECT_TRUE(reads.empty()) << "replayed inside the running transaction";
        EXPECT_EQ(rig.ctx.tasks.deferred_action, r.code);
        rig.pump.process_events();  // back in the event loop
        rig.pump.process_events();
        EXPECT_EQ(reads, r.reads);
        EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_none);
        auto sent = rig.commands_since(from);
        sent.resize(r.code == deferred_refresh ? 2 : 1);
        EXPECT_EQ(sent, (r.code == deferred_refresh ? lines{"$timing? \r", "$model?\r"} : lines{"$timing? \r"}));
    }
}

TEST(Tasks, PageSwitchColoursButtonsShowsThePanelAndRefreshes) {
    link_rig rig;
    rig.connect_and_link();
    auto& V = rig.ctx.view;
    lines reads, pictures;
    record_hooks(rig.ctx, reads, {"edid", "timing", "pattern", "panel", "cec"});
    EXPECT_TRUE(V.img_logo_visible);
    // The refresh shows its busy image while it runs.
    V.on_change = [&] {
        if (pictures.empty() || pictures.back() != V.img_refresh.picture) pictures.push_back(V.img_refresh.picture);
    };
    auto sent = rig.sent_by([&] { cmd_main_click(rig.ctx, 2); });
    pictures.erase(pictures.begin(), pictures.end() - std::min<std::ptrdiff_t>(2, std::ssize(pictures)));
    EXPECT_EQ(pictures, (lines{"refresh_busy.bmp", "refresh_on.bmp"}));
    EXPECT_EQ(std::tuple(V.img_refresh.enabled, rig.ctx.tasks.refresh_running, V.img_logo_visible,
                         V.cmd_main[2].color),
              std::tuple(true, false, false, rgb_page_pressed));
    sent.resize(2);
    EXPECT_EQ(sent, (lines{"$boot?\r", "$model?\r"}));
    EXPECT_EQ(reads, lines{"pattern"});

    cmd_main_click(rig.ctx, 0);
    EXPECT_EQ(V.cmd_main[2].color, rgb_page_normal);
    for (int i = 0; i < main_page_count; ++i) EXPECT_EQ(V.fra_main[static_cast<std::size_t>(i)].visible, i == 0);
    for (int page : {1, 3, 6}) cmd_main_click(rig.ctx, page);
    EXPECT_EQ(reads, (lines{"pattern", "edid", "timing", "panel", "cec"}));
    EXPECT_TRUE(rig.timers.enabled(timer_id::tim_monitor));  // a live page polls
    cmd_main_click(rig.ctx, 0);
    EXPECT_FALSE(rig.timers.enabled(timer_id::tim_monitor));

    // Socket gone before supervision noticed: the link counts as down for the page switch.
    rig.tcp_ctl.lose_silently();
    ASSERT_TRUE(rig.ctx.link.eth_connected);
    EXPECT_EQ(rig.sent_by([&] { cmd_main_click(rig.ctx, 2); }), lines{});
    rig.tcp.open = true;

    // Link down: the page changes, nothing is sent.
    cmd_eth_open_click(rig.ctx);
    ASSERT_FALSE(rig.ctx.link.eth_connected);
    EXPECT_EQ(rig.sent_by([&] { cmd_main_click(rig.ctx, 3); }), lines{});
    EXPECT_TRUE(V.fra_main[3].visible);
}

TEST(Tasks, TaskModeSwitchRunsThePageStepsWhateverTheResult) {
    // steps: page hooks run after the switch; polling: tim_monitor runs afterwards
    struct row { int page; const char* mode; bool refused; std::vector<std::string> steps; bool polling; };
    const row rows[] = {
        {0, "analyser", false, {}, false},      {1, "analyser", false, {"timing"}, false},
        {2, "analyser", false, {"pattern"}, false}, {3, "analyser", false, {"panel"}, false},
        {3, "analyser", true, {"panel"}, false},  // the output panel is read again whatever the result
        {3, "cable", false, {}, false},           // ... but not in cable mode
        {4, "pattern", false, {"form"}, true},  {5, "cable", false, {}, true},
        {5, "pattern", false, {}, false},       {6, "analyser", true, {}, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.page) + " " + r.mode + (r.refused ? " refused" : ""));
        link_rig rig("MRV-410L", r.page == 5 ? "analyser" : "pattern", r.page == 5 ? 0 : r.page);
        if (r.page == 5) rig.ctx.tasks.main_page = 5;  // shown while the unit was in cable mode
        rig.timers.set_enabled(timer_id::tim_monitor, false);
        lines steps;
        record_hooks(rig.ctx, steps, {"timing", "pattern", "panel", "form"});
        if (r.refused) rig.unit.refused.insert("$task_mode");
        const int before = rig.ctx.tasks.task_mode;
        cmd_task_mode_set(rig.ctx, r.mode);
        EXPECT_EQ(rig.tcp.commands.back(), std::string("$task_mode ") + r.mode + "\r");
        EXPECT_EQ(rig.ctx.tasks.task_mode, r.refused ? before : task_mode_from_text(r.mode));
        EXPECT_EQ(steps, r.steps);
        EXPECT_EQ(rig.timers.enabled(timer_id::tim_monitor), r.polling);
    }
}

TEST(Tasks, LinkAndTaskDisplayFollowModelAndTaskMode) {
    struct row { const char *model, *task; bool cable_visible, cable_enabled, pages_0_4_enabled, cec_visible;
                 const char* cable_pic; };
    const row rows[] = {{"MRV-410L", "cable", true, true, false, false, "task_cable_test_on.bmp"},
                        {"MRV-410L", "pattern", true, false, true, false, "task_cable_test_off.bmp"},
                        {"MRV-410", "cable", false, true, true, true, "task_cable_test_on.bmp"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.model) + " " + r.task);
        link_rig rig(r.model, r.task, 0);
        auto& V = rig.ctx.view;
        ui_state_set(rig.ctx);
        EXPECT_EQ(std::tuple(V.img_cable_test.visible, V.cmd_main[5].visible, V.cmd_main[6].visible,
                             V.img_cable_test.picture),
                  std::tuple(r.cable_visible, r.cable_visible, r.cec_visible, std::string(r.cable_pic)));
        if (r.cable_visible) {
            EXPECT_EQ(std::tuple(V.cmd_main[5].enabled, V.img_cable_test.enabled), std::tuple(r.cable_enabled, r.cable_enabled));
        } else {
            EXPECT_FALSE(V.fra_main[5].visible);
        }
        for (int i = 0; i < 5; ++i) EXPECT_EQ(V.cmd_main[static_cast<std::size_t>(i)].enabled, r.pages_0_4_enabled);
        // page 0 was chosen: in cable mode of a second-family unit only panel 5 may show
        EXPECT_EQ(V.fra_main[0].visible, r.pages_0_4_enabled);
    }

    // Link down: the task images are off (the link buttons' colours: transports_test).
    link_rig rig("MRV-410L", "cable", 0);
    rig.tcp_ctl.lose_silently();
    rig.ctx.link.eth_connected = false;
    ui_state_set(rig.ctx);
    EXPECT_EQ(std::tuple(rig.ctx.view.img_cable_test.picture, rig.ctx.view.img_refresh.picture),
              std::tuple("task_cable_test_off.bmp", "refresh_off.bmp"));
}

}  // namespace
}  // namespace vexlan
