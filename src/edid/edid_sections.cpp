// Decoding of the EDID base block into edid_base_info, and the section texts built from it.
#include "edid/edid_sections.h"

#include <cmath>
#include <cstdio>

#include "edid_analysis/mod_edid.h"

namespace vexlan {

namespace {

constexpr int max_bytes = 512;

// The bytes of an image side: `size` bytes are read, the rest are the 0xFF filler.
struct image_view {
    const std::uint8_t* data;
    int size;
    std::uint8_t operator[](int i) const
    {
        return (data != nullptr && i >= 0 && i < size) ? data[i] : 0xFF;
    }
};

image_view view_of(const std::uint8_t* image, int size)
{
    if (image == nullptr || size < 0) size = 0;
    if (size > max_bytes) size = max_bytes;
    return {image, size};
}

const char* const established_names[17] = {
    "720x400@70",  "720x400@88",  "640x480@60",   "640x480@67",  "640x480@72",  "640x480@75",
    "800x600@56",  "800x600@60",  "800x600@72",   "800x600@75",  "832x624@75",  "1024x768@87i",
    "1024x768@60", "1024x768@70", "1024x768@75",  "1280x1024@75", "1152x870@75"};

const char* const interface_names[6] = {"undefined", "DVI", "HDMI-a", "HDMI-b", "MDDI", "DisplayPort"};

double round_to(double v, double scale) { return std::round(v * scale) / scale; }

edid_chromaticity chromaticity(int x_raw, int y_raw)
{
    return {x_raw, y_raw, round_to(x_raw / 1024.0, 10000.0), round_to(y_raw / 1024.0, 10000.0)};
}

edid_standard_timing standard_timing(std::uint8_t b1, std::uint8_t b2, const edid_base_info& info)
{
    edid_standard_timing t;
    t.byte1 = b1;
    t.byte2 = b2;
    // 01 01 marks an unused entry; a first byte of 00 is reserved (no width can give it) and
    // fills unused entries of some older sinks.
    t.used = !(b1 == 0x01 && b2 == 0x01) && b1 != 0x00;
    if (!t.used) return t;
    t.width = (b1 + 31) * 8;
    t.refresh = (b2 & 0x3F) + 60;
    switch (b2 >> 6) {
    case 0:
        // 16:10 from E-EDID 1.3 on; 1:1 before.
        t.height = (info.version_major == 1 && info.version_minor < 3) ? t.width : t.width * 10 / 16;
        break;
    case 1: t.height = t.width * 3 / 4; break;
    case 2: t.height = t.width * 4 / 5; break;
    default: t.height = t.width * 9 / 16; break;
    }
    return t;
}

edid_dtd dtd_decode(const std::array<std::uint8_t, 18>& d)
{
    edid_dtd t;
    t.pixel_clock_khz = (d[0] + d[1] * 256) * 10;
    t.h_active = d[2] + (d[4] >> 4) * 256;
    t.h_blank = d[3] + (d[4] & 0x0F) * 256;
    t.v_active = d[5] + (d[7] >> 4) * 256;
    t.v_blank = d[6] + (d[7] & 0x0F) * 256;
    t.h_front = d[8] + ((d[11] >> 6) & 3) * 256;
    t.h_sync = d[9] + ((d[11] >> 4) & 3) * 256;
    t.v_front = (d[10] >> 4) + ((d[11] >> 2) & 3) * 16;
    t.v_sync = (d[10] & 0x0F) + (d[11] & 3) * 16;
    t.width_mm = d[12] + (d[14] >> 4) * 256;
    t.height_mm = d[13] + (d[14] & 0x0F) * 256;
    t.h_border = d[15];
    t.v_border = d[16];
    t.flags = d[17];
    t.interlaced = (d[17] & 0x80) != 0;
    return t;
}

// Bytes 5..17 up to the first 0x0A, trailing blanks removed.
std::string descriptor_text(const std::array<std::uint8_t, 18>& d)
{
    std::string s;
    for (int i = 5; i < 18 && d[static_cast<std::size_t>(i)] != 0x0A; ++i)
        s.push_back(static_cast<char>(d[static_cast<std::size_t>(i)]));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

edid_range_limits range_decode(const std::array<std::uint8_t, 18>& d, bool v14)
{
    edid_range_limits r;
    // The rate offsets of byte 4 exist from E-EDID 1.4 on; before, the byte is reserved.
    const int offsets = v14 ? d[4] : 0;
    r.v_min = d[5] + ((offsets & 0x03) == 0x03 ? 255 : 0);
    r.v_max = d[6] + ((offsets & 0x02) != 0 ? 255 : 0);
    r.h_min_khz = d[7] + ((offsets & 0x0C) == 0x0C ? 255 : 0);
    r.h_max_khz = d[8] + ((offsets & 0x08) != 0 ? 255 : 0);
    r.max_pixel_clock_mhz = d[9] * 10;
    r.timing_support = d[10];
    return r;
}

edid_descriptor descriptor_decode(const image_view& img, int slot, bool v14)
{
    edid_descriptor e;
    e.slot = slot;
    const int s = 54 + (slot - 1) * 18;
    for (int i = 0; i < 18; ++i) e.raw[static_cast<std::size_t>(i)] = img[s + i];
    // The same test as the analysis engine's descriptor map: a non-zero pixel clock byte
    // makes a detailed timing.
    if (e.raw[0] != 0 || e.raw[1] != 0) {
        e.kind = edid_descriptor_kind::dtd;
        e.dtd = dtd_decode(e.raw);
        return e;
    }
    e.tag = e.raw[3];
    switch (e.tag) {
    case 0xFC: e.kind = edid_descriptor_kind::name; break;
    case 0xFF: e.kind = edid_descriptor_kind::serial; break;
    case 0xFE: e.kind = edid_descriptor_kind::text; break;
    case 0xFD: e.kind = edid_descriptor_kind::range_limits; break;
    case 0x10: e.kind = edid_descriptor_kind::dummy; break;
    default: e.kind = edid_descriptor_kind::other; break;
    }
    if (e.kind == edid_descriptor_kind::name || e.kind == edid_descriptor_kind::serial ||
        e.kind == edid_descriptor_kind::text)
        e.text = descriptor_text(e.raw);
    if (e.kind == edid_descriptor_kind::range_limits) e.range = range_decode(e.raw, v14);
    return e;
}

// ---- text helpers ----------------------------------------------------------------------

std::string fmt(const char* f, double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, f, v);
    return buf;
}

std::string hex2(unsigned v)
{
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X", v & 0xFFu);
    return buf;
}

void line(std::string& out, std::string_view label, std::string_view value)
{
    out += "  ";
    out += label;
    if (label.size() < 24) out.append(24 - label.size(), ' ');
    out += ": ";
    out += value;
    out += "\r\n";
}

void title(std::string& out, std::string_view text)
{
    out += text;
    out += "\r\n";
}

const char* yes_no(bool b) { return b ? "yes" : "no"; }

// A descriptor text as shown: printable ASCII as it is, other bytes as \xHH.
std::string printable(const std::string& s)
{
    std::string out;
    for (const char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 32 && c < 127)
            out.push_back(ch);
        else
            out += "\\x" + hex2(c);
    }
    return out;
}

std::string data_bytes(const std::array<std::uint8_t, 18>& d, int from, int to)
{
    std::string s;
    for (int i = from; i <= to; ++i) {
        if (!s.empty()) s.push_back(' ');
        s += hex2(d[static_cast<std::size_t>(i)]);
    }
    return s;
}

void vendor_text(std::string& out, const edid_base_info& i, const image_view& img)
{
    title(out, "Vendor/Product Id (bytes 08h-11h)");
    line(out, "Manufacturer name", i.manufacturer + " (" + hex2(img[8]) + " " + hex2(img[9]) + ")");
    char code[32];
    std::snprintf(code, sizeof code, "%d (%04X h)", i.product_code, static_cast<unsigned>(i.product_code));
    line(out, "Product code", code);
    if (i.serial_number) {
        char serial[48];
        std::snprintf(serial, sizeof serial, "%u (%08X h)", static_cast<unsigned>(*i.serial_number),
                      static_cast<unsigned>(*i.serial_number));
        line(out, "Serial number", serial);
    } else {
        line(out, "Serial number", "not given");
    }
    if (i.model_year)
        line(out, "Model year", std::to_string(i.year));
    else if (i.week)
        line(out, "Manufactured", "week " + std::to_string(*i.week) + " of " + std::to_string(i.year));
    else
        line(out, "Manufactured", std::to_string(i.year) + " (week not given)");
}

void basic_text(std::string& out, const edid_base_info& i)
{
    const bool v14 = edid_version_at_least_1_4(i);
    title(out, "EDID Version (bytes 12h-13h)");
    line(out, "Version", std::to_string(i.version_major) + "." + std::to_string(i.version_minor));
    out += "\r\n";
    title(out, "Basic Display Parameters (bytes 14h-18h)");
    line(out, "Video input", std::string(i.digital ? "digital" : "analog") + " (" + hex2(i.input_byte) + " h)");
    if (i.digital) {
        if (v14) {
            line(out, "Bits per colour", i.bits_per_color ? std::to_string(*i.bits_per_color) : "undefined");
            line(out, "Interface", i.interface_name ? *i.interface_name : "reserved");
        } else {
            line(out, "DFP 1.x compatible", yes_no(i.input_byte & 0x01));
        }
    } else {
        static const char* const levels[4] = {"0.700 / 0.300 V", "0.714 / 0.286 V", "1.000 / 0.400 V",
                                              "0.700 / 0.000 V"};
        line(out, "Signal level", levels[(i.input_byte >> 5) & 3]);
        line(out, "Blank-to-black setup", yes_no(i.input_byte & 0x10));
        line(out, "Separate sync", yes_no(i.input_byte & 0x08));
        line(out, "Composite sync on H", yes_no(i.input_byte & 0x04));
        line(out, "Sync on green", yes_no(i.input_byte & 0x02));
        line(out, "Serration on V sync", yes_no(i.input_byte & 0x01));
    }
    if (i.width_cm && i.height_cm)
        line(out, "Screen size", std::to_string(*i.width_cm) + " cm x " + std::to_string(*i.height_cm) + " cm");
    else
        line(out, "Screen size", "not given");
    line(out, "Gamma", i.gamma ? fmt("%.2f", *i.gamma) : std::string("not given (FFh)"));
    line(out, "DPMS standby", yes_no(i.dpms_standby));
    line(out, "DPMS suspend", yes_no(i.dpms_suspend));
    line(out, "DPMS active-off", yes_no(i.dpms_off));
    const int colour = (i.feature_byte >> 3) & 3;
    if (i.digital && v14) {
        static const char* const formats[4] = {"RGB 4:4:4", "RGB 4:4:4, YCrCb 4:4:4", "RGB 4:4:4, YCrCb 4:2:2",
                                               "RGB 4:4:4, YCrCb 4:4:4, YCrCb 4:2:2"};
        line(out, "Colour encoding", formats[colour]);
    } else {
        static const char* const types[4] = {"monochrome or greyscale", "RGB colour", "non-RGB colour",
                                             "undefined"};
        line(out, "Display type", types[colour]);
    }
    line(out, "sRGB default", yes_no(i.srgb));
    line(out, v14 ? "Preferred timing native" : "Preferred timing mode", yes_no(i.preferred_native));
    line(out, v14 ? "Continuous frequency" : "GTF supported", yes_no(i.continuous_frequency));
}

void color_text(std::string& out, const edid_base_info& i)
{
    title(out, "Color Characteristics (bytes 19h-22h)");
    const auto point = [&](std::string_view name, const edid_chromaticity& c) {
        line(out, name, "x " + fmt("%.4f", c.x) + ", y " + fmt("%.4f", c.y));
    };
    point("Red", i.red);
    point("Green", i.green);
    point("Blue", i.blue);
    point("White", i.white);
}

void established_text(std::string& out, const edid_base_info& i, const image_view& img)
{
    title(out, "Established Timings (bytes 23h-25h: " + hex2(img[35]) + " " + hex2(img[36]) + " " +
                   hex2(img[37]) + ")");
    if (i.established.empty()) out += "  none\r\n";
    for (const std::string& t : i.established) out += "  " + t + "\r\n";
    if (i.manufacturer_timings != 0)
        out += "  manufacturer's timings: " + hex2(i.manufacturer_timings) + " h\r\n";
}

void standard_text(std::string& out, const edid_base_info& i, int first, int last)
{
    char head[64];
    std::snprintf(head, sizeof head, "Standard Timings %d-%d (bytes %02Xh-%02Xh)", first, last, 38 + (first - 1) * 2,
                  38 + last * 2 - 1);
    title(out, head);
    for (int n = first; n <= last; ++n) {
        const edid_standard_timing& t = i.standard[static_cast<std::size_t>(n - 1)];
        const std::string label = "Standard timing " + std::to_string(n);
        const std::string code = " (" + hex2(t.byte1) + " " + hex2(t.byte2) + ")";
        if (t.used)
            line(out, label,
                 std::to_string(t.width) + "x" + std::to_string(t.height) + "@" + std::to_string(t.refresh) + code);
        else
            line(out, label, "unused" + code);
    }
}

std::string sync_text(std::uint8_t flags)
{
    if (flags & 0x10) {
        if (flags & 0x08)
            return std::string("digital separate, H") + ((flags & 0x02) ? "+" : "-") + " V" +
                   ((flags & 0x04) ? "+" : "-");
        return std::string("digital composite, serrations ") + yes_no(flags & 0x04) + ", H" +
               ((flags & 0x02) ? "+" : "-");
    }
    return std::string(flags & 0x08 ? "analog bipolar composite" : "analog composite") + ", serrations " +
           yes_no(flags & 0x04) + ", sync on " + ((flags & 0x02) ? "all RGB lines" : "green only");
}

std::string stereo_text(std::uint8_t flags)
{
    const int code = ((flags >> 4) & 0x06) | (flags & 0x01);
    switch (code) {
    case 0:
    case 1: return "none";
    case 2: return "field sequential, right on sync";
    case 3: return "2-way interleaved, right on even lines";
    case 4: return "field sequential, left on sync";
    case 5: return "2-way interleaved, left on even lines";
    case 6: return "4-way interleaved";
    default: return "side by side interleaved";
    }
}

void dtd_text(std::string& out, const edid_dtd& t)
{
    const int h_total = t.h_active + t.h_blank;
    const int v_total = t.v_active + t.v_blank;
    double clock = t.pixel_clock_khz * 1000.0;
    double lines = v_total;
    if (t.interlaced) {
        // Field rate, as the analysis summary computes it.
        clock *= 2;
        lines = 2.0 * v_total + 1;
    }
    const double refresh = (h_total > 0 && v_total > 0) ? clock / (h_total * lines) : 0.0;
    const int frame_lines = t.interlaced ? t.v_active * 2 : t.v_active;
    line(out, "Timing", std::to_string(t.h_active) + "x" + std::to_string(frame_lines) +
                            (t.interlaced ? "i " : "p ") + fmt("%.3f", refresh) + " Hz");
    line(out, "Pixel clock", fmt("%.2f", t.pixel_clock_khz / 1000.0) + " MHz");
    line(out, "Line rate", h_total > 0 ? fmt("%.3f", t.pixel_clock_khz / static_cast<double>(h_total)) + " kHz"
                                       : std::string("undefined"));
    const auto axis = [&](std::string_view name, int active, int blank, int front, int sync, int border) {
        line(out, name,
             "active " + std::to_string(active) + ", blank " + std::to_string(blank) + " (front porch " +
                 std::to_string(front) + ", sync " + std::to_string(sync) + ", back porch " +
                 std::to_string(blank - front - sync) + "), total " + std::to_string(active + blank) +
                 ", border " + std::to_string(border));
    };
    axis("Horizontal", t.h_active, t.h_blank, t.h_front, t.h_sync, t.h_border);
    axis(t.interlaced ? "Vertical (per field)" : "Vertical", t.v_active, t.v_blank, t.v_front, t.v_sync,
         t.v_border);
    line(out, "Image size", std::to_string(t.width_mm) + " mm x " + std::to_string(t.height_mm) + " mm");
    line(out, "Scan", t.interlaced ? "interlaced" : "progressive");
    line(out, "Stereo", stereo_text(t.flags));
    line(out, "Sync", sync_text(t.flags));
}

std::string other_tag_name(std::uint8_t tag)
{
    if (tag <= 0x0F) return "Manufacturer-specified descriptor";
    switch (tag) {
    case 0xF7: return "Established Timings III";
    case 0xF8: return "CVT 3-byte timing codes";
    case 0xF9: return "Display colour management data";
    case 0xFA: return "Standard timing identifiers";
    case 0xFB: return "Colour point data";
    default: return "Reserved descriptor";
    }
}

void descriptor_text_out(std::string& out, const edid_base_info& info, const edid_descriptor& e)
{
    char head[80];
    std::snprintf(head, sizeof head, "Descriptor %d (bytes %02Xh-%02Xh): ", e.slot, 54 + (e.slot - 1) * 18,
                  54 + e.slot * 18 - 1);
    std::string h = head;
    switch (e.kind) {
    case edid_descriptor_kind::dtd:
        title(out, h + "Detailed Timing");
        dtd_text(out, e.dtd);
        break;
    case edid_descriptor_kind::name:
        title(out, h + "Monitor Name (FCh)");
        line(out, "Name", printable(e.text));
        break;
    case edid_descriptor_kind::serial:
        title(out, h + "Monitor Serial Number (FFh)");
        line(out, "Serial number", printable(e.text));
        break;
    case edid_descriptor_kind::text:
        title(out, h + "ASCII Text (FEh)");
        line(out, "Text", printable(e.text));
        break;
    case edid_descriptor_kind::range_limits: {
        title(out, h + "Monitor Range Limits (FDh)");
        const edid_range_limits& r = e.range;
        line(out, "Vertical rate", std::to_string(r.v_min) + " - " + std::to_string(r.v_max) + " Hz");
        line(out, "Horizontal rate", std::to_string(r.h_min_khz) + " - " + std::to_string(r.h_max_khz) + " kHz");
        line(out, "Max pixel clock", std::to_string(r.max_pixel_clock_mhz) + " MHz");
        std::string support;
        switch (r.timing_support) {
        case 0x00: support = "default GTF"; break;
        case 0x01: support = "range limits only"; break;
        case 0x02: support = "secondary GTF"; break;
        case 0x04: support = "CVT"; break;
        default: support = "reserved"; break;
        }
        line(out, "Timing support", support + " (" + hex2(r.timing_support) + " h)");
        break;
    }
    case edid_descriptor_kind::dummy:
        title(out, h + "Dummy (10h)");
        break;
    case edid_descriptor_kind::other:
        title(out, h + other_tag_name(e.tag) + " (" + hex2(e.tag) + "h)");
        if (e.tag == 0xFA) {
            for (int k = 0; k < 6; ++k) {
                const auto t = standard_timing(e.raw[static_cast<std::size_t>(5 + 2 * k)],
                                               e.raw[static_cast<std::size_t>(6 + 2 * k)], info);
                const std::string code = " (" + hex2(t.byte1) + " " + hex2(t.byte2) + ")";
                line(out, "Standard timing " + std::to_string(9 + k),
                     t.used ? std::to_string(t.width) + "x" + std::to_string(t.height) + "@" +
                                  std::to_string(t.refresh) + code
                            : "unused" + code);
            }
        } else {
            line(out, "Data (bytes 5-17)", data_bytes(e.raw, 5, 17));
        }
        break;
    }
}

// The block dump of the analysis text, without its leading empty line.
std::string block_dump_text(const image_view& img, int block)
{
    mod_edid st;
    for (int i = 0; i < max_bytes; ++i) st.work.edid_image[static_cast<std::size_t>(i)] = img[i];
    unsigned sum = 0;
    for (int i = 0; i < 127; ++i) sum += img[block * 128 + i];
    st.work.block_checksum[static_cast<std::size_t>(block)] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
    st.edid_report_text.clear();
    edid_block_dump(st, static_cast<std::int16_t>(block), img[block * 128]);
    std::string text = std::move(st.edid_report_text);
    if (text.rfind("\r\n", 0) == 0) text.erase(0, 2);
    return text;
}

}  // namespace

