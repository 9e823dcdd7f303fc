// mod_edid: the EDID analysis engine. It validates and classifies an EDID image of one to four
// 128-byte blocks, extracts the few facts that the EDID workspace shows (manufacturer, monitor
// name, first detailed timing, HDMI speed class) and writes the analysis text (summary, block
// dumps and the CEA summaries).
//
// All state lives in `mod_edid`, owned by the application context; every operation takes it by
// reference. Call `vic_table_init` once after creating the state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vexlan {

// Number of byte slots of an EDID image (indices 0..512; 0..511 are four blocks).
inline constexpr int edid_image_slots = 513;

// The EDID information record. Field order and meaning as used by the whole workspace.
struct edid_info {
    std::array<std::uint8_t, 5> block_checksum{};  // computed checksum of blocks 0..3
    std::int16_t block_count = 0;                  // base-block byte 126 + 1
    std::array<std::uint8_t, edid_image_slots> edid_image{};
    std::int16_t edid_type = 0;    // 0 invalid, 1 analog, 2 DVI, 3 HDMI
    std::int16_t edid_status = 0;  // see edid_type_* / edid_status_* below
    std::int16_t edid_size = 0;    // number of image bytes; set by whoever fills the image
    std::string manufacturer_id;   // three letters once analysed
    std::string monitor_name;
    bool dtd_valid = false;
    std::int16_t dtd_h_active = 0;
    std::int16_t dtd_v_active = 0;  // per field for interlaced timings
    float dtd_refresh = 0.0f;       // Hz; field rate for interlaced timings
    bool dtd_interlaced = false;
};

// edid_type values.
inline constexpr std::int16_t edid_type_invalid = 0;
inline constexpr std::int16_t edid_type_analog = 1;
inline constexpr std::int16_t edid_type_dvi = 2;
inline constexpr std::int16_t edid_type_hdmi = 3;
// edid_status values for edid_type 0.
inline constexpr std::int16_t edid_status_bad_header = 0;
inline constexpr std::int16_t edid_status_bad_checksum = 1;
inline constexpr std::int16_t edid_status_bad_size = 2;
// edid_status values for edid_type 1 and 2.
inline constexpr std::int16_t edid_status_no_extension = 0;
inline constexpr std::int16_t edid_status_no_cea = 1;
inline constexpr std::int16_t edid_status_no_hdmi_vsdb = 2;
// edid_status values for edid_type 3 (speed class).
inline constexpr std::int16_t edid_status_hd = 0;
inline constexpr std::int16_t edid_status_3g = 1;
inline constexpr std::int16_t edid_status_6g = 2;

// Contexts of edid_info_update.
inline constexpr std::int16_t edid_context_read = 0;
inline constexpr std::int16_t edid_context_write = 1;
inline constexpr std::int16_t edid_context_work = 2;  // any other value: the working record

// "none" / "not known" in 16-bit state values.
inline constexpr std::int16_t edid_none = 254;

// Descriptor kinds of descriptor_map.
inline constexpr std::int16_t descriptor_kind_dtd = 224;
inline constexpr std::int16_t descriptor_kind_std_timings_2nd = 225;
inline constexpr std::int16_t descriptor_kind_other = 226;
inline constexpr std::int16_t descriptor_kind_est_timings_3 = 247;
inline constexpr std::int16_t descriptor_kind_std_timings = 250;
inline constexpr std::int16_t descriptor_kind_name = 252;
inline constexpr std::int16_t descriptor_kind_range_limits = 253;
inline constexpr std::int16_t descriptor_kind_text = 254;
inline constexpr std::int16_t descriptor_kind_serial = 255;

struct descriptor_entry {
    std::int16_t number = 0;  // descriptor 1..4 (5 for the filler entry); 0 = free
    std::int16_t kind = 0;
};

// Absolute image index of the header byte of the first data block of each kind found by the
// last scan; 0 = the scanned block has none, 254 = the block has no data-block collection.
struct data_block_table {
    std::int16_t audio = 0;
    std::int16_t video = 0;
    std::int16_t vsdb1 = 0;
    std::int16_t vsdb2 = 0;
    std::int16_t hdr = 0;
    std::int16_t y420_video = 0;
    std::int16_t y420_map = 0;
};

