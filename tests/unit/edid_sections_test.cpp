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

void put_descriptor(bytes& img, int slot, std::initializer_list<std::uint8_t> d)
{
    int i = 54 + (slot - 1) * 18;
    for (std::uint8_t v : d) img[static_cast<std::size_t>(i++)] = v;
}

}  // namespace

TEST(EdidSections, VendorFields)
{
    struct row {
        std::uint8_t serial[4];
        std::uint8_t week, year;
        std::optional<std::uint32_t> serial_number;
        std::optional<int> week_out;
        bool model_year;
    };
    const row rows[] = {
        {{0, 0, 0, 0}, 40, 21, std::nullopt, 40, false},
        {{1, 2, 3, 4}, 0, 21, 0x04030201u, std::nullopt, false},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 0xFF, 30, 0xFFFFFFFFu, std::nullopt, true},
    };
    for (const row& r : rows) {
        bytes img = base_block();
        for (int k = 0; k < 4; ++k) img[static_cast<std::size_t>(12 + k)] = r.serial[k];
        img[16] = r.week;
        img[17] = r.year;
        const edid_base_info i = decode(img);
        EXPECT_EQ(i.manufacturer, "ABC");
        EXPECT_EQ(i.product_code, 0x1234);
        EXPECT_EQ(i.serial_number, r.serial_number);
        EXPECT_EQ(i.week, r.week_out);
        EXPECT_EQ(i.year, 1990 + r.year);
        EXPECT_EQ(i.model_year, r.model_year);
        EXPECT_EQ(i.version_major, 1);
        EXPECT_EQ(i.version_minor, 3);
    }
}

TEST(EdidSections, InputByteByVersion)
{
    struct row {
        std::uint8_t minor, input;
        bool digital;
        std::optional<int> bits;
        std::optional<std::string> iface;
    };
    const row rows[] = {
        {4, 0xA5, true, 8, "DisplayPort"},
        {4, 0x92, true, 6, "HDMI-a"},
        {4, 0xE3, true, 16, "HDMI-b"},
        {4, 0xF1, true, std::nullopt, "DVI"},       // depth 7 is reserved
        {4, 0x86, true, std::nullopt, std::nullopt},  // interface 6 is reserved
        {4, 0x80, true, std::nullopt, "undefined"},
        {3, 0xA5, true, std::nullopt, std::nullopt},  // E-EDID 1.3 has neither field
        {4, 0x0E, false, std::nullopt, std::nullopt},
    };
    for (const row& r : rows) {
        bytes img = base_block();
        img[19] = r.minor;
        img[20] = r.input;
        const edid_base_info i = decode(img);
        SCOPED_TRACE(testing::Message() << "input " << int(r.input) << " minor " << int(r.minor));
        EXPECT_EQ(i.digital, r.digital);
        EXPECT_EQ(i.bits_per_color, r.bits);
        EXPECT_EQ(i.interface_name, r.iface);
    }
}

TEST(EdidSections, SizeGammaAndFeatures)
{
    struct row {
        std::uint8_t width, gamma, features;
        std::optional<int> w_cm, h_cm;
        std::optional<double> gamma_out;
        std::vector<bool> flags;  // standby, suspend, off, sRGB, preferred, continuous
    };
    const row rows[] = {
        {60, 0x78, 0xA6, 60, 34, 2.2, {true, false, true, true, true, false}},
        {0, 0xFF, 0x41, std::nullopt, std::nullopt, std::nullopt, {false, true, false, false, false, true}},  // aspect ratio
    };
    for (const row& r : rows) {
        bytes img = base_block();
        img[21] = r.width;
        img[22] = 34;
        img[23] = r.gamma;
        img[24] = r.features;
        const edid_base_info i = decode(img);
        EXPECT_EQ(i.width_cm, r.w_cm);
        EXPECT_EQ(i.height_cm, r.h_cm);
        EXPECT_EQ(i.gamma, r.gamma_out);
        EXPECT_EQ((std::vector<bool>{i.dpms_standby, i.dpms_suspend, i.dpms_off, i.srgb, i.preferred_native,
                                     i.continuous_frequency}),
                  r.flags);
    }
}