std::string_view edid_descriptor_kind_name(edid_descriptor_kind kind)
{
    switch (kind) {
    case edid_descriptor_kind::dtd: return "dtd";
    case edid_descriptor_kind::name: return "name";
    case edid_descriptor_kind::serial: return "serial";
    case edid_descriptor_kind::text: return "text";
    case edid_descriptor_kind::range_limits: return "range_limits";
    case edid_descriptor_kind::dummy: return "dummy";
    case edid_descriptor_kind::other: return "other";
    }
    return "other";
}

bool edid_version_at_least_1_4(const edid_base_info& i)
{
    return i.version_major > 1 || (i.version_major == 1 && i.version_minor >= 4);
}

edid_base_info edid_base_decode(const std::uint8_t* image, int size)
{
    const image_view img = view_of(image, size);
    edid_base_info i;

    i.manufacturer = edid_manufacturer_letters(img[8], img[9]);
    i.product_code = img[10] + img[11] * 256;
    const std::uint32_t serial = static_cast<std::uint32_t>(img[12]) | (static_cast<std::uint32_t>(img[13]) << 8) |
                                 (static_cast<std::uint32_t>(img[14]) << 16) |
                                 (static_cast<std::uint32_t>(img[15]) << 24);
    if (serial != 0) i.serial_number = serial;
    i.model_year = img[16] == 0xFF;
    if (img[16] != 0 && img[16] != 0xFF) i.week = img[16];
    i.year = img[17] + 1990;
    i.version_major = img[18];
    i.version_minor = img[19];

    const bool v14 = edid_version_at_least_1_4(i);
    i.input_byte = img[20];
    i.digital = (img[20] & 0x80) != 0;
    if (i.digital && v14) {
        const int depth = (img[20] >> 4) & 0x07;
        if (depth >= 1 && depth <= 6) i.bits_per_color = 4 + 2 * depth;
        const int iface = img[20] & 0x0F;
        if (iface <= 5) i.interface_name = interface_names[iface];
    }
    if (img[21] != 0 && img[22] != 0) {
        i.width_cm = img[21];
        i.height_cm = img[22];
    }
    if (img[23] != 0xFF) i.gamma = round_to((img[23] + 100) / 100.0, 100.0);
    i.feature_byte = img[24];
    i.dpms_standby = (img[24] & 0x80) != 0;
    i.dpms_suspend = (img[24] & 0x40) != 0;
    i.dpms_off = (img[24] & 0x20) != 0;
    i.srgb = (img[24] & 0x04) != 0;
    i.preferred_native = (img[24] & 0x02) != 0;
    i.continuous_frequency = (img[24] & 0x01) != 0;

    const int lo1 = img[25], lo2 = img[26];
    i.red = chromaticity((img[27] << 2) | ((lo1 >> 6) & 3), (img[28] << 2) | ((lo1 >> 4) & 3));
    i.green = chromaticity((img[29] << 2) | ((lo1 >> 2) & 3), (img[30] << 2) | (lo1 & 3));
    i.blue = chromaticity((img[31] << 2) | ((lo2 >> 6) & 3), (img[32] << 2) | ((lo2 >> 4) & 3));
    i.white = chromaticity((img[33] << 2) | ((lo2 >> 2) & 3), (img[34] << 2) | (lo2 & 3));

    for (int bit = 0; bit < 17; ++bit) {
        const int byte = 35 + bit / 8;
        if (img[byte] & (0x80 >> (bit % 8))) i.established.emplace_back(established_names[bit]);
    }
    i.manufacturer_timings = static_cast<std::uint8_t>(img[37] & 0x7F);

    for (int n = 0; n < 8; ++n)
        i.standard[static_cast<std::size_t>(n)] = standard_timing(img[38 + 2 * n], img[39 + 2 * n], i);
    for (int slot = 1; slot <= 4; ++slot)
        i.descriptors[static_cast<std::size_t>(slot - 1)] = descriptor_decode(img, slot, v14);
    return i;
}

