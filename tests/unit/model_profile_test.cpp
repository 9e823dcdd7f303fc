#include "link/model_profile.h"

#include <gtest/gtest.h>

using namespace vexlan;

// What the unit reports ("$model?" and "$board_id?") decides the family and the catalogue file.
TEST(model_profile, model_text_and_board_id_select_catalogue)
{
    struct row {
        const char* model;
        const char* board_reply;  // "$board_id?" parameter 1; "" when the query failed
        int model_index;
        int board_variant;
        const char* catalogue;
    };
    const row rows[] = {
        {"MRV-410", "0", 0, 0, "m41_timing_pattern.ini"},     {"Pattern Gen.", "2", 0, 2, "m41_timing_pattern.ini"},
        {"735", "0", 0, 0, "m41_timing_pattern.ini"},         {"KS-P9-GTR", "", 0, 0, "m41_timing_pattern.ini"},
        {"736", "0", 1, 0, "m41l_k_old_timing_pattern.ini"},
        {"736", "3", 1, 0, "m41l_k_old_timing_pattern.ini"},  // unknown board id counts as 0
        {"DN-6P", "0", 1, 0, "m41l_old_timing_pattern.ini"},  {"Pattern Gen.L", "None", 1, 0, "m41l_old_timing_pattern.ini"},
        {"MRV-410L", " 1", 1, 0, "m41l_old_timing_pattern.ini"}, {"DN-6P", "01", 1, 0, "m41l_old_timing_pattern.ini"},
        {"736", "1", 1, 1, "m41l_k_new_timing_pattern.ini"},  {"DN-6P", "1", 1, 1, "m41l_k_new_timing_pattern.ini"},
        {"MRV-410L", "2", 1, 2, "m41l_new_timing_pattern.ini"}, {"736", "2", 1, 2, "m41l_new_timing_pattern.ini"},
        {"MRV-510", "0", 2, 0, "m51_timing_pattern.ini"},
        // Exact, case-sensitive comparison; anything else is no family at all.
        {"mrv-510", "0", 254, 0, "m41_timing_pattern.ini"},   {"MRV-510 ", "0", 254, 0, "m41_timing_pattern.ini"},
        {"7360", "0", 254, 0, "m41_timing_pattern.ini"},      {"", "1", 254, 1, "m41_timing_pattern.ini"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.model) + " / board " + r.board_reply);
        const int variant = board_variant_from_reply(r.board_reply);
        EXPECT_EQ(variant, r.board_variant);
        EXPECT_EQ(model_index_from_text(r.model), r.model_index);

        model_profile p;
        const auto reload = model_profile_update(p, r.model, variant);
        ASSERT_TRUE(reload.has_value());
        EXPECT_EQ(*reload, r.catalogue);
        EXPECT_EQ(catalogue_file_for(p), r.catalogue);
        EXPECT_EQ(p.current_model_string, r.model_index == 254 ? "" : r.model);
    }
    // A profile that never linked uses the first family's files.
    EXPECT_EQ(catalogue_file_for(model_profile{}), "m41_timing_pattern.ini");
    // The favourites file replaces the last four characters, whatever they are.
    EXPECT_EQ(favourites_file_name("m41l_k_new_timing_pattern.ini"), "m41l_k_new_timing_pattern_fav.ini");
    EXPECT_EQ(favourites_file_name("custom.txt"), "custom_fav.ini");
}

// A change of family or board reloads the catalogue; a relink of the same kind does not.
TEST(model_profile, update_reloads_only_on_change)
{
    model_profile p;
    struct step {
        const char* model;
        int variant;
        const char* reload;  // nullptr: no reload
    };
    const step steps[] = {{"DN-6P", 0, "m41l_old_timing_pattern.ini"},
                          {"MRV-410L", 0, nullptr},  // same family and board: model text kept
                          {"MRV-510", 0, "m51_timing_pattern.ini"}, {"unknown", 0, "m41_timing_pattern.ini"},
                          {"other unknown", 0, nullptr}};
    for (const auto& s : steps) {
        SCOPED_TRACE(s.model);
        const auto reload = model_profile_update(p, s.model, s.variant);
        EXPECT_EQ(reload.value_or("none"), s.reload ? s.reload : "none");
    }
    EXPECT_EQ(p.current_model_string, "");
}
