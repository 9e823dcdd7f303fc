// The analysis text: summary lines, block dumps, block-map listing and checksum notes.
#include <gtest/gtest.h>

#include "edid_analysis/mod_edid.h"
#include "edid_test_images.h"

namespace vexlan {
namespace {

using namespace edid_test;

std::string summary_of(const bytes& img)
{
    mod_edid st = analysed(img);
    edid_summary_build(st);
    return st.edid_report_text;
}

std::size_t count_of(const std::string& text, const std::string& what)
{
    std::size_t n = 0;
    for (std::size_t pos = text.find(what); pos != std::string::npos; pos = text.find(what, pos + 1)) ++n;
    return n;
}

TEST(EdidSummary, BadHeaderLineThenTheDumps)
{
    bytes bad_header = finish({base_block()});
    bad_header[0] = 0x01;
    const std::string text = summary_of(bad_header);
    EXPECT_EQ(text.substr(0, 48), ">>>>> ! Block0 has bad header.\r\nTotal 1 blocks\r\n");
    EXPECT_NE(text.find("\r\n============================== Block 0: VESA BASE EDID\r\n"
                        " 01 FF FF FF FF FF FF 00 //7\r\n 04 43 34 12 00 00 00 00 //F\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find(" Manufacturer Name = ABC\r\n Product Code = 4660 (1234 h)\r\n Monitor Name = TESTMON\r\n"),
              std::string::npos);
}

TEST(EdidSummary, ChecksumNotes)
{
    bytes img = finish({base_block(), cea_block({video_block({16}), h14b_vsdb()})});
    img[255] = 0x00;  // the right value is not 0 for this block
    mod_edid st = analysed(img);
    ASSERT_NE(st.work.block_checksum[1], 0);
    edid_summary_build(st);
    const std::string& text = st.edid_report_text;
    // No type text for a checksum error; the note closes the dump of block 1 only.
    EXPECT_EQ(text.substr(0, 16), "Total 2 blocks\r\n");
    char note[64];
    std::snprintf(note, sizeof note, " //FF\r\n>>>>> ! Bad Checksum, should be %X\r\n\r\n", st.work.block_checksum[1]);
    EXPECT_NE(text.find(std::string(" 00 00 00 00 00 00 00 00") + note), std::string::npos) << text;
    EXPECT_EQ(count_of(text, ">>>>> ! Bad Checksum"), 1u);
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
    block_map[1] = 0x02;
    block_map[2] = 0x02;
    const bytes cea2 = cea_block({video_block({97}), h14b_vsdb()});
    const bytes cea3 = cea_block({video_block({4}), audio_block({1})});
    const std::string text = summary_of(finish({base_block(), block_map, cea2, cea3}));

    const std::size_t block1 = text.find("============================== Block 1: Block Map\r\n");
    const std::size_t list = text.find(" Block 2= CEA 861 Block\r\n Block 3= CEA 861 Block\r\n");
    const std::size_t block2 = text.find("\r\n============================== Block 2: CEA 861 Block\r\n");
    const std::size_t vic2 = text.find(" First VIC = 3840x2160p 59/60  16:9 \r\n");
    const std::size_t block3 = text.find("\r\n============================== Block 3: CEA 861 Block\r\n");
    const std::size_t vic3 = text.find(" First VIC = 1280x720p  59/60 16:9\r\n");
    ASSERT_NE(block1, std::string::npos);
    ASSERT_NE(list, std::string::npos);
    ASSERT_NE(block2, std::string::npos);
    ASSERT_NE(vic2, std::string::npos);
    ASSERT_NE(block3, std::string::npos);
    ASSERT_NE(vic3, std::string::npos);
    EXPECT_LT(block1, list);
    EXPECT_LT(list, block2);
    EXPECT_LT(block2, vic2);
    EXPECT_LT(vic2, block3);
    EXPECT_LT(block3, vic3);
    // The block map gets the listing, not a CEA summary; blocks 2 and 3 get one each.
    EXPECT_EQ(count_of(text, " ----- Audio Format:"), 2u);
    EXPECT_EQ(text.substr(0, 36), "EDID Type = HDMI HD , Total 4 blocks");
    // The dump of block 3 numbers its lines 187 .. 1FF.
    EXPECT_NE(text.find(" //187\r\n"), std::string::npos);
    EXPECT_NE(text.find(" //1FF\r\n\r\n"), std::string::npos);
    // The text ends with the CEA summary of block 3.
    EXPECT_EQ(text.substr(text.size() - 23), " HDR = No\r\n Y420 = No\r\n");
}

}  // namespace
}  // namespace vexlan