TEST(EdidSections, ChromaticityTenBitsRounded)
{
    bytes img = base_block();
    // red (652, 357), green (1023, 0), blue (1, 2), white (320, 337)
    const std::uint8_t c[10] = {(1 << 4) | (3 << 2), (1 << 6) | (2 << 4) | 1, 163, 89, 255, 0, 0, 0, 80, 84};
    std::copy(c, c + 10, img.begin() + 25);
    const edid_base_info i = decode(img);
    EXPECT_EQ((std::vector<int>{i.red.x_raw, i.red.y_raw, i.green.x_raw, i.blue.y_raw, i.white.y_raw}),
              (std::vector<int>{652, 357, 1023, 2, 337}));
    EXPECT_DOUBLE_EQ(i.red.x, 0.6367);
    EXPECT_DOUBLE_EQ(i.red.y, 0.3486);   // 0.34863..., rounded
    EXPECT_DOUBLE_EQ(i.green.x, 0.999);  // 0.99902...
    EXPECT_DOUBLE_EQ(i.blue.x, 0.001);   // 0.00098 rounds up
    EXPECT_DOUBLE_EQ(i.white.x, 0.3125);
    EXPECT_DOUBLE_EQ(i.white.y, 0.3291);
}

TEST(EdidSections, EstablishedTimingsOneBitEach)
{
    const char* const names[17] = {"720x400@70",  "720x400@88",  "640x480@60",   "640x480@67",  "640x480@72",
                                   "640x480@75",  "800x600@56",  "800x600@60",   "800x600@72",  "800x600@75",
                                   "832x624@75",  "1024x768@87i", "1024x768@60", "1024x768@70", "1024x768@75",
                                   "1280x1024@75", "1152x870@75"};
    for (int bit = 0; bit < 17; ++bit) {
        bytes img = base_block();
        img[static_cast<std::size_t>(35 + bit / 8)] = static_cast<std::uint8_t>(0x80 >> (bit % 8));
        img[37] |= 0x7F;  // the manufacturer's bits never appear
        const edid_base_info i = decode(img);
        ASSERT_EQ(i.established.size(), 1u) << bit;
        EXPECT_EQ(i.established[0], names[bit]);
        EXPECT_EQ(i.manufacturer_timings, 0x7F);
    }
}

TEST(EdidSections, StandardTimings)
{
    struct row {
        std::uint8_t minor, b1, b2;
        bool used;
        int w, h, hz;
    };
    const row rows[] = {
        {3, 0xD1, 0xC0, true, 1920, 1080, 60}, {3, 0x81, 0x80, true, 1280, 1024, 60},
        {3, 0xA9, 0x4F, true, 1600, 1200, 75}, {3, 0x81, 0x00, true, 1280, 800, 60},
        {2, 0x81, 0x00, true, 1280, 1280, 60},  // 1:1 before E-EDID 1.3
        {3, 0x01, 0x01, false, 0, 0, 0},
        {3, 0x00, 0x00, false, 0, 0, 0},  // reserved first byte
    };
    for (const row& r : rows) {
        bytes img = base_block();
        img[19] = r.minor;
        for (int n = 0; n < 8; ++n) {
            img[static_cast<std::size_t>(38 + 2 * n)] = 0x01;
            img[static_cast<std::size_t>(39 + 2 * n)] = 0x01;
        }
        img[48] = r.b1;  // entry 6
        img[49] = r.b2;
        const edid_standard_timing t = decode(img).standard[5];
        EXPECT_EQ(t.used, r.used);
        EXPECT_EQ(t.width, r.w);
        EXPECT_EQ(t.height, r.h);
        EXPECT_EQ(t.refresh, r.hz);
    }
}

