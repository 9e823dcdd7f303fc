// Task modes, page switching, the refresh action, the poll step with its lists and the deferred
// action, and the link/task display.
#include <gtest/gtest.h>

#include <tuple>

#include "fake_controls.h"

namespace vexlan {
namespace {

using testing::link_rig;

// A linked rig showing page `page`, with the unit's commands recorded from here on.
struct page_rig : link_rig {
    page_rig(const std::string& model, const std::string& task, int page) {
        unit.model = model;
        unit.task = task;
        connect_and_link();
        cmd_main_click(ctx, page);
    }
    // Runs `n` poll steps, each as tim_monitor fires it.
    void poll(int n) {
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(timers.enabled(timer_id::tim_monitor)) << "step " << i;
            tim_monitor_tick(ctx);
        }
    }
};

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
    std::vector<std::string> cable = {"$cable_level?\r", "$cable_run?\r", "$cable_result?\r", "$cable_time?\r",
                                      "$timer_day?\r", "$timer_hour?\r", "$timer_minute?\r", "$timer_second?\r",
                                      "$cable_level?\r", "$cable_run?\r"};
    std::vector<std::string> cec;
    for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 1, 2}) cec.push_back("$cec_log_msg? " + std::to_string(n) + "\r");
    for (const auto& [model, task, page, expect] : {std::tuple{"MRV-410L", "cable", 5, cable}, {"MRV-510", "pattern", 6, cec}}) {
        page_rig rig(model, task, page);
        int applied = 0;
        rig.ctx.hooks.monitor_reply_apply = [&] {  // runs for the entry that was answered
            const auto& entry = rig.ctx.link.cmd_table[static_cast<std::size_t>(rig.ctx.tasks.poll_list[rig.ctx.tasks.poll_index])];
            EXPECT_EQ(rig.tcp.commands.back().substr(0, entry.size()), entry);
            ++applied;
        };
        const auto from = rig.tcp.commands.size();
        rig.poll(static_cast<int>(expect.size()));
        EXPECT_EQ(rig.commands_since(from), expect);
        EXPECT_EQ(applied, static_cast<int>(expect.size()));
        EXPECT_FALSE(rig.ctx.tasks.poll_busy);
        EXPECT_FALSE(rig.ctx.link.poll_quiet);
    }
}

TEST(Tasks, UnansweredPollIsSkippedAndPollingGoesOn) {
    page_rig rig("MRV-410L", "cable", 5);
    int applied = 0;
    rig.ctx.hooks.monitor_reply_apply = [&] { ++applied; };
    auto base = rig.unit;
    rig.tcp.unit = [&](const std::string& line) -> std::vector<testing::reply_chunk> {
        if (line == "$cable_run?\r") return {};
        return base(line);
    };
    const auto from = rig.tcp.commands.size();
    rig.poll(3);
    EXPECT_EQ(rig.commands_since(from),
              (std::vector<std::string>{"$cable_level?\r", "$cable_run?\r", "$cable_run?\r", "$cable_result?\r"}));
    EXPECT_EQ(applied, 2);
    EXPECT_EQ(rig.ctx.tasks.poll_index, 3);
}

TEST(Tasks, TaskImageClickDuringAPollIsReplayedAfterTheStepLastClickWins) {
    page_rig rig("MRV-510", "analyser", 6);
    rig.unit.delay = 30;
    // Two clicks on different task images while the poll waits for its reply.
    rig.world.after(10, [&] {
        cmd_task_mode_set(rig.ctx, "cable");
        EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_task_cable);
        cmd_task_mode_set(rig.ctx, "pattern");
    });
    const auto from = rig.tcp.commands.size();
    bool seen_deferred = false;
    rig.ctx.hooks.monitor_reply_apply = [&] { seen_deferred = rig.ctx.tasks.deferred_action == deferred_task_pattern; };
    rig.poll(1);
    EXPECT_TRUE(seen_deferred);  // recorded as 15 during the poll
    EXPECT_EQ(rig.commands_since(from),
              (std::vector<std::string>{"$cec_log_msg? 2\r", "$task_mode pattern\r"}));
    EXPECT_EQ(rig.ctx.tasks.task_mode, 1);
    EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_none);
    EXPECT_EQ(rig.ctx.view.img_pattern.picture, "task_pattern_on.bmp");
    // the poll list of the page is set up again and the timer runs on
    EXPECT_EQ(rig.ctx.tasks.poll_index, 0);
    EXPECT_EQ(rig.ctx.tasks.poll_list[0], cec_poll_entry);
    EXPECT_TRUE(rig.timers.enabled(timer_id::tim_monitor));
    EXPECT_FALSE(rig.ctx.tasks.poll_busy);
}

