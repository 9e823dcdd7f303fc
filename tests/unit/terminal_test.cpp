// The command terminal: what is sent for a typed line, the EOT rule of "$help" and "$?", the
// display switch on live pages, the history across runs, time stamps and the log file.
#include <gtest/gtest.h>

#include "fake_controls.h"
#include "temp_dir.h"
#include "terminal/terminal.h"

namespace vexlan {
namespace {

using testing::link_rig;
using testing::reply_chunk;
using testing::temp_dir;
using lines = std::vector<std::string>;

struct term_rig : link_rig {
    temp_dir dir{"vexlan_term"};
    term_rig() {
        ctx.life.app_dir = dir.str();
        terminal_hooks_install(ctx);
        connect_and_link();
        terminal_open(ctx);
    }
    void type_and_send(const std::string& text) {
        ctx.terminal.txt_tx_str.caption = text;
        cmd_tx_str_click(ctx);
    }
};

TEST(Terminal, PauseSwitchFollowsThePageAndTheFlag) {
    struct row { int page; bool paused, send_shown, pause_shown, visible; const char* caption; rgb color; };
    const row rows[] = {
        {0, false, true, false, true, nullptr, {}}, {3, true, true, false, true, nullptr, {}},
        {4, false, false, true, true, "START", rgb_start_green}, {5, true, false, true, false, "PAUSE", rgb_pause_red},
        {6, false, false, true, true, "START", rgb_start_green},
    };
    for (const auto& r : rows) {
        term_rig rig;
        rig.ctx.terminal.paused = r.paused;
        cmd_main_click(rig.ctx, r.page);  // the page switch updates the terminal
        const auto& T = rig.ctx.terminal;
        EXPECT_EQ(std::tuple(T.cmd_tx_str.visible, T.txt_tx_str.visible, T.cmd_pause.visible, rig.ctx.link.term_visible),
                  std::tuple(r.send_shown, r.send_shown, r.pause_shown, r.visible)) << r.page;
        if (r.caption) { EXPECT_EQ(std::tuple(T.cmd_pause.caption, T.cmd_pause.color), std::tuple(r.caption, r.color)); }
    }
    term_rig rig;
    cmd_main_click(rig.ctx, 4);
    cmd_pause_click(rig.ctx);
    EXPECT_FALSE(rig.ctx.link.term_visible);
    terminal_close(rig.ctx);
    EXPECT_FALSE(rig.ctx.link.term_visible || rig.ctx.terminal.loaded);
    EXPECT_TRUE(lab_monitor_eye_click(rig.ctx));
    EXPECT_FALSE(rig.ctx.link.term_visible) << "reopened on a live page, still paused";
}

TEST(Terminal, TypedLineIsCleanedTrimmedAndSentExactly) {
    term_rig rig;
    const auto from = rig.tcp.writes.size();  // writes: the unit never sees an EDID payload end
    rig.type_and_send("  $timing 1,2\t\x1b  ");
    rig.type_and_send("hello");                  // any text is sent
    rig.type_and_send("$edid_write d1,block0");  // no image payload appended (unanswered: sent twice)
    EXPECT_EQ(lines(rig.tcp.writes.begin() + static_cast<std::ptrdiff_t>(from), rig.tcp.writes.end()),
              (lines{"$timing 1,2\r", "hello\r", "$edid_write d1,block0\r", "$edid_write d1,block0\r"}));
    EXPECT_EQ(rig.ctx.terminal.txt_tx_str.caption, "$edid_write d1,block0");
    EXPECT_EQ(term_entry_clean("\x7f$x\r\n "), "$x");
    rig.ctx.tasks.poll_busy = true;  // busy: nothing at all
    EXPECT_EQ(rig.sent_by([&] { rig.type_and_send("$model?"); }), lines{});
}

TEST(Terminal, EotRuleOnlyForHelpAndQuestionAndOnlyForThatTransaction) {
    term_rig rig;
    bool raw_when_sent = false;
    rig.tcp.unit = [&](const std::string& line) -> std::vector<reply_chunk> {
        const std::string word = cmdstr_cmd_get(line);
        raw_when_sent = rig.ctx.link.term_raw;
        if (word == "$help" || word == "$?") return {{5, "$help\r\n"}, {5, "$timing <n>\r\n"}, {5, std::string(1, '\x04')}};
        if (word == "$helpx") return {{5, "$helpx 1\r\n"}};  // no EOT: the rule would time out
        return rig.unit(line);
    };
    rig.ctx.link.term_text.clear();
    rig.type_and_send("$help");
    EXPECT_EQ(std::tuple(rig.ctx.link.cmd_result, raw_when_sent), std::tuple(1, true));
    EXPECT_EQ(rig.ctx.link.term_text, "$help<CR><LF>\r\n$timing <n><CR><LF>\r\n<EOT>");

    rig.type_and_send("$helpx");  // only the exact words
    EXPECT_EQ(std::tuple(rig.ctx.link.cmd_result, raw_when_sent), std::tuple(1, false));
    rig.ctx.link.term_raw = true;  // whoever set it, the transaction keeps the rule to those words and ends it
    EXPECT_EQ(std::tuple(cmdtx_str(rig.ctx, "$helpx\r"), rig.ctx.link.term_raw), std::tuple(1, false));

    // a later command completes at its CR LF at once
    const auto t0 = rig.world.now;
    rig.type_and_send("$model?");
    EXPECT_EQ(rig.ctx.link.cmd_result, 1);
    EXPECT_LT(rig.world.now - t0, 600u);  // the reply plus the terminal's half second

    // "$?" without an EOT times out but leaves no flag behind
    rig.tcp.unit = [&](const std::string& line) -> std::vector<reply_chunk> {
        if (cmdstr_cmd_get(line) == "$?") return {{5, "$?\r\n"}};
        return rig.unit(line);
    };
    rig.type_and_send("$?");
    EXPECT_EQ(std::tuple(rig.ctx.link.cmd_result, rig.ctx.link.term_raw), std::tuple(2, false));
}

TEST(Terminal, HistoryStepsAndSurvivesARestart) {
    term_rig rig;
    for (const char* line : {"$model?", "$fwver?", "$fwver?"}) rig.type_and_send(line);  // a repeat is kept once
    rig.ctx.terminal.txt_tx_str.caption.clear();
    std::vector<std::string> shown;
    for (int step : {-1, -1, -1, +1, +1}) {
        term_history_step(rig.ctx, step);
        shown.push_back(rig.ctx.terminal.txt_tx_str.caption);
    }
    EXPECT_EQ(shown, (std::vector<std::string>{"$fwver?", "$model?", "$model?", "$fwver?", ""}));
    app_context again;  // the next run, in the same folder
    again.life.app_dir = rig.dir.str();
    terminal_open(again);
    EXPECT_EQ(again.terminal.history, (std::vector<std::string>{"$model?", "$fwver?"}));
}

TEST(Terminal, TimeStampsPerLineAndALogFileThatLosesNothingAcrossTheReset) {
    term_rig rig;
    auto& T = rig.ctx.terminal;
    T.time_stamps = true;
    T.stamp_text = [] { return std::string("[t] "); };
    const std::string log = rig.dir.file("term.log");
    ASSERT_TRUE(term_log_to(rig.ctx, log));
    rig.ctx.link.on_term_text = [&] { term_text_arrived(rig.ctx); };
    rig.ctx.link.term_text.clear();
    T.seen = 0;
    T.seen_tail.clear();
    rig.type_and_send("$model?");
    EXPECT_EQ(rig.ctx.link.term_text, "[t] $model? MRV-410<CR><LF>\r\n");

    // a stream that passes the display limit several times
    T.time_stamps = false;
    const std::string line(1000, 'x');
    for (int i = 0; i < 200; ++i) link_receive(rig.ctx, line);
    EXPECT_LE(rig.ctx.link.term_text.size(), term_text_limit + line.size());
    EXPECT_EQ(read_file(log).bytes, "[t] $model? MRV-410<CR><LF>\r\n" + std::string(200 * 1000, 'x'));

    EXPECT_FALSE(term_log_to(rig.ctx, rig.dir.file("no/such/dir/x.log")) || T.log_error.empty());
}

TEST(Terminal, WindowGoesLeftOfTheMainWindowBottomsLevelElseRightElseTheScreenEdge) {
    const screen_rect screen{0, 0, 1920, 1080};
    struct row { screen_rect main; int left, top; };
    const row rows[] = {
        {{700, 200, 800, 700}, 300, 500},    // room on the left: right edge on the main's left edge
        {{100, 200, 800, 700}, 900, 500},    // no room left: right of the main window
        {{100, 0, 1700, 300}, 0, 0},         // room nowhere: the screen's edge, top kept on screen
    };
    for (const auto& r : rows) {
        const auto got = term_window_place(r.main, 400, 400, screen);
        EXPECT_EQ(std::tuple(got.left, got.top), std::tuple(r.left, r.top)) << r.main.left;
    }
}

}  // namespace
}  // namespace vexlan
