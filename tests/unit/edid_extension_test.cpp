// Extension blocks: capability flags from the data blocks and the two HDMI vendor blocks, the
// CEA summary; the analysis text around it: summary lines, block dumps, block map, checksum notes.
#include <gtest/gtest.h>

#include "edid_analysis/mod_edid.h"
#include "edid_test_images.h"

namespace vexlan {
namespace {

using namespace edid_test;

std::string cea_summary_of(const bytes& cea)
{
    mod_edid st = analysed(finish({base_block(), cea}));
    st.edid_report_text.clear();
    edid_cea_summary(st, 1);
    return st.edid_report_text;
}

TEST(EdidExtension, CapabilityFlags)
{
    const std::tuple<const char*, bytes, std::uint8_t> audio[] = {
        {"LPCM and DTS", audio_block({1, 7}), audio_flag_lpcm | audio_flag_bitstream},
        {"DTS-HD", audio_block({11}), audio_flag_hbr},
        {"code 0", audio_block({0}), audio_flag_hbr},
        {"code 15", audio_block({15}), 0},
        {"AC-3 to ATRAC", audio_block({2, 3, 4, 5, 6, 8}), audio_flag_bitstream},
        {"length 1: one descriptor", {0x21, 0x09}, audio_flag_lpcm},
    };
    for (const auto& [what, block, flags] : audio) {
        SCOPED_TRACE(what);
        mod_edid st = analysed(finish({base_block(), cea_block({video_block({16}), block})}));
        edid_data_block_scan(st, 1);
        EXPECT_EQ(edid_audio_flags(st), flags);
    }
    // No audio block in the collection: the scan stops at its end offset.
    bytes cut = cea_block({video_block({16}), audio_block({1})});
    cut[2] = 4 + 2;
    mod_edid no_audio = analysed(finish({base_block(), cut}));
    edid_data_block_scan(no_audio, 1);
    EXPECT_EQ(edid_audio_flags(no_audio), edid_flags_absent);

    const std::tuple<const char*, bytes, std::uint8_t, std::uint8_t> vsdb[] = {  // what, CEA block, VSDB, HF
        {"deep colour 36 bit", cea_block({h14b_vsdb({0x20})}), vsdb_flag_deepcolor, edid_flags_absent},
        {"DC_Y444 only is no deep colour", cea_block({h14b_vsdb({0x08})}), 0, edid_flags_absent},
        {"3D and VIC 5 (not 4K)", cea_block({h14b_vsdb({0, 0x3C, 0x20, 0x80, 0x20, 0x05})}), vsdb_flag_3d,
         edid_flags_absent},
        {"3D byte after the video latency", cea_block({h14b_vsdb({0x00, 0x3C, 0xA0, 0x10, 0x10, 0x80, 0x60})}),
         vsdb_flag_3d, edid_flags_absent},
        {"byte 8 = 0xE0: HDMI VICs from offset 15", cea_block({h14b_vsdb({0x00, 0x3C, 0xE0, 1, 2, 3, 4, 0x80, 0x20, 0x04})}),
         vsdb_flag_3d | vsdb_flag_4k3g, edid_flags_absent},
        {"two HDMI blocks: the second is taken", cea_block({h14b_vsdb(), h14b_vsdb({0x20})}), vsdb_flag_deepcolor,
         edid_flags_absent},
        {"HF 340 MHz with SCDC", cea_block({h14b_vsdb(), hf_vsdb(0x44, {0x80, 0x00})}), 0,
         hf_flag_340mhz_above | hf_flag_scdc},
        {"HF 335 MHz, Y420 30 bit", cea_block({h14b_vsdb(), hf_vsdb(67, {0x00, 0x01})}), 0, hf_flag_y420_deepcolor},
        {"HF length 5: only the rate is read", cea_block({h14b_vsdb(), hf_vsdb(0x78, {})}), 0, hf_flag_340mhz_above},
    };
    for (const auto& [what, cea, vsdb_flags, hf_flags] : vsdb) {
        SCOPED_TRACE(what);
        mod_edid st = analysed(finish({base_block(), cea}));
        EXPECT_EQ(std::tuple(edid_vsdb_flags(st, 1), edid_hf_vsdb_flags(st)), std::tuple(vsdb_flags, hf_flags));
    }
}

TEST(EdidExtension, CeaSummaryText)
{
    const std::string full = cea_summary_of(cea_block({video_block({0x90, 4}), audio_block({1, 7}),
                                                       h14b_vsdb({0x70, 0x3C, 0x20, 0x80, 0x20, 0x01}),
                                                       hf_vsdb(0x78, {0x80, 0x07}), data_block(7, {6, 0x05, 0x01}),
                                                       data_block(7, {15, 0x01})}));
    EXPECT_EQ(full,  // one section a line
              " First VIC = 1920x1080p 59/60 16:9\r\n\r\n"
              " ----- Audio Format:\r\n LPCM =  Yes\r\n Bitstream =  Yes\r\n High Bit Rate =  No\r\n\r\n"
              " ----- v1.4b VSDB:\r\n Deepcolor =  Yes\r\n 3D =  Yes\r\n 4K3G =  Yes\r\n\r\n"
              " ----- HF VSDB:\r\n 340MHz above =  Yes\r\n SCDC =  Yes\r\n Y420 Deepcolor =  Yes\r\n\r\n"
              " ----- Others:\r\n HDR = Yes\r\n Y420 = Yes\r\n");

    EXPECT_EQ(cea_summary_of(cea_block({{0x63, 0x01, 0x02, 0x03}})),
              " No video-data-block.\r\n\r\n ----- Audio Format:\r\n No audio-data-block.\r\n\r\n"
              " ----- v1.4b VSDB:\r\n No H1.4b VSDB.\r\n\r\n ----- HF VSDB:\r\n No HF VSDB.\r\n\r\n"
              " ----- Others:\r\n HDR = No\r\n Y420 = No\r\n");

    bytes no_collection = cea_block({video_block({16})});
    no_collection[2] = 4;
    EXPECT_EQ(cea_summary_of(no_collection), " No data-block-collection.\r\n");

    // An HDMI block of length 4 is no H1.4b VSDB; a VIC without text leaves the line bare.
    const std::string short_vsdb = cea_summary_of(cea_block({video_block({110}), {0x64, 0x03, 0x0C, 0x00, 0x10}}));
    EXPECT_EQ(short_vsdb.substr(0, 15), " First VIC = \r\n");
    EXPECT_NE(short_vsdb.find(" ----- v1.4b VSDB:\r\n No H1.4b VSDB.\r\n"), std::string::npos);

    // HF first and HDMI second: both summaries are printed.
    EXPECT_TRUE(has_all(cea_summary_of(cea_block({video_block({97}), hf_vsdb(0x44), h14b_vsdb({0x00})})),
                        {" First VIC = 3840x2160p 59/60  16:9 \r\n", " Deepcolor =  No\r\n",
                         " 340MHz above =  Yes\r\n SCDC =  Yes\r\n Y420 Deepcolor =  No\r\n"}));
}

TEST(EdidExtension, VendorBytesPastTheImageReadAsAbsent)
{
    // A four-block image whose last CEA block ends in an H14b VSDB with HDMI video fields: the
    // 3D_present byte and the HDMI VIC bytes lie past index 511.
    bytes last = cea_block({});
    last[2] = 127;
    const std::size_t p = 118;  // VSDB header at block offset 118, length 31
    // HDMI OUI, deep colour, byte 8 = 0xE0 would put the 3D byte at offset 13 = image index 384 + 131
    const std::uint8_t vsdb[9] = {0x7F, 0x03, 0x0C, 0x00, 0, 0, 0x70, 0, 0xE0};
    std::copy(vsdb, vsdb + 9, last.begin() + p);
    const bytes img = finish({base_block(), other_block(0xF0), other_block(0x70), last});
    mod_edid st = analysed(img);
    EXPECT_EQ(std::tuple(st.work.edid_type, st.data_block_pos.vsdb1, st.hdmi_vic_len, edid_vsdb_flags(st, 3)),
              std::tuple(edid_type_hdmi, 384 + 118, 0, vsdb_flag_deepcolor));
    edid_summary_build(st);
    EXPECT_TRUE(has_all(st.edid_report_text, {" Deepcolor =  Yes\r\n 3D =  No\r\n 4K3G =  No\r\n"}));
}

// The note's place and format on a real EDID: EdidCorpus.FactsReadOffTheBytes (ACB_QHD270).
TEST(EdidSummary, ChecksumNotes)
{
    bytes img = finish({base_block(), cea_block({video_block({16}), h14b_vsdb()})});
    img[255] = 0x00;  // the right value is not 0 for this block
    const std::string text = summary_of(img);
    EXPECT_EQ(text.find(">>>>> ! Bad Checksum"), text.rfind(">>>>> ! Bad Checksum"));  // block 1 only
    EXPECT_NE(text.find(" First VIC = 1920x1080p 59/60 16:9\r\n"), std::string::npos);

    // Single-digit checksum values print without a leading zero.
    bytes small = finish({base_block()});
    unsigned others = 0;
    for (int i = 0; i < 127; ++i)
        if (i != 16) others += small[static_cast<std::size_t>(i)];
    small[16] = static_cast<std::uint8_t>((251u + 256u * 64u - others) % 256u);  // sum = 251 mod 256
    small[127] = 0x77;
    EXPECT_NE(summary_of(small).find(" //7F\r\n>>>>> ! Bad Checksum, should be 5\r\n\r\n"), std::string::npos);
}

TEST(EdidSummary, FourBlocksWithBlockMap)
{
    bytes block_map = other_block(0xF0);
    block_map[1] = block_map[2] = 0x02;
    const bytes cea2 = cea_block({video_block({97}), h14b_vsdb()});
    const bytes cea3 = cea_block({video_block({4}), audio_block({1})});
    const std::string text = summary_of(finish({base_block(), block_map, cea2, cea3}));
    EXPECT_EQ(text.substr(0, 36), "EDID Type = HDMI HD , Total 4 blocks");
    // The block map gets the listing, not a CEA summary; blocks 2 and 3 get one each, in order.
    std::size_t at = 0;
    for (const char* part : {"============================== Block 1: Block Map\r\n",
                             " Block 2= CEA 861 Block\r\n Block 3= CEA 861 Block\r\n",
                             "\r\n============================== Block 2: CEA 861 Block\r\n",
                             " First VIC = 3840x2160p 59/60  16:9 \r\n", " ----- Audio Format:",
                             "\r\n============================== Block 3: CEA 861 Block\r\n", " //187\r\n",
                             " //1FF\r\n\r\n", " First VIC = 1280x720p  59/60 16:9\r\n", " ----- Audio Format:"}) {
        at = text.find(part, at);
        ASSERT_NE(at, std::string::npos) << part;
    }
    EXPECT_EQ(text.find(" ----- Audio Format:", at + 1), std::string::npos);
    EXPECT_GT(text.find(" ----- Audio Format:"), text.find("Block 2: CEA 861 Block"));
    EXPECT_EQ(text.substr(text.size() - 23), " HDR = No\r\n Y420 = No\r\n");  // ends with block 3's summary
}

}  // namespace
}  // namespace vexlan
