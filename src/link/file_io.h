// Whole-file reading and atomic writing: the one way the application touches its files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vexlan {

// Result of read_file: the bytes, or (bytes empty) an error text naming the path and the
// operating system's reason.
struct file_bytes {
    std::optional<std::string> bytes;
    std::string error;

    explicit operator bool() const { return bytes.has_value(); }
};

// Reads the whole file, bytes unchanged (no line-end translation).
file_bytes read_file(const std::string& path);

// Replaces the file at `path` with `bytes`: the bytes go into a new temporary file in the same
// folder, which is flushed to disk and then renamed over the target, so a reader sees either the
// old file or the complete new one. An existing target keeps its permission bits; a new file gets
// 0666 less the process umask. On any failure the temporary file is removed, the old file is left
// untouched and the returned text names the path and the reason; success returns "".
std::string write_file_atomic(const std::string& path, std::string_view bytes);

}  // namespace vexlan
