// Decoded sections of the base block: the decode that feeds the tree texts and `edid tree`.
// Every node of every real EDID: EdidCorpus.
#include <gtest/gtest.h>

#include "edid/edid_sections.h"
#include "edid_test_images.h"

using namespace vexlan;
using namespace vexlan::edid_test;

namespace {

edid_base_info decode(const bytes& img) { return edid_base_decode(img.data(), static_cast<int>(img.size())); }

std::string section(const bytes& img, std::string_view key)
{
    return edid_section_text(img.data(), static_cast<int>(img.size()), key);
}

}  // namespace

// Every field of the base block is compared with an independent decoder over 280 real EDIDs
// (ctest edid_tree_vs_edid_decode); the cases here are the inputs that corpus does not hold.
TEST(EdidSections, FieldsOfInputsTheRealCorpusLacks)
{
    const auto with = [](std::initializer_list<std::pair<int, std::uint8_t>> at) {
        bytes img = base_block();
        for (const auto& [i, v] : at) img[static_cast<std::size_t>(i)] = v;
        return decode(img);
    };
    // Serial FFFFFFFF, model year 2020, only manufacturer's timings in byte 37.
    const edid_base_info v = with({{12, 0xFF}, {13, 0xFF}, {14, 0xFF}, {15, 0xFF}, {16, 0xFF}, {17, 30}, {37, 0x7F}});
    EXPECT_EQ(std::tuple(v.serial_number, v.week, v.model_year, v.year, v.established.size(), v.manufacturer_timings),
              std::tuple(0xFFFFFFFFu, std::optional<int>(), true, 2020, 0u, 0x7F));
    // Before E-EDID 1.3 aspect code 0 is 1:1.
    const edid_standard_timing t = with({{19, 2}, {38, 0x81}, {39, 0x00}}).standard[0];
    EXPECT_EQ(std::tuple(t.used, t.width, t.height, t.refresh), std::tuple(true, 1280, 1280, 60));

    // input byte, bits per colour, interface
    const std::tuple<std::uint8_t, std::optional<int>, std::optional<std::string>> rows[] = {
        {0x92, 6, "HDMI-a"},
        {0xE3, 16, "HDMI-b"},
        {0xF1, std::nullopt, "DVI"},       // depth 7 is reserved
        {0x86, std::nullopt, std::nullopt},  // interface 6 is reserved
    };
    for (const auto& [input, bits, iface] : rows) {
        const edid_base_info i = with({{19, 4}, {20, input}});
        EXPECT_EQ(std::tie(i.bits_per_color, i.interface_name), std::tie(bits, iface)) << int(input);
    }
}

// The fields of a detailed timing with every high bit set are checked on real EDIDs; the
// porches, size and sync of its text are not.
TEST(EdidSections, DetailedTimingText)
{
    bytes img = base_block();
    const bytes dtd{0x10, 0x27, 0x34, 0x56, 0xA3, 0x12, 0x21, 0x51, 0x0B,
                    0x0C, 0x9E, 0x9D, 0x22, 0x33, 0x12, 5, 6, 0x9E};
    std::copy(dtd.begin(), dtd.end(), img.begin() + 72);  // descriptor 2
    ASSERT_EQ(decode(img).descriptors[1].kind, edid_descriptor_kind::dtd);
    EXPECT_TRUE(has_all(section(img, "block0_descriptor2"),
                        {"front porch 523, sync 268, back porch 63", "2612x2596i", "digital separate, H+ V+"}));
}

