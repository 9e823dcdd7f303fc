#include "link/settings.h"

#include <gtest/gtest.h>

#include "temp_dir.h"

using namespace vexlan;

namespace {

using settings_dir = vexlan::testing::temp_dir;

// Every item from line `first_default_line` on has its default.
void expect_defaults_from(const settings& s, std::size_t first_default_line) {
    const settings d;
    const auto from = [&](std::size_t line) { return first_default_line <= line; };
    if (from(1)) { EXPECT_EQ(s.link_iface, d.link_iface); }
    if (from(2)) { EXPECT_EQ(s.eth_ip, d.eth_ip); }
    if (from(3)) { EXPECT_EQ(s.com_port, d.com_port); }
    if (from(5)) { EXPECT_FALSE(s.position_valid); }
    for (std::size_t i = 0; i < pre_file_count; ++i)
        if (from(6 + i)) { EXPECT_EQ(s.pre_files[i], "") << i; }
}

std::string ten_paths() {
    std::string text;
    for (int i = 0; i < 10; ++i) text += "\"/f" + std::to_string(i) + "\"\r\n";
    return text;
}

}  // namespace

// The file is fifteen CR LF lines, texts in quotes; what is written reads back unchanged.
TEST(settings, write_then_read_keeps_every_item) {
    settings s{1, "10.0.0.2", 16, -120, 3345, true,
               {"/a b/c.hex", "  leading and trailing blanks  ", "/tmp/a \"quoted\" name.ddc", "\"", "",
                "C:\\old\\windows path.hex", "/x/y,z,,.hex", "/caf\xE9/8-bit.hex", "", "last"}};
    std::string expected = "1\r\n\"10.0.0.2\"\r\n16\r\n-120\r\n3345\r\n";
    for (const auto& p : s.pre_files) expected += "\"" + p + "\"\r\n";
    EXPECT_EQ(settings_text(s), expected);
    settings_dir dir;
    const std::string path = dir.file("Vexlan_ini.txt");
    ASSERT_EQ(settings_write(path, s), "");
    const auto r = settings_read(path);
    EXPECT_TRUE(r.problems.empty()) << ::testing::PrintToString(r.problems);
    EXPECT_EQ(std::tuple(settings_text(r.values), r.values.position_valid, r.keep_file), std::tuple(settings_text(s), true, false));

    s.pre_files[9] = "line\r\nbreak";  // a line end cannot be part of a text
    EXPECT_EQ(settings_text(s).substr(settings_text(s).size() - 15), "\"line  break\"\r\n");
}

// Whatever a line cannot give keeps its default; the rest of the file is still used. A file that
// is damaged beyond use (binary, a line over 64 KiB, not one usable number) is marked to be kept.
TEST(settings, short_or_faulty_files_keep_defaults_for_the_rest) {
    struct row {
        const char* what;
        std::string text;
        std::vector<std::string> problem_texts;
        int link_iface, com_port;
        const char* ip;
        bool position_valid;
        std::size_t first_default_line;
        bool keep = false;
    };
    const std::string huge(5 << 20, 'x');
    const row rows[] = {
        {"missing file", "", {"No such file or directory"}, 0, 1, "", false, 1, true},
        {"three lines, bare LF", "1\n\"1.2.3.4\"\n7\n", {"holds 3 of the 15 settings"}, 1, 7,
         "1.2.3.4", false, 4},
        {"up to the first path", "0\r\n\"\"\r\n2\r\n10\r\n20\r\n\"/p\"\r\n",
         {"holds 6 of the 15"}, 0, 2, "", true, 7},
        {"port out of range", "1\r\n\"ip\"\r\n17\r\n1\r\n2\r\n" + ten_paths(),
         {"line 3 (serial port) 17 is outside 1..16; COM1 is used"}, 1, 1, "ip", true, 16},
        {"link choice not 0 or 1", "5\r\n\"\"\r\n4\r\n1\r\n2\r\n",
         {"line 1 (link choice) 5 is neither 0 nor 1", "holds 5 of the 15"}, 0, 4, "", true, 6},
        {"position not a number", "0\r\n\"\"\r\n4\r\nleft\r\n2\r\n",
         {"line 4 (window left edge) \"left\" is not a number", "holds 5 of the 15"}, 0, 4, "",
         false, 6},
        {"5 MB line", "1\r\n\"" + huge + "\"\r\n3\r\n",
         {"line 2 is longer than 64 KiB (a damaged line)", "holds 3 of the 15"}, 1, 3, "", false, 4, true},
        {"long value shown cut", "0\r\n\"\"\r\n" + huge.substr(0, 200) + "\r\n",
         {"line 3 (serial port) \"" + huge.substr(0, 80) + "...\" is not a number", "holds 3 of the 15"}, 0, 1, "",
         false, 4},
        {"binary bytes", std::string("1\r\n\0\x01\x02", 7) + ten_paths(), {"holds binary bytes"}, 0, 1, "", false, 1,
         true},
        {"no usable number", "hello\r\nworld\r\n",
         {"line 1 (link choice) \"hello\" is not a number", "holds 2 of the 15"}, 0, 1, "world", false, 3, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        settings_dir dir;
        const std::string path = dir.file("Vexlan_ini.txt");
        if (!r.text.empty()) { ASSERT_EQ(write_file_atomic(path, r.text), ""); }
        const auto got = settings_read(path);
        ASSERT_EQ(got.problems.size(), r.problem_texts.size()) << ::testing::PrintToString(got.problems);
        for (std::size_t i = 0; i < r.problem_texts.size(); ++i) {
            EXPECT_EQ(got.problems[i].rfind(path + ": ", 0), 0u) << got.problems[i];
            EXPECT_NE(got.problems[i].find(r.problem_texts[i]), std::string::npos) << got.problems[i];
        }
        const auto& v = got.values;
        EXPECT_EQ(std::tuple(v.link_iface, v.com_port, v.eth_ip, v.position_valid, got.keep_file),
                  std::tuple(r.link_iface, r.com_port, r.ip, r.position_valid, r.keep));
        for (const auto& p : got.problems) EXPECT_LT(p.size(), 400u);
        expect_defaults_from(got.values, r.first_default_line);
        if (r.first_default_line == 16) {
            EXPECT_EQ(got.values.pre_files[9], "/f9");
        }
    }
}

TEST(settings, saved_position_is_pulled_back_onto_the_screen) {
    struct row { int left, top, screen_w, screen_h, win_w, win_h; int want_left, want_top; };
    const row rows[] = {
        {5000, 100, 4000, 3000, 1000, 800, 3000, 100},    // from a larger screen
        {5000, 100, 4000, 3000, main_window_width, main_window_height,
         4000 - main_window_width, 100},                   // window wider than the screen
        {-1, 16000, 20000, 15000, 11580, 10740, 20000 - 11580, 15000 - 10740},
        {20000, 15000, 20000, 15000, 11580, 10740, 20000, 15000},  // on the edge: kept
        {0, 0, 20000, 15000, 11580, 10740, 0, 0},
    };
    for (const auto& r : rows) {
        const auto p = window_position_clamp(r.left, r.top, r.screen_w, r.screen_h, r.win_w, r.win_h);
        EXPECT_EQ(std::pair(p.left, p.top), std::pair(r.want_left, r.want_top)) << r.left << "," << r.top;
    }
    const auto c = window_position_centred(28800, 16200, main_window_width, main_window_height);
    EXPECT_EQ(std::pair(c.left, c.top), std::pair((28800 - 11580) / 2, (16200 - 10740) / 2));
}
