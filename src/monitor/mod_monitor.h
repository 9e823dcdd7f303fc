// Analyser value decoding (mod_monitor): the packets the analyser reports as hexadecimal byte
// lists turned into named fields with display texts, the packet dump of the monitor report, and
// the code-to-text tables that the live view and the report share.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace vexlan {

// Command-table indices of the six packet queries ("$source_detect? aif", ...).
inline constexpr int item_aif = 104;
inline constexpr int item_avi = 110;
inline constexpr int item_drmi = 117;
inline constexpr int item_gcp = 118;
inline constexpr int item_spd = 139;
inline constexpr int item_vsi = 146;

inline constexpr int packet_bytes_max = 33;  // bytes 0..32; later bytes are ignored
inline constexpr int vsi_hdmi_vic_none = 254;

struct mod_monitor {
    // the stored packet texts: parameter 2 trimmed, with one blank appended
    std::string pkt_text_avi, pkt_text_aif, pkt_text_gcp, pkt_text_drmi, pkt_text_spd, pkt_text_vsi;

    // the byte store of the last parse (zeroed before each parse)
    std::array<std::uint8_t, packet_bytes_max> pkt_byte{};
    int pkt_byte_count = 0;

    // AIF
    std::string aif_coding_type, aif_channel_count, aif_sampling_rate, aif_sample_size;
    std::string aif_ext_coding_type, aif_speaker_placement, aif_down_mix;
    // AVI
    int avi_color_space = 0;      // 0..5
    int avi_colorimetry = 0;      // 0..3
    int avi_it_content = 0;       // 0/1
    int avi_ext_colorimetry = 0;  // 0..6
    int avi_vic = 0;              // 0..255
    int avi_pixel_repeat = 1;     // 1..10
    // GCP
    int gcp_avmute = 2;       // 0 Clear, 1 Set, 2 None
    int gcp_color_depth = 0;  // 0, 8, 10, 12, 16
    // DRMI
    std::string drmi_eotf, drmi_metadata;
    std::uint32_t drmi_max_cll = 0, drmi_max_fall = 0;
    // SPD
    std::string spd_vendor, spd_product, spd_source_type;
    // VSI
    std::string vsi_ieee_id, vsi_video_format, vsi_3d_structure;
    int vsi_hdmi_vic = vsi_hdmi_vic_none;
};

// True when `value` (a reply parameter) is a list of two-digit hexadecimal bytes separated by
// single or repeated blanks, with at least one byte. "None", "off" and anything else malformed
// are not; the status refresh and the report then treat the packet as absent.
bool packet_text_valid(const std::string& value);

// The stored form of a packet text: blanks removed at both ends, one blank appended.
std::string packet_text_make(const std::string& value);

// The stored text of a packet kind by its item (104, 110, 117, 118, 139, 146); null otherwise.
std::string* packet_text_of(mod_monitor& m, int item);

// Decodes the stored packet text of the item's kind into its fields. Other items do nothing.
void packet_decode(mod_monitor& m, int item);

// Appends a packet text to a report: CR LF, then the bytes three characters each, ten to a line,
// every line indented by three blanks, then CR LF.
void packet_hex_append(std::string& report, const std::string& text);

// ---- texts of codes ----------------------------------------------------------------------
const char* avi_color_space_text(int code);
const char* avi_colorimetry_text(int code);
const char* avi_it_content_text(int code);
const char* avi_ext_colorimetry_text(int code);
const char* gcp_avmute_text(int code);
// "Not Indicated" for 0, the number of bits for 8/10/12/16, "Reserved" otherwise.
std::string gcp_color_depth_text(int bits);
// "None" for 254, the HDMI VIC texts for 0..10, "Reserved" for any other number.
std::string vsi_hdmi_vic_text(int vic);
// The VIC number, one blank and its name; a VIC above 128 shows its number alone.
std::string avi_vic_text(int vic);
// The name of a CEA-861 video code 0..128 ("" outside).
const std::string& vic_name_of(int vic);

}  // namespace vexlan
