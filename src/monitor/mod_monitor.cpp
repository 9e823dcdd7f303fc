#include "monitor/mod_monitor.h"

#include <memory>

#include "edid_analysis/mod_edid.h"

namespace vexlan {

namespace {

const char* const aif_coding_texts[16] = {
    "Refer to stream header", "LPCM", "AC3", "MPEG1", "MP3", "MPEG2", "AAC LC", "DTS",
    "ATRAC", "OneBit", "Enhanced AC3", "DTS-HD", "MAT", "DST", "WMA Pro", "Ext. Type"};

const char* const aif_rate_texts[8] = {"Refer to stream header", "32 kHz", "44.1 kHz", "48 kHz",
                                       "88.2 kHz", "96 kHz", "176.4 kHz", "192 kHz"};

const char* const aif_size_texts[4] = {"Refer to stream header", "16 Bits", "20 Bits", "24 Bits"};

const char* const speaker_texts[50] = {
    " -   -   -  -  -  -  FR FL", " -   -   -  -  - LFE FR FL", " -   -   -  - FC  -  FR FL",
    " -   -   -  - FC LFE FR FL", " -   -   - RC  -  -  FR FL", " -   -   - RC  - LFE FR FL",
    " -   -   - RC FC  -  FR FL", " -   -   - RC FC LFE FR FL", " -   -  RR RL  -  -  FR FL",
    " -   -  RR RL  - LFE FR FL", " -   -  RR RL FC  -  FR FL", " -   -  RR RL FC LFE FR FL",
    " -  RC  RR RL  -  -  FR FL", " -  RC  RR RL  - LFE FR FL", " -  RC  RR RL FC  -  FR FL",
    " -  RC  RR RL FC LFE FR FL", "RRC RLC RR RL  -  -  FR FL", "RRC RLC RR RL  - LFE FR FL",
    "RRC RLC RR RL FC  -  FR FL", "RRC RLC RR RL FC LFE FR FL", "FRC FLC  -  -  -  -  FR FL",
    "FRC FLC  -  -  - LFE FR FL", "FRC FLC  -  - FC  -  FR FL", "FRC FLC  -  - FC LFE FR FL",
    "FRC FLC  - RC  -  -  FR FL", "FRC FLC  - RC  - LFE FR FL", "FRC FLC  - RC FC  -  FR FL",
    "FRC FLC  - RC FC LFE FR FL", "FRC FLC RR RL  -  -  FR FL", "FRC FLC RR RL  - LFE FR FL",
    "FRC FLC RR RL FC  -  FR FL", "FRC FLC RR RL FC LFE FR FL", " -  FCH RR RL FC  -  FR FL",
    " -  FCH RR RL FC LFE FR FL", " TC  -  RR RL FC  -  FR FL", " TC  -  RR RL FC LFE FR FL",
    "FRH FLH RR RL  -  -  FR FL", "FRH FLH RR RL  - LFE FR FL", "FRW FLW RR RL  -  -  FR FL",
    "FRW FLW RR RL  - LFE FR FL", " TC RC  RR RL FC  -  FR FL", " TC RC  RR RL FC LFE FR FL",
    "FCH RC  RR RL FC  -  FR FL", "FCH RC  RR RL FC LFE FR FL", " TC FCH RR RL FC  -  FR FL",
    " TC FCH RR RL FC LFE FR FL", "FRH FLH RR RL FC  -  FR FL", "FRH FLH RR RL FC LFE FR FL",
    "FRW FLW RR RL FC  -  FR FL", "FRW FLW RR RL FC LFE FR FL"};

const char* const spd_source_texts[14] = {
    "Unknown", "Digital STB", "DVD Player", "D-VHS", "HDD Videorecoder", "DVC", "DSC", "Video CD",
    "Game", "PC General", "BluRay Disc(BD)", "Super Audio CD", "HD DVD", "PMP"};

const char* const hdmi_vic_texts[11] = {
    "0:Reserved", "1:3840x2160p29.97/30", "2:3840x2160p25", "3:3840x2160p23.98/24",
    "4:4096x2160p23.98/24", "5:4096x2160p25", "6:4096x2160p29.97/30", "7:3840x2160p59.94/60",
    "8:3840x2160p50", "9:4096x2160p59.94/60", "10:4096x2160p50"};

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string hex2_upper(unsigned v) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[(v >> 4) & 15], digits[v & 15]};
}

// Parses the stored text into the zeroed byte store: byte k is the pair at 3k (0-based) of the
// stored text; bytes past the store are ignored.
void bytes_parse(mod_monitor& m, const std::string& text) {
    m.pkt_byte.fill(0);
    m.pkt_byte_count = 0;
    if (!packet_text_valid(text)) return;
    const std::string t = packet_text_make(text);
    const int n = static_cast<int>(t.size() / 3);
    for (int k = 0; k < n && k < packet_bytes_max; ++k) {
        const auto p = static_cast<std::size_t>(3 * k);
        m.pkt_byte[static_cast<std::size_t>(k)] =
            static_cast<std::uint8_t>(hex_digit(t[p]) * 16 + hex_digit(t[p + 1]));
        m.pkt_byte_count = k + 1;
    }
}

