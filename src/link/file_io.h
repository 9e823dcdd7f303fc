// Whole-file reading and atomic writing: the one way the application touches its files.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexlan {

// Result of read_file: the bytes, or (bytes empty) an error text naming the path and the
// operating system's reason.
struct file_bytes {
    std::optional<std::string> bytes;
    std::string error;

    explicit operator bool() const { return bytes.has_value(); }
};

// Largest files read: the application's own text files (settings, catalogues, favourites) and
// EDID files. Longer lines in the text files are damaged lines.
inline constexpr std::size_t app_file_limit = 16u << 20;
inline constexpr std::size_t edid_file_limit = 1u << 20;
inline constexpr std::size_t text_line_limit = 64u << 10;

// Reads the whole file, bytes unchanged (no line-end translation). Refuses, before reading any
// byte, a path that is not a regular file (a folder, a FIFO, a device: opened without blocking)
// and a file larger than `max_bytes`; one line naming the path says why.
file_bytes read_file(const std::string& path, std::size_t max_bytes = app_file_limit);

// Replaces the file at `path` with `bytes`: the bytes go into a new temporary file in the same
// folder, which is flushed to disk and then renamed over the target, so a reader sees either the
// old file or the complete new one. An existing target keeps its permission bits; a new file gets
// 0666 less the process umask. A target the user may not write (no write permission) is refused
// and left as it is. A symbolic link is followed: the file it points to is replaced and the link
// stays. On any failure the temporary file is removed, the old file is left untouched and the
// returned text names the path and the reason; success returns "".
std::string write_file_atomic(const std::string& path, std::string_view bytes);

// Removes the temporary files that write_file_atomic left in `folder` when a process ended in the
// middle of a write: those of processes no longer running, and any older than ten minutes.
// Returns one text per file that could not be removed.
std::vector<std::string> stale_temp_files_remove(const std::string& folder);

// A value for a message: control and non-ASCII bytes escaped (\r, \xNN), at most 80 characters
// of the value, then "..." when it is longer.
std::string value_shown(std::string_view value);

// At most ten problems, then one line "and N more".
std::vector<std::string> problems_limited(const std::vector<std::string>& problems);

// The text with each line longer than text_line_limit emptied (its line end kept); each such line
// adds one problem naming `path` and the line number.
std::string long_lines_blank(std::string_view text, const std::string& path, std::vector<std::string>& problems);

}  // namespace vexlan
