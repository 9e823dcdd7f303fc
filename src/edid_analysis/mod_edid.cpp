// Base block analysis: size, checksums, header, classification and the facts of the base block.
#include "edid_analysis/mod_edid.h"

namespace vexlan {

namespace {

constexpr std::uint8_t edid_header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};

int descriptor_start(std::int16_t number) { return 54 + (number - 1) * 18; }

bool is_hdmi_oui(const edid_info& r, int p)
{
    return edid_image_byte(r, p + 1) == 0x03 && edid_image_byte(r, p + 2) == 0x0C &&
           edid_image_byte(r, p + 3) == 0x00;
}

// Step 4: analog / DVI / HDMI and the speed class. Runs only on an image whose checksums and
// header are sound.
void classify(mod_edid& st)
{
    edid_info& r = st.work;
    r.edid_type = (r.edid_image[20] & 0x80) ? edid_type_dvi : edid_type_analog;
    if (r.edid_image[126] == 0) {
        r.edid_status = edid_status_no_extension;
        return;
    }
    const std::int16_t cea = edid_cea_block_find(r);
    if (cea == 0) {
        r.edid_status = edid_status_no_cea;
        return;
    }

    edid_data_block_scan(st, cea);
    const std::int16_t v1 = st.data_block_pos.vsdb1;
    const std::int16_t v2 = st.data_block_pos.vsdb2;
    if (!data_block_present(v1)) {
        r.edid_status = edid_status_no_hdmi_vsdb;
    } else if (is_hdmi_oui(r, v1)) {
        r.edid_type = edid_type_hdmi;
    } else {
        // A vendor block of another vendor marks a digital sink, even on an analog EDID.
        r.edid_type = edid_type_dvi;
        r.edid_status = edid_status_no_hdmi_vsdb;
    }
    if (data_block_present(v2)) {
        if (is_hdmi_oui(r, v2))
            r.edid_type = edid_type_hdmi;
        else if (r.edid_type == edid_type_dvi)
            r.edid_status = edid_status_no_hdmi_vsdb;
    }
    if (r.edid_type != edid_type_hdmi) return;

    // Speed class: the first range-limits descriptor's maximum pixel clock, then the VSDBs.
    r.edid_status = edid_status_hd;
    edid_descriptor_map_build(st);
    for (int e = 0; e < 4; ++e) {
        if (st.descriptor_map[e].kind != descriptor_kind_range_limits) continue;
        const int mhz = r.edid_image[descriptor_start(st.descriptor_map[e].number) + 9] * 10;
        if (mhz >= 600)
            r.edid_status = edid_status_6g;
        else if (mhz >= 300)
            r.edid_status = edid_status_3g;
        break;
    }
    if (r.edid_status != edid_status_6g) edid_vsdb_classify(st, cea);
}

}  // namespace

std::int16_t edid_cea_block_find(const edid_info& r)
{
    const auto tag = [&](int block) { return r.edid_image[static_cast<std::size_t>(block) * 128]; };
    // Block 1 with the CEA tag is the CEA extension whatever the image size. A block map (tag
    // 240) is the only thing that can stand in block 1 of a larger image and push the CEA
    // extension further back; many real sinks carry CEA in block 1 and DisplayID after it, and
    // looking only at blocks 2 and 3 would call such HDMI sinks DVI or analog.
    if (r.edid_size == 256 || r.edid_size == 384 || r.edid_size == 512) {
        if (tag(1) == 2) return 1;
    }
    if (r.edid_size == 384 && tag(2) == 2) return 2;
    if (r.edid_size == 512) {
        if (tag(2) == 2) return 2;
        if (tag(3) == 2) return 3;
    }
    return 0;
}

void edid_descriptor_map_build(mod_edid& st)
{
    const auto& img = st.work.edid_image;
    st.descriptor_map.fill(descriptor_entry{});
    std::size_t e = 0;
    for (std::int16_t n = 1; n <= 4; ++n) {
        const int s = descriptor_start(n);
        if (img[s] != 0 || img[s + 1] != 0) {
            st.descriptor_map[e++] = {n, descriptor_kind_dtd};
            continue;
        }
        const std::int16_t tag = img[s + 3];
        switch (tag) {
        case descriptor_kind_est_timings_3:
        case descriptor_kind_name:
        case descriptor_kind_range_limits:
        case descriptor_kind_text:
        case descriptor_kind_serial:
            st.descriptor_map[e++] = {n, tag};
            break;
        case descriptor_kind_std_timings:
            st.descriptor_map[e++] = {n, descriptor_kind_std_timings};
            st.descriptor_map[e++] = {n, descriptor_kind_std_timings_2nd};
            break;
        default:
            st.descriptor_map[e++] = {n, descriptor_kind_other};
            break;
        }
    }
    if (st.descriptor_map[4].number == 0) st.descriptor_map[4] = {5, descriptor_kind_other};
}

