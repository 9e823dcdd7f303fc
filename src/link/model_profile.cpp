#include "link/model_profile.h"

#include <array>

namespace vexlan {

namespace {

struct model_text_row {
    std::string_view text;
    int model_index;
};

constexpr std::array<model_text_row, 10> model_texts{{
    {"MRV-410", 0},
    {"Pattern Gen.", 0},
    {"DN-7", 0},
    {"735", 0},
    {"KS-P9-GTR", 0},
    {"Pattern Gen.L", 1},
    {"MRV-410L", 1},
    {"DN-6P", 1},
    {"736", 1},
    {"MRV-510", 2},
}};

}  // namespace

int model_index_from_text(std::string_view model)
{
    for (const auto& row : model_texts)
        if (row.text == model) return row.model_index;
    return model_none;
}

int board_variant_from_reply(std::string_view rx_param1)
{
    if (rx_param1 == "1") return 1;
    if (rx_param1 == "2") return 2;
    return 0;
}

std::string catalogue_file_for(int model_index, int board_variant, std::string_view model_text)
{
    switch (model_index) {
    case 1:
        switch (board_variant) {
        case 1: return std::string(catalogue_m41l_k_new);
        case 2: return std::string(catalogue_m41l_new);
        default:
            return std::string(model_text == "736" ? catalogue_m41l_k_old : catalogue_m41l_old);
        }
    case 2: return std::string(catalogue_m51);
    default: return std::string(catalogue_m41);
    }
}

std::string catalogue_file_for(const model_profile& profile)
{
    return catalogue_file_for(profile.model_index, profile.board_variant,
                              profile.current_model_string);
}

std::string favourites_file_name(std::string_view catalogue_file)
{
    std::string name(catalogue_file);
    if (name.size() >= 4) name.resize(name.size() - 4);
    return name + "_fav.ini";
}

std::string model_caption(std::string_view model, int board_variant)
{
    std::string caption(model);
    if (board_variant == 1 || board_variant == 2) caption += " .";
    return caption;
}

std::optional<std::string> model_profile_update(model_profile& profile, std::string_view model,
                                                int board_variant)
{
    const int index = model_index_from_text(model);
    if (index == profile.model_index && board_variant == profile.board_variant) return std::nullopt;
    profile.model_index = index;
    profile.board_variant = board_variant;
    profile.current_model_string = index == model_none ? std::string() : std::string(model);
    return catalogue_file_for(profile);
}

}  // namespace vexlan
