// Pages 1 to 6, the colour dialog, the command terminal and the discovery list under the offscreen
// platform, against the unit simulator over loopback: each control sets the unit, a refresh reads
// it back, the widgets show the state; the monitor types render the unit's values, the report
// replaces page 4 and EXIT brings it back; a cable run, the CEC log, Find IP.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTreeWidget>

#include "cable_cec/cable_test.h"
#include "terminal/terminal.h"
#include "ui/frm_color_calibrate.h"
#include "ui/frm_monitor_cmd.h"
#include "ui/widgets.h"
#include "window_rig.h"

namespace vexlan {
namespace {

// The window linked to a simulated unit started with `options`, showing `page`; message boxes
// are answered "No".
struct linked_window : window_rig {
    explicit linked_window(const QStringList& options, int page = -1) : window_rig(options) {
        dialogs.answer = msg_answer::no;
        EXPECT_TRUE(link());
        if (page >= 0) cmd_main_click(ctx(), page);
    }
    bool linked() { return ctx().profile.model_index != model_none; }
    QString shown() { return child<QStackedWidget>("fra_monitor")->currentWidget()->objectName(); }
};

const QColor fav_green(0, 192, 0), panel_green = fav_green;

TEST(OutputPages, TimingPatternAndPanelPagesSetReadBackAndShowTheirGreens) {
    linked_window lw({"--model", "MRV-410", "--task", "pattern"}, 1);
    ASSERT_TRUE(lw.linked());
    auto& ctx = lw.ctx();
    auto* timings = lw.child<QTreeWidget>("lstv_timing");
    ASSERT_GT(timings->topLevelItemCount(), 20);
    emit lw.child<QPushButton>("cmd_check_v_none")->clicked();
    // the operator ticks timing 5 and 20: favourites 0 and 1
    timings->topLevelItem(19)->setCheckState(0, Qt::Checked);
    timings->topLevelItem(4)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(std::tuple(ctx.catalogue.timing_fav[0], ctx.catalogue.timing_fav[1]), std::tuple(5, 20));
    emit timings->itemDoubleClicked(timings->topLevelItem(19), 0);
    EXPECT_EQ(lw.unit_value("$timing? "), "20");
    ctx.output.timing.lab_out_now.caption.clear();
    refresh_action(ctx);
    EXPECT_EQ(lw.text("lab_reso_out_now").toStdString(), ctx.catalogue.timings[19].name);
    EXPECT_EQ(timings->currentItem(), timings->topLevelItem(19));
    EXPECT_EQ(std::tuple(lw.face("cmd_timing_1") == fav_green, lw.face("cmd_timing_0") == fav_green),
              std::tuple(true, false));
    emit lw.child<QPushButton>("cmd_timing_0")->clicked();
    EXPECT_EQ(lw.unit_value("$timing? "), "5");
    EXPECT_EQ(lw.face("cmd_timing_0"), fav_green);

    // a program-set tick (Check None) runs no tick handler: the checks and slots just empty
    emit lw.child<QPushButton>("cmd_check_v_none")->clicked();
    EXPECT_EQ(timings->topLevelItem(4)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(ctx.catalogue.timing_fav[0], fav_empty);

    cmd_main_click(ctx, 2);
    auto* patterns = lw.child<QTreeWidget>("lstv_pattern");
    ASSERT_GE(patterns->topLevelItemCount(), 42);
    emit lw.child<QPushButton>("cmd_check_p_none")->clicked();
    patterns->topLevelItem(40)->setCheckState(0, Qt::Checked);
    emit lw.child<QPushButton>("cmd_pattern_0")->clicked();
    EXPECT_EQ(lw.unit_value("$pattern? "), "41");
    auto* motion = lw.child<QLineEdit>("txt_motion_text");
    EXPECT_TRUE(motion->isVisibleTo(lw.w.get()));
    motion->setText("  Hello Vexlan  ");
    emit motion->textEdited(motion->text());
    emit motion->returnPressed();
    EXPECT_EQ(lw.unit_value("$motion_text?"), "Hello Vexlan");
    motion->clear();
    refresh_action(ctx);
    EXPECT_EQ(motion->text().toStdString(), "Hello Vexlan");
    EXPECT_EQ(lw.text("lab_pat_out_now").toStdString(), ctx.catalogue.patterns[40].name);
    EXPECT_EQ(lw.face("cmd_pattern_0"), fav_green);
    emit patterns->itemClicked(patterns->topLevelItem(2), 0);
    EXPECT_FALSE(motion->isVisibleTo(lw.w.get()));

    // The control panel: a click sets the unit, a refresh shows its values. The commands of each
    // click, the colorimetry row and the reset question: OutputPanel tests.
    cmd_main_click(ctx, 3);
    EXPECT_FALSE(lw.child<QPushButton>("cmd_panel_8")->isVisibleTo(lw.w.get()));  // receiver rows hidden
    EXPECT_TRUE(lw.child<QPushButton>("cmd_panel_41")->isVisibleTo(lw.w.get()));
    emit lw.child<QPushButton>("cmd_panel_43")->clicked();
    EXPECT_EQ(lw.unit_value("$color_space?"), "y422");
    refresh_action(ctx);
    EXPECT_EQ(std::tuple(lw.face("cmd_panel_43") == panel_green, lw.face("cmd_panel_41") == panel_green),
              std::tuple(true, false));
}

// Mend: ticks set by the program (load, "Check None", a 19th tick taken back) run no tick
// handler, so a favourites file kept after a problem at load stays kept until the operator acts.
TEST(OutputPages, ProgramTicksRunNoHandler) {
    window_rig rig;
    auto& ctx = rig.ctx();
    auto* list = rig.child<QTreeWidget>("lstv_timing");
    ASSERT_NE(list, nullptr);
    emit rig.child<QPushButton>("cmd_check_v_none")->clicked();
    for (int i = 0; i < 18; ++i) list->topLevelItem(i)->setCheckState(0, Qt::Checked);
    ctx.catalogue.favourites_keep_file = true;
    ctx.view.on_catalogue();  // the lists are filled again with their ticks
    list->topLevelItem(30)->setCheckState(0, Qt::Checked);  // the 19th, taken back
    EXPECT_EQ(list->topLevelItem(30)->checkState(0), Qt::Unchecked);
    EXPECT_TRUE(ctx.catalogue.favourites_keep_file);
    EXPECT_EQ(ctx.catalogue.timing_fav[17], 18);
    auto* slot = rig.child<elided_button>("cmd_timing_17");
    EXPECT_EQ(slot->full_text().toStdString(), ctx.catalogue.timings[17].name);
    EXPECT_EQ(slot->toolTip().toStdString(), ctx.catalogue.timings[17].name);
}

TEST(OutputPages, ColourDialogReadsOnOpenAndSendsOperatorChanges) {
    linked_window lw({"--model", "MRV-410L", "--board-id", "1", "--task", "pattern"}, 2);
    ASSERT_TRUE(lw.linked());
    auto& ctx = lw.ctx();
    auto* patterns = lw.child<QTreeWidget>("lstv_pattern");
    emit patterns->itemDoubleClicked(patterns->topLevelItem(12), 0);
    auto* setting = lw.child<QPushButton>("cmd_color_setting");
    EXPECT_TRUE(setting->isVisibleTo(lw.w.get()) && setting->isEnabled());

    cmdtx_str(ctx, "$color_cal_color user\r");
    cmdtx_str(ctx, "$color_cal_green 77\r");
    frm_color_calibrate dlg(ctx, lw.w.get());
    dlg.load();
    auto* cbo = dlg.findChild<QComboBox*>("cbo_color");
    auto* green = dlg.findChild<QSlider*>("hsr_green");
    ASSERT_TRUE(cbo && green);
    EXPECT_EQ(std::tuple(cbo->currentText(), green->value(), dlg.findChild<QSlider*>("hsr_level")->isEnabled()),
              std::tuple("User", 77, false));
    green->setValue(200);  // as a drag would
    EXPECT_EQ(lw.unit_value("$color_cal_green?"), "200");
    EXPECT_EQ(dlg.findChild<QLineEdit*>("txt_green")->text(), "200");
    // which typed values are sent: ColorCalibrate.EnterSendsOnlyValidValuesAsTyped
    auto* red = dlg.findChild<QLineEdit*>("txt_red");
    red->setText("31");
    emit red->returnPressed();
    EXPECT_EQ(lw.unit_value("$color_cal_red?"), "31");
    EXPECT_EQ(dlg.findChild<QSlider*>("hsr_red")->value(), 31);
    cbo->setCurrentIndex(4);
    EXPECT_EQ(lw.unit_value("$color_cal_color?"), "yellow");
    EXPECT_TRUE(dlg.findChild<QSlider*>("hsr_level")->isEnabled());
}

TEST(MonitorPage, AnalyserTypesShowTheSourceTheReportReplacesThePagePatternModeTheSink) {
    linked_window m({"--model", "MRV-510", "--task", "analyser"}, 4);
    ASSERT_TRUE(m.linked());
    auto& ctx = m.ctx();
    ASSERT_EQ(ctx.tasks.task_mode, 0);
    ASSERT_TRUE(m.rt->timers.enabled(timer_id::tim_monitor));
    EXPECT_EQ(m.shown(), "fra_monitor_0");
    m.wait(5000, [&] { return m.text("lab_sink_rx_scdcx") != ""; });
    EXPECT_EQ(m.texts({"lab_source_resox", "lab_source_cscx"}), (QStringList{"1920x1080p60", "RGB"}));
    EXPECT_EQ(m.child<QLabel>("lab_source_avi")->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(m.child<QLabel>("lab_source_drmi")->palette().color(QPalette::WindowText), QColor(144, 144, 144));
    EXPECT_EQ(m.child<QGroupBox>("fra_monitor_m41")->title(), "MRV-510");

    m.child<QRadioButton>("opt_mon_type_1")->click();
    EXPECT_EQ(m.shown(), "fra_monitor_1");
    m.wait(3000, [&] { return m.text("lab_video_14") != ""; });
    EXPECT_EQ(m.texts({"lab_video_4", "lab_video_14", "lab_video_3"}), (QStringList{"67500", "60.00", "4.455"}));

    m.child<QCheckBox>("chk_mon_report_1")->setChecked(true);
    m.child<QCheckBox>("chk_mon_report_3")->setChecked(true);
    m.child<QPushButton>("cmd_monitor_report")->click();
    EXPECT_EQ(m.shown(), "txt_monitor_report");
    const QString report = m.child<QPlainTextEdit>("txt_monitor_report")->toPlainText();
    // its lines: MonitorReport tests; here the unit's values and plain line ends
    EXPECT_TRUE(report.startsWith("Monitor Report ") && report.endsWith("\nEND.")) << report.toStdString();
    // type choice enabled, SAVE shown, monitor timer running
    const auto state = [&] {
        return std::tuple(m.child<QGroupBox>("fra_mon_type")->isEnabled(),
                          m.child<QPushButton>("cmd_monitor_save")->isVisibleTo(m.w.get()),
                          m.rt->timers.enabled(timer_id::tim_monitor));
    };
    EXPECT_EQ(state(), std::tuple(false, true, false));
    m.child<QPushButton>("cmd_monitor_exit")->click();
    EXPECT_EQ(m.shown(), "fra_monitor_1");
    EXPECT_EQ(state(), std::tuple(true, false, true));
    EXPECT_TRUE(m.dialogs.messages.empty());

    // in pattern mode the HDCP type shows the sink side
    cmd_task_mode_set(ctx, "pattern");
    m.wait(3000, [&] { return ctx.tasks.task_mode == 1; });
    m.child<QRadioButton>("opt_mon_type_4")->click();
    EXPECT_EQ(m.texts({"lab_title_hdcp_scdc", "lab_item_h_0"}), (QStringList{"Sink HDCP & SCDC", "MRV-510 Tx HDCP"}));
    m.wait(3000, [&] { return m.text("lab_hdcp_9") != ""; });
    EXPECT_EQ(m.texts({"lab_hdcp_0", "lab_hdcp_1"}), (QStringList{"Off", "74E2A1C35B"}));  // HDCP off at start
}

TEST(CableCecWindow, TwoMinuteRunInScaledTimeFromStartToPassWithTheProgressBar) {
    linked_window lw({"--model", "MRV-410L", "--task", "cable", "--clock-scale", "20"}, 5);
    ASSERT_TRUE(lw.linked());  // the rig reports a simulator that did not start
    auto& ctx = lw.ctx();
    child<QComboBox>(*lw.w, "cbo_cable_time")->setCurrentIndex(0);  // " 2 minutes"
    // The waits below end on their condition; their bounds only stop a hung run, so they are
    // generous for a loaded machine.
    lw.wait(20000, [&] { return ctx.cable.cbo_cable_time_index == 0 && ctx.tasks.deferred_action == deferred_none; });
    lab_cable_start_click(ctx);
    lw.wait(20000, [&] { return ctx.tasks.deferred_action == deferred_none && cable_running(ctx.cable); });
    ASSERT_TRUE(cable_running(ctx.cable));
    auto* bar = child<QProgressBar>(*lw.w, "pbar_cable");
    auto* result = child<QLabel>(*lw.w, "lab_cable_result");
    // The bar shows the run's course (its values from the counters: CableTest.Progress...); the
    // run ends when the unit reports it stopped, and the next run-time reply shows the result.
    bool shown = false;  // the bar in sight, three quarters through
    lw.wait(60000, [&] { return shown = bar->isVisible() && bar->value() >= 75; });
    EXPECT_TRUE(shown) << bar->value();
    lw.wait(60000, [&] { return result->text() == "PASS" && !cable_running(ctx.cable) && !bar->isVisible(); });
    EXPECT_EQ(std::tuple(result->text(), result->isVisible(), bar->isVisible(),
                         child<QLabel>(*lw.w, "lab_cable_start")->isEnabled()),
              std::tuple("PASS", true, false, true));
    auto* minute = child<QLabel>(*lw.w, "lab_cable_minute");
    lw.wait(10000, [&] { return minute->text() == "2"; });  // the counters are polled after the run state
    EXPECT_EQ(minute->text(), "2");
    EXPECT_TRUE(lw.dialogs.messages.empty()) << lw.dialogs.first();
}

TEST(CableCecWindow, CecLogFillsAndTheTerminalShowsRepliesAsPlainText) {
    linked_window lw({"--model", "MRV-510", "--cec-interval-ms", "150"}, 6);
    ASSERT_TRUE(lw.linked());  // the rig reports a simulator that did not start
    auto& ctx = lw.ctx();
    auto* log = child<QPlainTextEdit>(*lw.w, "txt_cec_monitor_log");
    // the twelve lines of the log: Cec.LogFillsOverTwelvePolls...
    auto filled = [&] { return log->toPlainText().split('\n', Qt::SkipEmptyParts).size(); };
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
    EXPECT_EQ((QStringList{list->topLevelItem(0)->text(0), list->topLevelItem(2)->text(0),
                           list->topLevelItem(1)->text(1)}),
              (QStringList{"127.0.0.1", "127.0.0.3", "00:1A:2B:3C:4D:5F"}));
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
    EXPECT_EQ(std::tuple(ctx.link.eth_connected, ctx.view.fra_discovery.visible), std::tuple(true, false));
}

}  // namespace
}  // namespace vexlan
