// Analyser value decoding: the six packet decoders, their texts, the byte store and the report's
// packet dump, including packets that are short, long or malformed.
#include <gtest/gtest.h>

#include "monitor/mod_monitor.h"

namespace vexlan {
namespace {

// Stores `bytes` as the packet text of `item` (as the status refresh does) and decodes it.
mod_monitor decoded(int item, const std::string& bytes, mod_monitor m = {}) {
    *packet_text_of(m, item) = packet_text_make(bytes);
    packet_decode(m, item);
    return m;
}

TEST(MonitorDecode, AudioInfoFrameFields) {
    auto m = decoded(item_aif, "84 01 0A 00 11 0D 05 13 80");
    EXPECT_EQ((std::vector<std::string>{m.aif_coding_type, m.aif_channel_count, m.aif_sampling_rate, m.aif_sample_size,
                                        m.aif_ext_coding_type, m.aif_speaker_placement, m.aif_down_mix}),
              (std::vector<std::string>{"LPCM", " 2", "48 kHz", "16 Bits", "MPEG4 AACv2", "RRC RLC RR RL FC LFE FR FL",
                                        "Prohibited"}));
    m = decoded(item_aif, "84 01 0A 00 F0 00 09 32 00");
    EXPECT_EQ(std::tuple(m.aif_coding_type, m.aif_channel_count, m.aif_ext_coding_type, m.aif_speaker_placement,
                         m.aif_down_mix),   // speaker placement code 50
              std::tuple("Ext. Type", "Refer to stream header", "Reserved", "Reserved", "Permitted/No info"));
}

TEST(MonitorDecode, AviColourSpaceColorimetryVicAndRepetition) {
    struct row { const char* bytes; int cs, colorimetry, ext, vic, repeat; const char* vic_text; };
    const row rows[] = {
        {"82 02 0D 00 40 A8 00 10 01", 2, 2, 0, 16, 2, "16 1920x1080p 59/60 16:9"},
        {"82 02 0D 00 E0 C0 60 61 00", 4, 3, 6, 97, 1, "97 3840x2160p 59/60  16:9 "},
        {"82 02 0D 00 A0 C0 70 00 09", 5, 3, 0, 0, 10, "0 No VIC Available"},  // EC 7 keeps the previous value
        {"82 02 0D 00 00 00 00 81 0A", 0, 0, 0, 129, 1, "129"},    // VIC above 128: no name; PR 10 kept
        {"82 02 0D 00 00 00 00 FF 00", 0, 0, 0, 255, 1, "255"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.bytes);
        const auto m = decoded(item_avi, r.bytes);
        EXPECT_EQ(std::tuple(m.avi_color_space, m.avi_colorimetry, m.avi_ext_colorimetry, m.avi_vic,
                             m.avi_pixel_repeat, avi_vic_text(m.avi_vic)),
                  std::tuple(r.cs, r.colorimetry, r.ext, r.vic, r.repeat, std::string(r.vic_text)));
    }
    EXPECT_STREQ(avi_color_space_text(decoded(item_avi, "82 02 0D 00 E0").avi_color_space), "IDO Define");
    EXPECT_STREQ(avi_ext_colorimetry_text(6), "BT2020(2)");
}

// The common forms (GCP "Clear"/8 and "Set"/12, VSI with HDMI VIC 1, DRMI ST 2084 with light
// levels, SPD) are compared byte for byte in monitor_report_test; here the rarer ones.
TEST(MonitorDecode, GcpVsiDrmiAndSpdCornerCases) {
    auto m = decoded(item_gcp, "03 00 00 10 04 00 00");
    m = decoded(item_gcp, "03 00 00 11 03 00 00", m);  // other mute byte; CD 3 keeps the depth
    EXPECT_STREQ(gcp_avmute_text(m.gcp_avmute), "None");
    EXPECT_EQ(std::tuple(m.gcp_color_depth, gcp_color_depth_text(0), gcp_color_depth_text(9)),
              std::tuple(8, "Not Indicated", "Reserved"));

    m = decoded(item_vsi, "81 01 05 00 03 0C 00 40 60");
    EXPECT_EQ(std::tuple(m.vsi_video_format, m.vsi_hdmi_vic, vsi_hdmi_vic_text(m.vsi_hdmi_vic), m.vsi_3d_structure),
              std::tuple("3D Format", int{vsi_hdmi_vic_none}, "None", "Top and Bottom"));
    m = decoded(item_vsi, "81 01 05 00 03 0C 00 20 0B");  // an HDMI VIC the table does not hold
    EXPECT_EQ(std::tuple(m.vsi_hdmi_vic, vsi_hdmi_vic_text(m.vsi_hdmi_vic)), std::tuple(11, "Reserved"));
    EXPECT_EQ(vsi_hdmi_vic_text(255), "Reserved");
    EXPECT_EQ(decoded(item_drmi, "87 01 1A 00 07 01").drmi_eotf, "Reserved");

    // SPD texts stop at a zero and hide control bytes: vendor 8 full characters, product "AB"
    // with a CR inside
    m = decoded(item_spd, "83 01 19 00 56 45 58 4C 41 4E 58 59 41 0D 42 00");
    EXPECT_EQ(std::tuple(m.spd_vendor, m.spd_product, m.spd_source_type),   // byte 28 absent: zero
              std::tuple("VEXLANXY", "A?B", "Unknown"));
    m = decoded(item_spd, "83 01 19 00 00 45 58 00 00 00 00 00 50");
    EXPECT_EQ(std::tuple(m.spd_vendor, m.spd_product), std::tuple("", "P"));
}

TEST(MonitorDecode, ByteStoreIsZeroedAndBoundedAndTextMustBeHexPairs) {
    // a long AVI first, then a short one: the short one must not inherit the long one's bytes
    auto m = decoded(item_avi, "82 02 0D 00 40 A8 00 10 03");
    m = decoded(item_avi, "82 02 0D 00 40", m);
    EXPECT_EQ(std::tuple(m.pkt_byte_count, m.avi_vic, m.avi_pixel_repeat), std::tuple(5, 0, 1));
    // 40 bytes: the store keeps 33, the rest is ignored
    std::string longer = "7F";
    for (int k = 1; k < 40; ++k) longer += " 7F";
    m = decoded(item_spd, longer, m);
    EXPECT_EQ(m.pkt_byte_count, packet_bytes_max);

    for (const char* text : {"82 02 0D", "  82 02 0D  ", "0a ff"}) EXPECT_TRUE(packet_text_valid(text)) << text;
    for (const char* text : {"off", "None", "", "   ", "8 02", "820 2", "82,02", "G2 02", "82 02 0"})
        EXPECT_FALSE(packet_text_valid(text)) << '"' << text << '"';
    // a malformed text decodes as an empty store, never as a mis-aligned one
    m = decoded(item_avi, "82 02 0D 00 40 A8 00 10 01");
    *packet_text_of(m, item_avi) = "8202 0D00 40A8";
    packet_decode(m, item_avi);
    EXPECT_EQ(m.pkt_byte_count, 0);
}

}  // namespace
}  // namespace vexlan
