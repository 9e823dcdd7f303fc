// Timing and pattern catalogues of a model family, with their favourites.
//
// Catalogue file: a stream of items (see item_reader): the timing count, that many timing names,
// the pattern count, that many pattern names; anything after the last pattern name is ignored.
// Favourites file: 36 decimal values, one per line ending in CR LF: timing_fav[0..17], then
// pattern_fav[0..17]; 254 marks an empty slot, any other value is a 1-based catalogue position.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/model_profile.h"

namespace vexlan {

inline constexpr int fav_slot_count = 18;
inline constexpr int fav_empty = 254;

// Reads the items of a catalogue or favourites file. Items are separated by a comma or a line
// end (CR LF, a bare LF or a bare CR); leading blanks of an item are skipped.
//  - A name that begins with a double quote extends to the next double quote and may hold commas;
//    the quotes are not part of it and the rest of the line up to the next comma or line end is
//    skipped. A quote that is never closed ends the name at the line end.
//  - An unquoted name extends to the next comma or line end, trailing blanks removed.
//  - A number extends to the next comma, blank or line end; blanks after it and one following
//    comma or line end are passed over.
// An empty line inside the stream is an empty item; when only blanks and line ends remain, the
// stream is at its end. A UTF-8 byte-order mark at the
// very beginning is skipped.
struct item_reader {
    std::string_view text;
    std::size_t pos = 0;

    explicit item_reader(std::string_view t);
};

enum class item_status { ok, end_of_file, not_a_number };

struct number_item {
    item_status status = item_status::end_of_file;
    long value = 0;
    std::string text;  // the item as it stood in the file
};

std::optional<std::string> item_read_name(item_reader& reader);  // nothing at end of stream
number_item item_read_number(item_reader& reader);

struct catalogue_entry {
    std::string name;
    bool checked = false;  // is a favourite
};

inline std::array<int, fav_slot_count> fav_slots_empty()
{
    std::array<int, fav_slot_count> a{};
    a.fill(fav_empty);
    return a;
}

struct catalogue_state {
    int timing_count = 0;
    int pattern_count = 0;
    std::vector<catalogue_entry> timings;   // entry i-1 is timing number i
    std::vector<catalogue_entry> patterns;  // entry i-1 is pattern number i
    std::array<int, fav_slot_count> timing_fav = fav_slots_empty();
    std::array<int, fav_slot_count> pattern_fav = fav_slots_empty();
    int pattern_out_index = fav_empty;  // 254 = unknown
    std::string file_name;              // the catalogue file last loaded
    // The catalogue or its favourites file could not be read cleanly while an older favourites
    // file exists: the slots in memory are not what the operator stored, so that file is kept
    // rather than overwritten with empty slots at close. Changing a favourite clears it.
    bool favourites_keep_file = false;
};

// Full path of a file of the application directory.
std::string app_file_path(const std::string& app_dir, std::string_view file_name);

// Replaces the catalogue in `state` by `file_name` and its favourites file, both read from
// `app_dir`. Whatever cannot be read is reported, one text per problem, each naming the full path
// of the file and what is wrong; loading carries on with what was read: the lists hold the entries
// as far as they could be read (the counts follow the lists), and a favourite that is missing, not
// a number or outside its list leaves its slot empty. An empty result means a clean load.
std::vector<std::string> catalogue_load(catalogue_state& state, const std::string& app_dir,
                                        const std::string& file_name);

// The 36 lines of the favourites file, CR LF ends.
std::string favourites_text(const catalogue_state& state);

// Writes the favourites of `state` to the favourites file of `profile` in `app_dir` (a step of the
// close sequence); returns "" or the error text. A file kept by `favourites_keep_file` is not
// touched, and the text says so.
std::string favourites_save(const catalogue_state& state, const std::string& app_dir,
                            const model_profile& profile);

// Caption of a favourite button: the name of the entry at `position`, or "" for an empty slot
// (254) or a position outside the list.
std::string fav_caption(const std::vector<catalogue_entry>& list, int position);
std::string timing_fav_caption(const catalogue_state& state, int slot);
std::string pattern_fav_caption(const catalogue_state& state, int slot);

}  // namespace vexlan
