// The main window under the offscreen platform, against the real unit simulator over loopback
// TCP and a pseudo-terminal: start-up, connect, link, every page, close with the settings and
// favourites on disk; the operator's round on the EDID page; the pictures of every page; the
// application's options.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <tuple>

#include "edid/edid_files.h"
#include "edid/edid_page.h"
#include "edid/edid_sections.h"
#include "link/file_io.h"
#include "link/settings.h"
#include "platform/serial_ports.h"
#include "ui/app_options.h"
#include "ui/frm_copy_sink.h"
#include "ui/frm_diag.h"
#include "ui/frm_rx_edid.h"
#include "ui/qt_dialogs.h"
#include "ui/screenshot.h"
#include "window_rig.h"

namespace vexlan {
namespace {

QPushButton* page_button(QWidget& w, int i) { return child<QPushButton>(w, QString("cmd_main_%1").arg(i)); }

TEST(MainWindow, ConnectsLinksVisitsEveryPageAndSavesAtClose) {
    window_rig rig(QStringList{"--verbose", "--model", "MRV-410", "--fw", "2.18.4"});
    auto& ctx = rig.ctx();
    auto& w = *rig.w;
    EXPECT_EQ(w.height(), w.twips_to_px(10740));
    EXPECT_EQ(rig.text("lab_link"), "Not Linked");
    // The m41 catalogue is in the lists.
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
    rig.wait(8000, [&] { return rig.linked(); });
    ASSERT_TRUE(rig.linked());
    ASSERT_EQ(ctx.profile.model_index, 0);
    EXPECT_EQ(std::tuple(rig.text("lab_model"), rig.text("lab_fw_ver"), rig.text("lab_link")),
              std::tuple("MRV-410", "FW: 2.18.4", "Accepted"));
    EXPECT_EQ(face(connect_button), QColor(0, 128, 0));
    EXPECT_FALSE(child<QLabel>(w, "img_cable_test")->isVisible());  // not a second-family unit
    EXPECT_FALSE(page_button(w, 5)->isVisible());

    // Every page in turn: its button pressed, its panel shown.
    auto* pages = child<QStackedWidget>(w, "fra_pages");
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        auto* b = page_button(w, i);
        if (b->isVisible() && b->isEnabled()) b->click();
        else cmd_main_click(ctx, i);
        rig.wait(300);
        EXPECT_EQ(ctx.tasks.main_page, i);
        EXPECT_EQ(face(b), QColor(255, 192, 128));
        if (ctx.view.fra_main[static_cast<std::size_t>(i)].visible) {
            EXPECT_EQ(pages->currentWidget()->objectName(), QString("fra_main_%1").arg(i));
        }
        for (int j = 0; j < 7; ++j) {
            if (j != i) { EXPECT_EQ(face(page_button(w, j)), QColor(192, 192, 192)) << j; }
        }
    }
    // On the CEC page the unit was polled for its log lines.
    EXPECT_NE(rig.sim->log().find("$cec_log_msg? 2"), std::string::npos) << rig.sim->log();
    EXPECT_TRUE(rig.dialogs.messages.empty()) << rig.dialogs.first();