// A text of packet bytes that stops at the first 0x00; characters outside 32..126 read "?".
std::string packet_chars(const mod_monitor& m, int first, int last) {
    std::string s;
    for (int k = first; k <= last && k < packet_bytes_max; ++k) {
        const unsigned c = m.pkt_byte[static_cast<std::size_t>(k)];
        if (c == 0) break;
        s += (c >= 32 && c <= 126) ? static_cast<char>(c) : '?';
    }
    return s;
}

void aif_decode(mod_monitor& m) {
    const auto& b = m.pkt_byte;
    m.aif_coding_type = aif_coding_texts[(b[4] >> 4) & 15];
    const int ch = b[4] & 7;
    m.aif_channel_count = ch == 0 ? "Refer to stream header" : " " + std::to_string(ch + 1);
    m.aif_sampling_rate = aif_rate_texts[(b[5] >> 2) & 7];
    m.aif_sample_size = aif_size_texts[b[5] & 3];
    const int ext = b[6] & 31;
    switch (ext) {
    case 0: m.aif_ext_coding_type = "Refer to Coding Type"; break;
    case 1: case 2: case 3: m.aif_ext_coding_type = "Not in use"; break;
    case 4: m.aif_ext_coding_type = "MPEG4 AAC"; break;
    case 5: m.aif_ext_coding_type = "MPEG4 AACv2"; break;
    case 6: m.aif_ext_coding_type = "MPEG4 AACLC"; break;
    case 7: m.aif_ext_coding_type = "MPEG4 DRA"; break;
    case 8: m.aif_ext_coding_type = "MPEG4 AAC+"; break;
    case 10: m.aif_ext_coding_type = "MPEG4 AACLC+"; break;
    default: m.aif_ext_coding_type = "Reserved"; break;
    }
    m.aif_speaker_placement = b[7] < 50 ? speaker_texts[b[7]] : "Reserved";
    m.aif_down_mix = (b[8] & 0x80) ? "Prohibited" : "Permitted/No info";
}

void avi_decode(mod_monitor& m) {
    const auto& b = m.pkt_byte;
    const int y = (b[4] >> 5) & 7;
    m.avi_color_space = y <= 3 ? y : y == 7 ? 4 : 5;
    m.avi_colorimetry = (b[5] >> 6) & 3;
    m.avi_it_content = (b[6] >> 7) & 1;
    const int ec = (b[6] >> 4) & 7;
    if (m.avi_colorimetry == 3 && ec != 7) m.avi_ext_colorimetry = ec;
    m.avi_vic = b[7];
    const int pr = b[8] & 15;
    if (pr < 10) m.avi_pixel_repeat = pr + 1;
}

void gcp_decode(mod_monitor& m) {
    const auto& b = m.pkt_byte;
    m.gcp_avmute = b[3] == 0x01 ? 1 : b[3] == 0x10 ? 0 : 2;
    switch (b[4] & 15) {
    case 0: m.gcp_color_depth = 0; break;
    case 4: m.gcp_color_depth = 8; break;
    case 5: m.gcp_color_depth = 10; break;
    case 6: m.gcp_color_depth = 12; break;
    case 7: m.gcp_color_depth = 16; break;
    default: break;
    }
}

void drmi_decode(mod_monitor& m) {
    const auto& b = m.pkt_byte;
    switch (b[4]) {
    case 0: m.drmi_eotf = "0:SDR Luminance Range"; break;
    case 1: m.drmi_eotf = "1:HDR Luminance Range"; break;
    case 2: m.drmi_eotf = "2:SMPTE ST 2084[2]"; break;
    case 3: m.drmi_eotf = "3:Future EOTF"; break;
    default: m.drmi_eotf = "Reserved"; break;
    }
    m.drmi_metadata = b[5] == 0 ? "Static Metadata Type 1" : "Reserved";
    m.drmi_max_cll = static_cast<std::uint32_t>(b[26]) + static_cast<std::uint32_t>(b[27]) * 256u;
    m.drmi_max_fall = static_cast<std::uint32_t>(b[28]) + static_cast<std::uint32_t>(b[29]) * 256u;
}

void spd_decode(mod_monitor& m) {
    m.spd_vendor = packet_chars(m, 4, 11);
    m.spd_product = packet_chars(m, 12, 27);
    const unsigned t = m.pkt_byte[28];
    m.spd_source_type = t < 14 ? spd_source_texts[t] : "Reserved";
}

