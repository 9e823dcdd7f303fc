// Decoded sections of the EDID base block (E-EDID 1.3 / 1.4): vendor and product, version and
// basic display parameters, colour characteristics, established and standard timings and the
// four 18-byte descriptors. One decode (`edid_base_decode`) feeds both the section texts of the
// analysis tree (`edid_section_text`) and the JSON of `vexlan-cli edid tree`, so the two never
// disagree.
//
// Bytes past `size` read as 0xFF, the filler of every image side; a size above 512 counts as 512.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlan {

struct edid_dtd {
    int pixel_clock_khz = 0;
    int h_active = 0, h_blank = 0, h_front = 0, h_sync = 0;
    int v_active = 0, v_blank = 0, v_front = 0, v_sync = 0;  // lines per field when interlaced
    int width_mm = 0, height_mm = 0;
    int h_border = 0, v_border = 0;
    bool interlaced = false;
    std::uint8_t flags = 0;  // descriptor byte 17: stereo and sync bits
};

struct edid_range_limits {
    int v_min = 0, v_max = 0;          // Hz, with the E-EDID 1.4 offsets applied
    int h_min_khz = 0, h_max_khz = 0;  // kHz, with the offsets applied
    int max_pixel_clock_mhz = 0;       // byte 9 x 10
    std::uint8_t timing_support = 0;   // byte 10
};

enum class edid_descriptor_kind { dtd, name, serial, text, range_limits, dummy, other };

// "dtd", "name", "serial", "text", "range_limits", "dummy", "other".
std::string_view edid_descriptor_kind_name(edid_descriptor_kind kind);

struct edid_descriptor {
    int slot = 0;  // 1..4
    edid_descriptor_kind kind = edid_descriptor_kind::other;
    std::uint8_t tag = 0;          // byte 3 of a display descriptor (0 for a detailed timing)
    std::array<std::uint8_t, 18> raw{};
    edid_dtd dtd;                  // kind dtd
    std::string text;              // kinds name, serial, text: bytes up to the first 0x0A,
                                   // trailing blanks removed; one char per byte, unchanged
    edid_range_limits range;       // kind range_limits
};

struct edid_standard_timing {
    std::uint8_t byte1 = 0x01, byte2 = 0x01;
    bool used = false;  // false for the unused code 01 01 and for a reserved first byte 00
    int width = 0, height = 0, refresh = 0;
};

struct edid_chromaticity {
    int x_raw = 0, y_raw = 0;  // the 10-bit values
    double x = 0, y = 0;       // raw / 1024, rounded to 4 decimals
};

struct edid_base_info {
    // Vendor and product.
    std::string manufacturer;                    // three letters from bytes 8 and 9
    int product_code = 0;                        // bytes 10-11, little-endian
    std::optional<std::uint32_t> serial_number;  // bytes 12-15; absent when 0
    std::optional<int> week;                     // byte 16; absent when 0 or 0xFF
    int year = 0;                                // byte 17 + 1990
    bool model_year = false;                     // byte 16 is 0xFF
    int version_major = 0, version_minor = 0;    // bytes 18, 19

    // Basic display parameters (bytes 20-24).
    bool digital = false;
    std::optional<int> bits_per_color;   // 6..16 on a digital E-EDID 1.4, else absent
    std::optional<std::string> interface_name;  // digital E-EDID 1.4 only
    std::optional<int> width_cm, height_cm;     // absent unless both bytes are non-zero
    std::optional<double> gamma;                // absent for 0xFF
    std::uint8_t input_byte = 0, feature_byte = 0;
    bool dpms_standby = false, dpms_suspend = false, dpms_off = false;
    bool srgb = false, preferred_native = false, continuous_frequency = false;

    // Colour characteristics (bytes 25-34).
    edid_chromaticity red, green, blue, white;

    // Established timings (bytes 35-37), the texts of the set bits in bit order.
    std::vector<std::string> established;
    std::uint8_t manufacturer_timings = 0;  // byte 37 bits 6..0

    std::array<edid_standard_timing, 8> standard{};
    std::array<edid_descriptor, 4> descriptors{};
};

// The E-EDID 1.4 layout of the input and feature bytes applies to version 1.4 and later.
bool edid_version_at_least_1_4(const edid_base_info& info);

// Decodes the base block of `size` bytes at `image` (only those bytes are read).
edid_base_info edid_base_decode(const std::uint8_t* image, int size);

// The decoded text of the analysis-tree node with `key`, lines ending in CR LF:
// "block0_vendor", "block0_basic", "block0_color", "block0_established", "block0_standard"
// (all 8), "block0_standard1" (1-3), "block0_standard2" (4-6), "block0_standard3" (7-8),
// "block0_dt_mon" (all four descriptors), "block0_descriptor1".."block0_descriptor4",
// "block0_binary" (the block dump of block 0), "block1_root_false" (the block dump of block 1).
// Empty for any other key and for an image without bytes.
std::string edid_section_text(const std::uint8_t* image, int size, std::string_view key);

}  // namespace vexlan