    // Close: the settings (their items: RestartRestoresLinkChoicePortAddressAndPosition) and the
    // favourites are written.
    const auto file = [&](const char* name) { return rig.dir.filePath(name); };
    QFile::remove(file("m41_timing_pattern_fav.ini"));
    ASSERT_FALSE(QFileInfo::exists(file("Vexlan_ini.txt")));
    w.close();
    EXPECT_TRUE(w.unloaded());
    rig.w.reset();
    EXPECT_TRUE(QFileInfo::exists(file("m41_timing_pattern_fav.ini")));
    EXPECT_TRUE(QFileInfo::exists(file("Vexlan_ini.txt")));
}

// The remembered EDID files go through the settings at start and close: Lifecycle tests.
TEST(MainWindow, RestartRestoresLinkChoicePortAddressAndPosition) {
    window_rig rig(std::nullopt, false);
    const std::string ini = rig.dir.filePath("Vexlan_ini.txt").toStdString();
    ASSERT_EQ(settings_write(ini, settings{1, "10.1.2.3", 5, 1500, 900, true, {}}), "");
    rig.start();
    EXPECT_EQ(std::tuple(rig.child<QComboBox>("cbo_interface")->currentIndex(),
                         rig.child<QLineEdit>("txt_eth_ip")->text(), rig.child<QComboBox>("cbo_com")->currentIndex()),
              std::tuple(1, "10.1.2.3", 4));
    EXPECT_FALSE(rig.ctx().link.eth_connected);  // nothing is opened at start
    ASSERT_TRUE(QFile::remove(QString::fromStdString(ini)));  // what close writes, not what start read
    rig.w->close();
    const auto after = settings_read(ini);
    EXPECT_TRUE(after.problems.empty());
    EXPECT_EQ(std::tuple(after.values.link_iface, after.values.eth_ip, after.values.com_port), std::tuple(1, "10.1.2.3", 5));
    EXPECT_NEAR(after.values.window_left, 1500, 30);
    EXPECT_NEAR(after.values.window_top, 900, 30);
}

TEST(MainWindow, SerialPortOnAPseudoTerminalLinksASecondFamilyUnitInCableMode) {
    window_rig rig(QStringList{"--verbose", "--pty", "--model", "MRV-410L", "--board-id", "2", "--task", "cable"});
    ASSERT_FALSE(rig.sim->pty().empty()) << "simulator gave no pseudo-terminal";
    auto& ctx = rig.ctx();
    auto& w = *rig.w;
    const QString pty = QString::fromStdString(rig.sim->pty());

    EXPECT_EQ(child<QComboBox>(w, "cbo_com")->itemText(0), "COM1: (" + pty + ")");
    EXPECT_EQ(rig.text("lab_rs232_protocol"), "115200,N,8,1");
    auto* open = child<QPushButton>(w, "cmd_rs232_open");
    EXPECT_EQ(open->toolTip(), "Click to connect unit");
    open->click();  // opens COM1:, "$boot?", then links
    ASSERT_TRUE(ctx.link.com_open) << rig.dialogs.first();
    EXPECT_EQ(std::tuple(face(open), open->toolTip()), std::tuple(QColor(0, 128, 0), "Click to disconnect unit"));
    EXPECT_EQ(std::tuple(ctx.profile.model_index, ctx.tasks.task_mode), std::tuple(1, 2));
    EXPECT_EQ(rig.text("lab_model"), "MRV-410L .");
    EXPECT_EQ(ctx.catalogue.file_name, "m41l_new_timing_pattern.ini");
    EXPECT_EQ(child<QTreeWidget>(w, "lstv_pattern")->topLevelItemCount(), ctx.catalogue.pattern_count);

    // Cable mode of a second-family unit: only "Cable Test" is usable, no CEC page.
    auto* cable = page_button(w, 5);
    EXPECT_TRUE(cable->isVisible() && cable->isEnabled());
    for (int i = 0; i < 5; ++i) EXPECT_FALSE(page_button(w, i)->isEnabled()) << i;
    EXPECT_FALSE(page_button(w, 6)->isVisible());
    EXPECT_TRUE(child<QLabel>(w, "img_cable_test")->isVisible());

    cable->click();
    rig.wait(800);
    const std::string log = rig.sim->log();
    EXPECT_NE(log.find("$cable_level?"), std::string::npos) << log;
    EXPECT_NE(log.find("$timer_second?"), std::string::npos) << log;
    EXPECT_TRUE(rig.dialogs.messages.empty()) << rig.dialogs.first();

    // "Device Manager" lists the ports, the given one first as COM1:.
    child<QPushButton>(w, "cmd_device")->click();
    auto* ports = child<QTableWidget>(w, "tbl_serial_ports");
    EXPECT_TRUE(child<QDialog>(w, "frm_device")->isVisible());
    ASSERT_GE(ports->rowCount(), 1);
    EXPECT_EQ((QStringList{ports->item(0, 0)->text(), ports->item(0, 1)->text()}), (QStringList{"COM1:", pty}));

    open->click();  // closes
    EXPECT_FALSE(ctx.link.com_open);
    EXPECT_EQ(face(open), QColor(192, 0, 0));
}

// The text as a text box shows it: CR LF as LF.
std::string lf(const std::string& s) { return QString::fromStdString(s).replace("\r\n", "\n").toStdString(); }

std::string file_of(const std::string& path) { return read_file(path).bytes.value_or("<missing>"); }

TEST(EdidPageWindow, OperatorRoundAgainstTheSimulator) {
    const std::string sink_file = std::string(VEXLAN_DATA_DIR) + "/edid/vexlan_block_map_4b.bin";
    const std::string open_file = std::string(VEXLAN_DATA_DIR) + "/edid/vexlan_4k30_2b.bin";
    window_rig rig(QStringList{"--verbose", "--sink-edid", QString::fromStdString(sink_file)});
    auto& ctx = rig.ctx();
    auto& P = ctx.edid_page;
    auto& w = *rig.w;
    auto& dialogs = rig.dialogs;
    EXPECT_FALSE(P.edid.vic_name[16].empty());  // the start-up step filled the VIC table

    ASSERT_TRUE(rig.link());
    ASSERT_EQ(ctx.profile.model_index, 0);  // MRV-410

    // The page: slot names arrive with the refresh that showing it runs.
    child<QPushButton>(w, "cmd_main_0")->click();
    rig.wait(5000, [&] { return !ctx.tasks.refresh_running && edid_read_item(ctx, 3) != "---"; });
    auto* read_list = child<QComboBox>(w, "imgcbo_read");
    auto* write_list = child<QComboBox>(w, "imgcbo_write");
    EXPECT_EQ((QStringList{read_list->itemText(2), read_list->itemText(1), write_list->itemText(2)}),
              (QStringList{"HDMI 1080P", "VGA  Sink", "VXL.VEXLAN HD TV"}));
    EXPECT_EQ(read_list->currentIndex(), 2);

    // READ of the four-block sink; the page's buttons are disabled while it runs.
    emit read_list->activated(0);
    auto* read = child<QPushButton>(w, "cmd_read_0");
    // Sampled on every pass of the event loop, which runs only inside the click's waits.
    int samples = 0, enabled = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        ++samples;
        if (read->isEnabled() || read_list->isEnabled()) ++enabled;
    });
    probe.start(0);
    read->click();
    probe.stop();
    EXPECT_GT(samples, 0);
    EXPECT_EQ(enabled, 0) << "of " << samples << " samples";
    EXPECT_TRUE(read->isEnabled());
    EXPECT_EQ(P.edid.edid_info_read.edid_size, 512);
    const std::string sink = file_of(sink_file);
    EXPECT_EQ(std::string(P.edid.edid_info_read.edid_image.begin(), P.edid.edid_info_read.edid_image.begin() + 512), sink);
    EXPECT_EQ(child<QPlainTextEdit>(w, "rtxt_edid_read")->toPlainText().toStdString(), lf(P.rtxt_edid_read));

    // OPEN a file, WRITE it to c4, READ c4 back, COMPARE.
    dialogs.opens.push_back(open_file);
    child<QPushButton>(w, "cmd_write_1")->click();
    EXPECT_EQ(w.windowTitle().toStdString(), open_file + " - " + app_title);
    auto* write_button = child<QPushButton>(w, "cmd_write_4");
    EXPECT_TRUE(write_button->isEnabled());
    emit write_list->activated(5);
    write_button->click();
    EXPECT_NE(write_list->itemText(5), "Empty");
    EXPECT_EQ(write_list->itemText(5), read_list->itemText(15));
    emit read_list->activated(15);
    read->click();
    child<QPushButton>(w, "cmd_read_1")->click();
    EXPECT_EQ(rig.texts({"lab_read_msg1", "lab_read_msg2"}), (QStringList{"Match", " entirely."}));

    // ANALYZE, a section, Save Report, EXIT.
    child<QPushButton>(w, "cmd_read_4")->click();
    auto* frame = child<QGroupBox>(w, "fra_edid_analyse");
    EXPECT_TRUE(frame->isVisible());
    auto* tree = child<QTreeWidget>(w, "tree_edid");
    ASSERT_EQ(tree->topLevelItemCount(), 3);
    EXPECT_TRUE(tree->topLevelItem(0)->font(0).bold());
    auto* ana = child<QPlainTextEdit>(w, "txt_edid_ana");
    EXPECT_EQ(ana->toPlainText().toStdString(), lf(P.analysed_summary));
    QTreeWidgetItem* vendor = tree->findItems("Vendor/Product Id", Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(vendor, nullptr);
    emit tree->itemClicked(vendor, 0);
    EXPECT_TRUE(vendor->font(0).bold());
    EXPECT_FALSE(tree->topLevelItem(0)->font(0).bold());
    const std::string section = edid_section_text(P.edid.edid_info_read.edid_image.data(), 256, "block0_vendor");
    ASSERT_FALSE(section.empty());
    EXPECT_EQ(ana->toPlainText().toStdString(), lf(section));
    dialogs.saves.push_back(rig.dir.filePath("report").toStdString());
    child<QPushButton>(w, "cmd_edid_save_report")->click();
    const std::string report = file_of(rig.dir.filePath("report.txt").toStdString());
    EXPECT_NE(report.find("Model: MRV-410 , "), std::string::npos);
    EXPECT_TRUE(report.ends_with(section + "\r\nEND.\r\n"));
    child<QPushButton>(w, "cmd_edid_exit")->click();
    EXPECT_FALSE(frame->isVisible());

    // Rename c3 (WRITE item 5).
    emit write_list->activated(4);
    auto* name = child<QLineEdit>(w, "txt_edid_rename");
    name->setText("BENCH TV");
    emit name->textEdited(name->text());
    child<QPushButton>(w, "cmd_write_rename")->click();
    EXPECT_EQ((QStringList{write_list->itemText(4), read_list->itemText(14)}), (QStringList{"BENCH TV", "BENCH TV"}));

    // Rx EDID: c4 chosen in the dialog (that the unit keeps it: CliEdidStores).
    on_modal<frm_rx_edid>([](frm_rx_edid& d) { d.choose(15); });
    child<QPushButton>(w, "cmd_write_6")->click();
    EXPECT_EQ(P.rx_edid_slot, 15);

    // Sink copy into c4, the slot the READ list shows: it is read back at once (the SAVE below holds it).
    on_modal<frm_copy_sink>([](frm_copy_sink& d) {
        d.select(4);
        d.copy_click();
    });
    child<QPushButton>(w, "cmd_read_3")->click();
    EXPECT_EQ(P.copy_slot, 4);

    // SAVE of the READ side as simple HEX through the chooser, loaded back.
    on_modal<frm_diag>([](frm_diag& d) { d.ok_click(); });
    dialogs.saves.push_back(rig.dir.filePath("saved").toStdString());
    child<QPushButton>(w, "cmd_read_6")->click();
    const auto back = edid_file_load(rig.dir.filePath("saved.hex").toStdString());
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(std::string(back.bytes.begin(), back.bytes.end()), sink.substr(0, 256));
    EXPECT_EQ(P.hex_save_type, 1);

    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.first();
}

