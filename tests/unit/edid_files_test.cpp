// EDID text notation, the HEX / BIN / DDC loaders, the WRITE-side check and the writers.
#include <gtest/gtest.h>

#include <filesystem>
#include <numeric>

#include "edid/edid_files.h"
#include "edid_test_images.h"
#include "temp_dir.h"

namespace vexlan {
namespace {

using namespace edid_test;

std::string as_string(const bytes& b) { return std::string(b.begin(), b.end()); }

std::vector<std::string> lines_of(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (std::size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", pos)) {
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    if (pos < text.size()) lines.push_back(text.substr(pos));
    return lines;
}

const std::string blank29(29, ' ');

TEST(EdidTextFormat, CanonicalLayout)
{
    const bytes img = finish({base_block(), cea_block({}), other_block(0x70), other_block(0x70)});
    const auto lines = lines_of(edid_text_format(img.data(), 512));
    ASSERT_EQ(lines.size(), 4u * 17u);  // sixteen lines and a separator per block
    EXPECT_EQ((std::vector{lines[0], lines[16], lines[17], lines[66].substr(24)}),
              (std::vector<std::string>{"00 FF FF FF FF FF FF 00 //7  ", blank29, "02 03 04 00 00 00 00 00 //87 ",
                                        "//1FF"}));
    for (const std::string& line : lines) EXPECT_EQ(line.size(), 29u);

    // The unit read separates blocks but ends without a separator.
    const std::string read = edid_text_format(img.data(), 256, edid_text_variant::unit_read);
    EXPECT_EQ(lines_of(read).size(), 33u);
    EXPECT_EQ(read.substr(read.size() - 7), "//FF \r\n");
}

TEST(EdidHexLoad, Cases)
{
    const std::tuple<const char*, std::string, bool, bytes> cases[] = {  // what, file, accepted, bytes
        {"0x pairs with commas, either case", "0x00,0XFF,0xab,0xCd\r\n", true, {0x00, 0xFF, 0xAB, 0xCD}},
        {"&H prefix is a separator", "&H01 &H0A &HFF\n", true, {0x01, 0x0A, 0xFF}},
        {"single digits, the last one dropped", "1 2 3\n", true, {0x01, 0x02}},
        {"a line beginning with // is ignored", "// 11 22\n33 44\n", true, {0x33, 0x44}},
        {"comment after the data", "\t 55 66 //77 88\t\r\n", true, {0x55, 0x66}},
        {"pending digit dropped at the end of each line", "1\n2\n34\n", true, {0x34}},
        {"canonical text", "00 FF FF FF FF FF FF 00 //7  \r\n" + blank29 + "\r\n", true,
         {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00}},
        {"three digits in a row, lone CR line ends", "123\r4\r56", true, {0x12, 0x56}},
        {"no bytes at all", "// nothing\n\n", true, {}},
        {"1 followed by x", "1x\n", false, {}},
        {"x without a digit", "x0\n", false, {}},
        {"x after a complete byte", "00x\n", false, {}},
    };
    for (const auto& [what, file, ok, expected] : cases) {
        SCOPED_TRACE(what);
        const edid_load_result r = edid_hex_load(file);
        EXPECT_EQ(r.ok, ok);
        if (ok) {
            EXPECT_EQ(r.bytes, expected);
            EXPECT_EQ(r.text, edid_text_format(expected.data(), static_cast<int>(expected.size())));
        } else {
            EXPECT_EQ(r.reason, "Data");
            EXPECT_TRUE(r.text.empty());
        }
    }

    // 100 bytes: size 100, the text ends in the middle of a line without a comment.
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += "AB ";
    const edid_load_result r100 = edid_hex_load(hundred);
    ASSERT_TRUE(r100.ok);
    EXPECT_EQ(r100.bytes.size(), 100u);
    const auto lines = lines_of(r100.text);
    EXPECT_EQ(lines.back(), "AB AB AB AB ");
    EXPECT_EQ(lines[11], "AB AB AB AB AB AB AB AB //5F ");

    // Up to 513 bytes fit the image; one more is refused.
    std::string big;
    for (int i = 0; i < 513; ++i) big += "01,";
    EXPECT_EQ(std::tuple(edid_hex_load(big).ok, edid_hex_load(big).bytes), std::tuple(true, bytes(513, 1)));
    EXPECT_EQ(edid_hex_load(big + "02").reason, "Data");
}

TEST(EdidBinAndDdcLoad, Cases)
{
    EXPECT_EQ(edid_bin_load("").reason, "Data");
    EXPECT_EQ(edid_bin_load(std::string(514, '\x01')).reason, "Data");
    EXPECT_TRUE(edid_bin_load(std::string(513, '\x01')).ok);
    const bytes two = finish({base_block(), cea_block({video_block({16})})});
    const edid_load_result bin = edid_bin_load(as_string(two));
    ASSERT_TRUE(bin.ok);
    EXPECT_EQ(bin.bytes, two);
    EXPECT_EQ(bin.text, edid_text_format(two.data(), 256));  // 32 data lines and two separators

    const bytes one = finish({base_block()});
    const std::string junk(300, '\x5A');
    // what, file, accepted, size, FF filler block 1 in the text
    const std::tuple<const char*, std::string, bool, std::size_t, bool> cases[] = {
        {"exactly 256 bytes with the header", as_string(two), true, 256, false},
        {"dump ending in a 256-byte EDID", junk + as_string(two), true, 256, false},
        {"last 256 bytes without, last 128 with the header", junk + as_string(one), true, 128, true},
        {"shorter than 256 bytes, header in the last 128", std::string(20, '\x01') + as_string(one), true, 128, true},
        {"exactly 128 bytes", as_string(one), true, 128, true},
        {"no header anywhere", junk + junk, false, 0, false},
        {"shorter than 128 bytes", std::string(100, '\0'), false, 0, false},
        {"empty", "", false, 0, false},
    };
    for (const auto& [what, file, ok, size, filler] : cases) {
        SCOPED_TRACE(what);
        const edid_load_result r = edid_ddc_load(file);
        ASSERT_EQ(r.ok, ok);
        if (!ok) {
            EXPECT_EQ(r.reason, "Data");
            continue;
        }
        ASSERT_EQ(r.bytes.size(), size);
        EXPECT_EQ(as_string(r.bytes), file.substr(file.size() - size));
        const auto text_lines = lines_of(r.text);
        ASSERT_EQ(text_lines.size(), filler ? 33u : 34u);
        if (filler) {
            EXPECT_EQ((std::vector{text_lines[16], text_lines[17], text_lines[18], text_lines[32]}),
                      (std::vector<std::string>{blank29, "FF FF FF FF FF FF FF FF //87", "FF FF FF FF FF FF FF FF //8F",
                                                "FF FF FF FF FF FF FF FF //FF"}));
        }
    }
}

// An unknown extension refused as "File format": EdidCli.FailuresNameTheFile, EdidPageFiles.
TEST(EdidFileLoad, ExtensionDispatch)
{
    const std::pair<const char*, edid_file_kind> cases[] = {
        {"/x/a.HEX", edid_file_kind::hex}, {"b.bin", edid_file_kind::bin}, {"c.Ddc", edid_file_kind::ddc},
        {"d.txt", edid_file_kind::unknown}, {"ex", edid_file_kind::unknown}, {"nohex", edid_file_kind::hex},
    };
    for (const auto& [path, kind] : cases) EXPECT_EQ(edid_file_kind_of(path), kind) << path;
}

// Only a two-block WRITE image sheds a second block of nothing but FF (an empty EEPROM); an image
// of any other size, or with one byte of block 1 not FF, keeps its size.
TEST(EdidWriteSideCheck, OnlyTwoBlockImagesShedAnAllFfSecondBlock)
{
    bytes almost(128, 0xFF);
    almost[5] = 0xFE;
    for (int size : {128, 256, 384, 512}) {
        for (const bytes& second : {bytes(128, 0xFF), almost}) {
            const bool shed = size == 256 && second[5] == 0xFF;
            SCOPED_TRACE(::testing::Message() << size << (second[5] == 0xFF ? " all FF" : " one byte not FF"));
            mod_edid st;
            vic_table_init(st);
            edid_load_result loaded;
            loaded.ok = true;
            loaded.bytes = finish({base_block()});  // extension count 0
            loaded.bytes.insert(loaded.bytes.end(), second.begin(), second.end());
            loaded.bytes.resize(static_cast<std::size_t>(size), 0xFF);
            edid_load_apply(st.edid_info_write, loaded);
            edid_write_side_check(st);
            EXPECT_EQ(st.edid_info_write.edid_size, shed ? 128 : size);
            if (size == 256) {
                EXPECT_EQ(st.edid_info_write.edid_type, shed ? edid_type_dvi : edid_type_invalid);
            }
        }
    }
}

TEST(EdidWriters, SourceTextAndCLanguageLayout)
{
    const bytes img = finish({base_block(), cea_block({video_block({16})})});
    const std::string window = edid_text_format(img.data(), 256);
    const std::string source = edid_save_source_text(window);
    const auto src_lines = lines_of(source);
    ASSERT_EQ(src_lines.size(), 34u);
    EXPECT_EQ(src_lines[0], "00 FF FF FF FF FF FF 00 //7  ");
    EXPECT_EQ(src_lines[16], "");  // a separator line loses its blanks
    // Leading blanks of each piece go, text after the last LF is dropped.
    EXPECT_EQ(edid_save_source_text("  01 02 //7  \r\n   03 04 //F  \r\n05 06"), "01 02 //7  \r\n03 04 //F  \r\n");

    const edid_write_result c = edid_file_contents_build(window, edid_save_format::c_hex);
    ASSERT_TRUE(c.ok) << c.error;
    const auto c_lines = lines_of(c.bytes);
    ASSERT_EQ(c_lines.size(), 34u);
    EXPECT_EQ((std::vector{c_lines[0], c_lines[16], c_lines[17]}),
              (std::vector<std::string>{"0x00,0xFF,0xFF,0xFF,0xFF,0xFF,0xFF,0x00, //7  ", "",
                                        "0x02,0x03,0x06,0x00,0x41,0x10,0x00,0x00, //87 "}));

    const edid_write_result simple = edid_file_contents_build(window, edid_save_format::simple_hex);
    ASSERT_TRUE(simple.ok);
    EXPECT_EQ(simple.bytes, source + "\r\n");
}

TEST(EdidWriters, SaveThenLoadRoundTrips)
{
    const bytes four = finish({base_block(), cea_block({video_block({16})}), other_block(0x70), other_block(0xFF)});
    const bytes one = finish({base_block()});
    bytes one_with_filler = one, all(256);
    one_with_filler.resize(256, 0xFF);
    std::iota(all.begin(), all.end(), 0);
    const std::tuple<const char*, std::string, bytes> cases[] = {  // what, window text, bytes
        {"four blocks from a file", edid_text_format(four.data(), 512), four},
        {"two blocks read from the unit", edid_text_format(four.data(), 256, edid_text_variant::unit_read),
         bytes(four.begin(), four.begin() + 256)},
        {"one block from a DDC file, with FF filler lines", edid_ddc_load(as_string(one)).text, one_with_filler},
        {"bytes 0..255 of an unusual image", edid_text_format(all.data(), 256), all},
    };
    const std::pair<const char*, edid_save_format> formats[] = {
        {"a.hex", edid_save_format::simple_hex}, {"a.hex", edid_save_format::c_hex}, {"a.bin", edid_save_format::bin}};
    for (const auto& [what, window, expected] : cases) {
        for (const auto& [name, format] : formats) {
            SCOPED_TRACE(std::string(what) + " as " + name + " " + std::to_string(static_cast<int>(format)));
            const edid_write_result written = edid_file_contents_build(window, format);
            ASSERT_TRUE(written.ok) << written.error;
            const edid_load_result back = edid_file_load_bytes(name, written.bytes);
            ASSERT_TRUE(back.ok);
            EXPECT_EQ(back.bytes, expected);
        }
    }
}

TEST(EdidWriters, HandEditedTextIsRefusedWhole)
{
    // what, window text, accepted, BIN contents when accepted
    const std::tuple<const char*, std::string, bool, bytes> cases[] = {
        {"extra blanks and tabs between pairs", "00  FF\tAB //7\r\n", true, {0x00, 0xFF, 0xAB}},
        {"lower-case digits", "ab cd //7\r\n", true, {0xAB, 0xCD}},
        {"pair without a following blank", "0011 //7\r\n", false, {}},
        {"non-hexadecimal pair", "00 ZZ //7\r\n", false, {}},
        {"digit alone at the end of a line", "00 1\r\n", false, {}},
        {"bytes without comments still written", "01 02\r\n03 04\r\n", true, {1, 2, 3, 4}},
        {"lone LF line ends", "01 //7\n02 //F\n", true, {1, 2}},
    };
    for (const auto& [what, window, ok, expected] : cases) {
        SCOPED_TRACE(what);
        for (edid_save_format format : {edid_save_format::bin, edid_save_format::c_hex}) {
            const edid_write_result r = edid_file_contents_build(window, format);
            EXPECT_EQ(r.ok, ok);
            if (!ok) {
                EXPECT_TRUE(r.bytes.empty());
                EXPECT_EQ(r.error.rfind("line 1: ", 0), 0u) << r.error;
            } else if (format == edid_save_format::bin) {
                EXPECT_EQ(r.bytes, as_string(expected));
            } else {
                EXPECT_EQ(edid_hex_load(r.bytes).bytes, expected);
            }
        }
    }
    const edid_write_result second = edid_file_contents_build("01 02 //7\r\n03 GG //F\r\n", edid_save_format::bin);
    EXPECT_FALSE(second.ok);
    EXPECT_EQ(second.error, "line 2: \"GG\" is not a two-digit hexadecimal byte");

    // A text that cannot be saved leaves no file.
    const testing::temp_dir tmp("vexlan_edid_files");
    EXPECT_NE(edid_file_write(tmp.file("bad.bin"), "00 QQ //7\r\n", edid_save_format::bin), "");
    EXPECT_FALSE(std::filesystem::exists(tmp.file("bad.bin")));
}

}  // namespace
}  // namespace vexlan
