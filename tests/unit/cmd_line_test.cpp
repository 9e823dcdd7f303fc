#include <gtest/gtest.h>

#include <set>

#include "link/cmd_line.h"

using namespace vexlan;

TEST(CommandTable, FixedIndicesAndEmptyGaps) {
    cmd_table_t t;
    t.fill("stale");
    cmd_table_init(t);
    const std::set<int> unassigned = {29, 43, 44, 45, 46, 47, 48, 49, 58, 59, 72, 73, 74, 75, 76, 77, 78, 79,
                                      91, 92, 93, 94, 95, 96, 97, 98, 99, 158, 159, 173, 174, 175, 176, 177,
                                      178, 179, 190};
    for (int i = 0; i < cmd_table_size; ++i) {
        if (unassigned.count(i)) EXPECT_EQ(t[i], "") << "index " << i;
        else EXPECT_EQ(t[i].rfind('$', 0), 0u) << "index " << i << " holds '" << t[i] << "'";
    }
    // Trailing blanks are part of the prefixes; sub-words follow a blank.
    const std::pair<int, const char*> spot[] = {
        {0, "$4k_to_1080p "}, {10, "$board_id? "}, {11, "$boot go"}, {12, "$boot?"},
        {14, "$cable_level?"}, {21, "$cec_log_msg? "}, {32, "$edid_manuf? sink_h"}, {42, "$factory"},
        {61, "$hdr_eotf? "}, {70, "$pattern? "}, {71, "$pattern "}, {90, "$sink_detect? scdc_source_ver"},
        {100, "$source_detect? 5v"}, {149, "$source_detect? vt"}, {157, "$rx_scdc?"},
        {160, "$timer_day?"}, {163, "$timer_second?"}, {164, "$timing "}, {165, "$timing? "},
        {172, "$tx_5v?"}, {180, "$color_cal_blue "}, {189, "$color_cal_red?"}};
    for (const auto& [i, text] : spot) EXPECT_EQ(t[i], text) << "index " << i;
}

TEST(CommandLine, CommandWord) {
    const std::pair<std::string, std::string> cases[] = {
        {"$model?\r", "$model?"},
        {"$model? X1\r\n", "$model?"},
        {"model?\r", ""},
        {"", ""},
        {"$x", ""},
        {"$boot?\r", "$boot?"},
        {"$timing 12\r", "$timing"},
        {"$edid_read err_ddc\r\n", "$edid_read"},
        {"$\r", "$"},
        {"$a\rb c", "$a\rb"},  // the first blank wins over an earlier CR
    };
    for (const auto& [line, word] : cases) EXPECT_EQ(cmdstr_cmd_get(line), word) << "line '" << line << "'";
}

TEST(CommandLine, ReplyParameters) {
    struct row {
        std::string line, p1, p2, p3;
    };
    const row rows[] = {
        {"$timing 12,3\r\n", "12", "3", "None"},
        {"$audio_ch? 2\r\n", "2", "None", "None"},
        {"$a 1,,3\r\n", "1", "None", "None"},
        {"$a 1,2,3,4\r\n", "1", "2", "3"},
        {"$a x y,z\r\n", "x y", "z", "None"},
        {"$a 5", "None", "None", "None"},
        {"$model?\r\n", "None", "None", "None"},
        {"$a ,2,3\r\n", "None", "None", "None"},
        {"$a 1,2,3\r\n", "1", "2", "3"},
        {"$a 1\n\r", "1\n", "None", "None"},  // LF before CR stays in the parameter
        {"$cec_log_msg? 3,12,40:04\r\n", "3", "12", "40:04"},
        {"$a 1,2,\r\n", "1", "2", "None"},
    };
    for (const auto& r : rows) {
        const auto p = cmdrx_param_get(r.line);
        EXPECT_EQ(p.rx_param1, r.p1) << r.line;
        EXPECT_EQ(p.rx_param2, r.p2) << r.line;
        EXPECT_EQ(p.rx_param3, r.p3) << r.line;
    }
}
