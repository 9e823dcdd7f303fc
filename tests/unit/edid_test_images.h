// Hand-built EDID images for the EDID engine tests.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "edid_analysis/mod_edid.h"

namespace vexlan::edid_test {

using bytes = std::vector<std::uint8_t>;

// Sets the descriptor at `number` (1..4) to a display descriptor with `tag` and payload bytes
// 5..17 (padded with blanks after a line feed when shorter).
inline void set_display_descriptor(bytes& img, int number, std::uint8_t tag, const std::string& payload)
{
    const int s = 54 + (number - 1) * 18;
    for (int i = 0; i < 18; ++i) img[static_cast<std::size_t>(s + i)] = 0;
    img[static_cast<std::size_t>(s + 3)] = tag;
    std::size_t k = 0;
    for (; k < payload.size() && k < 13; ++k) img[s + 5 + k] = static_cast<std::uint8_t>(payload[k]);
    if (k < 13) img[s + 5 + k++] = 0x0A;
    for (; k < 13; ++k) img[s + 5 + k] = 0x20;
}

// A one-block digital EDID: header, manufacturer "ABC", product 0x1234, version 1.3, descriptor 1
// = 1920x1080p60 (148.5 MHz, 2200 x 1125), 2 = range limits (max clock 17 x 10 MHz),
// 3 = monitor name "TESTMON", 4 = dummy (tag 0x10). Checksums are set by `finish`.
inline bytes base_block(bool digital = true)
{
    // header, "ABC", 0x1234, then version 1.3 and the input byte
    bytes b{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x04, 0x43, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 1, 3,
            static_cast<std::uint8_t>(digital ? 0x80 : 0x00)};
    b.resize(54, 0);
    // 1920x1080p: clock 14850, h active 1920 blank 280, v active 1080 blank 45
    b.insert(b.end(), {0x02, 0x3A, 0x80, 0x18, 0x71, 0x38, 0x2D, 0x40, 0x58, 0x2C, 0x45, 0x00, 0x0F, 0x48, 0x42, 0x00,
                       0x00, 0x1E});
    b.insert(b.end(), {0, 0, 0, 0xFD, 0, 0x38, 0x4C, 0x1E, 0x53, 17, 0x00, 0x0A, 0x20, 0x20, 0x20, 0x20, 0x20, 0x20});
    b.resize(128, 0);
    set_display_descriptor(b, 3, 0xFC, "TESTMON");
    b[108 + 3] = 0x10;
    return b;
}

// A CEA extension block with the given data blocks (each a complete block: header byte first)
// and no detailed timings after them.
inline bytes cea_block(std::initializer_list<bytes> data_blocks)
{
    bytes b(128, 0);
    b[0] = 0x02;
    b[1] = 0x03;
    std::size_t pos = 4;
    for (const bytes& db : data_blocks)
        for (std::uint8_t v : db) b[pos++] = v;
    b[2] = static_cast<std::uint8_t>(pos);
    return b;
}

// Data blocks: a header byte (tag, payload length) before `payload` (tag 7: extended tag first).
inline bytes data_block(int tag, bytes payload)
{
    payload.insert(payload.begin(), static_cast<std::uint8_t>(tag << 5 | payload.size()));
    return payload;
}
inline bytes video_block(std::initializer_list<std::uint8_t> svds) { return data_block(2, svds); }
inline bytes audio_block(std::initializer_list<std::uint8_t> codes)
{
    bytes b;
    for (std::uint8_t code : codes) b.insert(b.end(), {static_cast<std::uint8_t>((code << 3) | 0x01), 0x07, 0x07});
    return data_block(1, b);
}
// HDMI 1.4b VSDB: OUI 00-0C-03, physical address 1.0.0.0, then `rest` (byte 6 onward).
inline bytes h14b_vsdb(std::initializer_list<std::uint8_t> rest = {})
{
    bytes b{0x03, 0x0C, 0x00, 0x10, 0x00};
    b.insert(b.end(), rest);
    return data_block(3, b);
}
// HDMI Forum VSDB: OUI C4-5D-D8, version 1, Max_TMDS_Character_Rate, then `rest` (byte 6 on).
inline bytes hf_vsdb(std::uint8_t max_tmds, std::initializer_list<std::uint8_t> rest = {0x80, 0x00})
{
    bytes b{0xD8, 0x5D, 0xC4, 0x01, max_tmds};
    b.insert(b.end(), rest);
    return data_block(3, b);
}

// A plain extension block of another kind (tag only).
inline bytes other_block(std::uint8_t tag)
{
    bytes b(128, 0);
    b[0] = tag;
    return b;
}

// Concatenates blocks, sets the extension count and every block's checksum.
inline bytes finish(const std::vector<bytes>& blocks, int ext_count = -1)
{
    bytes img;
    for (const bytes& b : blocks) img.insert(img.end(), b.begin(), b.end());
    img[126] = static_cast<std::uint8_t>(ext_count >= 0 ? ext_count : static_cast<int>(blocks.size()) - 1);
    for (std::size_t blk = 0; blk < img.size() / 128; ++blk) {
        unsigned sum = 0;
        for (int i = 0; i < 127; ++i) sum += img[blk * 128 + i];
        img[blk * 128 + 127] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
    }
    return img;
}

// Whether `text` holds every one of `parts`; a failure names the part missing and shows the text.
inline ::testing::AssertionResult has_all(const std::string& text, std::initializer_list<std::string_view> parts)
{
    for (const auto part : parts)
        if (text.find(part) == std::string::npos)
            return ::testing::AssertionFailure() << "no \"" << part << "\" in\n" << text;
    return ::testing::AssertionSuccess();
}

// A fresh state with the VIC table, `img` (edid_size = its length) analysed in the working record.
inline mod_edid analysed(const bytes& img)
{
    mod_edid st;
    vic_table_init(st);
    for (std::size_t i = 0; i < img.size() && i < st.work.edid_image.size(); ++i) st.work.edid_image[i] = img[i];
    st.work.edid_size = static_cast<std::int16_t>(img.size());
    edid_info_update(st, edid_context_work);
    return st;
}

// The analysis text of `img`, as ANALYZE shows it.
inline std::string summary_of(const bytes& img)
{
    mod_edid st = analysed(img);
    edid_summary_build(st);
    return st.edid_report_text;
}

}  // namespace vexlan::edid_test