inline bool data_block_present(std::int16_t pos) { return pos != 0 && pos != edid_none; }

// Capability flag bits (a flags value of 128 means the block is absent).
inline constexpr std::uint8_t edid_flags_absent = 128;
inline constexpr std::uint8_t audio_flag_lpcm = 1;
inline constexpr std::uint8_t audio_flag_bitstream = 2;
inline constexpr std::uint8_t audio_flag_hbr = 4;
inline constexpr std::uint8_t vsdb_flag_4k3g = 1;
inline constexpr std::uint8_t vsdb_flag_3d = 2;
inline constexpr std::uint8_t vsdb_flag_deepcolor = 4;
inline constexpr std::uint8_t hf_flag_y420_deepcolor = 1;
inline constexpr std::uint8_t hf_flag_scdc = 2;
inline constexpr std::uint8_t hf_flag_340mhz_above = 4;

struct mod_edid {
    edid_info work;  // the working record that every analysis step reads and writes
    edid_info edid_info_read;
    edid_info edid_info_write;

    std::array<descriptor_entry, 8> descriptor_map{};
    std::string first_dtd_text;

    data_block_table data_block_pos;
    std::int16_t vsdb_h14b_index = edid_none;  // 1 = vsdb1, 2 = vsdb2, 254 = none
    std::int16_t vsdb_hf_index = edid_none;    // 1 = vsdb1, 2 = vsdb2, 254 = none
    std::int16_t vsdb_3d_byte = edid_none;     // 9, 11 or 13 from the H14b VSDB header; 254 none
    std::int16_t hdmi_vic_len = 0;

    std::array<std::string, 129> vic_name;
    std::string edid_report_text;
};

// Image byte at an absolute index. Positions derived from block contents can point past the
// four blocks (index 512 and above); they hold no data and read as 0, which every capability
// check treats as "absent".
inline std::uint8_t edid_image_byte(const edid_info& rec, int index)
{
    return (index >= 0 && index < 512) ? rec.edid_image[static_cast<std::size_t>(index)] : 0;
}

// ---- base block (validity, classification, extraction) ----------------------------------

// Analyses a side: context 0 = edid_info_read, 1 = edid_info_write (copied into the working
// record, analysed, copied back); any other value analyses the working record in place.
void edid_info_update(mod_edid& st, std::int16_t context);

// The CEA-861 extension block that the classification uses (1..3), or 0 when there is none.
std::int16_t edid_cea_block_find(const edid_info& rec);

void edid_descriptor_map_build(mod_edid& st);
// Decodes the detailed timing whose first byte is image index `start` into the dtd_* fields.
void edid_dtd_decode(mod_edid& st, int start);
void edid_dtd_text_build(mod_edid& st);
// Appends the characters of the monitor-name descriptor at image index `start`.
void edid_monitor_name_read(mod_edid& st, int start);
// Three letters from the manufacturer bytes 8 and 9 of the base block.
std::string edid_manufacturer_letters(std::uint8_t byte8, std::uint8_t byte9);

// ---- extension blocks ------------------------------------------------------------------

std::string_view edid_block_name(std::uint8_t tag);
void edid_data_block_scan(mod_edid& st, std::int16_t block);
// Re-scans `block` and finds the H14b VSDB and the HF-VSDB; may raise work.edid_status.
void edid_vsdb_classify(mod_edid& st, std::int16_t block);
std::uint8_t edid_audio_flags(const mod_edid& st);
// Runs edid_vsdb_classify(block) first.
std::uint8_t edid_vsdb_flags(mod_edid& st, std::int16_t block);
// Uses the classification of the preceding edid_vsdb_flags call.
std::uint8_t edid_hf_vsdb_flags(const mod_edid& st);
void edid_cea_summary(mod_edid& st, std::int16_t block);
void vic_table_init(mod_edid& st);

// ---- text output -----------------------------------------------------------------------

void edid_summary_build(mod_edid& st);
void edid_block_dump(mod_edid& st, std::int16_t block, std::uint8_t tag);
// A refresh rate in the pattern "###.000": three decimals, rounded, and an integer part only
// when the value is 1 or more (0.5 -> ".500").
std::string edid_refresh_text(double hz);

}  // namespace vexlan
