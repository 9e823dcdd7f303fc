// The main window under the offscreen platform, against the real unit simulator over loopback
// TCP: start-up, connect, link, every page, close with the settings and favourites on disk.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QTreeWidget>
#include <QDialog>
#include <tuple>

#include "link/app_dir.h"
#include "link/settings.h"
#include "link/transports.h"
#include "ui/app_options.h"
#include "ui/frm_main.h"
#include "ui/main_runtime.h"
#include "ui/qt_dialogs.h"
#include "platform/serial_ports.h"
#include "sim_process.h"

namespace vexlan {
namespace {

using testing::sim_process;

struct recording_dialogs : dialog_port {
    msg_answer message_box(const std::string& text, msg_icon, msg_buttons, const std::string&) override {
        messages.push_back(text);
        return msg_answer::ok;
    }
    std::vector<std::string> messages;
};

template <class W>
W* child(QWidget& w, const char* name) {
    auto* c = w.findChild<W*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
}

void wait_for(main_runtime& rt, int ms, const std::function<bool()>& done) {
    rt.pump.wait_until(rt.clock.now_ms() + static_cast<std::uint32_t>(ms), done);
}

QColor face(QPushButton* b) { return b->palette().color(QPalette::Button); }

QPushButton* page_button(QWidget& w, int i) {
    return child<QPushButton>(w, QString("cmd_main_%1").arg(i).toLatin1().constData());
}

// A fresh application folder with the shipped files, and the options to run in it.
struct app_folder {
    QTemporaryDir dir;
    recording_dialogs dialogs;
    runtime_options ro;
    app_folder() {
        EXPECT_TRUE(dir.isValid());
        ro.app_dir = dir.path().toStdString();
        EXPECT_TRUE(app_dir_prepare(ro.app_dir, VEXLAN_DATA_DIR).empty());
    }
    QString file(const char* name) const { return dir.filePath(name); }
};

TEST(MainWindow, ConnectsLinksVisitsEveryPageAndSavesAtClose) {
    sim_process sim({"--verbose", "--model", "MRV-410", "--fw", "2.18.4"});
    ASSERT_TRUE(sim.ok()) << "simulator did not start: " << VEXLAN_SIM_PATH;

    app_folder app;
    auto& dialogs = app.dialogs;
    app.ro.unit_port = sim.port();
    main_runtime rt(app.ro, &dialogs);
    auto& ctx = rt.ctx;
    {
        frm_main w(rt);
        w.start();
        EXPECT_EQ(w.height(), w.twips_to_px(10740));
        EXPECT_EQ(child<QLabel>(w, "lab_link")->text(), "Not Linked");
        // Nothing is opened at start; the m41 catalogue is in the lists.
        EXPECT_FALSE(ctx.link.eth_connected);
        EXPECT_FALSE(ctx.link.com_open);
        EXPECT_EQ(child<QTreeWidget>(w, "lstv_timing")->topLevelItemCount(), ctx.catalogue.timing_count);
        EXPECT_GT(ctx.catalogue.timing_count, 0);

        // Ethernet, the address typed in, Connect.
        child<QComboBox>(w, "cbo_interface")->setCurrentIndex(1);
        EXPECT_EQ(ctx.link.link_iface, 1);
        auto* ip = child<QLineEdit>(w, "txt_eth_ip");
        EXPECT_TRUE(ip->isVisible());
        EXPECT_FALSE(child<QPushButton>(w, "cmd_rs232_open")->isVisible());
        ip->setText("127.000.000.001");
        emit ip->textEdited(ip->text());
        auto* connect_button = child<QPushButton>(w, "cmd_eth_open");
        EXPECT_EQ(face(connect_button), QColor(192, 0, 0));
        EXPECT_EQ(connect_button->toolTip(), "Click to connect unit");
        connect_button->click();
        EXPECT_EQ(ip->text(), "127.0.0.1");

        // The housekeeping links the unit by itself.
        wait_for(rt, 8000, [&] { return ctx.profile.model_index == 0 && !ctx.link.cmd_busy; });
        ASSERT_TRUE(ctx.link.eth_connected);
        ASSERT_EQ(ctx.profile.model_index, 0);
        EXPECT_EQ(child<QLabel>(w, "lab_model")->text(), "MRV-410");
        EXPECT_EQ(child<QLabel>(w, "lab_fw_ver")->text(), "FW: 2.18.4");
        EXPECT_EQ(child<QLabel>(w, "lab_link")->text(), "Accepted");
        EXPECT_EQ(face(connect_button), QColor(0, 128, 0));
        EXPECT_FALSE(child<QLabel>(w, "img_cable_test")->isVisible());   // not a second-family unit
        EXPECT_FALSE(child<QPushButton>(w, "cmd_main_5")->isVisible());

        // Every page in turn: its button pressed, its panel shown.
        auto* pages = child<QStackedWidget>(w, "fra_pages");
        for (int i = 0; i < 7; ++i) {
            SCOPED_TRACE(i);
            auto* b = page_button(w, i);
            if (b->isVisible() && b->isEnabled()) b->click();
            else cmd_main_click(ctx, i);
            wait_for(rt, 300, [] { return false; });
            EXPECT_EQ(ctx.tasks.main_page, i);
            EXPECT_EQ(face(b), QColor(255, 192, 128));
            if (ctx.view.fra_main[static_cast<std::size_t>(i)].visible) {
                EXPECT_EQ(pages->currentWidget()->objectName(), QString("fra_main_%1").arg(i));
            }
            for (int j = 0; j < 7; ++j)
                if (j != i) { EXPECT_EQ(face(page_button(w, j)), QColor(192, 192, 192)) << j; }
        }
        // On the CEC page the unit was polled for its log lines.
        EXPECT_NE(sim.log().find("$cec_log_msg? 2"), std::string::npos) << sim.log();
        EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();

        // Close: settings and favourites are written.
        QFile::remove(app.file("m41_timing_pattern_fav.ini"));
        ASSERT_FALSE(QFileInfo::exists(app.file("Vexlan_ini.txt")));
        w.close();
        EXPECT_TRUE(w.unloaded());
    }
    EXPECT_TRUE(QFileInfo::exists(app.file("m41_timing_pattern_fav.ini")));
    const auto back = settings_read(app.file("Vexlan_ini.txt").toStdString());
    EXPECT_TRUE(back.problems.empty());
    EXPECT_EQ(back.values.link_iface, 1);
    EXPECT_EQ(back.values.eth_ip, "127.0.0.1");
}

TEST(MainWindow, RestartRestoresLinkChoicePortAddressPositionAndFiles) {
    app_folder app;
    const std::string ini = app.file("Vexlan_ini.txt").toStdString();
    const settings before{1, "10.1.2.3", 5, 1500, 900, true,
                          {"/srv/edid/a b, c.hex", "", "", "", "", "", "", "", "", "/srv/edid/last.bin"}};
    ASSERT_EQ(settings_write(ini, before), "");
    main_runtime rt(app.ro, &app.dialogs);
    {
        frm_main w(rt);
        w.start();
        EXPECT_EQ(child<QComboBox>(w, "cbo_interface")->currentIndex(), 1);
        EXPECT_EQ(child<QLineEdit>(w, "txt_eth_ip")->text(), "10.1.2.3");
        EXPECT_EQ(child<QComboBox>(w, "cbo_com")->currentIndex(), 4);
        EXPECT_EQ(rt.ctx.life.pre_files, before.pre_files);
        EXPECT_FALSE(rt.ctx.link.eth_connected);  // nothing is opened at start
        w.close();
    }
    const auto after = settings_read(ini);
    EXPECT_TRUE(after.problems.empty());
    EXPECT_EQ(std::tuple(after.values.link_iface, after.values.eth_ip, after.values.com_port), std::tuple(1, "10.1.2.3", 5));
    EXPECT_NEAR(after.values.window_left, 1500, 30);
    EXPECT_NEAR(after.values.window_top, 900, 30);
    EXPECT_EQ(after.values.pre_files, before.pre_files);
}

TEST(MainWindow, SerialPortOnAPseudoTerminalLinksASecondFamilyUnitInCableMode) {
    sim_process sim({"--verbose", "--pty", "--model", "MRV-410L", "--board-id", "2", "--task", "cable"});
    ASSERT_FALSE(sim.pty().empty()) << "simulator gave no pseudo-terminal";

    app_folder app;
    auto& dialogs = app.dialogs;
    app.ro.serial_device = sim.pty();
    main_runtime rt(app.ro, &dialogs);
    auto& ctx = rt.ctx;
    frm_main w(rt);
    w.start();

    auto* com = child<QComboBox>(w, "cbo_com");
    EXPECT_EQ(com->itemText(0), QString::fromStdString("COM1: (" + sim.pty() + ")"));
    EXPECT_EQ(child<QLabel>(w, "lab_rs232_protocol")->text(), "115200,N,8,1");
    auto* open = child<QPushButton>(w, "cmd_rs232_open");
    EXPECT_EQ(open->toolTip(), "Click to connect unit");
    open->click();  // opens COM1:, "$boot?", then links
    ASSERT_TRUE(ctx.link.com_open) << (dialogs.messages.empty() ? "" : dialogs.messages.front());
    EXPECT_EQ(face(open), QColor(0, 128, 0));
    EXPECT_EQ(open->toolTip(), "Click to disconnect unit");
    EXPECT_EQ(ctx.profile.model_index, 1);
    EXPECT_EQ(ctx.tasks.task_mode, 2);
    EXPECT_EQ(child<QLabel>(w, "lab_model")->text(), "MRV-410L .");
    EXPECT_EQ(ctx.catalogue.file_name, "m41l_new_timing_pattern.ini");
    EXPECT_EQ(child<QTreeWidget>(w, "lstv_pattern")->topLevelItemCount(), ctx.catalogue.pattern_count);

    // Cable mode of a second-family unit: only "Cable Test" is usable, no CEC page.
    auto* cable = child<QPushButton>(w, "cmd_main_5");
    EXPECT_TRUE(cable->isVisible());
    EXPECT_TRUE(cable->isEnabled());
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(page_button(w, i)->isEnabled()) << i;
    EXPECT_FALSE(child<QPushButton>(w, "cmd_main_6")->isVisible());
    EXPECT_TRUE(child<QLabel>(w, "img_cable_test")->isVisible());

    cable->click();
    wait_for(rt, 800, [] { return false; });
    const std::string log = sim.log();
    EXPECT_NE(log.find("$cable_level?"), std::string::npos) << log;
    EXPECT_NE(log.find("$timer_second?"), std::string::npos) << log;
    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();

    // "Device Manager" lists the ports, the given one first as COM1:.
    child<QPushButton>(w, "cmd_device")->click();
    auto* ports = child<QTableWidget>(w, "tbl_serial_ports");
    EXPECT_TRUE(child<QDialog>(w, "frm_device")->isVisible());
    ASSERT_GE(ports->rowCount(), 1);
    EXPECT_EQ(ports->item(0, 0)->text(), "COM1:");
    EXPECT_EQ(ports->item(0, 1)->text(), QString::fromStdString(sim.pty()));

    open->click();  // closes
    EXPECT_FALSE(ctx.link.com_open);
    EXPECT_EQ(face(open), QColor(192, 0, 0));
    w.close();
}

TEST(MainWindow, OptionsOfTheApplication) {
    // Options win over the environment.
    auto o = app_options_parse({"--unit-port=2323", "--app-dir", "/tmp/a", "--screenshot=/tmp/s", "--serial-device",
                                "/dev/ttyUSB1", "--connect"}, "5000", "/dev/pts/4");
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(o.unit_port, 2323);
    EXPECT_EQ(o.app_dir.value_or(""), "/tmp/a");
    EXPECT_EQ(o.screenshot_dir, "/tmp/s");
    EXPECT_EQ(o.serial_device, "/dev/ttyUSB1");
    EXPECT_TRUE(o.connect);
    o = app_options_parse({}, "5000", "/dev/pts/4");
    EXPECT_EQ(o.unit_port, 5000);
    EXPECT_TRUE(o.unit_port_given);
    EXPECT_EQ(o.serial_device, "/dev/pts/4");
    o = app_options_parse({"--connect-ip", "127.0.0.1"}, nullptr, nullptr);
    EXPECT_EQ(o.unit_port, 23);
    EXPECT_FALSE(o.unit_port_given);
    EXPECT_TRUE(o.connect);
    EXPECT_EQ(o.connect_ip, "127.0.0.1");
    using args = std::vector<std::string>;
    for (const args& bad : {args{"--unit-port", "0"}, args{"--unit-port", "70000"}, args{"--app-dir"}, args{"--bogus"}})
        EXPECT_NE(app_options_parse(bad, nullptr, nullptr).error, "") << bad[0];
    EXPECT_NE(app_options_parse({}, "x", nullptr).error, "");
}

TEST(MainWindow, SerialDevicesAreListedInAStableOrder) {
    std::vector<std::string> devices = {"/dev/ttyS10", "/dev/ttyACM0", "/dev/ttyS2", "/dev/ttyUSB10",
                                        "/dev/rfcomm0", "/dev/ttyUSB2", "/dev/ttyS0", "/dev/ttyUSB0"};
    std::sort(devices.begin(), devices.end(), serial_device_less);
    EXPECT_EQ(devices, (std::vector<std::string>{"/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyACM0",
                                                 "/dev/ttyS0", "/dev/ttyS2", "/dev/ttyS10", "/dev/rfcomm0"}));
    // A given device comes first and is what COM1: opens.
    serial_port_map map("/dev/pts/9");
    ASSERT_FALSE(map.entries().empty());
    EXPECT_EQ(map.device_for(1), "/dev/pts/9");
    EXPECT_TRUE(map.entries()[0].given);
    EXPECT_EQ(map.device_for(0), "");
    EXPECT_EQ(map.device_for(static_cast<int>(map.entries().size()) + 1), "");
}

TEST(MainWindow, FileDialogFiltersInQtForm) {
    EXPECT_EQ(qt_dialogs::filter_to_qt("HEX files (*.hex)|*.hex|All files|*.*"),
              "HEX files (*.hex) (*.hex);;All files (*.*)");
    EXPECT_EQ(qt_dialogs::filter_to_qt("EDID|*.hex;*.bin;*.ddc"), "EDID (*.hex *.bin *.ddc)");
    EXPECT_EQ(qt_dialogs::filter_to_qt(""), "");
}

}  // namespace
}  // namespace vexlan

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle("Fusion");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