TEST(EdidSections, DetailedTimingAllHighBits)
{
    bytes img = base_block();
    put_descriptor(img, 2, {0x10, 0x27, 0x34, 0x56, 0xA3, 0x12, 0x21, 0x51, 0x0B, 0x0C, 0x9E, 0x9D, 0x22, 0x33,
                            0x12, 5, 6, 0x9E});
    const edid_base_info info = decode(img);
    const edid_descriptor& e = info.descriptors[1];
    ASSERT_EQ(e.kind, edid_descriptor_kind::dtd);
    const edid_dtd& t = e.dtd;
    EXPECT_EQ((std::vector<int>{t.pixel_clock_khz, t.h_active, t.h_blank, t.v_active, t.v_blank, t.h_front, t.h_sync,
                                t.v_front, t.v_sync, t.width_mm, t.height_mm, t.h_border, t.v_border}),
              (std::vector<int>{100000, 0xA34, 0x356, 0x512, 0x121, 0x20B, 0x10C, 9 + 48, 14 + 16, 0x122, 0x233, 5, 6}));
    EXPECT_TRUE(t.interlaced);
    const std::string text = section(img, "block0_descriptor2");
    for (const char* part : {"front porch 523, sync 268, back porch 63", "2612x2596i", "digital separate, H+ V+"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

TEST(EdidSections, DisplayDescriptorKinds)
{
    struct row {
        std::uint8_t tag;
        std::string payload;
        bool terminate;
        edid_descriptor_kind kind;
        std::string text;
    };
    const row rows[] = {
        {0xFC, "AB  ", true, edid_descriptor_kind::name, "AB"},
        {0xFF, "1234567890ABC", false, edid_descriptor_kind::serial, "1234567890ABC"},
        {0xFE, "LINE\nX", false, edid_descriptor_kind::text, "LINE"},
        {0x10, "", false, edid_descriptor_kind::dummy, ""},
        {0xFA, "", false, edid_descriptor_kind::other, ""},
        {0x05, "", false, edid_descriptor_kind::other, ""},
    };
    for (const row& r : rows) {
        bytes img = base_block();
        set_display_descriptor(img, 3, r.tag, r.payload, r.terminate);
        const edid_base_info info = decode(img);
        const edid_descriptor& e = info.descriptors[2];
        SCOPED_TRACE(int(r.tag));
        EXPECT_EQ(e.kind, r.kind);
        EXPECT_EQ(e.text, r.text);
        EXPECT_EQ(e.tag, r.tag);
        EXPECT_EQ(e.slot, 3);
    }
    // Only the first two bytes make a detailed timing.
    bytes img = base_block();
    put_descriptor(img, 4, {0x00, 0x01, 0, 0xFC});
    EXPECT_EQ(decode(img).descriptors[3].kind, edid_descriptor_kind::dtd);
}

TEST(EdidSections, RangeLimitOffsets)
{
    struct row {
        std::uint8_t minor, offsets;
        int v_min, v_max, h_min, h_max;
    };
    const row rows[] = {{4, 0x00, 56, 76, 30, 83},  {4, 0x02, 56, 331, 30, 83}, {4, 0x03, 311, 331, 30, 83},
                        {4, 0x08, 56, 76, 30, 338}, {4, 0x0C, 56, 76, 285, 338},
                        {3, 0x0F, 56, 76, 30, 83}};  // before E-EDID 1.4 byte 4 is reserved: no offsets
    for (const row& r : rows) {
        bytes img = base_block();
        img[19] = r.minor;
        img[72 + 4] = r.offsets;
        const edid_base_info info = decode(img);
        const edid_descriptor& e = info.descriptors[1];
        ASSERT_EQ(e.kind, edid_descriptor_kind::range_limits);
        const auto& g = e.range;
        EXPECT_EQ((std::vector<int>{g.v_min, g.v_max, g.h_min_khz, g.h_max_khz, g.max_pixel_clock_mhz}),
                  (std::vector<int>{r.v_min, r.v_max, r.h_min, r.h_max, 170}))
            << int(r.offsets) << " minor " << int(r.minor);
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

    EXPECT_NE(section(img, "block0_vendor").find("ABC"), std::string::npos);
    EXPECT_NE(section(img, "block0_vendor").find("4660 (1234 h)"), std::string::npos);
    EXPECT_NE(section(img, "block0_basic").find("1.3"), std::string::npos);
    EXPECT_NE(section(img, "block0_descriptor1").find("1920x1080p 60.000 Hz"), std::string::npos);
    EXPECT_NE(section(img, "block0_descriptor2").find("56 - 76 Hz"), std::string::npos);
    EXPECT_NE(section(img, "block0_descriptor3").find("TESTMON"), std::string::npos);
    EXPECT_NE(section(img, "block0_descriptor4").find("Dummy"), std::string::npos);

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
    mod_edid st = analysed(two);
    edid_summary_build(st);
    const std::string& summary = st.edid_report_text;
    for (const char* key : {"block0_binary", "block1_root_false"}) {
        const std::string dump = section(two, key);
        EXPECT_NE(summary.find("\r\n" + dump), std::string::npos) << key << "\n" << dump;
    }
    EXPECT_NE(section(two, "block1_root_false").find(">>>>> ! Bad Checksum, should be "), std::string::npos);

    // Bytes past the size are never read: they show as the FF filler.
    bytes shortened(two.begin(), two.begin() + 100);
    const std::string b0 = section(shortened, "block0_binary");
    EXPECT_NE(b0.find(" FF FF FF FF FF FF FF FF //6F\r\n"), std::string::npos) << b0;
    const std::string b1 = section(shortened, "block1_root_false");
    EXPECT_NE(b1.find("Block 1: "), std::string::npos);
    EXPECT_NE(b1.find(" FF FF FF FF FF FF FF FF //FF\r\n"), std::string::npos) << b1;
}