// After the poll step a deferred code replays its operator action (a hook) or its command.
TEST(Tasks, DeferredCodesReplayTheirAction) {
    const std::pair<int, const char*> rows[] = {{0, "cable_start"}, {4, "cec_log_clear"}, {9, "motion_text_send"},
                                                {16, "timing"}, {7, "$model?\r"}, {13, "$task_mode analyser\r"}};
    for (const auto& [code, expected] : rows) {
        SCOPED_TRACE(code);
        page_rig rig("MRV-410", "pattern", 6);
        std::vector<std::string> after;  // hooks run and commands sent after the poll step
        record_hooks(rig.ctx, after, {"cable_start", "cec_log_clear", "motion_text_send", "timing", "scale"});
        rig.ctx.tasks.deferred_action = code;
        const auto from = rig.tcp.commands.size();
        rig.poll(1);
        const auto sent = rig.commands_since(from);
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent[0], "$cec_log_msg? 2\r");
        after.insert(after.end(), sent.begin() + 1, sent.end());
        ASSERT_FALSE(after.empty());
        EXPECT_EQ(after[0], expected);
        EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_none);
    }
    // Code 16 on a second-family unit in analyser mode reads the down-scaling choice instead.
    page_rig rig("DN-6P", "analyser", 6);
    std::vector<std::string> ran;
    record_hooks(rig.ctx, ran, {"timing", "scale"});
    deferred_action_run(rig.ctx, deferred_timing_out_get);
    EXPECT_EQ(ran, std::vector<std::string>{"scale"});
}

// An action deferred because a transaction ran is replayed once, as soon as that transaction
// has returned and the event loop runs again, on every page.
TEST(Tasks, DeferredActionIsReplayedOnEveryPageOnceNothingRuns) {
    struct row {
        int page;
        int code;
        std::vector<std::string> reads;  // page hooks the replay runs
    };
    const row rows[] = {
        {0, deferred_refresh, {"edid"}},     {1, deferred_refresh, {"timing"}}, {2, deferred_refresh, {"pattern"}},
        {3, deferred_refresh, {"panel"}},    {4, deferred_refresh, {}},         {6, deferred_refresh, {"cec"}},
        {0, deferred_pattern_out_get, {"pattern"}}, {3, deferred_timing_out_get, {"timing"}},
        {5, deferred_pattern_out_get, {"pattern"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE("page " + std::to_string(r.page) + " code " + std::to_string(r.code));
        page_rig rig(r.page == 5 ? "MRV-410L" : "MRV-510", r.page == 5 ? "cable" : "pattern", r.page);
        rig.timers.set_enabled(timer_id::tim_monitor, false);  // no poll step takes part
        std::vector<std::string> reads;
        record_hooks(rig.ctx, reads, {"edid", "timing", "pattern", "panel", "cec"});
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
        const auto sent = rig.commands_since(from);
        ASSERT_GE(sent.size(), 1u);
        EXPECT_EQ(sent[0], "$timing? \r");
        if (r.code == deferred_refresh) {
            EXPECT_EQ(sent.size() > 1 ? sent[1] : "", "$model?\r");
        }
    }
}

TEST(Tasks, PageSwitchColoursButtonsShowsThePanelAndRefreshes) {
    link_rig rig;
    rig.connect_and_link();
    auto& V = rig.ctx.view;
    std::vector<std::string> reads;
    record_hooks(rig.ctx, reads, {"edid", "timing", "pattern", "panel", "cec"});
    EXPECT_TRUE(V.img_logo_visible);

    const auto from = rig.tcp.commands.size();
    cmd_main_click(rig.ctx, 2);
    EXPECT_FALSE(V.img_logo_visible);
    EXPECT_EQ(V.cmd_main[2].color, rgb_page_pressed);
    const auto sent = rig.commands_since(from);
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[0], "$boot?\r");
    EXPECT_EQ(sent[1], "$model?\r");
    EXPECT_EQ(reads, std::vector<std::string>{"pattern"});

    cmd_main_click(rig.ctx, 0);
    EXPECT_EQ(V.cmd_main[2].color, rgb_page_normal);
    for (int i = 0; i < main_page_count; ++i) EXPECT_EQ(V.fra_main[static_cast<std::size_t>(i)].visible, i == 0);
    cmd_main_click(rig.ctx, 1);
    cmd_main_click(rig.ctx, 3);
    cmd_main_click(rig.ctx, 6);
    EXPECT_EQ(reads, (std::vector<std::string>{"pattern", "edid", "timing", "panel", "cec"}));
    EXPECT_TRUE(rig.timers.enabled(timer_id::tim_monitor));  // a live page polls
    cmd_main_click(rig.ctx, 0);
    EXPECT_FALSE(rig.timers.enabled(timer_id::tim_monitor));

    // Socket gone before supervision noticed: the link counts as down for the page switch.
    rig.tcp_ctl.lose_silently();
    ASSERT_TRUE(rig.ctx.link.eth_connected);
    const auto lost = rig.tcp.commands.size();
    cmd_main_click(rig.ctx, 2);
    EXPECT_EQ(rig.tcp.commands.size(), lost);
    rig.tcp.open = true;

    // Link down: the page changes, nothing is sent.
    cmd_eth_open_click(rig.ctx);
    ASSERT_FALSE(rig.ctx.link.eth_connected);
    const auto before = rig.tcp.commands.size();
    cmd_main_click(rig.ctx, 3);
    EXPECT_EQ(rig.tcp.commands.size(), before);
    EXPECT_TRUE(V.fra_main[3].visible);
}

TEST(Tasks, RefreshActionShowsItsBusyImage) {
    page_rig rig("MRV-510", "pattern", 3);
    std::vector<std::string> pictures;
    rig.ctx.view.on_change = [&] {
        if (pictures.empty() || pictures.back() != rig.ctx.view.img_refresh.picture)
            pictures.push_back(rig.ctx.view.img_refresh.picture);
    };
    refresh_action(rig.ctx);
    EXPECT_EQ(pictures, (std::vector<std::string>{"refresh_busy.bmp", "refresh_on.bmp"}));
    EXPECT_TRUE(rig.ctx.view.img_refresh.enabled);
    EXPECT_FALSE(rig.ctx.tasks.refresh_running);
}

TEST(Tasks, TaskModeSwitchRunsThePageStepsWhateverTheResult) {
    struct row {
        int page;
        const char* mode;
        bool refused;
        std::vector<std::string> steps;  // page hooks run after the switch
        bool polling;                    // tim_monitor runs afterwards
    };
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
        page_rig rig("MRV-410L", r.page == 5 ? "analyser" : "pattern", r.page == 5 ? 0 : r.page);
        if (r.page == 5) rig.ctx.tasks.main_page = 5;  // shown while the unit was in cable mode
        rig.timers.set_enabled(timer_id::tim_monitor, false);
        std::vector<std::string> steps;
        record_hooks(rig.ctx, steps, {"timing", "pattern", "panel", "form"});
        auto base = rig.unit;
        rig.tcp.unit = [&](const std::string& line) -> std::vector<testing::reply_chunk> {
            if (r.refused && cmdstr_cmd_get(line) == "$task_mode") return {{5, "$task_mode err\r\n"}};
            return base(line);
        };
        const int before = rig.ctx.tasks.task_mode;
        cmd_task_mode_set(rig.ctx, r.mode);
        EXPECT_EQ(rig.tcp.commands.back(), std::string("$task_mode ") + r.mode + "\r");
        EXPECT_EQ(rig.ctx.tasks.task_mode, r.refused ? before : task_mode_from_text(r.mode));
        EXPECT_EQ(steps, r.steps);
        EXPECT_EQ(rig.timers.enabled(timer_id::tim_monitor), r.polling);
    }
}

