// The EDID page in the main window under the offscreen platform, against the unit simulator over
// loopback TCP: the operator's whole round of READ, OPEN, WRITE, COMPARE, ANALYZE with a section
// and its report, rename, Rx EDID, sink copy and SAVE. (Its pictures: Screenshots.EveryPage.)
#include <gtest/gtest.h>

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTreeWidget>

#include "edid/edid_files.h"
#include "edid/edid_page.h"
#include "edid/edid_sections.h"
#include "link/file_io.h"
#include "ui/frm_copy_sink.h"
#include "ui/frm_diag.h"
#include "ui/frm_rx_edid.h"
#include "window_rig.h"

namespace vexlan {
namespace {

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
    EXPECT_EQ(read_list->itemText(2), "HDMI 1080P");
    EXPECT_EQ(read_list->itemText(1), "VGA  Sink");
    EXPECT_EQ(write_list->itemText(2), "VXL.VEXLAN HD TV");
    EXPECT_EQ(read_list->currentIndex(), 2);

    // READ of the four-block sink; the page's buttons are disabled while it runs.
    emit read_list->activated(0);
    auto* read = child<QPushButton>(w, "cmd_read_0");
    int busy = 0, enabled_while_busy = 0;  // sampled on every pass of the event loop
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
        if (!ctx.link.cmd_busy) return;
        ++busy;
        if (read->isEnabled() || read_list->isEnabled()) ++enabled_while_busy;
    });
    probe.start(0);
    read->click();
    probe.stop();
    EXPECT_GT(busy, 0);
    EXPECT_EQ(enabled_while_busy, 0);
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
    dialogs.saves.push_back(rig.dir.filePath("report").toStdString());
    child<QPushButton>(w, "cmd_edid_save_report")->click();
    const std::string report = file_of(rig.dir.filePath("report.txt").toStdString());
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
    dialogs.saves.push_back(rig.dir.filePath("saved").toStdString());
    child<QPushButton>(w, "cmd_read_6")->click();
    const auto back = edid_file_load(rig.dir.filePath("saved.hex").toStdString());
    ASSERT_TRUE(back.ok);
    EXPECT_EQ(std::string(back.bytes.begin(), back.bytes.end()), sink.substr(0, 256));
    EXPECT_EQ(P.hex_save_type, 1);

    EXPECT_TRUE(dialogs.messages.empty()) << dialogs.first();
}

}  // namespace
}  // namespace vexlan
