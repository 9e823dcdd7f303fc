// The EDID analysis text: summary, block dumps, block-map listing and CEA summaries.
#include "edid_analysis/mod_edid.h"

#include <cstdio>

namespace vexlan {

namespace {

constexpr char hex_digits[] = "0123456789ABCDEF";

// Upper-case hexadecimal without leading zeros ("0" for 0).
void append_hex(std::string& out, unsigned value)
{
    char buf[8];
    int n = 0;
    do {
        buf[n++] = hex_digits[value & 0x0F];
        value >>= 4;
    } while (value != 0);
    while (n > 0) out.push_back(buf[--n]);
}

}  // namespace

std::string edid_refresh_text(double hz)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.3f", hz);
    std::string text(buf);
    // "###.000" has no mandatory integer digit: a value that rounds below 1 starts at the point.
    if (text.rfind("0.", 0) == 0) text.erase(0, 1);
    else if (text.rfind("-0.", 0) == 0) text.erase(1, 1);
    return text;
}

void edid_block_dump(mod_edid& st, std::int16_t block, std::uint8_t tag)
{
    std::string& out = st.edid_report_text;
    const edid_info& r = st.work;
    out += "\r\n";
    if (block == 0) {
        out += "============================== Block 0: VESA BASE EDID";
    } else {
        out += "============================== Block ";
        out += std::to_string(block);
        out += ": ";
        out += edid_block_name(tag);
    }
    out += "\r\n";

    const int base = block * 128;
    for (int line = 0; line < 16; ++line) {
        out.push_back(' ');
        for (int k = 0; k < 8; ++k) {
            const std::uint8_t b = r.edid_image[static_cast<std::size_t>(base + line * 8 + k)];
            out.push_back(hex_digits[b >> 4]);
            out.push_back(hex_digits[b & 0x0F]);
            out.push_back(' ');
        }
        out += "//";
        append_hex(out, static_cast<unsigned>(base + line * 8 + 7));
        out += "\r\n";
    }

    const std::uint8_t should = r.block_checksum[static_cast<std::size_t>(block)];
    if (should != r.edid_image[static_cast<std::size_t>(base + 127)]) {
        out += ">>>>> ! Bad Checksum, should be ";
        append_hex(out, should);
        out += "\r\n";
    }
    out += "\r\n";
}

void edid_summary_build(mod_edid& st)
{
    std::string& out = st.edid_report_text;
    out.clear();
    const edid_info& r = st.work;
    const auto& img = r.edid_image;

    if (r.edid_type == edid_type_invalid) {
        if (r.edid_status == edid_status_bad_header) {
            out += ">>>>> ! Block0 has bad header.\r\n";
        } else if (r.edid_status == edid_status_bad_size) {
            out += ">>>>> ! Block0 has bad size.\r\n";
            return;
        }
    }

    switch (r.edid_type) {
    case edid_type_analog: out += "EDID Type = ANALOG , "; break;
    case edid_type_dvi: out += "EDID Type = DVI , "; break;
    case edid_type_hdmi:
        if (r.edid_status == edid_status_hd) out += "EDID Type = HDMI HD , ";
        else if (r.edid_status == edid_status_3g) out += "EDID Type = HDMI 3G , ";
        else if (r.edid_status == edid_status_6g) out += "EDID Type = HDMI 6G , ";
        break;
    default: break;
    }
    out += "Total ";
    out += std::to_string(r.block_count);
    out += " blocks\r\n";

    edid_block_dump(st, 0, 0);

    out += " Manufacturer Name = ";
    out += edid_manufacturer_letters(img[8], img[9]);
    out += "\r\n";

    const unsigned product = img[10] + img[11] * 256u;
    char code[8];
    std::snprintf(code, sizeof code, "%04X", product);
    out += " Product Code = ";
    out += std::to_string(product);
    out += " (";
    out += code;
    out += " h)\r\n";

    out += " Monitor Name = ";
    out += r.monitor_name;
    out += "\r\n";

    if (r.dtd_valid) {
        out += " First Detailed Timing = ";
        out += st.first_dtd_text;
        out += edid_refresh_text(r.dtd_refresh);
        out += "\r\n";
    }

    // A record that was never analysed has a block count of 0; it ends here as well.
    if (r.block_count <= 1) return;

    // The block count is at most 4 here: a larger extension count is a bad size.
    const std::uint8_t tag1 = img[128];
    edid_block_dump(st, 1, tag1);
    if (tag1 == 240) {
        for (int k = 2; k <= r.block_count - 1; ++k) {
            out += " Block ";
            out += std::to_string(k);
            out += "= ";
            out += edid_block_name(img[static_cast<std::size_t>(128 + k - 1)]);
            out += "\r\n";
        }
    } else if (tag1 == 2) {
        edid_cea_summary(st, 1);
    }

    for (std::int16_t k = 2; k <= 3 && k < r.block_count; ++k) {
        const std::uint8_t tag = img[static_cast<std::size_t>(k) * 128];
        edid_block_dump(st, k, tag);
        if (tag == 2) edid_cea_summary(st, k);
    }
}

}  // namespace vexlan