void edid_dtd_decode(mod_edid& st, int s)
{
    edid_info& r = st.work;
    const auto b = [&](int i) { return static_cast<int>(edid_image_byte(r, s + i)); };
    r.dtd_h_active = static_cast<std::int16_t>(b(2) + (b(4) >> 4) * 256);
    r.dtd_v_active = static_cast<std::int16_t>(b(5) + (b(7) >> 4) * 256);
    r.dtd_interlaced = (b(17) & 0x80) != 0;
    long clock = b(0) + b(1) * 256;  // units of 10 kHz
    const long h_total = r.dtd_h_active + b(3) + (b(4) & 0x0F) * 256;
    long v_total = r.dtd_v_active + b(6) + (b(7) & 0x0F) * 256;
    if (r.dtd_interlaced) {
        clock *= 2;
        v_total = 2 * v_total + 1;
    }
    // A malformed descriptor with a zero total has no refresh rate; it is stored as 0 so that
    // the summary still prints a number (".000") rather than an infinity.
    if (h_total == 0 || v_total == 0)
        r.dtd_refresh = 0.0f;
    else
        r.dtd_refresh = static_cast<float>(static_cast<double>(clock) * 10000.0 /
                                           (static_cast<double>(h_total) * static_cast<double>(v_total)));
}

void edid_dtd_text_build(mod_edid& st)
{
    const edid_info& r = st.work;
    const int lines = r.dtd_interlaced ? r.dtd_v_active * 2 : r.dtd_v_active;
    st.first_dtd_text = std::to_string(r.dtd_h_active) + "x" + std::to_string(lines) +
                        (r.dtd_interlaced ? "i" : "p");
}

void edid_monitor_name_read(mod_edid& st, int s)
{
    for (int i = 5; i <= 17; ++i) {
        const std::uint8_t c = edid_image_byte(st.work, s + i);
        if (c == 0x0A || c == 0x00) break;
        st.work.monitor_name.push_back(static_cast<char>(c));
    }
}

std::string edid_manufacturer_letters(std::uint8_t byte8, std::uint8_t byte9)
{
    const unsigned w = (static_cast<unsigned>(byte8) << 8) | byte9;
    std::string id(3, ' ');
    id[0] = static_cast<char>(64 + ((w >> 10) & 0x1F));
    id[1] = static_cast<char>(64 + ((w >> 5) & 0x1F));
    id[2] = static_cast<char>(64 + (w & 0x1F));
    return id;
}

void edid_info_update(mod_edid& st, std::int16_t context)
{
    if (context == edid_context_read)
        st.work = st.edid_info_read;
    else if (context == edid_context_write)
        st.work = st.edid_info_write;

    edid_info& r = st.work;
    const auto& img = r.edid_image;

    // 1. Size. On a bad size nothing else of the record changes.
    r.block_count = static_cast<std::int16_t>(img[126] + 1);
    if (r.edid_size != r.block_count * 128 || r.block_count > 4) {
        r.edid_type = edid_type_invalid;
        r.edid_status = edid_status_bad_size;
    } else {
        // 2. Checksums, every block even after a mismatch.
        bool sound = true;
        for (int b = 0; b < r.block_count; ++b) {
            unsigned sum = 0;
            for (int i = 0; i < 127; ++i) sum += img[b * 128 + i];
            r.block_checksum[b] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
            if (img[b * 128 + 127] != r.block_checksum[b]) {
                r.edid_type = edid_type_invalid;
                r.edid_status = edid_status_bad_checksum;
                sound = false;
            }
        }
        // 3. Header; a bad header replaces a checksum error.
        for (int i = 0; i < 8; ++i) {
            if (img[i] != edid_header[i]) {
                r.edid_type = edid_type_invalid;
                r.edid_status = edid_status_bad_header;
                sound = false;
                break;
            }
        }
        // 4. Classification.
        if (sound) classify(st);

        // 5. Descriptor map.
        edid_descriptor_map_build(st);

        // 6. First detailed timing among descriptors 1..4.
        r.dtd_valid = false;
        for (int e = 0; e < 4; ++e) {
            if (st.descriptor_map[e].kind != descriptor_kind_dtd) continue;
            r.dtd_valid = true;
            edid_dtd_decode(st, descriptor_start(st.descriptor_map[e].number));
            edid_dtd_text_build(st);
            break;
        }

        // 7. Manufacturer and monitor name.
        r.manufacturer_id = edid_manufacturer_letters(img[8], img[9]);
        r.monitor_name.clear();
        for (int e = 0; e <= 4; ++e) {
            if (st.descriptor_map[e].kind == descriptor_kind_name)
                edid_monitor_name_read(st, descriptor_start(st.descriptor_map[e].number));
        }
    }

    // 8. Store the result on its side.
    if (context == edid_context_read)
        st.edid_info_read = st.work;
    else if (context == edid_context_write)
        st.edid_info_write = st.work;
}

}  // namespace vexlan
