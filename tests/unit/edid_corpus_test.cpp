// The engine over real EDIDs: every image loads, analyses, summarises and has every tree node,
// and a dozen of them give the facts that were read off their bytes by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "edid/edid_files.h"
#include "edid/edid_sections.h"
#include "edid_analysis/mod_edid.h"
#include "edid_test_images.h"

namespace vexlan {
namespace {

using edid_test::has_all;

const std::filesystem::path corpus_dir = VEXLAN_CORPUS_DIR;

std::vector<std::filesystem::path> corpus_files()
{
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(corpus_dir))
        if (entry.path().extension() == ".bin") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Opens a file into the WRITE side and builds its summary, as ANALYZE of the WRITE side does.
bool open_and_analyse(mod_edid& st, const std::filesystem::path& path)
{
    const edid_load_result loaded = edid_file_load(path.string());
    if (!loaded.ok) return false;
    st.edid_info_write = edid_info{};
    edid_load_apply(st.edid_info_write, loaded);
    edid_write_side_check(st);
    edid_info_update(st, edid_context_write);
    edid_summary_build(st);
    return true;
}

std::size_t count_of(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

TEST(EdidCorpus, EveryImageLoadsAnalysesAndSummarises)
{
    const auto files = corpus_files();
    ASSERT_EQ(files.size(), 280u) << corpus_dir;
    mod_edid st;
    vic_table_init(st);
    int bad_size = 0, valid = 0, cta_then_displayid = 0;
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        ASSERT_TRUE(open_and_analyse(st, path));
        const edid_info& rec = st.edid_info_write;
        const std::string& text = st.edid_report_text;
        const auto section = [&](const std::string& key) {
            return edid_section_text(rec.edid_image.data(), rec.edid_size, key);
        };
        for (const char* key : {"block0_vendor", "block0_basic", "block0_color", "block0_established",
                                "block0_standard", "block0_dt_mon", "block0_binary", "block1_root_false"})
            EXPECT_FALSE(section(key).empty()) << key;
        if (rec.edid_type == edid_type_invalid && rec.edid_status == edid_status_bad_size) {
            EXPECT_EQ(text, ">>>>> ! Block0 has bad size.\r\n");
            ++bad_size;
            continue;
        }
        ASSERT_GE(rec.block_count, 1);
        ASSERT_LE(rec.block_count, 4);
        EXPECT_NE(text.find("Total " + std::to_string(rec.block_count) + " blocks\r\n"), std::string::npos);
        EXPECT_EQ(count_of(text, "\r\n============================== Block "), static_cast<std::size_t>(rec.block_count));
        // Every dump has its sixteen lines, and every line of the text ends in CR LF.
        EXPECT_EQ(count_of(text, " //"), 16u * static_cast<std::size_t>(rec.block_count));
        EXPECT_EQ(count_of(text, "\n"), count_of(text, "\r\n"));
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
        EXPECT_EQ(rec.manufacturer_id.size(), 3u);
        if (rec.edid_type != edid_type_invalid) ++valid;
        // The first detailed timing's tree text reads as the summary's first-timing line names it.
        if (rec.dtd_valid) {
            for (const edid_descriptor& e : edid_base_decode(rec.edid_image.data(), rec.edid_size).descriptors) {
                if (e.kind != edid_descriptor_kind::dtd) continue;
                const std::string dtd = section("block0_descriptor" + std::to_string(e.slot));
                EXPECT_NE(dtd.find(": " + st.first_dtd_text + " "), std::string::npos) << dtd;
                break;
            }
        }

        // CEA in block 1 and DisplayID in block 2, no block map: classified from block 1.
        if (rec.block_count == 3 && rec.edid_image[128] == 2 && rec.edid_image[256] == 0x70 &&
            rec.edid_type != edid_type_invalid) {
            ++cta_then_displayid;
            EXPECT_NE(rec.edid_status, edid_status_no_cea);
        }
    }
    EXPECT_EQ(bad_size, 12);
    EXPECT_EQ(valid, 256);
    EXPECT_GE(cta_then_displayid, 8);
}

TEST(EdidCorpus, FactsReadOffTheBytes)
{
    // file, manufacturer, product code, monitor name, first timing ("" when none), first line
    const std::tuple<const char*, std::string, int, std::string, std::string, std::string> cases[] = {
        {"ACR_XB321HK_2b.bin", "ACR", 1180, "XB321HK", "1920x1080p60.000", "EDID Type = HDMI 3G , Total 2 blocks"},
        {"HTC_HITACHI-FPD_2b.bin", "HTC", 135, "HITACHI FPD", "1920x1080i60.000", "EDID Type = HDMI HD , Total 2 blocks"},
        {"GVT_GVision-L5EX-TA_1b.bin", "GVT", 1287, std::string("GVision L5EX_TA\x01    "), "1024x768p60.004",
         "EDID Type = ANALOG , Total 1 blocks"},
        {"ELO_ELO-ET1725L-8UWF-1_1b.bin", "ELO", 660, "ELO ET1725L-8UWF-1", "", "EDID Type = ANALOG , Total 1 blocks"},
        {"ACR_XB323QK-NV_3b.bin", "ACR", 2103, "XB323QK NV", "3840x2160p59.997", "EDID Type = HDMI 6G , Total 3 blocks"},
        {"DEL_DELL-G3223Q_4b.bin", "DEL", 17028, "DELL G3223Q", "3840x2160p60.000", "EDID Type = HDMI 6G , Total 4 blocks"},
        {"AUO_P28B2_3b.bin", "AUO", 10418, "", "2560x1600p60.002", "EDID Type = DVI , Total 3 blocks"},
        {"ACB_QHD270_2b.bin", "ACB", 1179, "QHD270", "2560x1440p59.951", "Total 2 blocks"},
        {"BOE_P0726_1b.bin", "BOE", 1830, "", "1920x1080p143.988", "EDID Type = DVI , Total 1 blocks"},
        {"GSM_LG-TV_2b.bin", "GSM", 1, "LG TV", "1920x1080p60.000", "EDID Type = ANALOG , Total 2 blocks"},
        {"EDO_EDO142_2b.bin", "EDO", 322, "EDO142", "", "EDID Type = DVI , Total 2 blocks"},
        {"VSC_VX2255wmSERIE_2b.bin", "", 0, "", "", ">>>>> ! Block0 has bad size."},
    };
    mod_edid st;
    vic_table_init(st);
    for (const auto& [file, manufacturer, product, name, first_timing, type_line] : cases) {
        SCOPED_TRACE(file);
        ASSERT_TRUE(open_and_analyse(st, corpus_dir / file));
        const std::string& text = st.edid_report_text;
        EXPECT_EQ(text.substr(0, type_line.size() + 2), type_line + "\r\n");
        if (manufacturer.empty()) continue;  // bad size: nothing else is shown
        char code[64];
        std::snprintf(code, sizeof code, " Product Code = %d (%04X h)\r\n", product, product);
        EXPECT_TRUE(has_all(text, {" Manufacturer Name = " + manufacturer + "\r\n", code,
                                   " Monitor Name = " + name + "\r\n"}));
        if (!first_timing.empty()) {
            EXPECT_TRUE(has_all(text, {" First Detailed Timing = " + first_timing + "\r\n"}));
        } else {
            EXPECT_FALSE(st.edid_info_write.dtd_valid);
            EXPECT_EQ(text.find("First Detailed Timing"), std::string::npos);
        }
    }

    // The bad CEA block of ACB_QHD270: computed 7F, stored FF.
    ASSERT_TRUE(open_and_analyse(st, corpus_dir / "ACB_QHD270_2b.bin"));
    EXPECT_EQ(st.edid_info_write.edid_status, edid_status_bad_checksum);
    EXPECT_NE(st.edid_report_text.find(" FF FF FF FF FF FF FF FF //FF\r\n>>>>> ! Bad Checksum, should be 7F\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace vexlan
