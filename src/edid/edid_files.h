// EDID text notation and the EDID files (HEX, BIN, DDC): the canonical window text, the three
// loaders, the extension dispatch, the WRITE-side check and the three writers.
//
// The loaders and writers are pure functions over bytes and text; `edid_file_load` and
// `edid_file_write` are the thin helpers that touch a path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "edid_analysis/mod_edid.h"

namespace vexlan {

// Where the canonical text puts its 29-blank separator lines.
enum class edid_text_variant {
    file_load,  // after every 128th byte, the last block included (the file loaders)
    unit_read,  // only between blocks, never after the last one (the READ from the unit)
};

// Canonical text of `count` bytes of `image`: "XX " per byte, "//" + index padded to three
// characters + CR LF after every eighth byte, separator lines per `variant`.
std::string edid_text_format(const std::uint8_t* image, int count,
                             edid_text_variant variant = edid_text_variant::file_load);

// Status texts of a failed load.
inline constexpr std::string_view edid_reason_file_format = "File format";
inline constexpr std::string_view edid_reason_data = "Data";

// What a loader produced: the bytes to store from image index 0, the WRITE window text, or the
// reason of the failure.
struct edid_load_result {
    bool ok = false;
    std::string reason;               // "File format" or "Data"; for an unreadable file the
                                      // operating system's reason, naming the path
    std::vector<std::uint8_t> bytes;  // at most 513; edid_size = bytes.size()
    std::string text;                 // the window text
};

edid_load_result edid_hex_load(std::string_view file_text);
edid_load_result edid_bin_load(std::string_view file_bytes);
edid_load_result edid_ddc_load(std::string_view file_bytes);

enum class edid_file_kind { hex, bin, ddc, unknown };
// By the last three characters of the path, upper-cased.
edid_file_kind edid_file_kind_of(std::string_view path);

// Chooses the loader by the path's extension and runs it on the given file contents.
edid_load_result edid_file_load_bytes(std::string_view path, std::string_view file_bytes);
// Reads the file at `path` (an unknown extension fails with "File format" before reading).
edid_load_result edid_file_load(const std::string& path);

// Stores a successful load in a record: bytes from index 0 (the rest of the image keeps its
// content), edid_size = number of bytes.
void edid_load_apply(edid_info& rec, const edid_load_result& loaded);

// Evaluation of the WRITE side after a load or a copy: a two-block image whose extension count
// is 0 and whose second block is all FF is shrunk to one block, then edid_info_update(1).
void edid_write_side_check(mod_edid& st);

// ---- writers ---------------------------------------------------------------------------

enum class edid_save_format { simple_hex, c_hex, bin };

// The source text of a save: the window text trimmed of blanks at both ends, split after
// every LF, each piece trimmed of leading blanks; text after the last LF is dropped.
std::string edid_save_source_text(std::string_view window_text);

struct edid_write_result {
    bool ok = false;
    std::string bytes;  // the file contents
    std::string error;  // why the window text cannot be written
};

// File contents for a window text. The C-language HEX and BIN writers need the canonical
// layout (digit pairs, each followed by one separator, and "//" comments); text edited into
// another layout is refused with an error naming the line, and nothing is produced.
edid_write_result edid_file_contents_build(std::string_view window_text, edid_save_format format);

// Writes the window text to `path` in `format` through write_file_atomic; returns "" or the
// reason.
std::string edid_file_write(const std::string& path, std::string_view window_text,
                            edid_save_format format);

// Value of one digit pair of an EDID read from the unit. A pair that is not two hexadecimal
// digits (either case) is taken as the value 0, so one damaged pair cannot shift or abort the
// block; the checksum display then shows the block as wrong.
std::uint8_t edid_hex_pair_value(char high, char low);

}  // namespace vexlan
