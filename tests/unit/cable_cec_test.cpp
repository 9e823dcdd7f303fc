// The cable test and CEC pages: commands sent by the operator's actions, the view built from
// the poll replies, the replies that are refused, and deferred actions replayed by the poll.
#include <gtest/gtest.h>

#include <map>

#include "cable_cec/cable_test.h"
#include "cable_cec/cec.h"
#include "fake_controls.h"

namespace vexlan {
namespace {

using testing::link_rig;
using testing::reply_chunk;
using lines = std::vector<std::string>;

// A unit in cable mode or with a CEC store: the cable queries and CEC commands answer from
// `values`; anything else falls back to the link's fake unit.
struct page_rig : link_rig {
    std::map<std::string, std::string>& values = unit.answers;  // command word (+ argument) -> parameters
    std::set<std::string>& refused = unit.refused;              // command words answered with "err"

    page_rig(const std::string& model, const std::string& task, int page) {
        cable_hooks_install(ctx);
        cec_hooks_install(ctx);
        link_rig::show(model, task, page);
    }
    // One reply to a polled entry, as the poll step hands it to the page.
    void show(int entry, const std::string& p1) {
        ctx.link.rx_param1 = p1;
        cable_reply_show(ctx, entry);
    }
};

struct cable_rig : page_rig {
    cable_rig() : page_rig("MRV-410L", "cable", 5) {}
};

// The page's look: START, STOP, run time list and level button enabled; bar and result shown.
std::vector<bool> look(const cable_state& C) {
    return {C.lab_cable_start.enabled, C.lab_cable_stop.enabled, C.cbo_cable_time.enabled,
            C.cmd_cable_level.enabled, C.pbar_cable.visible,    C.lab_cable_result.visible};
}
const std::vector<bool> running_look{false, true, false, false, true, false};
const std::vector<bool> idle_look{true, false, true, true, false, true};

TEST(CableTest, PollRepliesBuildTheRunningViewWithProgressFromTheCounters) {
    cable_rig rig;
    rig.values = {{"$cable_level?", "normal"}, {"$cable_run?", "start"}, {"$cable_result?", "pass"},
                  {"$cable_time?", "3"},       {"$timer_day?", "0"},      {"$timer_hour?", "0"},
                  {"$timer_minute?", "5"},     {"$timer_second?", "1"}};
    rig.poll(8);
    const auto& C = rig.ctx.cable;
    EXPECT_EQ(std::tuple(C.lab_cable_level.caption, C.lab_cable_result.caption, C.lab_cable_minute.caption),
              std::tuple("NORMAL", "PASS", "5"));
    EXPECT_EQ(look(C), running_look);  // START disabled: cable_running()
    EXPECT_EQ(std::tuple(C.sha_cable_start, C.sha_cable_stop, C.cbo_cable_time_index), std::tuple(rgb_frame_idle, rgb_black, 2));
    EXPECT_NEAR(C.pbar_value, 100.0 * 301 / 600, 1e-4);

    // the unit stops: idle look, the result shows, the bar hides; a run state that is neither
    // changes nothing
    rig.values["$cable_run?"] = "stop";
    rig.poll(4);
    EXPECT_EQ(look(C), idle_look);
    rig.show(17, "paused");
    EXPECT_EQ(look(C), idle_look);

    // the progress follows the counters, clamped and without overflow (expect -1: keeps the
    // previous value, 50), and only while a test runs
    struct row { int time_index; const char *day, *hour, *minute, *second; double expect; bool runs = true; };
    const row rows[] = {
        {0, "0", "0", "1", "30", 75.0},
        {2, "0", "0", "5", "0", -1},                 // a seconds reading of 0 keeps the bar
        {2, "0", "0", "5", "59", -1},                // and so does 59
        {2, "0", "0", "12", "3", 100.0},             // past the run time
        {5, "99999999999999999999", "0", "0", "1", 100.0},  // a huge counter: no overflow
        {3, "0", "0", "-30", "1", 0.0},              // a negative counter: never below 0
        {3, "x", "", " 2", "1", 100.0 * 121 / 900},  // text without digits counts 0
        {cable_time_infinite, "0", "0", "1", "1", -1},  // endless runs have no bar
        {2, "0", "0", "1", "1", -1, false},                // no bar while no test runs
    };
    for (const auto& r : rows) {
        cable_rig run;
        auto& R = run.ctx.cable;
        R.lab_cable_start.enabled = !r.runs;
        R.cbo_cable_time_index = r.time_index;
        R.pbar_value = 50;
        for (const auto& [entry, text] : {std::pair{160, r.day}, {161, r.hour}, {162, r.minute}, {163, r.second}})
            run.show(entry, text);
        EXPECT_NEAR(R.pbar_value, r.expect < 0 ? 50.0 : r.expect, 1e-4)
            << r.time_index << " " << r.day << "/" << r.hour << "/" << r.minute << "/" << r.second;
    }
}

TEST(CableTest, RunTimeReplySelectsOnlyCodesOneToSevenAndEndlessRunsMoveTheArrow) {
    const std::pair<const char*, int> rows[] = {{"1", 0}, {"7", 6}, {"3", 2}, {"0", 4}, {"8", 4}, {"-1", 4},
                                                {"x", 4}, {"", 4},  {"3x", 4}, {"None", 4}, {"65536", 4}};
    cable_rig rig;
    for (const auto& [p1, expect] : rows) {
        rig.ctx.cable.cbo_cable_time_index = 4;
        rig.show(19, p1);
        EXPECT_EQ(rig.ctx.cable.cbo_cable_time_index, expect) << p1;
    }
    rig.ctx.cable.cbo_cable_time_index = 4;
    rig.ctx.cable.cbo_cable_focused = true;
    rig.show(19, "1");
    EXPECT_EQ(rig.ctx.cable.cbo_cable_time_index, 4) << "the open list keeps the operator's choice";
    rig.ctx.cable.cbo_cable_focused = false;
    EXPECT_EQ(rig.sent_by([&] { rig.show(19, "2"); }), lines{}) << "a reply selects without sending";

    // code 7 while running: the arrow moves and wraps at the frame end
    auto& C = rig.ctx.cable;
    C.frame_width = 1500;
    C.arrow_width = 600;  // room up to 900
    C.lab_cable_start.enabled = false;
    std::vector<int> lefts;
    for (int i = 0; i < 5; ++i) {
        rig.show(19, "7");
        lefts.push_back(C.arrow_left);
    }
    EXPECT_EQ(lefts, (std::vector<int>{300, 600, 900, 0, 300}));
    // endless runs have no bar
    EXPECT_EQ(std::tuple(C.lab_cable_result.caption, C.img_cable_arrow.visible, C.pbar_cable.visible),
              std::tuple("Testing", true, false));
}

TEST(CableTest, ActionsSendTheirLinesAtOnceOrAfterThePollAndTheLevelToggleReadsTheCaption) {
    cable_rig rig;
    auto& C = rig.ctx.cable;
    const auto from = rig.tcp.commands.size();
    for (const char* caption : {"Normal", "NORMAL", "STRICT"}) {  // "Normal": not exactly "NORMAL"
        C.lab_cable_level.caption = caption;
        cmd_cable_level_click(rig.ctx);
    }
    cbo_cable_time_change(rig.ctx, 6);
    C.select_quiet = true;
    cbo_cable_time_change(rig.ctx, 1);  // quiet: nothing sent
    C.select_quiet = false;
    C.pbar_value = 80;
    lab_cable_start_click(rig.ctx);
    EXPECT_EQ(C.pbar_value, 0);
    lab_cable_stop_click(rig.ctx);
    EXPECT_EQ(rig.commands_since(from), (lines{"$cable_level normal\r", "$cable_level strict\r", "$cable_level normal\r",
                                               "$cable_time 7\r", "$cable_run start\r", "$cable_run stop\r"}));
    EXPECT_TRUE(C.lab_cable_start.enabled && C.cmd_cable_level.enabled)
        << "the look follows the unit, not the click";

    // the same actions during a poll are recorded and replayed by the next poll step
    struct row { std::function<void(app_context&)> act; int code; const char* line; };
    const row rows[] = {
        {[](app_context& c) { lab_cable_start_click(c); }, deferred_cable_start, "$cable_run start\r"},
        {[](app_context& c) { lab_cable_stop_click(c); }, deferred_cable_stop, "$cable_run stop\r"},
        {[](app_context& c) { cmd_cable_level_click(c); }, deferred_cable_level, "$cable_level normal\r"},
        {[](app_context& c) { cbo_cable_time_change(c, 3); }, deferred_cable_time, "$cable_time 4\r"},
    };
    for (const auto& r : rows) {
        cable_rig busy;
        busy.ctx.tasks.poll_busy = true;
        EXPECT_EQ(busy.sent_by([&] { r.act(busy.ctx); }), lines{}) << "nothing sent during the poll";
        EXPECT_EQ(busy.ctx.tasks.deferred_action, r.code);
        busy.ctx.tasks.poll_busy = false;
        const auto sent = busy.sent_by([&] { busy.poll(1); });
        EXPECT_EQ(sent.size() == 2 ? sent[1] : "", r.line);
        EXPECT_EQ(busy.ctx.tasks.deferred_action, deferred_none);
    }
}

// ---- CEC ----------------------------------------------------------------------------

struct cec_rig : page_rig {
    cec_rig() : page_rig("MRV-510", "pattern", 6) {}
    void log_reply(const std::string& p1, const std::string& p2, const std::string& p3) {
        std::tie(ctx.link.rx_param1, ctx.link.rx_param2, ctx.link.rx_param3) = std::tie(p1, p2, p3);
        cec_log_reply_show(ctx);
    }
};

TEST(Cec, SendStoresTheTextAsTypedThenSendsOnlyWhenAcceptedRefreshReadsEachBoxsOwnReply) {
    cec_rig rig;
    rig.ctx.cec.txt_cec_tx_msg[2].caption = " 40:04 ";
    EXPECT_EQ(rig.sent_by([&] { cmd_cec_tx_send_click(rig.ctx, 2); }),
              (lines{"$cec_msg_set 3, 40:04 \r", "$cec_msg_send 3\r"}));
    EXPECT_TRUE(rig.ctx.cec.cmd_cec_tx_send[2].enabled);

    rig.refused = {"$cec_msg_set"};
    EXPECT_EQ(rig.sent_by([&] { cmd_cec_tx_send_click(rig.ctx, 9); }), lines{"$cec_msg_set 10,\r"});

    rig.ctx.tasks.poll_busy = true;
    cmd_cec_tx_send_click(rig.ctx, 4);
    EXPECT_EQ(std::tuple(rig.ctx.tasks.deferred_action, rig.ctx.cec.cec_send_index), std::tuple(int{deferred_cec_msg_send}, 4));
    rig.ctx.tasks.poll_busy = false;
    rig.refused.clear();
    EXPECT_EQ(rig.sent_by([&] { rig.poll(1); }),
              (lines{"$cec_log_msg? 2\r", "$cec_msg_set 5,\r", "$cec_msg_send 5\r"}));  // after the poll step

    // a refresh fills each box from its own accepted reply only
    auto& box = rig.ctx.cec.txt_cec_tx_msg;
    for (auto& b : box) b.caption = "old";
    rig.values = {{"$cec_msg_set? 1", "1,Power on"},
                  {"$cec_msg_set? 2", "2,"},          // no text: an empty box, never "None"
                  {"$cec_msg_set? 3", "3,Third"},
                  {"$cec_msg_set? 4", "err"},         // error reply: skipped, reading goes on
                  {"$cec_msg_set? 5", "5,None"},      // the text "None" itself
                  {"$cec_msg_set? 6", "6, a,b "}};
    for (int n = 7; n <= 9; ++n) rig.values["$cec_msg_set? " + std::to_string(n)] = std::to_string(n) + ",m" + std::to_string(n);
    rig.values["$cec_msg_set? 10"] = "5,Foreign";  // another slot's number: never box 5 or 10
    cec_tx_msg_refresh(rig.ctx);
    lines got;
    for (const auto& b : box) got.push_back(b.caption);
    EXPECT_EQ(got, (lines{"Power on", "", "Third", "old", "None", " a", "m7", "m8", "m9", "old"}));

    // no reply at all: reading stops at the first slot
    rig.unit.silent = true;
    rig.values.clear();
    EXPECT_EQ(rig.sent_by([&] { cec_tx_msg_refresh(rig.ctx); }), (lines{"$cec_msg_set? 1\r", "$cec_msg_set? 1\r"}));
}

TEST(Cec, LogRepliesFillTheirLineOnlyForLinesOneToTwelveInTurnFromLineTwoAfterAClear) {
    // line: 1-based line that changes, 0: none
    struct row { const char *p1, *p2, *p3; int line; const char* text; };
    const row rows[] = {
        {"7", "7", "T", 7, " 7. T"}, {"12", "12", "Standby", 12, "12. Standby"},
        {"3", "0", "x", 3, ""},             // an empty position
        {"1", "123", "x", 0, nullptr},      // entry number of three characters
        {"0", "5", "x", 0, nullptr},        // line numbers outside 1..12
        {"13", "5", "x", 0, nullptr}, {"-1", "5", "x", 0, nullptr}, {"None", "5", "x", 0, nullptr},
        {"99999999999", "5", "x", 0, nullptr},
        {"2", "4", "None", 2, " 4. "},      // no text
    };
    for (const auto& r : rows) {
        cec_rig rig;
        rig.ctx.cec.cec_log_lines.fill("old");
        auto want = rig.ctx.cec.cec_log_lines;
        if (r.line) want[static_cast<std::size_t>(r.line - 1)] = r.text;
        int shown = 0;
        rig.ctx.cec.on_change = [&] { ++shown; };
        rig.log_reply(r.p1, r.p2, r.p3);
        EXPECT_EQ(shown, r.line ? 1 : 0) << r.p1 << "," << r.p2;
        EXPECT_EQ(rig.ctx.cec.cec_log_lines, want) << r.p1 << "," << r.p2;
    }
    cec_rig rig;
    rig.log_reply("12", "12", "A");
    std::string expect;
    for (int k = 0; k < 11; ++k) expect += "\r\n";
    EXPECT_EQ(rig.ctx.cec.txt_cec_monitor_log, expect + "12. A\r\n");

    // the poll fills the twelve lines in turn; a clear restarts at line 2
    for (int k = 1; k <= 12; ++k) {
        const auto n = std::to_string(k);
        rig.values["$cec_log_msg? " + n] = n + "," + n + ",msg " + n;
    }
    rig.poll(12);
    for (std::size_t k = 1; k <= 12; ++k)
        EXPECT_EQ(rig.ctx.cec.cec_log_lines[k - 1], (k < 10 ? " " : "") + std::to_string(k) + ". msg " + std::to_string(k));
    rig.poll(3);
    EXPECT_EQ(rig.sent_by([&] {
        cmd_cec_clear_click(rig.ctx);
        rig.poll(1);
    }), (lines{"$cec_log_clear\r", "$cec_log_msg? 2\r"}));

    rig.ctx.tasks.poll_busy = true;
    cmd_cec_clear_click(rig.ctx);
    EXPECT_EQ(rig.ctx.tasks.deferred_action, deferred_cec_log_clear);
}

}  // namespace
}  // namespace vexlan
