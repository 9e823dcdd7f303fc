// Extension block analysis: block names, the CEA data-block scan, the two HDMI vendor-specific
// data blocks, the capability flags and the CEA summary lines.
#include "edid_analysis/mod_edid.h"

namespace vexlan {

namespace {

constexpr std::string_view crlf = "\r\n";

std::int16_t vsdb_position(const mod_edid& st, std::int16_t index)
{
    if (index == 1) return st.data_block_pos.vsdb1;
    if (index == 2) return st.data_block_pos.vsdb2;
    return 0;
}

void yes_no_line(std::string& out, std::string_view label, bool yes)
{
    out += label;
    out += yes ? " Yes" : " No";
    out += crlf;
}

}  // namespace

std::string_view edid_block_name(std::uint8_t tag)
{
    switch (tag) {
    case 2: return "CEA 861 Block";
    case 16: return "Video Timing Block (VTB)";
    case 64: return "Display Information (DI)";
    case 80: return "Localized String (LS)";
    case 96: return "Digital Packet Video Link(DPVL)";
    case 240: return "Block Map";
    case 255: return "Manufacturer Def.";
    default: return "Unknown Block Tag";
    }
}

void edid_data_block_scan(mod_edid& st, std::int16_t block)
{
    const edid_info& r = st.work;
    data_block_table& pos = st.data_block_pos;
    const int base = block * 128;
    const int d = edid_image_byte(r, base + 2);
    if (d == 0 || d == 4) {
        pos = {edid_none, edid_none, edid_none, edid_none, edid_none, edid_none, edid_none};
        return;
    }
    pos = data_block_table{};
    const auto first = [](std::int16_t& entry, int i) {
        if (entry == 0) entry = static_cast<std::int16_t>(i);
    };
    // The walk ends at offset d of the block even when d points past the block; bytes past
    // the image read as 0 and record nothing.
    for (int i = base + 4; i < base + d;) {
        const int header = edid_image_byte(r, i);
        const int tag = header >> 5;
        const int length = header & 0x1F;
        switch (tag) {
        case 1: first(pos.audio, i); break;
        case 2: first(pos.video, i); break;
        case 3:
            if (pos.vsdb1 == 0)
                pos.vsdb1 = static_cast<std::int16_t>(i);
            else
                first(pos.vsdb2, i);
            break;
        case 7:
            switch (edid_image_byte(r, i + 1)) {
            case 6: first(pos.hdr, i); break;
            case 14: first(pos.y420_video, i); break;
            case 15: first(pos.y420_map, i); break;
            default: break;
            }
            break;
        default: break;
        }
        if (i + length >= base + d) break;
        i += length + 1;
    }
}

// The caller names the block to re-scan: the classification passes the CEA block it found, and
// each CEA summary passes the block it describes, so that a three- or four-block image is
// classified and summarised from the same data blocks that its summary shows.
void edid_vsdb_classify(mod_edid& st, std::int16_t block)
{
    st.vsdb_3d_byte = edid_none;
    st.vsdb_h14b_index = edid_none;
    st.vsdb_hf_index = edid_none;
    st.hdmi_vic_len = 0;
    edid_data_block_scan(st, block);

    edid_info& r = st.work;
    const auto byte = [&](int i) { return static_cast<int>(edid_image_byte(r, i)); };
    for (std::int16_t index = 1; index <= 2; ++index) {
        const int p = vsdb_position(st, index);
        if (!data_block_present(static_cast<std::int16_t>(p))) continue;
        const int length = byte(p) & 0x1F;
        if (length < 5) continue;
        if (byte(p + 1) == 0x03 && byte(p + 2) == 0x0C && byte(p + 3) == 0x00)
            st.vsdb_h14b_index = index;
        else if (byte(p + 1) == 0xD8 && byte(p + 2) == 0x5D && byte(p + 3) == 0xC4)
            st.vsdb_hf_index = index;
    }

    if (st.vsdb_h14b_index != edid_none) {
        const int p = vsdb_position(st, st.vsdb_h14b_index);
        const int length = byte(p) & 0x1F;
        const int b8 = byte(p + 8);
        if (length >= 8 && (b8 & 0x20)) {
            const int latency = ((b8 & 0x80) ? 2 : 0) + ((b8 & 0x40) ? 2 : 0);
            if (length >= latency + 10 && byte(p + 10 + latency) >= 32 &&
                r.edid_status != edid_status_6g)
                r.edid_status = edid_status_3g;
            st.vsdb_3d_byte = !(b8 & 0x80) ? 9 : (!(b8 & 0x40) ? 11 : 13);
            st.hdmi_vic_len = static_cast<std::int16_t>(byte(p + st.vsdb_3d_byte + 1) >> 5);
        }
    }

    if (st.vsdb_hf_index != edid_none) {
        const int p = vsdb_position(st, st.vsdb_hf_index);
        const int rate = byte(p + 5) * 5;
        if (rate >= 600)
            r.edid_status = edid_status_6g;
        else if (rate >= 300 && r.edid_status != edid_status_6g)
            r.edid_status = edid_status_3g;
    }
}

std::uint8_t edid_audio_flags(const mod_edid& st)
{
    const int p = st.data_block_pos.audio;
    if (!data_block_present(static_cast<std::int16_t>(p))) return edid_flags_absent;
    const int length = edid_image_byte(st.work, p) & 0x1F;
    std::uint8_t flags = 0;
    for (int o = 0; o <= length - 1; o += 3) {
        const int code = (edid_image_byte(st.work, p + 1 + o) >> 3) & 0x0F;
        if (code == 1)
            flags |= audio_flag_lpcm;
        else if (code >= 2 && code <= 8)
            flags |= audio_flag_bitstream;
        else if (code != 15)
            flags |= audio_flag_hbr;
    }
    return flags;
}

std::uint8_t edid_vsdb_flags(mod_edid& st, std::int16_t block)
{
    edid_vsdb_classify(st, block);
    if (st.vsdb_h14b_index == edid_none) return edid_flags_absent;
    const edid_info& r = st.work;
    const int p = vsdb_position(st, st.vsdb_h14b_index);
    const int length = edid_image_byte(r, p) & 0x1F;
    std::uint8_t flags = 0;
    if (length >= 6 && (edid_image_byte(r, p + 6) & 0x70)) flags |= vsdb_flag_deepcolor;
    if (st.vsdb_3d_byte != edid_none) {
        // The 3D_present byte and the HDMI VIC bytes are read where byte 8 puts them; past the
        // image they read as 0, i.e. no 3D and no 4K VIC.
        if (edid_image_byte(r, p + st.vsdb_3d_byte) & 0x80) flags |= vsdb_flag_3d;
        for (int k = 0; k < st.hdmi_vic_len; ++k) {
            const int vic = edid_image_byte(r, p + st.vsdb_3d_byte + 2 + k);
            if (vic >= 1 && vic <= 4) {
                flags |= vsdb_flag_4k3g;
                break;
            }
        }
    }
    return flags;
}

std::uint8_t edid_hf_vsdb_flags(const mod_edid& st)
{
    if (st.vsdb_hf_index == edid_none) return edid_flags_absent;
    const edid_info& r = st.work;
    const int p = vsdb_position(st, st.vsdb_hf_index);
    const int length = edid_image_byte(r, p) & 0x1F;
    std::uint8_t flags = 0;
    if (length >= 5 && edid_image_byte(r, p + 5) * 5 >= 340) flags |= hf_flag_340mhz_above;
    if (length >= 6 && (edid_image_byte(r, p + 6) & 0x80)) flags |= hf_flag_scdc;
    if (length >= 7 && (edid_image_byte(r, p + 7) & 0x07)) flags |= hf_flag_y420_deepcolor;
    return flags;
}

void edid_cea_summary(mod_edid& st, std::int16_t block)
{
    std::string& out = st.edid_report_text;
    const int d = edid_image_byte(st.work, block * 128 + 2);
    if (d == 0 || d == 4) {
        out += " No data-block-collection.";
        out += crlf;
        return;
    }
    edid_data_block_scan(st, block);
    const data_block_table& pos = st.data_block_pos;
    if (!data_block_present(pos.video)) {
        out += " No video-data-block.";
    } else {
        out += " First VIC = ";
        out += st.vic_name[edid_image_byte(st.work, pos.video + 1) & 0x7F];
    }
    out += crlf;

    out += "\r\n ----- Audio Format:\r\n";
    const std::uint8_t audio = edid_audio_flags(st);
    if (audio == edid_flags_absent) {
        out += " No audio-data-block.\r\n";
    } else {
        yes_no_line(out, " LPCM = ", audio & audio_flag_lpcm);
        yes_no_line(out, " Bitstream = ", audio & audio_flag_bitstream);
        yes_no_line(out, " High Bit Rate = ", audio & audio_flag_hbr);
    }

    out += "\r\n ----- v1.4b VSDB:\r\n";
    const std::uint8_t vsdb = edid_vsdb_flags(st, block);
    if (vsdb == edid_flags_absent) {
        out += " No H1.4b VSDB.\r\n";
    } else {
        yes_no_line(out, " Deepcolor = ", vsdb & vsdb_flag_deepcolor);
        yes_no_line(out, " 3D = ", vsdb & vsdb_flag_3d);
        yes_no_line(out, " 4K3G = ", vsdb & vsdb_flag_4k3g);
    }

    out += "\r\n ----- HF VSDB:\r\n";
    const std::uint8_t hf = edid_hf_vsdb_flags(st);
    if (hf == edid_flags_absent) {
        out += " No HF VSDB.\r\n";
    } else {
        yes_no_line(out, " 340MHz above = ", hf & hf_flag_340mhz_above);
        yes_no_line(out, " SCDC = ", hf & hf_flag_scdc);
        yes_no_line(out, " Y420 Deepcolor = ", hf & hf_flag_y420_deepcolor);
    }

    out += "\r\n ----- Others:\r\n";
    out += data_block_present(pos.hdr) ? " HDR = Yes\r\n" : " HDR = No\r\n";
    out += (data_block_present(pos.y420_video) || data_block_present(pos.y420_map))
               ? " Y420 = Yes\r\n"
               : " Y420 = No\r\n";
}

}  // namespace vexlan