TEST(EdidSections, DescriptorEdgesTheRealCorpusLacks)
{
    bytes img = base_block();
    set_display_descriptor(img, 3, 0xFC, "AB  ");  // trailing blanks go
    set_display_descriptor(img, 4, 0xFA, "");      // standard timings
    const auto& d = decode(img).descriptors;
    EXPECT_EQ(std::tuple(d[2].kind, d[2].text, d[2].slot), std::tuple(edid_descriptor_kind::name, "AB", 3));
    EXPECT_EQ(std::tuple(d[3].kind, d[3].tag, d[3].slot), std::tuple(edid_descriptor_kind::other, 0xFA, 4));
    // Only the first two bytes make a detailed timing.
    img[108 + 1] = 0x01;  // 00 01 00 FC
    img[108 + 3] = 0xFC;
    EXPECT_EQ(decode(img).descriptors[3].kind, edid_descriptor_kind::dtd);

    // Range-limit offsets other than both horizontal ones (0x0C, in real EDIDs).
    // minor version, offsets byte, then V min, V max, H min, H max, max clock
    const std::tuple<std::uint8_t, std::uint8_t, std::vector<int>> rows[] = {
        {4, 0x02, {56, 331, 30, 83, 170}}, {4, 0x03, {311, 331, 30, 83, 170}}, {4, 0x08, {56, 76, 30, 338, 170}},
        {3, 0x0F, {56, 76, 30, 83, 170}}};  // before E-EDID 1.4 byte 4 is reserved: no offsets
    for (const auto& [minor, offsets, limits] : rows) {
        bytes lim = base_block();
        lim[19] = minor;
        lim[72 + 4] = offsets;
        const edid_descriptor e = decode(lim).descriptors[1];
        ASSERT_EQ(e.kind, edid_descriptor_kind::range_limits);
        const auto& g = e.range;
        EXPECT_EQ((std::vector<int>{g.v_min, g.v_max, g.h_min_khz, g.h_max_khz, g.max_pixel_clock_mhz}), limits)
            << int(offsets) << " minor " << int(minor);
    }
}

TEST(EdidSections, TextsByKey)
{
    const bytes img = finish({base_block()});
    const char* const keys[] = {"block0_vendor",    "block0_basic",       "block0_color",       "block0_established",
                                "block0_standard",  "block0_standard1",   "block0_standard2",   "block0_standard3",
                                "block0_dt_mon",    "block0_descriptor1", "block0_descriptor2", "block0_descriptor3",
                                "block0_descriptor4", "block0_binary",    "block1_root_false"};
    for (const char* key : keys) {
        const std::string text = section(img, key);
        EXPECT_FALSE(text.empty()) << key;
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n") << key;
    }
    for (const char* key : {"summary", "block0_root_true", "block0_descriptor5", "block0_descriptor", "", "BLOCK0_VENDOR"})
        EXPECT_EQ(section(img, key), "") << key;
    EXPECT_EQ(edid_section_text(img.data(), 0, "block0_vendor"), "");

    for (const auto& [key, part] : {std::pair{"block0_vendor", "ABC"}, {"block0_vendor", "4660 (1234 h)"},
                                    {"block0_basic", "1.3"}, {"block0_descriptor1", "1920x1080p 60.000 Hz"},
                                    {"block0_descriptor2", "56 - 76 Hz"}, {"block0_descriptor3", "TESTMON"},
                                    {"block0_descriptor4", "Dummy"}})
        EXPECT_TRUE(has_all(section(img, key), {part}));

    // The parts make the whole: descriptors 1..4 are the dt_mon text, standard 1-3, 4-6, 7-8
    // are the lines of all eight.
    std::string all;
    for (int n = 1; n <= 4; ++n) all += (n > 1 ? "\r\n" : "") + section(img, "block0_descriptor" + std::to_string(n));
    EXPECT_EQ(section(img, "block0_dt_mon"), all);
    const auto body = [](const std::string& t) { return t.substr(t.find("\r\n") + 2); };
    EXPECT_EQ(body(section(img, "block0_standard")), body(section(img, "block0_standard1")) +
                                                         body(section(img, "block0_standard2")) +
                                                         body(section(img, "block0_standard3")));
}

TEST(EdidSections, BinaryIsTheSummaryDump)
{
    bytes two = finish({base_block(), cea_block({video_block({16})})});
    two[200] ^= 1;  // block 1 checksum wrong
    const std::string summary = summary_of(two);
    for (const char* key : {"block0_binary", "block1_root_false"}) {
        const std::string dump = section(two, key);
        EXPECT_NE(summary.find("\r\n" + dump), std::string::npos) << key << "\n" << dump;
    }
    EXPECT_NE(section(two, "block1_root_false").find(">>>>> ! Bad Checksum, should be "), std::string::npos);

    // Bytes past the size are never read: they show as the FF filler.
    bytes shortened(two.begin(), two.begin() + 100);
    EXPECT_TRUE(has_all(section(shortened, "block0_binary"), {" FF FF FF FF FF FF FF FF //6F\r\n"}));
    EXPECT_TRUE(has_all(section(shortened, "block1_root_false"), {"Block 1: ", " FF FF FF FF FF FF FF FF //FF\r\n"}));
}
