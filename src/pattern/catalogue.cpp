#include "pattern/catalogue.h"

#include <charconv>
#include <filesystem>

#include "link/file_io.h"

namespace vexlan {

namespace {

constexpr long max_count = 32767;  // counts are 16-bit signed values

bool is_blank(char c) { return c == ' ' || c == '\t'; }
bool is_line_end(char c) { return c == '\r' || c == '\n'; }

// Passes over one separator at the reader's position: a comma, CR LF, a bare LF or a bare CR.
void separator_skip(item_reader& r)
{
    if (r.pos >= r.text.size()) return;
    const char c = r.text[r.pos];
    if (c == ',' || c == '\n') {
        ++r.pos;
    } else if (c == '\r') {
        ++r.pos;
        if (r.pos < r.text.size() && r.text[r.pos] == '\n') ++r.pos;
    }
}

// True when nothing but blanks and line ends remains.
bool stream_ended(const item_reader& r)
{
    for (std::size_t i = r.pos; i < r.text.size(); ++i)
        if (!is_blank(r.text[i]) && !is_line_end(r.text[i])) return false;
    return true;
}

void blanks_skip(item_reader& r)
{
    while (r.pos < r.text.size() && is_blank(r.text[r.pos])) ++r.pos;
}

std::optional<long> number_parse(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') ++first;
    long value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last) return std::nullopt;
    return value;
}

std::string in_quotes(std::string_view text) { return "\"" + value_shown(text) + "\""; }

// Reads `count` names into `list`; on an early end reports which one is missing.
void names_read(item_reader& r, long count, std::vector<catalogue_entry>& list,
                std::string_view what, const std::string& path, std::vector<std::string>& problems)
{
    list.reserve(static_cast<std::size_t>(count));
    for (long i = 1; i <= count; ++i) {
        auto name = item_read_name(r);
        if (!name) {
            problems.push_back(path + ": " + std::string(what) + " " + std::to_string(i) + " of " +
                               std::to_string(count) + " is missing (file ends early)");
            return;
        }
        list.push_back({std::move(*name), false});
    }
}

// Reads a count item; reports and returns nothing when it is absent or not a usable count.
std::optional<long> count_read(item_reader& r, std::string_view what, const std::string& path,
                               std::vector<std::string>& problems)
{
    const number_item item = item_read_number(r);
    const std::string head = path + ": " + std::string(what) + " count";
    switch (item.status) {
    case item_status::end_of_file:
        problems.push_back(head + " is missing (file ends early)");
        return std::nullopt;
    case item_status::not_a_number:
        problems.push_back(head + " " + in_quotes(item.text) + " is not a number");
        return std::nullopt;
    case item_status::ok: break;
    }
    if (item.value < 0 || item.value > max_count) {
        problems.push_back(head + " " + value_shown(item.text) + " is out of range (0.." +
                           std::to_string(max_count) + ")");
        return std::nullopt;
    }
    return item.value;
}

void catalogue_read(catalogue_state& state, const std::string& path,
                    std::vector<std::string>& problems)
{
    const file_bytes file = read_file(path);
    if (!file) {
        problems.push_back(file.error);
        return;
    }
    const std::string contents = long_lines_blank(*file.bytes, path, problems);
    item_reader r(contents);
    const auto timing_count = count_read(r, "timing", path, problems);
    if (!timing_count) return;
    names_read(r, *timing_count, state.timings, "timing", path, problems);
    state.timing_count = static_cast<int>(state.timings.size());
    if (state.timings.size() < static_cast<std::size_t>(*timing_count)) return;

    const auto pattern_count = count_read(r, "pattern", path, problems);
    if (!pattern_count) return;
    names_read(r, *pattern_count, state.patterns, "pattern", path, problems);
    state.pattern_count = static_cast<int>(state.patterns.size());
}

// Reads the 36 favourite values; bad ones leave their slot empty and are reported, one text per
// list for positions outside the catalogue.
void favourites_read(catalogue_state& state, const std::string& path,
                     std::vector<std::string>& problems)
{
    const file_bytes file = read_file(path);
    if (!file) {
        problems.push_back(file.error + "; all favourites are left empty");
        return;
    }
    const std::string contents = long_lines_blank(*file.bytes, path, problems);
    item_reader r(contents);
    constexpr int total = 2 * fav_slot_count;
    std::string outside[2];
    for (int k = 0; k < total; ++k) {
        const bool timing = k < fav_slot_count;
        const int slot = timing ? k : k - fav_slot_count;
        auto& fav = timing ? state.timing_fav : state.pattern_fav;
        auto& list = timing ? state.timings : state.patterns;
        const std::string value_name = "value " + std::to_string(k + 1);

        const number_item item = item_read_number(r);
        if (item.status == item_status::end_of_file) {
            problems.push_back(path + ": " + value_name + " of " + std::to_string(total) +
                               " is missing (file ends early); the remaining favourites are left "
                               "empty");
            return;
        }
        if (item.status == item_status::not_a_number) {
            problems.push_back(path + ": " + value_name + " " + in_quotes(item.text) +
                               " is not a number; that favourite is left empty");
            continue;
        }
        if (item.value == fav_empty) continue;
        if (item.value < 1 || item.value > static_cast<long>(list.size())) {
            auto& text = outside[timing ? 0 : 1];
            text += (text.empty() ? "" : ", ") + value_name + " = " + value_shown(item.text);
            continue;
        }
        fav[static_cast<std::size_t>(slot)] = static_cast<int>(item.value);
        list[static_cast<std::size_t>(item.value - 1)].checked = true;
    }
    const char* kinds[2] = {"timing", "pattern"};
    const std::size_t sizes[2] = {state.timings.size(), state.patterns.size()};
    for (int i = 0; i < 2; ++i) {
        if (outside[i].empty()) continue;
        const std::string range =
            sizes[i] == 0 ? std::string("the catalogue holds no ") + kinds[i] + "s"
                          : "valid are 1.." + std::to_string(sizes[i]) + " and 254";
        problems.push_back(path + ": " + kinds[i] + " favourites outside the catalogue (" + range +
                           "), left empty: " + outside[i]);
    }
}

}  // namespace

