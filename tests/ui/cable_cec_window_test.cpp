// Pages 5 and 6, the command terminal and the discovery list in the main window under the
// offscreen platform, against the simulator over loopback.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTreeWidget>

#include "cable_cec/cable_test.h"
#include "terminal/terminal.h"
#include "ui/frm_monitor_cmd.h"
#include "window_rig.h"

namespace vexlan {
namespace {

TEST(CableCecWindow, TwoMinuteRunInScaledTimeFromStartToPassWithTheProgressBar) {
    window_rig lw(QStringList{"--model", "MRV-410L", "--task", "cable", "--clock-scale", "20"});
    ASSERT_TRUE(lw.sim->ok());
    ASSERT_TRUE(lw.link());
    auto& ctx = lw.ctx();
    child<QPushButton>(*lw.w, "cmd_main_5")->click();
    lw.wait(300);
    child<QComboBox>(*lw.w, "cbo_cable_time")->setCurrentIndex(0);  // " 2 minutes"
    // The waits below end on their condition; their bounds only stop a hung run, so they are
    // generous for a loaded machine.
    lw.wait(20000, [&] { return ctx.cable.cbo_cable_time_index == 0 && ctx.tasks.deferred_action == deferred_none; });
    lab_cable_start_click(ctx);
    lw.wait(20000, [&] { return ctx.tasks.deferred_action == deferred_none && cable_running(ctx.cable); });
    ASSERT_TRUE(cable_running(ctx.cable));
    auto* bar = child<QProgressBar>(*lw.w, "pbar_cable");
    auto* result = child<QLabel>(*lw.w, "lab_cable_result");
    // The run ends when the unit reports it stopped; the next run-time reply shows the result.
    // The four counters arrive one poll at a time, so in scaled time a reading may pair a new
    // minute with the previous second; the bar is checked for its course, not step by step. It is
    // sampled before each wait, so the first sample is taken at once after the start is seen.
    const auto ended = [&] { return result->text() == "PASS" && !cable_running(ctx.cable) && !bar->isVisible(); };
    int highest = 0, samples = 0, first = -1, last = -1;
    for (const auto until = lw.rt->clock.now_ms() + 60000; !ended() && lw.rt->clock.now_ms() < until; lw.wait(100, ended)) {
        if (!bar->isVisible()) continue;
        if (first < 0) first = bar->value();
        last = bar->value();
        highest = std::max(highest, bar->value());
        ++samples;
    }
    EXPECT_GT(samples, 3);
    EXPECT_LT(first, 50);
    EXPECT_GE(last, 75);
    EXPECT_LE(highest, 100);
    EXPECT_EQ(result->text(), "PASS");
    EXPECT_TRUE(result->isVisible());
    EXPECT_FALSE(bar->isVisible());
    EXPECT_TRUE(child<QLabel>(*lw.w, "lab_cable_start")->isEnabled());
    auto* minute = child<QLabel>(*lw.w, "lab_cable_minute");
    lw.wait(10000, [&] { return minute->text() == "2"; });  // the counters are polled after the run state
    EXPECT_EQ(minute->text(), "2");
    EXPECT_TRUE(lw.dialogs.messages.empty()) << lw.dialogs.messages.front();
}

TEST(CableCecWindow, CecLogFillsAndTheTerminalShowsRepliesAsPlainText) {
    window_rig lw(QStringList{"--model", "MRV-510", "--cec-interval-ms", "150"});
    ASSERT_TRUE(lw.sim->ok());
    ASSERT_TRUE(lw.link());
    auto& ctx = lw.ctx();
    child<QPushButton>(*lw.w, "cmd_main_6")->click();
    auto* log = child<QPlainTextEdit>(*lw.w, "txt_cec_monitor_log");
    auto filled = [&] {
        int n = 0;
        for (const auto& l : log->toPlainText().split('\n')) n += l.isEmpty() ? 0 : 1;
        return n;
    };
    lw.wait(20000, [&] { return filled() >= 4; });
    EXPECT_GE(filled(), 4) << log->toPlainText().toStdString();
    EXPECT_EQ(log->toPlainText().split('\n').size(), 12);

    // the eye symbol opens the terminal; on a live page it watches, with START shown
    lw.w->lab_monitor_eye_cmd_click();
    auto* term = lw.w->terminal_window();
    ASSERT_TRUE(term->isVisible());
    EXPECT_EQ(term->windowTitle(), "Vexlan Command Monitor");
    auto* pause = child<QPushButton>(*term, "cmd_pause");
    EXPECT_EQ(pause->text(), "START");
    EXPECT_FALSE(child<QLineEdit>(*term, "txt_tx_str")->isVisible());
    auto* shown = child<QPlainTextEdit>(*term, "rtxt_monitor");
    lw.wait(10000, [&] { return shown->toPlainText().indexOf("$cec_log_msg?") != -1; });
    EXPECT_NE(shown->toPlainText().indexOf("$cec_log_msg?"), -1);
    pause->click();
    EXPECT_EQ(pause->text(), "PAUSE");
    const QString frozen = shown->toPlainText();
    lw.wait(400);
    EXPECT_EQ(shown->toPlainText(), frozen) << "nothing is appended while paused";

    // on page 0 the terminal sends; a "<" from the unit stays text
    child<QPushButton>(*lw.w, "cmd_main_0")->click();
    lw.wait(300);
    child<QPushButton>(*term, "cmd_clear")->click();
    auto* entry = child<QLineEdit>(*term, "txt_tx_str");
    ASSERT_TRUE(entry->isVisible());
    entry->setText("  $model?  ");
    emit entry->textEdited(entry->text());
    child<QPushButton>(*term, "cmd_tx_str")->click();
    EXPECT_EQ(shown->toPlainText(), "$model? MRV-510<CR><LF>\n");
    link_receive(ctx, "<b>bold</b>\r\n");
    EXPECT_TRUE(shown->toPlainText().endsWith("<b>bold</b><CR><LF>\n")) << shown->toPlainText().toStdString();

    lw.w->lab_monitor_eye_cmd_click();
    EXPECT_FALSE(term->isVisible());
    EXPECT_FALSE(ctx.link.term_visible);
}

// Three units answer at once: every datagram waiting on the socket becomes a row.
TEST(CableCecWindow, FindIpListsTheUnitsDoubleClickConnectsASecondWindowSaysThePortIsTaken) {
    window_rig lw(QStringList{"--model", "MRV-510", "--udp-port", "0", "--units", "3"});
    ASSERT_TRUE(lw.sim->ok() && lw.sim->udp_port());
    auto& ctx = lw.ctx();
    cbo_interface_change(ctx, 1);
    child<QPushButton>(*lw.w, "cmd_eth_find")->click();
    auto* list = child<QTreeWidget>(*lw.w, "lstv_discovery");
    lw.wait(10000, [&] { return list->topLevelItemCount() >= 3; });
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_EQ(list->topLevelItem(0)->text(0), "127.0.0.1");
    EXPECT_EQ(list->topLevelItem(2)->text(0), "127.0.0.3");
    EXPECT_EQ(list->topLevelItem(1)->text(1), "00:1A:2B:3C:4D:5F");
    const auto bound = lw.rt->discovery.local_port();
    ASSERT_NE(bound, 0);

    // a second window that wants the same local port
    {
        window_rig second(QStringList{"--model", "MRV-510", "--udp-port", "0"}, false);
        second.ro.discovery_local_port = bound;
        second.start();
        child<QPushButton>(*second.w, "cmd_eth_find")->click();
        auto* error = child<QLabel>(*second.w, "lab_discovery_error");
        EXPECT_TRUE(error->isVisible());
        EXPECT_NE(error->text().indexOf(QString::number(bound)), -1) << error->text().toStdString();
    }

    emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    lw.wait(15000, [&] { return ctx.link.eth_connected; });
    EXPECT_TRUE(ctx.link.eth_connected);
    EXPECT_FALSE(ctx.view.fra_discovery.visible);
}

}  // namespace
}  // namespace vexlan