void vsi_decode(mod_monitor& m) {
    const auto& b = m.pkt_byte;
    m.vsi_ieee_id = "0x" + hex2_upper(b[6]) + hex2_upper(b[5]) + hex2_upper(b[4]);
    const int fmt = (b[7] >> 5) & 7;
    m.vsi_video_format = fmt == 0 ? "No Info" : fmt == 1 ? "Extended HDMI VIC" : fmt == 2 ? "3D Format" : "Reserved";
    m.vsi_hdmi_vic = fmt == 1 ? b[8] : vsi_hdmi_vic_none;
    if (fmt == 2) {
        switch ((b[8] >> 4) & 15) {
        case 0: m.vsi_3d_structure = "Frame Packing"; break;
        case 1: m.vsi_3d_structure = "Field Alternative(I)"; break;
        case 2: m.vsi_3d_structure = "Line Alternate(P)"; break;
        case 3: m.vsi_3d_structure = "Side by Side Full"; break;
        case 4: m.vsi_3d_structure = "L+Depth"; break;
        case 5: m.vsi_3d_structure = "L+Depth+Graphicsx"; break;
        case 6: m.vsi_3d_structure = "Top and Bottom"; break;
        case 8: m.vsi_3d_structure = "Side by Side Half"; break;
        default: m.vsi_3d_structure = "Reserved"; break;
        }
    } else {
        m.vsi_3d_structure = "None";
    }
}

}  // namespace

bool packet_text_valid(const std::string& value) {
    std::size_t i = 0;
    int bytes = 0;
    while (i < value.size()) {
        if (value[i] == ' ') {
            ++i;
            continue;
        }
        if (i + 1 >= value.size() || hex_digit(value[i]) < 0 || hex_digit(value[i + 1]) < 0) return false;
        if (i + 2 < value.size() && value[i + 2] != ' ') return false;
        i += 2;
        ++bytes;
    }
    return bytes > 0;
}

std::string packet_text_make(const std::string& value) {
    // one blank between bytes, whatever the unit sent, so that byte k sits at 3k
    std::string out;
    std::size_t i = 0;
    while (i < value.size()) {
        if (value[i] == ' ') {
            ++i;
            continue;
        }
        const auto end = value.find(' ', i);
        out += value.substr(i, end == std::string::npos ? std::string::npos : end - i);
        out += ' ';
        if (end == std::string::npos) break;
        i = end;
    }
    return out;
}

std::string* packet_text_of(mod_monitor& m, int item) {
    switch (item) {
    case item_aif: return &m.pkt_text_aif;
    case item_avi: return &m.pkt_text_avi;
    case item_drmi: return &m.pkt_text_drmi;
    case item_gcp: return &m.pkt_text_gcp;
    case item_spd: return &m.pkt_text_spd;
    case item_vsi: return &m.pkt_text_vsi;
    default: return nullptr;
    }
}

void packet_decode(mod_monitor& m, int item) {
    const std::string* text = packet_text_of(m, item);
    if (!text) return;
    bytes_parse(m, *text);
    switch (item) {
    case item_aif: aif_decode(m); break;
    case item_avi: avi_decode(m); break;
    case item_drmi: drmi_decode(m); break;
    case item_gcp: gcp_decode(m); break;
    case item_spd: spd_decode(m); break;
    case item_vsi: vsi_decode(m); break;
    default: break;
    }
}

void packet_hex_append(std::string& report, const std::string& text) {
    std::string block = "   ";
    int pieces = 0;
    for (std::size_t i = 0; i < text.size(); i += 3) {
        block += text.substr(i, 3);
        if (++pieces % 10 == 0) block += "\r\n   ";
    }
    report += "\r\n";
    report += block;
    report += "\r\n";
}

const char* avi_color_space_text(int code) {
    static const char* const t[6] = {"RGB", "YCbCr422", "YCbCr444", "YCbCr420", "IDO Define", "Reserved"};
    return code >= 0 && code < 6 ? t[code] : "Reserved";
}

const char* avi_colorimetry_text(int code) {
    static const char* const t[4] = {"No Data", "ITU601", "ITU709", "Extended Colorimetry"};
    return code >= 0 && code < 4 ? t[code] : "No Data";
}

const char* avi_it_content_text(int code) { return code == 1 ? "Yes" : "No"; }

const char* avi_ext_colorimetry_text(int code) {
    static const char* const t[7] = {"xvYCC601", "xvYCC709", "sYCC601", "Adobe 601", "Adobe RGB", "BT2020(1)", "BT2020(2)"};
    return code >= 0 && code < 7 ? t[code] : "Reserved";
}

const char* gcp_avmute_text(int code) {
    static const char* const t[3] = {"Clear", "Set", "None"};
    return code >= 0 && code < 3 ? t[code] : "None";
}

std::string gcp_color_depth_text(int bits) {
    if (bits == 0) return "Not Indicated";
    if (bits == 8 || bits == 10 || bits == 12 || bits == 16) return std::to_string(bits);
    return "Reserved";
}

std::string vsi_hdmi_vic_text(int vic) {
    if (vic == vsi_hdmi_vic_none) return "None";
    if (vic >= 0 && vic <= 10) return hdmi_vic_texts[vic];
    return "Reserved";
}

const std::string& vic_name_of(int vic) {
    static const std::array<std::string, 129> names = [] {
        auto st = std::make_unique<mod_edid>();
        vic_table_init(*st);
        return st->vic_name;
    }();
    static const std::string empty;
    return vic >= 0 && vic < static_cast<int>(names.size()) ? names[static_cast<std::size_t>(vic)] : empty;
}

std::string avi_vic_text(int vic) {
    if (vic < 0 || vic > 128) return std::to_string(vic);
    return std::to_string(vic) + " " + vic_name_of(vic);
}

}  // namespace vexlan
