#include "link/settings.h"

#include <charconv>
#include <optional>

#include "link/file_io.h"

namespace vexlan {

namespace {

std::vector<std::string_view> lines_split(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(text.substr(start, i - start));
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::optional<int> integer_parse(std::string_view line)
{
    std::string_view s = trimmed(line);
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    if (s.empty()) return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
    return value;
}

std::string text_decode(std::string_view line)
{
    const auto first = line.find('"');
    if (first == std::string_view::npos) return std::string(trimmed(line));
    const auto last = line.rfind('"');
    if (last == first) {
        std::string_view rest = line.substr(first + 1);
        while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
        return std::string(rest);
    }
    return std::string(line.substr(first + 1, last - first - 1));
}

std::string text_encode(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) out += (c == '\r' || c == '\n') ? ' ' : c;
    out += '"';
    return out;
}

}  // namespace

settings_read_result settings_read(const std::string& path)
{
    settings_read_result result;
    settings& s = result.values;
    auto& problems = result.problems;

    const file_bytes file = read_file(path);
    if (!file) {
        problems.push_back(file.error + "; the default settings are used");
        result.keep_file = true;
        return result;
    }
    if (file.bytes->find('\0') != std::string::npos) {
        problems.push_back(path + ": holds binary bytes, not settings; the default settings are used");
        result.keep_file = true;
        return result;
    }
    auto lines = lines_split(*file.bytes);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].size() <= text_line_limit) continue;
        problems.push_back(path + ": line " + std::to_string(i + 1) + " is longer than " +
                           std::to_string(text_line_limit >> 10) + " KiB (a damaged line); its default is used");
        lines[i] = std::string_view();
        result.keep_file = true;
    }
    int numbers_read = 0;

    auto number_item = [&](std::size_t index, std::string_view what,
                           std::string_view default_text) -> std::optional<int> {
        if (lines[index].data() == nullptr) return std::nullopt;  // a damaged line, already said
        const auto value = integer_parse(lines[index]);
        if (!value)
            problems.push_back(path + ": line " + std::to_string(index + 1) + " (" +
                               std::string(what) + ") \"" + value_shown(lines[index]) +
                               "\" is not a number; " + std::string(default_text) + " is used");
        else
            ++numbers_read;
        return value;
    };

    if (lines.size() > 0) {
        if (const auto v = number_item(0, "link choice", "RS-232")) {
            if (*v == 0 || *v == 1)
                s.link_iface = *v;
            else
                problems.push_back(path + ": line 1 (link choice) " + std::to_string(*v) +
                                   " is neither 0 nor 1; RS-232 is used");
        }
    }
    if (lines.size() > 1) s.eth_ip = text_decode(lines[1]);
    if (lines.size() > 2) {
        if (const auto v = number_item(2, "serial port", "COM1")) {
            if (*v >= 1 && *v <= 16)
                s.com_port = *v;
            else
                problems.push_back(path + ": line 3 (serial port) " + std::to_string(*v) +
                                   " is outside 1..16; COM1 is used");
        }
    }
    if (lines.size() > 4) {
        const auto left = number_item(3, "window left edge", "the centred window");
        const auto top = number_item(4, "window top edge", "the centred window");
        if (left && top) {
            s.window_left = *left;
            s.window_top = *top;
            s.position_valid = true;
        }
    }
    for (std::size_t i = 0; i < pre_file_count && 5 + i < lines.size(); ++i)
        s.pre_files[i] = text_decode(lines[5 + i]);

    if (!lines.empty() && numbers_read == 0) result.keep_file = true;  // not a settings file at all
    if (lines.size() < static_cast<std::size_t>(settings_item_count))
        problems.push_back(path + ": holds " + std::to_string(lines.size()) + " of the " +
                           std::to_string(settings_item_count) +
                           " settings (file ends early); the rest take their defaults");
    return result;
}

std::string settings_text(const settings& s)
{
    std::string text;
    auto line = [&](const std::string& item) { text += item + "\r\n"; };
    line(std::to_string(s.link_iface));
    line(text_encode(s.eth_ip));
    line(std::to_string(s.com_port));
    line(std::to_string(s.window_left));
    line(std::to_string(s.window_top));
    for (const auto& p : s.pre_files) line(text_encode(p));
    return text;
}

std::string settings_write(const std::string& path, const settings& values)
{
    return write_file_atomic(path, settings_text(values));
}

window_position window_position_clamp(int left, int top, int screen_w, int screen_h, int win_w,
                                      int win_h)
{
    window_position p{left, top};
    if (left < 0 || left > screen_w) p.left = screen_w - win_w;
    if (top < 0 || top > screen_h) p.top = screen_h - win_h;
    return p;
}

window_position window_position_centred(int screen_w, int screen_h, int win_w, int win_h)
{
    return {(screen_w - win_w) / 2, (screen_h - win_h) / 2};
}

}  // namespace vexlan
