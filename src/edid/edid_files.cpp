#include "edid/edid_files.h"

#include <algorithm>

#include "link/file_io.h"

namespace vexlan {

namespace {

constexpr char hex_upper[] = "0123456789ABCDEF";
constexpr std::uint8_t edid_header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
constexpr std::string_view separator_line = "                             \r\n";  // 29 blanks

int hex_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool is_blank_or_tab(char c) { return c == ' ' || c == '\t'; }

edid_load_result load_failure(std::string_view reason)
{
    edid_load_result r;
    r.reason = std::string(reason);
    return r;
}

edid_load_result load_success(std::vector<std::uint8_t> bytes, std::string text)
{
    edid_load_result r;
    r.ok = true;
    r.bytes = std::move(bytes);
    r.text = std::move(text);
    return r;
}

std::string_view trim_blanks_tabs(std::string_view s)
{
    while (!s.empty() && is_blank_or_tab(s.front())) s.remove_prefix(1);
    while (!s.empty() && is_blank_or_tab(s.back())) s.remove_suffix(1);
    return s;
}

bool header_at(std::string_view data, std::size_t start)
{
    if (data.size() < start + 8) return false;
    for (std::size_t i = 0; i < 8; ++i)
        if (static_cast<std::uint8_t>(data[start + i]) != edid_header[i]) return false;
    return true;
}

std::vector<std::uint8_t> bytes_of(std::string_view data)
{
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

}  // namespace

std::string edid_text_format(const std::uint8_t* image, int count, edid_text_variant variant)
{
    std::string text;
    text.reserve(static_cast<std::size_t>(count) * 4 + 160);
    for (int i = 0; i < count; ++i) {
        text.push_back(hex_upper[image[i] >> 4]);
        text.push_back(hex_upper[image[i] & 0x0F]);
        text.push_back(' ');
        if (i % 8 == 7) {
            text += "//";
            std::string index;
            for (unsigned v = static_cast<unsigned>(i); v != 0 || index.empty(); v >>= 4)
                index.insert(index.begin(), hex_upper[v & 0x0F]);
            index.resize(std::max<std::size_t>(index.size(), 3), ' ');
            text += index;
            text += "\r\n";
        }
        if (i % 128 == 127 &&
            (variant == edid_text_variant::file_load || i + 1 < count))
            text += separator_line;
    }
    return text;
}

// A file with more bytes than the image has slots (513) is refused with "Data": storing the
// first 513 would show an image that is not the file, and it could never be a valid EDID.
edid_load_result edid_hex_load(std::string_view file_text)
{
    std::vector<std::uint8_t> bytes;
    std::size_t pos = 0;
    while (pos <= file_text.size()) {
        std::size_t end = file_text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = file_text.size();
        std::string_view line = trim_blanks_tabs(file_text.substr(pos, end - pos));
        if (end < file_text.size() && file_text[end] == '\r' && end + 1 < file_text.size() &&
            file_text[end + 1] == '\n')
            ++end;
        pos = end + 1;

        const std::size_t slash = line.find('/');
        if (slash != std::string_view::npos) line = trim_blanks_tabs(line.substr(0, slash));
        if (line.empty()) continue;

        int pending = -1;  // value of the pending digit, -1 = none
        char pending_char = 0;
        for (const char raw : line) {
            const char c = upper(raw);
            const int v = hex_value(c);
            if (v >= 0) {
                if (pending < 0) {
                    pending = v;
                    pending_char = c;
                } else {
                    bytes.push_back(static_cast<std::uint8_t>(pending * 16 + v));
                    pending = -1;
                }
            } else if (c == 'X') {
                if (pending < 0 || pending_char != '0') return load_failure(edid_reason_data);
                pending = -1;  // a "0x" prefix
            } else if (pending >= 0) {
                bytes.push_back(static_cast<std::uint8_t>(pending));
                pending = -1;
            }
            if (bytes.size() > static_cast<std::size_t>(edid_image_slots))
                return load_failure(edid_reason_data);
        }
        // A digit still pending at the end of a line is dropped.
    }
    std::string text = edid_text_format(bytes.data(), static_cast<int>(bytes.size()));
    return load_success(std::move(bytes), std::move(text));
}

edid_load_result edid_bin_load(std::string_view file_bytes)
{
    // Empty, or larger than the image (see edid_hex_load): "Data".
    if (file_bytes.empty() || file_bytes.size() > static_cast<std::size_t>(edid_image_slots))
        return load_failure(edid_reason_data);
    std::vector<std::uint8_t> bytes = bytes_of(file_bytes);
    std::string text = edid_text_format(bytes.data(), static_cast<int>(bytes.size()));
    return load_success(std::move(bytes), std::move(text));
}

// The EDID of a DDC dump is its last 256 bytes, or its last 128 bytes when the 256-byte window
// does not begin with the EDID header. A dump shorter than 256 bytes has no 256-byte window and
// goes straight to the 128-byte one; a dump in which neither window begins with the header (or
// shorter than 128 bytes) holds no EDID and is refused with "Data".
edid_load_result edid_ddc_load(std::string_view file_bytes)
{
    const std::size_t n = file_bytes.size();
    if (n >= 256 && header_at(file_bytes, n - 256)) {
        std::vector<std::uint8_t> bytes = bytes_of(file_bytes.substr(n - 256));
        std::string text = edid_text_format(bytes.data(), 256);
        return load_success(std::move(bytes), std::move(text));
    }
    if (n >= 128 && header_at(file_bytes, n - 128)) {
        std::vector<std::uint8_t> bytes = bytes_of(file_bytes.substr(n - 128));
        std::string text = edid_text_format(bytes.data(), 128);
        // Block 1 is shown as FF filler; it is text only, the image keeps one block.
        for (int j = 0; j < 16; ++j) {
            text += "FF FF FF FF FF FF FF FF //";
            const unsigned index = 135 + 8 * static_cast<unsigned>(j);
            text.push_back(hex_upper[index >> 4]);
            text.push_back(hex_upper[index & 0x0F]);
            text += "\r\n";
        }
        return load_success(std::move(bytes), std::move(text));
    }
    return load_failure(edid_reason_data);
}

edid_file_kind edid_file_kind_of(std::string_view path)
{
    if (path.size() < 3) return edid_file_kind::unknown;
    std::string ext(path.substr(path.size() - 3));
    for (char& c : ext) c = upper(c);
    if (ext == "HEX") return edid_file_kind::hex;
    if (ext == "BIN") return edid_file_kind::bin;
    if (ext == "DDC") return edid_file_kind::ddc;
    return edid_file_kind::unknown;
}

edid_load_result edid_file_load_bytes(std::string_view path, std::string_view file_bytes)
{
    switch (edid_file_kind_of(path)) {
    case edid_file_kind::hex: return edid_hex_load(file_bytes);
    case edid_file_kind::bin: return edid_bin_load(file_bytes);
    case edid_file_kind::ddc: return edid_ddc_load(file_bytes);
    case edid_file_kind::unknown: break;
    }
    return load_failure(edid_reason_file_format);
}

edid_load_result edid_file_load(const std::string& path)
{
    if (edid_file_kind_of(path) == edid_file_kind::unknown)
        return load_failure(edid_reason_file_format);
    // Not a regular file (a FIFO, a device) or over 1 MiB: refused before reading.
    const file_bytes contents = read_file(path, edid_file_limit);
    if (!contents) return load_failure(contents.error);
    return edid_file_load_bytes(path, *contents.bytes);
}

void edid_load_apply(edid_info& rec, const edid_load_result& loaded)
{
    const std::size_t n = std::min(loaded.bytes.size(), rec.edid_image.size());
    std::copy_n(loaded.bytes.begin(), n, rec.edid_image.begin());
    rec.edid_size = static_cast<std::int16_t>(n);
}

void edid_write_side_check(mod_edid& st)
{
    edid_info& w = st.edid_info_write;
    if (w.edid_image[126] == 0 && w.edid_size == 256 &&
        std::all_of(w.edid_image.begin() + 128, w.edid_image.begin() + 256,
                    [](std::uint8_t b) { return b == 0xFF; }))
        w.edid_size = 128;
    edid_info_update(st, edid_context_write);
}

// ---- writers ---------------------------------------------------------------------------

std::string edid_save_source_text(std::string_view window_text)
{
    while (!window_text.empty() && window_text.front() == ' ') window_text.remove_prefix(1);
    while (!window_text.empty() && window_text.back() == ' ') window_text.remove_suffix(1);
    std::string source;
    source.reserve(window_text.size());
    std::size_t pos = 0;
    for (;;) {
        const std::size_t lf = window_text.find('\n', pos);
        if (lf == std::string_view::npos) break;  // text after the last LF is dropped
        std::string_view piece = window_text.substr(pos, lf + 1 - pos);
        while (!piece.empty() && piece.front() == ' ') piece.remove_prefix(1);
        source += piece;
        pos = lf + 1;
    }
    return source;
}

namespace {

// One scan of a source text in the canonical layout, shared by the C-language HEX and BIN
// writers. Byte pairs outside comments go to `on_byte`, a comment to `on_comment` (text after
// "//" up to the line end), a line end outside a comment to `on_line_end`. Beyond the canonical
// layout it accepts extra blanks and tabs between pairs and a lone CR or LF as a line end;
// anything else is refused with a message naming the line.
template <typename OnByte, typename OnComment, typename OnLineEnd>
std::string canonical_scan(std::string_view s, OnByte on_byte, OnComment on_comment,
                           OnLineEnd on_line_end)
{
    int line = 1;
    std::size_t i = 0;
    const auto line_end_at = [&](std::size_t k) { return k < s.size() && (s[k] == '\r' || s[k] == '\n'); };
    const auto skip_line_end = [&] {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
        ++i;
        ++line;
    };
    while (i < s.size()) {
        const char c = s[i];
        if (c == '\r' || c == '\n') {
            on_line_end();
            skip_line_end();
        } else if (is_blank_or_tab(c)) {
            ++i;
        } else if (c == '/') {
            if (i + 1 >= s.size() || s[i + 1] != '/')
                return "line " + std::to_string(line) + ": a comment must begin with \"//\"";
            std::size_t end = i + 2;
            while (end < s.size() && !line_end_at(end)) ++end;
            on_comment(s.substr(i + 2, end - i - 2));
            i = end;
            if (i < s.size()) skip_line_end();
        } else {
            const int hi = hex_value(c);
            const int lo = i + 1 < s.size() ? hex_value(s[i + 1]) : -1;
            if (hi < 0 || lo < 0) {
                const std::size_t shown = (i + 1 < s.size() && !line_end_at(i + 1)) ? 2 : 1;
                return "line " + std::to_string(line) + ": \"" + std::string(s.substr(i, shown)) +
                       "\" is not a two-digit hexadecimal byte";
            }
            on_byte(s.substr(i, 2), static_cast<std::uint8_t>(hi * 16 + lo));
            i += 2;
            if (i < s.size()) {
                const char next = s[i];
                if (is_blank_or_tab(next))
                    ++i;
                else if (next != '\r' && next != '\n' && next != '/')
                    return "line " + std::to_string(line) +
                           ": a byte must be followed by a blank, not \"" + std::string(1, next) + "\"";
            }
        }
    }
    return "";
}

}  // namespace

edid_write_result edid_file_contents_build(std::string_view window_text, edid_save_format format)
{
    edid_write_result result;
    const std::string source = edid_save_source_text(window_text);
    if (format == edid_save_format::simple_hex) {
        result.ok = true;
        result.bytes = source + "\r\n";
        return result;
    }

    std::string out;
    std::string error;
    if (format == edid_save_format::bin) {
        error = canonical_scan(
            source, [&](std::string_view, std::uint8_t value) { out.push_back(static_cast<char>(value)); },
            [](std::string_view) {}, [] {});
    } else {
        // C-language HEX: "0x" + pair + "," per byte; a comment closes the collected line as
        // " //" + comment; a line end outside a comment writes an empty line and keeps the
        // collected bytes for the next line.
        std::string collected;
        error = canonical_scan(
            source,
            [&](std::string_view pair, std::uint8_t) {
                collected += "0x";
                collected += pair;
                collected += ',';
            },
            [&](std::string_view comment) {
                collected += " //";
                collected += comment;
                out += collected;
                out += "\r\n";
                collected.clear();
            },
            [&] { out += "\r\n"; });
        // Bytes of hand-edited lines without any comment after them are still written.
        if (!collected.empty()) out += collected + "\r\n";
    }
    if (!error.empty()) {
        result.error = std::move(error);
        return result;
    }
    result.ok = true;
    result.bytes = std::move(out);
    return result;
}

std::string edid_file_write(const std::string& path, std::string_view window_text,
                            edid_save_format format)
{
    const edid_write_result contents = edid_file_contents_build(window_text, format);
    if (!contents.ok) return path + ": the EDID text cannot be saved: " + contents.error;
    return write_file_atomic(path, contents.bytes);
}

std::uint8_t edid_hex_pair_value(char high, char low)
{
    const int hi = hex_value(high);
    const int lo = hex_value(low);
    if (hi < 0 || lo < 0) return 0;
    return static_cast<std::uint8_t>(hi * 16 + lo);
}

}  // namespace vexlan