item_reader::item_reader(std::string_view t) : text(t)
{
    if (text.substr(0, 3) == "\xEF\xBB\xBF") pos = 3;
}

std::optional<std::string> item_read_name(item_reader& r)
{
    if (stream_ended(r)) {
        r.pos = r.text.size();
        return std::nullopt;
    }
    blanks_skip(r);
    std::string name;
    if (r.pos < r.text.size() && r.text[r.pos] == '"') {
        ++r.pos;
        std::size_t end = r.pos;
        while (end < r.text.size() && r.text[end] != '"' && !is_line_end(r.text[end])) ++end;
        name.assign(r.text.substr(r.pos, end - r.pos));
        r.pos = end;
        if (r.pos < r.text.size() && r.text[r.pos] == '"') ++r.pos;
        while (r.pos < r.text.size() && r.text[r.pos] != ',' && !is_line_end(r.text[r.pos]))
            ++r.pos;
    } else {
        std::size_t end = r.pos;
        while (end < r.text.size() && r.text[end] != ',' && !is_line_end(r.text[end])) ++end;
        std::size_t last = end;
        while (last > r.pos && is_blank(r.text[last - 1])) --last;
        name.assign(r.text.substr(r.pos, last - r.pos));
        r.pos = end;
    }
    separator_skip(r);
    return name;
}

number_item item_read_number(item_reader& r)
{
    number_item item;
    if (stream_ended(r)) {
        r.pos = r.text.size();
        return item;
    }
    blanks_skip(r);
    std::size_t end = r.pos;
    while (end < r.text.size() && r.text[end] != ',' && !is_blank(r.text[end]) &&
           !is_line_end(r.text[end]))
        ++end;
    item.text.assign(r.text.substr(r.pos, end - r.pos));
    r.pos = end;
    blanks_skip(r);
    separator_skip(r);
    if (const auto value = number_parse(item.text)) {
        item.status = item_status::ok;
        item.value = *value;
    } else {
        item.status = item_status::not_a_number;
    }
    return item;
}

std::string app_file_path(const std::string& app_dir, std::string_view file_name)
{
    return (std::filesystem::path(app_dir) / std::filesystem::path(file_name)).string();
}

std::vector<std::string> catalogue_load(catalogue_state& state, const std::string& app_dir,
                                        const std::string& file_name)
{
    state.pattern_out_index = fav_empty;
    state.timings.clear();
    state.patterns.clear();
    state.timing_count = 0;
    state.pattern_count = 0;
    state.timing_fav = fav_slots_empty();
    state.pattern_fav = fav_slots_empty();
    state.file_name = file_name;

    std::vector<std::string> problems;
    catalogue_read(state, app_file_path(app_dir, file_name), problems);
    const std::string fav_path = app_file_path(app_dir, favourites_file_name(file_name));
    favourites_read(state, fav_path, problems);
    std::error_code ec;
    state.favourites_keep_file = !problems.empty() && std::filesystem::exists(fav_path, ec);
    return problems;
}

std::string favourites_text(const catalogue_state& state)
{
    std::string text;
    for (const int v : state.timing_fav) text += std::to_string(v) + "\r\n";
    for (const int v : state.pattern_fav) text += std::to_string(v) + "\r\n";
    return text;
}

std::string favourites_save(const catalogue_state& state, const std::string& app_dir,
                            const model_profile& profile)
{
    const std::string path =
        app_file_path(app_dir, favourites_file_name(catalogue_file_for(profile)));
    if (state.favourites_keep_file)
        return path + ": not rewritten, because it or its catalogue could not be read cleanly; the file is kept as it was";
    return write_file_atomic(path, favourites_text(state));
}

std::string fav_caption(const std::vector<catalogue_entry>& list, int position)
{
    if (position == fav_empty || position < 1 || static_cast<std::size_t>(position) > list.size())
        return {};
    return list[static_cast<std::size_t>(position - 1)].name;
}

std::string timing_fav_caption(const catalogue_state& state, int slot)
{
    if (slot < 0 || slot >= fav_slot_count) return {};
    return fav_caption(state.timings, state.timing_fav[static_cast<std::size_t>(slot)]);
}

std::string pattern_fav_caption(const catalogue_state& state, int slot)
{
    if (slot < 0 || slot >= fav_slot_count) return {};
    return fav_caption(state.patterns, state.pattern_fav[static_cast<std::size_t>(slot)]);
}

}  // namespace vexlan
