// Page 4 under the offscreen platform against the unit simulator: the monitor types render the
// unit's values, the report replaces the page and EXIT brings it back; the --page start option.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QDir>
#include <QImage>

#include "link/app_dir.h"
#include "link/tasks.h"
#include "link/transports.h"
#include "ui/app_options.h"
#include "ui/frm_main.h"
#include "ui/main_runtime.h"
#include "ui/screenshot.h"
#include "sim_process.h"

namespace vexlan {
namespace {

using testing::sim_process;

struct silent_dialogs : dialog_port {
    msg_answer message_box(const std::string& text, msg_icon, msg_buttons, const std::string&) override {
        messages.push_back(text);
        return msg_answer::ok;
    }
    std::vector<std::string> messages;
};

// A window linked to a simulator in the given task mode, showing page 4.
struct monitor_window {
    sim_process sim;
    QTemporaryDir dir;
    silent_dialogs dialogs;
    std::unique_ptr<main_runtime> rt;
    std::unique_ptr<frm_main> w;

    explicit monitor_window(const char* task) : sim({"--model", "MRV-510", "--task", task}) {
        const std::string app_dir = dir.path().toStdString();
        app_dir_prepare(app_dir, VEXLAN_DATA_DIR);
        runtime_options ro;
        ro.app_dir = app_dir;
        ro.unit_port = sim.port();
        rt = std::make_unique<main_runtime>(ro, &dialogs);
        w = std::make_unique<frm_main>(*rt);
        w->start();
        auto& ctx = rt->ctx;
        cbo_interface_change(ctx, 1);
        ctx.view.txt_eth_ip.caption = "127.0.0.1";
        cmd_eth_open_click(ctx);
        wait(8000, [&] { return ctx.profile.model_index != model_none && !ctx.link.cmd_busy; });
        cmd_main_click(ctx, 4);
    }
    ~monitor_window() {
        if (w) w->close();
    }
    void wait(int ms, const std::function<bool()>& done) {
        rt->pump.wait_until(rt->clock.now_ms() + static_cast<std::uint32_t>(ms), done);
    }
    template <class W>
    W* child(const QString& name) {
        auto* c = w->findChild<W*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    QString text(const QString& name) {
        auto* l = child<QLabel>(name);
        return l ? l->text() : QString();
    }
    QString shown() { return child<QStackedWidget>("fra_monitor")->currentWidget()->objectName(); }
};

TEST(MonitorPage, AnalyserTypesShowTheSourceAndTheReportReplacesThePage) {
    monitor_window m("analyser");
    ASSERT_TRUE(m.sim.ok());
    auto& ctx = m.rt->ctx;
    ASSERT_EQ(ctx.tasks.task_mode, 0);
    ASSERT_TRUE(m.rt->timers.enabled(timer_id::tim_monitor));
    EXPECT_EQ(m.shown(), "fra_monitor_0");
    m.wait(5000, [&] { return m.text("lab_sink_rx_scdcx") != ""; });
    EXPECT_EQ(m.text("lab_source_resox"), "1920x1080p60");
    EXPECT_EQ(m.text("lab_source_cscx"), "RGB");
    EXPECT_EQ(m.child<QLabel>("lab_source_avi")->palette().color(QPalette::WindowText), QColor(0, 0, 0));
    EXPECT_EQ(m.child<QLabel>("lab_source_drmi")->palette().color(QPalette::WindowText), QColor(144, 144, 144));
    EXPECT_EQ(m.child<QGroupBox>("fra_monitor_m41")->title(), "MRV-510");

    m.child<QRadioButton>("opt_mon_type_1")->click();
    EXPECT_EQ(m.shown(), "fra_monitor_1");
    m.wait(3000, [&] { return m.text("lab_video_14") != ""; });
    EXPECT_EQ(m.text("lab_video_4"), "67500");
    EXPECT_EQ(m.text("lab_video_14"), "60.00");
    EXPECT_EQ(m.text("lab_video_3"), "4.455");

    m.child<QCheckBox>("chk_mon_report_1")->setChecked(true);
    m.child<QCheckBox>("chk_mon_report_3")->setChecked(true);
    m.child<QPushButton>("cmd_monitor_report")->click();
    EXPECT_EQ(m.shown(), "txt_monitor_report");
    const QString report = m.child<QPlainTextEdit>("txt_monitor_report")->toPlainText();
    EXPECT_TRUE(report.startsWith("Monitor Report ")) << report.toStdString();
    EXPECT_TRUE(report.contains("\nSource H Frequency = 67500 Hz\n"));
    EXPECT_TRUE(report.contains("   Vendor     = VEXLAN\n"));
    EXPECT_TRUE(report.endsWith("\nEND."));
    EXPECT_FALSE(m.child<QGroupBox>("fra_mon_type")->isEnabled());
    EXPECT_TRUE(m.child<QPushButton>("cmd_monitor_save")->isVisibleTo(m.w.get()));
    EXPECT_FALSE(m.rt->timers.enabled(timer_id::tim_monitor));

    m.child<QPushButton>("cmd_monitor_exit")->click();
    EXPECT_EQ(m.shown(), "fra_monitor_1");
    EXPECT_TRUE(m.child<QGroupBox>("fra_mon_type")->isEnabled());
    EXPECT_FALSE(m.child<QPushButton>("cmd_monitor_save")->isVisibleTo(m.w.get()));
    EXPECT_TRUE(m.rt->timers.enabled(timer_id::tim_monitor));
    EXPECT_TRUE(m.dialogs.messages.empty());
}

TEST(MonitorPage, PatternModeShowsTheSinkSide) {
    monitor_window m("pattern");
    ASSERT_TRUE(m.sim.ok());
    m.child<QRadioButton>("opt_mon_type_4")->click();
    EXPECT_EQ(m.text("lab_title_hdcp_scdc"), "Sink HDCP & SCDC");
    EXPECT_EQ(m.text("lab_item_h_0"), "MRV-510 Tx HDCP");
    m.wait(3000, [&] { return m.text("lab_hdcp_9") != ""; });
    EXPECT_EQ(m.text("lab_hdcp_0"), "Off");  // HDCP output off at start
    EXPECT_EQ(m.text("lab_hdcp_1"), "74E2A1C35B");
    // the Video Timing type has nothing to poll in pattern mode
    m.child<QRadioButton>("opt_mon_type_1")->click();
    EXPECT_EQ(m.rt->ctx.tasks.poll_list[0], none_254);
}

TEST(MonitorPage, ScreenshotsOfEachTypeAndTheReport) {
    monitor_window m("analyser");
    ASSERT_TRUE(m.sim.ok());
    QTemporaryDir out;
    EXPECT_EQ(screenshot_run(*m.rt, *m.w, out.path().toStdString(), true), 0);
    std::vector<QImage> shots;
    for (const char* name : {"page4_type0.png", "page4_type1.png", "page4_type2.png", "page4_type3.png",
                             "page4_type4.png", "page4_report.png"}) {
        shots.emplace_back(QDir(out.path()).filePath(name));
        EXPECT_FALSE(shots.back().isNull()) << name;
    }
    for (std::size_t i = 1; i < shots.size(); ++i) EXPECT_NE(shots[i], shots[i - 1]) << "picture " << i;
}

TEST(MonitorPage, StartPageOption) {
    EXPECT_EQ(app_options_parse({"--page", "4"}, nullptr, nullptr).start_page, 4);
    EXPECT_EQ(app_options_parse({"--page=0"}, nullptr, nullptr).start_page, 0);
    EXPECT_EQ(app_options_parse({}, nullptr, nullptr).start_page, -1);
    for (const char* bad : {"7", "-1", "x", "44", ""})
        EXPECT_NE(app_options_parse({"--page", bad}, nullptr, nullptr).error, "") << bad;
}

}  // namespace
}  // namespace vexlan