// The pictures of every page, unlinked and with a unit linked in the task modes that change the
// pages (analyser: the monitor's types; cable: page 5).
TEST(Screenshots, EveryPageUnlinkedAndLinked) {
    // the simulator's options, and the picture only that mode shows
    const std::pair<std::optional<QStringList>, const char*> rows[] = {{std::nullopt, "page0.png"},
                        {QStringList{"--model", "MRV-510", "--task", "analyser", "--udp-port", "0"}, "page6.png"},
                        {QStringList{"--model", "MRV-410L", "--task", "cable", "--udp-port", "0"}, "page5.png"}};
    for (const auto& [sim, special] : rows) {
        SCOPED_TRACE(special);
        window_rig rig(sim);
        QTemporaryDir out;
        EXPECT_EQ(screenshot_run(*rig.rt, *rig.w, out.path().toStdString(), sim.has_value()), 0);
        EXPECT_EQ(rig.ctx().edid_page.edid.edid_info_write.edid_type, edid_type_hdmi);  // the sample is sound
        std::vector<QImage> shots;
        for (const char* name : {"page4_type0.png", "page4_type1.png", "page4_type2.png", "page4_type3.png",
                                 "page4_type4.png", "page4_report.png", "page0_edid.png", "page0_analysis.png",
                                 "terminal.png", "discovery.png", special}) {
            shots.emplace_back(QDir(out.path()).filePath(name));
            EXPECT_FALSE(shots.back().isNull()) << name;
        }
        if (sim && sim->contains("analyser")) {
            for (std::size_t i = 1; i < 6; ++i) EXPECT_NE(shots[i], shots[i - 1]) << "monitor picture " << i;
        }
    }
}

