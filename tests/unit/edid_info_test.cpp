// Validity, classification and base-block facts of edid_info_update (and the bad-header text).
#include <gtest/gtest.h>

#include "edid/edid_files.h"
#include "edid_analysis/mod_edid.h"
#include "edid_test_images.h"

namespace vexlan {
namespace {

using namespace edid_test;

TEST(EdidInfoUpdate, BadSizeKeepsThePreviousFacts)
{
    const bytes good = finish({base_block()});
    bytes twice = good;
    twice.insert(twice.end(), good.begin(), good.end());  // 256 bytes, extension count 0
    bytes cut = good;
    cut[126] = 1;  // extension count 1, one block present
    bytes hex513 = finish({base_block(), cea_block({}), other_block(0x70), other_block(0x70)});
    hex513.push_back(0);
    const std::tuple<const char*, bytes, std::int16_t> cases[] = {  // what, image, block count
        {"256 bytes with extension count 0", twice, 1},
        {"128 bytes with extension count 1", cut, 2},
        {"513 bytes with four blocks", hex513, 4},
    };
    for (const auto& [what, image, block_count] : cases) {
        SCOPED_TRACE(what);
        mod_edid st = analysed(image);  // the size is the image's
        st.work.manufacturer_id = "PRV";
        st.work.monitor_name = "previous";
        edid_info_update(st, edid_context_work);  // the text: EdidCorpus.EveryImageLoadsAnalysesAndSummarises
        const edid_info& w = st.work;
        EXPECT_EQ(std::tie(w.edid_type, w.edid_status, w.block_count, w.manufacturer_id, w.monitor_name),
                  std::tuple(0, edid_status_bad_size, block_count, "PRV", "previous"));
    }
}

// Facts still extracted from an image with a bad checksum: EdidCorpus.FactsReadOffTheBytes
// (ACB_QHD270). A block is also right when its bytes sum to a multiple of 256.
TEST(EdidInfoUpdate, ZeroChecksumIsRight)
{
    bytes zero_sum = finish({base_block()});
    zero_sum[16] = static_cast<std::uint8_t>(zero_sum[16] + zero_sum[127]);
    zero_sum[127] = 0;
    const edid_info z = analysed(zero_sum).work;
    EXPECT_EQ(std::tuple(z.block_checksum[0], z.edid_type), std::tuple(0, edid_type_dvi));
}

// A bad header wins over a bad checksum; the text says so first, then dumps the blocks and the facts.
TEST(EdidInfoUpdate, BadHeaderWinsOverBadChecksum)
{
    // header byte and its value, checksums broken, the first line of the block 0 dump
    const std::tuple<std::size_t, std::uint8_t, bool, const char*> cases[] = {
        {0, 0x01, true, " 01 FF FF FF FF FF FF 00 //7\r\n"},
        {7, 0x01, false, " 00 FF FF FF FF FF FF 01 //7\r\n"},
        {3, 0x00, true, " 00 FF FF 00 FF FF FF 00 //7\r\n"}};
    for (const auto& [header_byte, value, break_checksum, dump] : cases) {
        SCOPED_TRACE(header_byte);
        bytes img = finish({base_block(), cea_block({})});
        img[header_byte] = value;
        if (!break_checksum) img = finish({bytes(img.begin(), img.begin() + 128), cea_block({})});
        if (break_checksum) img[200] ^= 0x55;
        mod_edid st = analysed(img);
        EXPECT_EQ(std::tie(st.work.edid_type, st.work.edid_status, st.work.manufacturer_id),
                  std::tuple(0, edid_status_bad_header, "ABC"));
        edid_summary_build(st);
        EXPECT_EQ(st.edid_report_text.substr(0, 48), ">>>>> ! Block0 has bad header.\r\nTotal 2 blocks\r\n");
        EXPECT_TRUE(has_all(st.edid_report_text, {"\r\n============================== Block 0: VESA BASE EDID\r\n" +
                                                      std::string(dump) + " 04 43 34 12 00 00 00 00 //F\r\n",
                                                  " Manufacturer Name = ABC\r\n Product Code = 4660 (1234 h)\r\n"
                                                  " Monitor Name = TESTMON\r\n"}));
    }
}

// Type and speed class: range limits, the two HDMI vendor blocks, and which extension is the
// CEA block that decides.
TEST(EdidInfoUpdate, TypeAndStatusOfTheImage)
{
    const auto clock = [](std::uint8_t tens_of_mhz) {  // range-limits maximum clock
        bytes b = base_block();
        b[72 + 9] = tens_of_mhz;
        return b;
    };
    const bytes vsdb_vics = h14b_vsdb({0x00, 0x3C, 0x20, 0x00, 0x40, 0x01});  // HDMI video with HDMI VICs
    const bytes microsoft_vsdb{0x65, 0x5C, 0x12, 0xCA, 0x01, 0x02};
    const bytes hdmi_3g = cea_block({video_block({97}), vsdb_vics});
    const bytes dvi_cea = cea_block({video_block({16})});
    const bytes displayid = other_block(0x70);
    bytes block_map = other_block(0xF0);
    block_map[1] = block_map[2] = 0x02;
    bytes no_collection = cea_block({});
    no_collection[2] = 4;
    const auto hdmi = edid_type_hdmi, dvi = edid_type_dvi;
    // what, image, type, status, the CEA block that decides
    const std::tuple<const char*, bytes, std::int16_t, std::int16_t, int> cases[] = {
        {"600 MHz range limits", finish({clock(60), cea_block({h14b_vsdb()})}), hdmi, edid_status_6g, 1},
        {"600 MHz range limits, HF-VSDB not consulted", finish({clock(60), cea_block({h14b_vsdb(), hf_vsdb(0x44)})}),
         hdmi, edid_status_6g, 1},
        {"300 MHz range limits", finish({clock(30), cea_block({h14b_vsdb()})}), hdmi, edid_status_3g, 1},
        {"300 MHz raised by HF-VSDB 600 MHz", finish({clock(30), cea_block({h14b_vsdb(), hf_vsdb(0x78)})}), hdmi,
         edid_status_6g, 1},
        {"170 MHz, VSDB with HDMI VICs", finish({clock(17), cea_block({vsdb_vics})}), hdmi, edid_status_3g, 1},
        {"170 MHz, HDMI video but no HDMI VICs", finish({clock(17), cea_block({h14b_vsdb({0x00, 0x3C, 0x20, 0x80, 0x00})})}),
         hdmi, edid_status_hd, 1},
        {"170 MHz, latency fields and HDMI VICs",
         finish({clock(17), cea_block({h14b_vsdb({0x00, 0x3C, 0xA0, 0x10, 0x10, 0x00, 0x20, 0x01})})}), hdmi,
         edid_status_3g, 1},
        {"170 MHz, HF-VSDB 295 MHz", finish({clock(17), cea_block({h14b_vsdb(), hf_vsdb(59)})}), hdmi, edid_status_hd, 1},
        {"170 MHz, HF-VSDB first, H14b second", finish({clock(17), cea_block({hf_vsdb(0x78), h14b_vsdb()})}), hdmi,
         edid_status_6g, 1},
        {"digital, no extension", finish({base_block()}), dvi, edid_status_no_extension, 0},
        {"analog, no extension", finish({base_block(false)}), edid_type_analog, edid_status_no_extension, 0},
        {"analog, another vendor's block", finish({base_block(false), cea_block({microsoft_vsdb})}), dvi,
         edid_status_no_hdmi_vsdb, 1},
        {"only the HDMI Forum block", finish({base_block(), cea_block({hf_vsdb(0x78)})}), dvi, edid_status_no_hdmi_vsdb, 1},
        {"HDMI block second", finish({base_block(), cea_block({microsoft_vsdb, h14b_vsdb()})}), hdmi, edid_status_hd, 1},
        {"no data-block collection", finish({base_block(), no_collection}), dvi, edid_status_no_hdmi_vsdb, 1},
        {"analog with the HDMI block", finish({base_block(false), cea_block({h14b_vsdb()})}), hdmi, edid_status_hd, 1},
        {"CEA, DisplayID (no block map)", finish({base_block(), hdmi_3g, displayid}), hdmi, edid_status_3g, 1},
        {"CEA without HDMI, then HDMI CEA", finish({base_block(), dvi_cea, hdmi_3g, displayid}), dvi,
         edid_status_no_hdmi_vsdb, 1},
        {"block map, CEA, CEA", finish({base_block(), block_map, hdmi_3g, dvi_cea}), hdmi, edid_status_3g, 2},
        {"block map, DisplayID, CEA", finish({base_block(), block_map, displayid, hdmi_3g}), hdmi, edid_status_3g, 3},
        {"DisplayID, CEA", finish({base_block(), displayid, hdmi_3g}), hdmi, edid_status_3g, 2},
        {"DisplayID, DisplayID", finish({base_block(), displayid, displayid}), dvi, edid_status_no_cea, 0},
    };
    for (const auto& [what, image, type, status, cea] : cases) {
        SCOPED_TRACE(what);
        const edid_info w = analysed(image).work;
        EXPECT_EQ(std::tuple(w.edid_type, w.edid_status, edid_cea_block_find(w)), std::tuple(type, status, cea));
    }

    // Only the first range-limits descriptor counts.
    bytes base = clock(17);
    set_display_descriptor(base, 4, 0xFD, "");
    base[108 + 9] = 60;
    EXPECT_EQ(analysed(finish({base, cea_block({h14b_vsdb()})})).work.edid_status, edid_status_hd);
}

TEST(EdidInfoUpdate, ManufacturerLetters)
{
    const std::tuple<std::uint8_t, std::uint8_t, const char*> cases[] = {
        {0x84, 0x43, "ABC"}, {0x00, 0x00, "@@@"}, {0x7F, 0xFF, "___"}};  // bit 15 is ignored
    for (const auto& [b8, b9, letters] : cases) {
        EXPECT_EQ(edid_manufacturer_letters(b8, b9), letters);
        bytes base = base_block();
        base[8] = b8;
        base[9] = b9;
        EXPECT_EQ(analysed(finish({base})).work.manufacturer_id, letters);
    }
}

// Names in two descriptors, thirteen characters without a line feed: EdidCorpus.FactsReadOffTheBytes
// (GVT_GVision-L5EX-TA, ELO_ELO-ET1725L-8UWF-1).
TEST(EdidInfoUpdate, MonitorNames)
{
    bytes base = base_block();
    set_display_descriptor(base, 3, 0xFC, "");
    EXPECT_EQ(analysed(finish({base})).work.monitor_name, "");

    // A NUL byte ends the name; bytes after it are not read.
    set_display_descriptor(base, 3, 0xFC, "AB");
    base[90 + 7] = 0x00;
    base[90 + 8] = 'Z';
    EXPECT_EQ(analysed(finish({base})).work.monitor_name, "AB");

    // Behind an additional-standard-timings descriptor the fourth descriptor sits in entry 4
    // and still counts.
    set_display_descriptor(base, 3, 0xFA, "");
    set_display_descriptor(base, 4, 0xFC, "FOURTH");
    mod_edid st = analysed(finish({base}));
    EXPECT_EQ(std::tie(st.work.monitor_name, st.descriptor_map[3].kind, st.descriptor_map[4].kind),
              std::tuple("FOURTH", descriptor_kind_std_timings_2nd, descriptor_kind_name));
}

// 1080p60 and no detailed timing at all: EdidCorpus.FactsReadOffTheBytes.
TEST(EdidInfoUpdate, FirstDetailedTiming)
{
    struct Case {
        const char* what;
        std::uint8_t dtd[18];
        int number;  // descriptor that holds it
        const char* text;
        int h, v;
        bool interlaced;
        float refresh;
        const char* summary;  // the line of the analysis text
    };
    const Case cases[] = {
        {"1080i60 (field rate)", {0x01, 0x1D, 0x80, 0x18, 0x71, 0x1C, 0x16, 0x20, 0x58, 0x2C, 0x25, 0x00, 0, 0, 0, 0, 0, 0x9E},
         1, "1920x1080i", 1920, 540, true, 60.0f, "1920x1080i60.000"},
        {"720p50 in descriptor 2", {0x01, 0x1D, 0x00, 0xBC, 0x52, 0xD0, 0x1E, 0x20, 0xB8, 0x28, 0x55, 0x40, 0, 0, 0, 0, 0, 0x1E},
         2, "1280x720p", 1280, 720, false, 50.0f, "1280x720p50.000"},
        {"zero totals", {0x01, 0x1D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00},
         1, "0x0p", 0, 0, false, 0.0f, "0x0p.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        bytes base = base_block();
        if (c.number == 2) set_display_descriptor(base, 1, 0xFF, "SERIAL");
        for (int i = 0; i < 18; ++i) base[static_cast<std::size_t>(54 + (c.number - 1) * 18 + i)] = c.dtd[i];
        mod_edid st = analysed(finish({base}));
        const edid_info& w = st.work;
        EXPECT_EQ(std::tie(w.dtd_valid, st.first_dtd_text, w.dtd_h_active, w.dtd_v_active, w.dtd_interlaced),
                  std::tuple(true, c.text, c.h, c.v, c.interlaced));
        EXPECT_NEAR(w.dtd_refresh, c.refresh, 0.0005f);
        edid_summary_build(st);
        EXPECT_NE(st.edid_report_text.find(std::string(" First Detailed Timing = ") + c.summary + "\r\n"),
                  std::string::npos);
    }
}

TEST(EdidInfoUpdate, RefreshTextPattern)
{
    const std::pair<double, const char*> cases[] = {
        {0.5, ".500"},   {59.9401, "59.940"}, {100.0, "100.000"}, {0.0, ".000"},
        {0.9996, "1.000"}, {0.0004, ".000"},  {119.8801, "119.880"},
    };
    for (const auto& [hz, text] : cases) EXPECT_EQ(edid_refresh_text(hz), text) << hz;
    // The stored value is single precision; 59.94 as a float still prints 59.940.
    EXPECT_EQ(edid_refresh_text(static_cast<float>(59.94)), "59.940");
}

}  // namespace
}  // namespace vexlan