std::string edid_section_text(const std::uint8_t* image, int size, std::string_view key)
{
    const image_view img = view_of(image, size);
    if (img.size == 0) return "";
    if (key == "block0_binary") return block_dump_text(img, 0);
    if (key == "block1_root_false") return block_dump_text(img, 1);

    const edid_base_info info = edid_base_decode(image, size);
    std::string out;
    if (key == "block0_vendor") {
        vendor_text(out, info, img);
    } else if (key == "block0_basic") {
        basic_text(out, info);
    } else if (key == "block0_color") {
        color_text(out, info);
    } else if (key == "block0_established") {
        established_text(out, info, img);
    } else if (key == "block0_standard") {
        standard_text(out, info, 1, 8);
    } else if (key == "block0_standard1") {
        standard_text(out, info, 1, 3);
    } else if (key == "block0_standard2") {
        standard_text(out, info, 4, 6);
    } else if (key == "block0_standard3") {
        standard_text(out, info, 7, 8);
    } else if (key == "block0_dt_mon") {
        for (const edid_descriptor& e : info.descriptors) {
            if (e.slot > 1) out += "\r\n";
            descriptor_text_out(out, info, e);
        }
    } else if (key.size() == 18 && key.substr(0, 17) == "block0_descriptor" && key[17] >= '1' && key[17] <= '4') {
        descriptor_text_out(out, info, info.descriptors[static_cast<std::size_t>(key[17] - '1')]);
    }
    return out;
}

}  // namespace vexlan