TEST(Tasks, LinkAndTaskDisplayFollowModelAndTaskMode) {
    struct row {
        const char* model;
        const char* task;
        bool cable_visible;
        bool cable_enabled;
        bool pages_0_4_enabled;
        bool cec_visible;
        const char* cable_pic;
    };
    const row rows[] = {{"MRV-410L", "cable", true, true, false, false, "task_cable_test_on.bmp"},
                        {"MRV-410L", "pattern", true, false, true, false, "task_cable_test_off.bmp"},
                        {"MRV-410", "cable", false, true, true, true, "task_cable_test_on.bmp"}};
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.model) + " " + r.task);
        page_rig rig(r.model, r.task, 0);
        auto& V = rig.ctx.view;
        ui_state_set(rig.ctx);
        EXPECT_EQ(V.img_cable_test.visible, r.cable_visible);
        EXPECT_EQ(V.cmd_main[5].visible, r.cable_visible);
        if (r.cable_visible) {
            EXPECT_EQ(V.cmd_main[5].enabled, r.cable_enabled);
            EXPECT_EQ(V.img_cable_test.enabled, r.cable_enabled);
        } else {
            EXPECT_FALSE(V.fra_main[5].visible);
        }
        for (int i = 0; i < 5; ++i) EXPECT_EQ(V.cmd_main[static_cast<std::size_t>(i)].enabled, r.pages_0_4_enabled);
        EXPECT_EQ(V.cmd_main[6].visible, r.cec_visible);
        EXPECT_EQ(V.img_cable_test.picture, r.cable_pic);
        // page 0 was chosen: in cable mode of a second-family unit only panel 5 may show
        EXPECT_EQ(V.fra_main[0].visible, r.pages_0_4_enabled);
    }

    // Link down: everything off and the button red.
    page_rig rig("MRV-410L", "cable", 0);
    rig.tcp_ctl.lose_silently();
    rig.ctx.link.eth_connected = false;
    ui_state_set(rig.ctx);
    auto& V = rig.ctx.view;
    EXPECT_EQ(V.img_cable_test.picture, "task_cable_test_off.bmp");
    EXPECT_EQ(V.img_refresh.picture, "refresh_off.bmp");
    EXPECT_EQ(V.cmd_eth_open.color, rgb_red);
    // ... except while a connect attempt runs: the button stays yellow
    rig.tcp_ctl.accept = false;
    eth_link_set(rig.ctx, true);
    ui_state_set(rig.ctx);
    EXPECT_EQ(V.cmd_eth_open.color, rgb_yellow);
}

}  // namespace
}  // namespace vexlan
