#include "pattern/catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "temp_dir.h"

namespace fs = std::filesystem;
using namespace vexlan;

namespace {

// A temporary folder into which a test puts the files it needs.
struct catalogue_dir : vexlan::testing::temp_dir {
    catalogue_dir() : temp_dir("vexlan_catalogue") {}
    void put(const std::string& name, const std::string& text) const { ASSERT_EQ(temp_dir::put(name, text), ""); }
};

std::vector<int> checked_positions(const std::vector<catalogue_entry>& list) {
    std::vector<int> positions;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (list[i].checked) positions.push_back(static_cast<int>(i + 1));
    return positions;
}

std::string fav_lines(std::vector<int> timing, std::vector<int> pattern) {
    timing.resize(fav_slot_count, fav_empty);
    pattern.resize(fav_slot_count, fav_empty);
    std::string text;
    for (int v : timing) text += std::to_string(v) + "\r\n";
    for (int v : pattern) text += std::to_string(v) + "\r\n";
    return text;
}

bool any_problem_has(const std::vector<std::string>& problems, const std::string& a, const std::string& b) {
    for (const auto& p : problems)
        if (p.find(a) != std::string::npos && p.find(b) != std::string::npos) return true;
    return false;
}

}  // namespace

TEST(catalogue_items, names_follow_the_item_rules) {
    // names: every name until the end of the stream
    struct row { const char* what; std::string text; std::vector<std::string> names; };
    const row rows[] = {
        {"quoted names hold commas", "\"1280x720p60, 3D Frame Packing\",next\r\n",
         {"1280x720p60, 3D Frame Packing", "next"}},
        {"rest of line after quote skipped", "\"Gray\" ignored, Ramp\r\n\"A\" x\r\nB",
         {"Gray", "Ramp", "A", "B"}},
        {"leading and trailing blanks", "   White   \r\n\t Black\t,  Red  ,Blue\r\n",
         {"White", "Black", "Red", "Blue"}},
        {"bare LF and CR line ends, no final one", "one\ntwo\r\"th,ree\"\nlast", {"one", "two", "th,ree", "last"}},
        {"blanks inside kept, empty line inside is an empty name", "Window  10%  White\r\n\r\nb\r\n",
         {"Window  10%  White", "", "b"}},
        {"trailing blank lines end the stream", "a\r\n\r\n  \r\n\n", {"a"}},
        {"unclosed quote ends at line end", "\"open, name\r\nnext", {"open, name", "next"}},
        {"byte-order mark skipped, 8-bit bytes kept", "\xEF\xBB\xBF" "Caf\xE9 \xB5s\r\n", {"Caf\xE9 \xB5s"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        item_reader reader(r.text);
        std::vector<std::string> got;
        while (auto name = item_read_name(reader)) got.push_back(*name);
        EXPECT_EQ(got, r.names);
        EXPECT_FALSE(item_read_name(reader).has_value());  // stays at the end
    }
}

TEST(catalogue_items, numbers_end_at_comma_blank_or_line_end) {
    struct expected { item_status status; long value; std::string text; };
    struct row { std::string text; std::vector<expected> items; };
    const auto ok = item_status::ok;
    const auto nan = item_status::not_a_number;
    const row rows[] = {
        {"12 , 13\r\n 14\n-3\r\n+7", {{ok, 12, "12"}, {ok, 13, "13"}, {ok, 14, "14"}, {ok, -3, "-3"}, {ok, 7, "+7"}}},
        {"12abc\r\n,0x10\r\n99999999999999999999",
         {{nan, 0, "12abc"}, {nan, 0, ""}, {nan, 0, "0x10"}, {nan, 0, "99999999999999999999"}}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.text);
        item_reader reader(r.text);
        for (const auto& e : r.items) {
            const number_item got = item_read_number(reader);
            EXPECT_EQ(std::tuple(got.status, got.text), std::tuple(e.status, e.text));
            if (e.status == ok) { EXPECT_EQ(got.value, e.value) << e.text; }
        }
        EXPECT_EQ(item_read_number(reader).status, item_status::end_of_file);
    }
}

// The catalogues that ship with the application load cleanly with their favourites.
TEST(catalogue, shipped_catalogues_load_cleanly) {
    for (const char* file : {"m41_timing_pattern.ini", "m41l_k_old_timing_pattern.ini", "m41l_old_timing_pattern.ini",
                             "m41l_k_new_timing_pattern.ini", "m41l_new_timing_pattern.ini", "m51_timing_pattern.ini"}) {
        catalogue_state state;
        const auto problems = catalogue_load(state, VEXLAN_DATA_DIR, file);
        EXPECT_TRUE(problems.empty()) << file << ": " << ::testing::PrintToString(problems);
        EXPECT_GE(state.timing_count, 90) << file;
        EXPECT_GE(state.pattern_count, 45) << file;
        EXPECT_FALSE(checked_positions(state.timings).empty()) << file;
    }
}

TEST(catalogue, favourites_show_names_and_check_entries) {
    catalogue_dir dir;
    dir.put("c.ini", "4\r\nT1\r\n\"T2, wide\"\r\nT3\r\nT4\r\n3\r\nP1\r\nP2\r\nP3\r\n");
    struct row {
        const char* what;
        std::vector<int> timing, pattern, checked_timings, checked_patterns;
        std::vector<std::string> timing_captions;  // of the first slots
    };
    const row rows[] = {
        {"all empty", {}, {}, {}, {}, {"", "", ""}},
        {"two slots name the same entry", {2, 2, 4}, {3}, {2, 4}, {3}, {"T2, wide", "T2, wide", "T4"}},
        {"order as stored, empty slot between", {4, 254, 1}, {1, 2, 3}, {1, 4}, {1, 2, 3}, {"T4", "", "T1"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        dir.put("c_fav.ini", fav_lines(r.timing, r.pattern));
        catalogue_state state;
        const auto problems = catalogue_load(state, dir.str(), "c.ini");
        EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
        EXPECT_EQ(std::pair(checked_positions(state.timings), checked_positions(state.patterns)),
                  std::pair(r.checked_timings, r.checked_patterns));
        for (int j = 0; j < fav_slot_count; ++j) {
            const auto k = static_cast<std::size_t>(j);
            const int v = state.pattern_fav[k];
            EXPECT_EQ(pattern_fav_caption(state, j), v == fav_empty ? "" : "P" + std::to_string(v));
            const bool named = k < r.timing_captions.size(), stored = k < r.timing.size();
            EXPECT_EQ(timing_fav_caption(state, j), named ? r.timing_captions[k] : "");
            if (!stored) { EXPECT_EQ(state.timing_fav[k], fav_empty); }
        }
    }
}

// Broken files are reported by full path; loading keeps what could be read.
TEST(catalogue, faulty_files_are_reported_and_loading_carries_on) {
    struct row {
        const char* what;
        const char* catalogue;   // nullptr: file absent
        std::string favourites;  // "-": file absent
        std::vector<std::pair<std::string, std::string>> problems;  // file name, text
        std::size_t timings, patterns;
        std::vector<int> timing_fav_head;  // first slots after loading
    };
    const std::string good = "3\r\nA\r\nB\r\nC\r\n2\r\nX\r\nY\r\n";
    const std::string huge(70000, '9');  // a line over 64 KiB is damaged; values show 80 characters
    const std::string long_name = "3\r\nA\r\n" + huge + "\r\nC\r\n2\r\nX\r\nY\r\n";
    const std::string long_count = "x" + huge.substr(0, 200) + "\r\nA\r\n";
    const row rows[] = {
        {"line over 64 KiB", long_name.c_str(), "1\r\n" + huge + "\r\n" + fav_lines({}, {}).substr(10),
         {{"c.ini", "line 3 is longer than 64 KiB (a damaged line); it is ignored"},
          {"c_fav.ini", "line 2 is longer than 64 KiB"}, {"c_fav.ini", "value 2 \"\" is not a number"}}, 3, 2, {1, 254}},
        {"long value", long_count.c_str(), fav_lines({}, {}),
         {{"c.ini", "timing count \"x" + huge.substr(0, 79) + "...\" is not a number"}}, 0, 0, {254}},
        {"short catalogue", "5\r\nA\r\nB\r\nC\r\n", fav_lines({1, 3}, {}),
         {{"c.ini", "timing 4 of 5 is missing (file ends early)"}}, 3, 0, {1, 3}},
        {"patterns cut short", "2\r\nA\r\nB\r\n4\r\nX\r\n", fav_lines({}, {1, 2}),
         {{"c.ini", "pattern 2 of 4 is missing (file ends early)"},
          {"c_fav.ini", "pattern favourites outside the catalogue"}}, 2, 1, {254}},
        {"count not a number", "many\r\nA\r\n", fav_lines({}, {}),
         {{"c.ini", "timing count \"many\" is not a number"}}, 0, 0, {254}},
        {"negative count", "-1\r\nA\r\n", fav_lines({}, {}),
         {{"c.ini", "timing count -1 is out of range"}}, 0, 0, {254}},
        {"favourite outside catalogue", good.c_str(), fav_lines({2, 4, 0, 3}, {9}),
         {{"c_fav.ini", "timing favourites outside the catalogue (valid are 1..3 and 254), "
                        "left empty: value 2 = 4, value 3 = 0"},
          {"c_fav.ini", "pattern favourites outside the catalogue (valid are 1..2 and 254), "
                        "left empty: value 19 = 9"}},
         3, 2, {2, 254, 254, 3}},
        {"favourite not a number", good.c_str(), "1\r\nx\r\n" + fav_lines({}, {}).substr(10),
         {{"c_fav.ini", "value 2 \"x\" is not a number"}}, 3, 2, {1, 254}},
        {"short favourites file", good.c_str(), "3\r\n2\r\n1\r\n",
         {{"c_fav.ini", "value 4 of 36 is missing (file ends early)"}}, 3, 2, {3, 2, 1, 254}},
        {"no timings", "0\r\n2\r\nX\r\nY\r\n", fav_lines({}, {2}), {}, 0, 2, {254}},
        {"no patterns", "1\r\nA\r\n0\r\n", fav_lines({1}, {}), {}, 1, 0, {1}},
        {"catalogue missing", nullptr, fav_lines({1}, {}),
         {{"c.ini", "No such file or directory"},
          {"c_fav.ini", "the catalogue holds no timings"}}, 0, 0, {254}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        catalogue_dir dir;
        if (r.catalogue) dir.put("c.ini", r.catalogue);
        if (r.favourites != "-") dir.put("c_fav.ini", r.favourites);

        catalogue_state state;
        const auto problems = catalogue_load(state, dir.str(), "c.ini");
        ASSERT_EQ(problems.size(), r.problems.size()) << ::testing::PrintToString(problems);
        for (const auto& [file, text] : r.problems) {
            const std::string full = (dir.path / file).string() + ": ";
            EXPECT_TRUE(any_problem_has(problems, full, text))
                << "wanted " << full << " ... " << text << "\n got:\n" << ::testing::PrintToString(problems);
        }
        EXPECT_EQ(std::tuple(state.timings.size(), state.patterns.size(), state.timing_count, state.pattern_count),
                  std::tuple(r.timings, r.patterns, static_cast<int>(r.timings), static_cast<int>(r.patterns)));
        for (std::size_t j = 0; j < r.timing_fav_head.size(); ++j)
            EXPECT_EQ(state.timing_fav[j], r.timing_fav_head[j]) << "slot " << j;
        for (int v : state.timing_fav)
            EXPECT_TRUE(v == fav_empty || (v >= 1 && v <= state.timing_count)) << v;
    }
}

// The favourites go to the file of the current profile and load back unchanged.
TEST(catalogue, favourites_save_and_load_round_trip) {
    const std::string file = "m41l_k_old_timing_pattern.ini";  // a 736 on the old board
    catalogue_dir dir;
    dir.put(file, *read_file((fs::path(VEXLAN_DATA_DIR) / file).string()).bytes);
    dir.put(favourites_file_name(file), fav_lines({}, {}));
    catalogue_state state;
    ASSERT_TRUE(catalogue_load(state, dir.str(), file).empty());
    state.timing_fav = {3, 5, 7, 88, 90, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254};
    state.pattern_fav = {1, 2, 41, 45, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254, 254};
    ASSERT_EQ(favourites_save(state, dir.str(), model_profile{1, 0, "736"}), "");

    EXPECT_EQ(dir.read(favourites_file_name(file)), fav_lines({3, 5, 7, 88, 90}, {1, 2, 41, 45}));
    catalogue_state reloaded;
    ASSERT_TRUE(catalogue_load(reloaded, dir.str(), file).empty());
    EXPECT_EQ(std::pair(reloaded.timing_fav, reloaded.pattern_fav), std::pair(state.timing_fav, state.pattern_fav));
    EXPECT_EQ(checked_positions(reloaded.timings), (std::vector<int>{3, 5, 7, 88, 90}));
}

TEST(catalogue, favourites_of_a_damaged_load_are_not_overwritten) {
    // The catalogue cannot be read, so every stored favourite falls outside the (empty) lists.
    // Closing must not replace the operator's favourites with empty slots.
    catalogue_dir dir;
    const std::string stored = fav_lines({3, 5, 7}, {1, 2});
    dir.put("m41_timing_pattern_fav.ini", stored);
    catalogue_state state;
    EXPECT_FALSE(catalogue_load(state, dir.str(), "m41_timing_pattern.ini").empty());
    EXPECT_EQ(state.timing_fav, fav_slots_empty());
    const std::string note = favourites_save(state, dir.str(), model_profile{});
    EXPECT_NE(note.find("m41_timing_pattern_fav.ini: not rewritten"), std::string::npos) << note;
    EXPECT_EQ(dir.read("m41_timing_pattern_fav.ini"), stored);

    // Without an older file there is nothing to keep: a missing favourites file is written.
    catalogue_dir fresh;
    const auto cat = read_file((fs::path(VEXLAN_DATA_DIR) / "m41_timing_pattern.ini").string());
    fresh.put("m41_timing_pattern.ini", *cat.bytes);
    catalogue_state clean;
    EXPECT_FALSE(catalogue_load(clean, fresh.str(), "m41_timing_pattern.ini").empty());
    EXPECT_EQ(favourites_save(clean, fresh.str(), model_profile{}), "");
    EXPECT_TRUE(read_file(fresh.file("m41_timing_pattern_fav.ini")));
}