// Given options win over the environment, each has its default, and each bad one is refused.
TEST(AppOptions, GivenOverEnvironmentDefaultsAndRefusals) {
    auto o = app_options_parse({"--unit-port=2323", "--app-dir", "/tmp/a", "--screenshot=/tmp/s", "--serial-device",
                                "/dev/ttyUSB1", "--connect", "--page", "4", "--discovery-target", "127.0.0.1:41001",
                                "--discovery-port=0"}, "5000", "/dev/pts/4");
    EXPECT_EQ(o.error, "");
    EXPECT_EQ(std::tuple(o.unit_port, o.app_dir.value_or(""), o.screenshot_dir, o.serial_device, o.connect, o.start_page),
              std::tuple(2323, "/tmp/a", "/tmp/s", "/dev/ttyUSB1", true, 4));
    EXPECT_EQ(std::tuple(o.discovery_host, o.discovery_port, o.discovery_local_port), std::tuple("127.0.0.1", 41001, 0));
    o = app_options_parse({}, "5000", "/dev/pts/4");
    EXPECT_EQ(std::tuple(o.unit_port, o.unit_port_given, o.serial_device), std::tuple(5000, true, "/dev/pts/4"));
    o = app_options_parse({}, nullptr, nullptr);
    EXPECT_EQ(std::tuple(o.start_page, o.discovery_host, o.discovery_port, o.discovery_local_port),
              std::tuple(-1, "255.255.255.255", 31001, 31002));
    o = app_options_parse({"--connect-ip", "127.0.0.1", "--page=0", "--discovery-target", "127.0.0.1"}, nullptr, nullptr);
    EXPECT_EQ(std::tuple(o.unit_port, o.unit_port_given, o.connect, o.connect_ip, o.start_page, o.discovery_port),
              std::tuple(23, false, true, "127.0.0.1", 0, 31001));
    using args = std::vector<std::string>;
    for (const args& bad : {args{"--unit-port", "0"}, args{"--unit-port", "70000"}, args{"--app-dir"}, args{"--bogus"},
                            args{"--page", "7"}, args{"--page", "-1"}, args{"--page", "x"}, args{"--page", "44"},
                            args{"--page", ""}, args{"--discovery-target", "127.0.0.1:x"},
                            args{"--discovery-port", "65536"}, args{"--discovery-port"}})
        EXPECT_NE(app_options_parse(bad, nullptr, nullptr).error, "") << ::testing::PrintToString(bad);
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
    EXPECT_TRUE(map.entries()[0].given);
    EXPECT_EQ((std::vector{map.device_for(1), map.device_for(0), map.device_for(int(map.entries().size()) + 1)}),
              (std::vector<std::string>{"/dev/pts/9", "", ""}));
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
