// The model profile: which family of unit is linked and which catalogue file belongs to it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vexlan {

inline constexpr int model_none = 254;  // model_index / board_variant before any link

struct model_profile {
    int model_index = model_none;      // 0 m41 family, 1 m41l family, 2 m51 family, 254 none
    int board_variant = model_none;    // 0, 1 or 2 from "$board_id?"; 254 before any link
    std::string current_model_string;  // the model text the unit reported; "" while 254
};

// Catalogue files shipped with the application.
inline constexpr std::string_view catalogue_m41 = "m41_timing_pattern.ini";
inline constexpr std::string_view catalogue_m41l_k_old = "m41l_k_old_timing_pattern.ini";
inline constexpr std::string_view catalogue_m41l_old = "m41l_old_timing_pattern.ini";
inline constexpr std::string_view catalogue_m41l_k_new = "m41l_k_new_timing_pattern.ini";
inline constexpr std::string_view catalogue_m41l_new = "m41l_new_timing_pattern.ini";
inline constexpr std::string_view catalogue_m51 = "m51_timing_pattern.ini";

// The model text from "$model?" (exact, case-sensitive) -> 0, 1, 2, or 254 when not recognised.
int model_index_from_text(std::string_view model);

// The variant from the "$board_id?" reply parameter: "1" -> 1, "2" -> 2, anything else -> 0.
// A caller whose query failed passes "" (variant 0).
int board_variant_from_reply(std::string_view rx_param1);

// The catalogue file for a model index, board variant and model text. model_index 254 (or any
// value that is not a family) gives the first family's file; in the second family board variant 0
// selects the k_old file only when the model text is exactly "736".
std::string catalogue_file_for(int model_index, int board_variant, std::string_view model_text);
std::string catalogue_file_for(const model_profile& profile);

// Catalogue file name with its last four characters (".ini") replaced by "_fav.ini"; a name
// shorter than four characters just gets "_fav.ini" appended.
std::string favourites_file_name(std::string_view catalogue_file);

// The model caption: the model text, followed by " ." for board variant 1 or 2.
std::string model_caption(std::string_view model, int board_variant);

// Takes over the result of a link: if the model index from `model` or `board_variant` differs
// from the profile's, stores both and the model text ("" for 254) and returns the catalogue file
// to load; otherwise leaves the profile as it is and returns nothing (no reload).
std::optional<std::string> model_profile_update(model_profile& profile, std::string_view model,
                                                int board_variant);

}  // namespace vexlan
