// The EDID page in the main window under the offscreen platform, against the unit simulator over
// loopback TCP: the operator's whole round of READ, OPEN, WRITE, COMPARE, ANALYZE with a section
// and its report, rename, Rx EDID, sink copy and SAVE; and the page's pictures.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <deque>

#include "edid/edid_files.h"
#include "edid/edid_page.h"
#include "edid/edid_sections.h"
#include "link/app_dir.h"
#include "link/file_io.h"
#include "link/transports.h"
#include "ui/frm_copy_sink.h"
#include "ui/frm_diag.h"
#include "ui/frm_main.h"
#include "ui/frm_rx_edid.h"
#include "ui/main_runtime.h"
#include "ui/screenshot.h"
#include "sim_process.h"

namespace vexlan {
namespace {

using testing::sim_process;

struct script_dialogs : dialog_port {
    msg_answer message_box(const std::string& text, msg_icon, msg_buttons, const std::string&) override {
        messages.push_back(text);
        return msg_answer::yes;
    }
    std::string file_open(file_dialog_request&) override { return pop(opens); }
    std::string file_save(file_dialog_request& req) override {
        req.filter_index = 1;
        return pop(saves);
    }
    static std::string pop(std::deque<std::string>& q) {
        if (q.empty()) return {};
        std::string s = q.front();
        q.pop_front();
        return s;
    }
    std::vector<std::string> messages;
    std::deque<std::string> opens, saves;
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

// Runs `act` on the modal dialog of type D once it is shown by the next click.
template <class D>
void on_modal(std::function<void(D&)> act) {
    QTimer::singleShot(0, [act] {
        auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        act(*d);
        d->accept();
    });
}

std::string lf(std::string s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i)
        if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out.push_back(s[i]);
    return out;
}

std::string file_of(const std::string& path) { return read_file(path).bytes.value_or("<missing>"); }

TEST(EdidPageWindow, OperatorRoundAgainstTheSimulator) {
    const std::string sink_file = std::string(VEXLAN_DATA_DIR) + "/edid/vexlan_block_map_4b.bin";
    const std::string open_file = std::string(VEXLAN_DATA_DIR) + "/edid/vexlan_4k30_2b.bin";
    sim_process sim({"--verbose", "--sink-edid", QString::fromStdString(sink_file)});
    ASSERT_TRUE(sim.ok());
    QTemporaryDir dir;
    ASSERT_TRUE(app_dir_prepare(dir.path().toStdString(), VEXLAN_DATA_DIR).empty());
    script_dialogs dialogs;
    runtime_options ro;
    ro.app_dir = dir.path().toStdString();
    ro.unit_port = sim.port();
    main_runtime rt(ro, &dialogs);
    auto& ctx = rt.ctx;
    auto& P = ctx.edid_page;
    frm_main w(rt);
    w.start();
    EXPECT_FALSE(P.edid.vic_name[16].empty());  // the start-up step filled the VIC table

    cbo_interface_change(ctx, 1);
    ctx.view.txt_eth_ip.caption = "127.0.0.1";
    cmd_eth_open_click(ctx);
    wait_for(rt, 8000, [&] { return ctx.profile.model_index == 0 && !ctx.link.cmd_busy; });
    ASSERT_EQ(ctx.profile.model_index, 0);

    // The page: slot names arrive with the refresh that showing it runs.
    child<QPushButton>(w, "cmd_main_0")->click();
    wait_for(rt, 5000, [&] { return !ctx.tasks.refresh_running && edid_read_item(ctx, 3) != "---"; });
    auto* read_list = child<QComboBox>(w, "imgcbo_read");
    auto* write_list = child<QComboBox>(w, "imgcbo_write");
    EXPECT_EQ(read_list->itemText(2), "HDMI 1080P");
    EXPECT_EQ(read_list->itemText(1), "VGA  Sink");
    EXPECT_EQ(write_list->itemText(2), "VXL.VEXLAN HD TV");
    EXPECT_EQ(read_list->currentIndex(), 2);

    // READ of the four-block sink; the page's buttons are disabled while it runs.
    emit read_list->activated(0);
    auto* read = child<QPushButton>(w, "cmd_read_0");
    bool disabled_during = false;
    QTimer::singleShot(1, [&] { disabled_during = !read->isEnabled() && !read_list->isEnabled(); });
    read->click();
    EXPECT_TRUE(disabled_during);
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
    EXPECT_EQ(child<QLabel>(w, "lab_read_msg1")->text(), "Match");
    EXPECT_EQ(child<QLabel>(w, "lab_read_msg2")->text(), " entirely.");

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
    dialogs.saves.push_back(dir.filePath("report").toStdString());
    child<QPushButton>(w, "cmd_edid_save_report")->click();
    const std::string report = file_of(dir.filePath("report.txt").toStdString());
    EXPECT_EQ(report.rfind("EDID Analysis Report ", 0), 0u);
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
    EXPECT_EQ(write_list->itemText(4), "BENCH TV");
    EXPECT_EQ(read_list->itemText(14), "BENCH TV");

    // Rx EDID: c4 chosen in the dialog (that the unit keeps it: CliEdidStores).
    on_modal<frm_rx_edid>([](frm_rx_edid& d) { d.choose(15); });
    child<QPushButton>(w, "cmd_write_6")->click();
    EXPECT_EQ(P.rx_edid_slot, 15);

    // Sink copy into c4, the slot the READ list shows: it is read back at once.
    on_modal<frm_copy_sink>([](frm_copy_sink& d) {
        d.select(4);
        d.copy_click();
    });
    child<QPushButton>(w, "cmd_read_3")->click();
    EXPECT_EQ(P.copy_slot, 4);
    EXPECT_EQ(std::string(P.edid.edid_info_read.edid_image.begin(), P.edid.edid_info_read.edid_image.begin() + 256),
              sink.substr(0, 256));

    // SAVE of the READ side as simple HEX through the chooser, loaded back.
    on_modal<frm_diag>([](frm_diag& d) { d.ok_click(); });
    dialogs.saves.push_back(dir.filePath("saved").toStdString());
    child<QPushButton>(w, "cmd_read_6")->click();
    const auto back = edid_file_load(dir.filePath("saved.hex").toStdString());
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(std::string(back.bytes.begin(), back.bytes.end()), sink.substr(0, 256));
    EXPECT_EQ(P.hex_save_type, 1);

    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.messages.front();
    w.close();
}

TEST(EdidPageWindow, ScreenshotsShowTheEdidPageWithAnImageAndTheAnalysis) {
    QTemporaryDir dir;
    ASSERT_TRUE(app_dir_prepare(dir.path().toStdString(), VEXLAN_DATA_DIR).empty());
    script_dialogs dialogs;
    runtime_options ro;
    ro.app_dir = dir.path().toStdString();
    main_runtime rt(ro, &dialogs);
    frm_main w(rt);
    w.start();
    const std::string shots = dir.filePath("shots").toStdString();
    EXPECT_EQ(screenshot_run(rt, w, shots, false), 0);
    for (const char* name : {"page0.png", "page0_edid.png", "page0_analysis.png"})
        EXPECT_TRUE(QFileInfo::exists(QDir(QString::fromStdString(shots)).filePath(name))) << name;
    EXPECT_EQ(rt.ctx.edid_page.edid.edid_info_write.edid_type, edid_type_hdmi);  // the sample is sound
}

}  // namespace
}  // namespace vexlan
