// The settings file "Vexlan_ini.txt" of the application directory.
//
// Fifteen items, one per line, each line ended by CR LF:
//   1 link choice (0 RS-232, 1 Ethernet)      2 unit IP address (quoted)
//   3 serial port number 1..16                4, 5 main window left and top edge in twips
//   6-15 the ten previously used EDID file paths, entries 0..9 (quoted each)
// Texts are written between double quotes; reading takes everything between the first and the
// last double quote of the line, so blanks, commas and even double quotes inside a text survive a
// save and reload. A line end cannot be part of a text: CR and LF inside a text are written as
// blanks. A text line without any quote is taken as it stands, blanks around it removed; a line
// with a single quote gives the text after it.
//
// The file is not shipped: a missing file means the defaults below, and the file is written at
// every close.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vexlan {

inline constexpr std::string_view settings_file_name = "Vexlan_ini.txt";
inline constexpr int settings_item_count = 15;
inline constexpr int pre_file_count = 10;

// Fixed size of the main window in twips.
inline constexpr int main_window_width = 11580;
inline constexpr int main_window_height = 10740;

struct settings {
    int link_iface = 0;   // 0 RS-232, 1 Ethernet
    std::string eth_ip;   // IP address of the unit
    int com_port = 1;     // 1..16
    int window_left = 0;  // twips
    int window_top = 0;   // twips
    bool position_valid = false;  // false: no position was read; centre the window
    std::array<std::string, pre_file_count> pre_files;  // captions of the previous-file labels
};

struct settings_read_result {
    settings values;
    std::vector<std::string> problems;  // each names the file; empty for a clean read
    // The file could not be read, or is damaged beyond use (binary bytes, a line longer than
    // 64 KiB, or not one usable number): it is kept at close rather than overwritten.
    bool keep_file = false;
};

// Reads the settings file. A missing or unreadable file gives the defaults and one problem; a
// short file gives what was read and the defaults for the rest; a line that does not hold a
// usable value keeps that item's default. Messages show at most 80 characters of a value.
// Problems are returned, never shown here.
settings_read_result settings_read(const std::string& path);

// The file's bytes for `values`.
std::string settings_text(const settings& values);

// Writes the settings file (replacing it) through write_file_atomic; returns "" or the error.
std::string settings_write(const std::string& path, const settings& values);

struct window_position {
    int left = 0;
    int top = 0;
};

// Pulls a saved window position back onto the screen (all in twips): a left edge that is
// negative or beyond the screen width becomes screen width minus window width; the same for the
// top edge with the heights. A position on the screen is kept.
window_position window_position_clamp(int left, int top, int screen_w, int screen_h, int win_w,
                                      int win_h);

// The position that centres the window on the screen (used when no position was saved).
window_position window_position_centred(int screen_w, int screen_h, int win_w, int win_h);

}  // namespace vexlan
