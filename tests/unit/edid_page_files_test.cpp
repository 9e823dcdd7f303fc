// The EDID page without the unit: files, previous files, the side display, COMPARE, repair,
// the analysis frame and its report.
#include <fstream>
#include <sstream>

#include "edid/edid_sections.h"
#include "edid_page_rig.h"
#include "link/file_io.h"

namespace vexlan {
namespace {

using edid_test::bytes;
using testing::page_rig;
namespace img = vexlan::edid_test;

std::string write_bytes(const testing::temp_dir& d, const std::string& name, const bytes& b) {
    const std::string path = d.file(name);
    EXPECT_EQ(write_file_atomic(path, std::string(b.begin(), b.end())), "");
    return path;
}

std::string contents(const std::string& path) {
    const auto f = read_file(path);
    return f ? *f.bytes : std::string("<missing>");
}

TEST(EdidPageFiles, ExtensionFixChangesOnlyTheFileName) {
    const std::vector<std::tuple<std::string, std::string, std::string>> rows = {
        {"summary", ".txt", "summary.txt"}, {"/d/ab", ".hex", "/d/ab.hex"},
        {"/d/ab.txt", ".hex", "/d/ab.hex"}, {"/d/ab.HEX", ".hex", "/d/ab.HEX"},
        {"/d.x/ab", ".bin", "/d.x/ab.bin"}, {"/d/report.final", ".txt", "/d/report.final.txt"},
        {"/d/a.b.json", ".txt", "/d/a.b.txt"}, {"/d/.profile", ".hex", "/d/.profile.hex"},
        {"x", ".bin", "x.bin"},
    };
    for (const auto& [in, ext, out] : rows) EXPECT_EQ(edid_path_with_extension(in, ext), out) << in;
}

// Every fill of a side starts from FF bytes; a failed load leaves the WRITE side empty with the
// write button disabled; nothing of an earlier image stays in the labels.
TEST(EdidPageFiles, LoadsFillFromFFAndFailedLoadsDisableWrite) {
    testing::temp_dir d;
    page_rig rig;
    const bytes two = testing::two_block_hdmi();
    rig.P.edid_file_path = write_bytes(d, "two.bin", two);
    ASSERT_TRUE(edid_file_load_path(rig.ctx));
    write_buttons_enable(rig.ctx);
    EXPECT_TRUE(rig.P.cmd_write[4].enabled);
    EXPECT_EQ(rig.P.write_side.model1.caption, "TESTMON");

    bytes one = img::finish({img::base_block()});
    img::set_display_descriptor(one, 3, 0xFE, "TEXT");  // no monitor name
    one = img::finish({bytes(one.begin(), one.begin() + 128)});
    rig.P.edid_file_path = write_bytes(d, "one.bin", one);
    ASSERT_TRUE(edid_file_load_path(rig.ctx));
    EXPECT_EQ(rig.P.edid.edid_info_write.edid_size, 128);
    const bytes now = rig.image(1, 512);
    EXPECT_TRUE(std::all_of(now.begin() + 128, now.end(), [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(rig.P.write_side.model1.caption, "");  // blanked, not left from TESTMON

    // (Which damaged files are "Data": EdidHexLoad, EdidBinAndDdcLoad.)
    const std::pair<std::string, const char*> damaged[] = {{write_bytes(d, "x.edid", two), "File format"},
                                                           {write_bytes(d, "bad.hex", {'1', 'x', '2'}), "Data"}};
    for (const auto& [file, reason] : damaged) {
        SCOPED_TRACE(file);
        page_rig fresh;
        fresh.dlg.opens.push_back({file, 1});
        edid_file_open(fresh.ctx);
        EXPECT_EQ(std::tie(fresh.P.rtxt_edid_write, fresh.P.cmd_write[4].enabled, fresh.P.write_side.msg1.caption,
                           fresh.ctx.life.pre_files[0], fresh.ctx.view.title),
                  std::tuple("", false, "Wrong ---", file, file + " - " + app_title));
        EXPECT_EQ(testing::shown(fresh.P.write_side.msg2), testing::red(reason));
        edid_write_click(fresh.ctx);  // and nothing can be written
        EXPECT_TRUE(fresh.lines().empty());
    }

    // An invalid image on the WRITE side shows its verdict and no extracted fields.
    bytes broken = two;
    broken[0] = 0x12;
    rig.write_side(broken);
    for (const auto* l : {&rig.P.write_side.type, &rig.P.write_side.manuf, &rig.P.write_side.model1,
                          &rig.P.write_side.model2, &rig.P.write_side.native})
        EXPECT_EQ(l->caption, "");
    EXPECT_EQ(rig.P.write_side.msg2.caption, "Header");
}

TEST(EdidPageFiles, OpenDialogAndMissingFiles) {
    testing::temp_dir d;
    page_rig rig;
    rig.ctx.life.pre_files[0] = write_bytes(d, "prev.bin", testing::two_block_hdmi());
    rig.dlg.opens.push_back({d.file("gone.bin"), 1});
    edid_file_open(rig.ctx);
    ASSERT_EQ(rig.dlg.requests.size(), 1u);
    EXPECT_EQ(std::tie(rig.dlg.requests[0].title, rig.dlg.requests[0].folder),
              std::tuple("Open edid file", d.path.string()));
    EXPECT_EQ(rig.dlg.messages, std::vector<std::string>{d.file("gone.bin") + " dosen't exist !"});
    EXPECT_TRUE(rig.P.edid_file_path.empty());

    // A previous file that is gone is removed; the others move up.
    rig.ctx.life.pre_files[1] = d.file("gone.bin");
    rig.ctx.life.pre_files[2] = "/x/three.hex";
    edid_pre_f_toggle(rig.ctx);
    edid_pre_f_hover(rig.ctx, 1);
    EXPECT_EQ(std::tuple(rig.P.fra_pre_f_visible, rig.P.pre_f_hover), std::tuple(true, 1));
    edid_pre_f_click(rig.ctx, 1);
    EXPECT_FALSE(rig.P.fra_pre_f_visible);
    EXPECT_EQ(rig.dlg.messages.back(), d.file("gone.bin") + " doesn't exist !");
    EXPECT_EQ(std::tie(rig.ctx.life.pre_files[1], rig.ctx.life.pre_files[9]), std::tuple("/x/three.hex", ""));

    // An existing one loads and moves to the head.
    rig.ctx.life.pre_files[1] = write_bytes(d, "other.bin", testing::two_block_hdmi());
    edid_pre_f_click(rig.ctx, 1);
    EXPECT_EQ(std::tie(rig.ctx.life.pre_files[0], rig.ctx.life.pre_files[1], rig.P.cmd_write[4].enabled),
              std::tuple(d.file("other.bin"), d.file("prev.bin"), true));
    EXPECT_FALSE(rig.P.rtxt_edid_write.empty());
}

// SAVE keeps a last line without a line end, asks about the final name, and a file that cannot
// be written changes neither the path, the title nor the previous files.
TEST(EdidPageFiles, SaveKeepsEveryByteAsksAboutTheFinalNameAndReportsErrors) {
    testing::temp_dir d;
    page_rig rig;
    bytes hundred(100);
    for (int i = 0; i < 100; ++i) hundred[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 7);
    rig.write_side(hundred);
    rig.dlg.saves.push_back({d.file("h"), 2});
    edid_file_save(rig.ctx, 1);
    EXPECT_EQ(contents(d.file("h.bin")), std::string(hundred.begin(), hundred.end()));
    EXPECT_EQ(std::tie(rig.P.edid_file_path, rig.ctx.view.title, rig.ctx.life.pre_files[0]),
              std::tuple(d.file("h.bin"), d.file("h.bin") + " " + app_title, d.file("h.bin")));

    for (int type : {1, 2}) {
        SCOPED_TRACE(type);
        rig.P.show_diag = [&] { frm_diag_ok(rig.ctx, type - 1); };
        rig.dlg.saves.push_back({d.file("h" + std::to_string(type) + ".txt"), 1});
        edid_file_save(rig.ctx, 1);
        const std::string path = d.file("h" + std::to_string(type) + ".hex");
        const auto loaded = edid_file_load(path);
        ASSERT_TRUE(loaded.ok) << path;
        EXPECT_EQ(loaded.bytes, hundred);
        EXPECT_EQ(rig.P.diag_mode, 3);
        EXPECT_EQ(contents(path).rfind("0x", 0) == 0, type == 2);
    }

    // "h.txt" with the HEX filter becomes h.hex, which exists: the question names h.hex. No
    // shows the dialog again, Cancel stops.
    write_bytes(d, "h.hex", {'x'});
    rig.dlg.messages.clear();
    rig.dlg.saves = {{d.file("h.txt"), 1}, {d.file("h.txt"), 1}};
    rig.dlg.answers = {msg_answer::no, msg_answer::cancel};
    edid_file_save(rig.ctx, 1);
    ASSERT_EQ(rig.dlg.messages.size(), 2u);
    EXPECT_EQ(rig.dlg.messages[0], d.file("h.hex") + " exists. Overwrite it ?");
    EXPECT_EQ(contents(d.file("h.hex")), "x");
    EXPECT_FALSE(std::filesystem::exists(d.file("h.txt")));

    // A folder that does not exist: the error is shown and nothing else changes.
    auto kept = [&] { return std::tuple(rig.P.edid_file_path, rig.ctx.view.title, rig.ctx.life.pre_files); };
    const auto before = kept();
    rig.dlg.messages.clear();
    rig.dlg.saves = {{d.file("nofolder/x.bin"), 2}};
    edid_file_save(rig.ctx, 1);
    ASSERT_EQ(rig.dlg.messages.size(), 1u);
    EXPECT_EQ(rig.dlg.icons.back(), msg_icon::critical);
    EXPECT_NE(rig.dlg.messages[0].find("nofolder"), std::string::npos);
    EXPECT_EQ(kept(), before);

    // An empty side is refused.
    rig.dlg.messages.clear();
    edid_file_save(rig.ctx, 0);
    EXPECT_EQ(rig.dlg.messages, std::vector<std::string>{"READ window is empty"});
}

TEST(EdidPageDisplay, ChecksumRepairChangesOnlyTheChecksumDigits) {
    page_rig rig;
    const bytes good = img::finish({img::base_block()});
    bytes one = good;
    one[127] ^= 0x5A;
    rig.ctx.view.title = "f.bin - Vexlan v2.18";
    rig.write_side(one);
    const auto& S = rig.P.write_side;
    EXPECT_EQ(std::tuple(S.checksum[0].color, S.checksum[0].caption.ends_with(" Error"), S.recover[0].visible),
              std::tuple(rgb_red, true, true));
    edid_checksum_repair(rig.ctx, 1, 0);
    EXPECT_EQ(rig.image(1, 128), good);
    EXPECT_EQ(rig.P.rtxt_edid_write, edid_text_format(good.data(), 128));  // the rest of the text as it was
    EXPECT_EQ(std::tuple(S.checksum[0].color, S.checksum[0].caption.ends_with("h fixed"), S.recover[0].visible),
              std::tuple(rgb_black, true, false));
    EXPECT_EQ(rig.ctx.view.title, "f.bin - Vexlan v2.18 *");
}

// COMPARE colours both windows but never past either text; equal first two blocks "Match".
TEST(EdidPageDisplay, CompareMarksStayInsideBothTexts) {
    page_rig rig;
    const bytes two = testing::two_block_hdmi();
    rig.unit.put("d1", img::finish({img::base_block()}));
    edid_read_click(rig.ctx);  // the READ side: one block plus its FF block 1 (size 128)
    bytes changed = two;
    changed[5] ^= 1;
    rig.write_side(changed);
    edid_compare(rig.ctx);
    const auto& R = rig.P.read_side;
    ASSERT_EQ(testing::shown(R.msg1), testing::red(R.msg1.caption));
    const int count = std::stoi(R.msg1.caption);
    EXPECT_GT(count, 1);
    EXPECT_EQ(static_cast<int>(rig.P.write_marks.size()), count);
    for (const auto& [marks, text] : {std::pair{&rig.P.read_marks, &rig.P.rtxt_edid_read},
                                      std::pair{&rig.P.write_marks, &rig.P.rtxt_edid_write}})
        for (const auto& m : *marks) EXPECT_LE(m.start + m.length, static_cast<int>(text->size()));
    EXPECT_EQ(rig.P.write_marks[0].start, 15);  // byte 5

    // A one-block text beside a two-block image: the block-1 marks are dropped on its side.
    rig.P.rtxt_edid_read = edid_text_format(rig.P.edid.edid_info_read.edid_image.data(), 128);
    edid_compare(rig.ctx);
    for (const auto& m : rig.P.read_marks) EXPECT_LE(m.start + m.length, static_cast<int>(rig.P.rtxt_edid_read.size()));
    EXPECT_LT(rig.P.read_marks.size(), rig.P.write_marks.size());

    rig.write_side(rig.image(0, 256));
    edid_compare(rig.ctx);
    EXPECT_EQ(std::tie(R.msg1.caption, R.msg2.caption, R.msg1.color), std::tuple("Match", " entirely.", rgb_green));
    EXPECT_TRUE(rig.P.read_marks.empty());

    edid_read_clear(rig.ctx);
    edid_compare(rig.ctx);
    EXPECT_EQ(rig.dlg.messages.back(), "READ or WRITE data is empty!");
}

TEST(EdidPageDisplay, CopyToWriteAndClear) {
    page_rig rig;
    edid_copy_to_write(rig.ctx);
    EXPECT_EQ(rig.dlg.messages.back(), "READ window is empty");
    rig.unit.put("d1", testing::two_block_hdmi());
    edid_read_click(rig.ctx);
    rig.P.edid_file_path = "/x/y.bin";
    edid_copy_to_write(rig.ctx);
    EXPECT_EQ(rig.P.rtxt_edid_write, rig.P.rtxt_edid_read);
    EXPECT_EQ(rig.image(1, 513), rig.image(0, 513));
    const auto write_side = [&] {
        return std::tie(rig.P.edid_file_path, rig.ctx.view.title, rig.P.cmd_write[4].enabled,
                        rig.P.write_side.type.caption);
    };
    EXPECT_EQ(write_side(), std::tuple("", "Copy READ -Vexlan v2.18", true, "HDMI HD"));
    edid_write_clear(rig.ctx);
    EXPECT_TRUE(rig.P.rtxt_edid_write.empty());
    EXPECT_EQ(write_side(), std::tuple("", app_title, false, ""));
}

TEST(EdidPageAnalysis, TreeSummaryAndReport) {
    testing::temp_dir d;
    page_rig rig;
    edid_analyze_click(rig.ctx, 1);
    EXPECT_EQ(rig.dlg.messages.back(), "WRITE window is empty");
    EXPECT_FALSE(rig.P.fra_edid_analyse_visible);

    const bytes one = img::finish({img::base_block()});
    rig.write_side(one);
    edid_analyze_click(rig.ctx, 1);
    ASSERT_TRUE(rig.P.fra_edid_analyse_visible);
    ASSERT_GE(rig.P.tree.size(), 14u);
    EXPECT_EQ(std::tie(rig.P.tree[1].text, rig.P.tree[1].bold, rig.P.tree[3].text, rig.P.tree[10].parent,
                       rig.P.tree[13].key),
              std::tuple("Summary :", true, "Block 1 : " + std::string(edid_block_name(0xFF)), 9, "block0_dt_mon"));
    const std::string summary = img::summary_of(one);
    EXPECT_EQ(rig.P.txt_edid_ana, summary);

    // A section node shows its decoded text and becomes the bold one; "Summary :" comes back
    // as it was, even after the READ side was analysed in the meantime.
    const auto& wimg = rig.P.edid.edid_info_write.edid_image;
    for (int node : {5, 14, 17}) {
        edid_tree_click(rig.ctx, node);
        EXPECT_TRUE(rig.P.tree[static_cast<std::size_t>(node)].bold);
        EXPECT_EQ(rig.P.txt_edid_ana, edid_section_text(wimg.data(), 128, rig.P.tree[static_cast<std::size_t>(node)].key));
        EXPECT_FALSE(rig.P.txt_edid_ana.empty());
    }
    EXPECT_EQ(std::tie(rig.P.tree[17].text, rig.P.tree[17].parent), std::tuple("Descriptor 4", 13));
    const std::string section = rig.P.txt_edid_ana;
    edid_tree_click(rig.ctx, 2);  // no decoded section: the text stays
    EXPECT_EQ(rig.P.txt_edid_ana, section);
    rig.unit.put("d1", testing::two_block_hdmi());
    edid_read_click(rig.ctx);
    edid_tree_click(rig.ctx, 1);
    EXPECT_EQ(rig.P.txt_edid_ana, summary);
    EXPECT_FALSE(rig.P.tree[2].bold);

    rig.ctx.view.lab_model.caption = "MRV-410";
    rig.ctx.view.lab_fw_ver.caption = "2.18.4";
    rig.P.report_time_text = [] { return std::string("10:20:30 2026-12-06"); };
    rig.dlg.saves.push_back({d.file("report"), 1});
    edid_report_save(rig.ctx);
    EXPECT_EQ(rig.dlg.requests.back().title, "Save EDID Analysis Report");
    EXPECT_EQ(contents(d.file("report.txt")), "EDID Analysis Report 10:20:30 2026-12-06\r\nModel: MRV-410 , 2.18.4 , AP: v2.18\r\n\r\n" +
                                                  rig.P.txt_edid_ana + "\r\nEND.\r\n");

    edid_analyze_click(rig.ctx, 1);  // a second ANALYZE closes the frame
    EXPECT_FALSE(rig.P.fra_edid_analyse_visible);

    // An image that fails the header check gets the summary node only.
    bytes bad = one;
    bad[1] = 0;
    rig.write_side(bad);
    edid_analyze_click(rig.ctx, 1);
    EXPECT_EQ(rig.P.tree.size(), 2u);
}

// The VIC table filled at start-up: EdidPageWindow.OperatorRoundAgainstTheSimulator.
TEST(EdidPageStartUp, ListsAndSourceTokens) {
    page_rig rig(1);
    auto& c = rig.ctx;
    EXPECT_EQ((std::vector<std::string>{edid_read_item(c, 1), edid_read_item(c, 2), edid_read_item(c, 22)}),
              (std::vector<std::string>{"HDMI Sink", "---      ", "---"}));
    EXPECT_EQ(std::tuple(rig.P.read_index, rig.P.write_index, rig.P.cmd_write[4].enabled), std::tuple(3, 1, false));
    EXPECT_EQ((std::vector<std::string>{edid_source_token(c, 0, 2), edid_source_token(c, 1, 12),
                                        edid_source_token(c, 0, 12), edid_source_token(c, 0, 23)}),
              (std::vector<std::string>{"", "c10", "d10", ""}));
}

}  // namespace
}  // namespace vexlan
