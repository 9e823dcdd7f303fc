#include <gtest/gtest.h>

#include <set>

#include "link/cmd_line.h"

using namespace vexlan;

TEST(CommandTable, GapsAreEmptyAndEveryEntryIsACommand) {
    // A slot filled at the wrong index sends the wrong command word to the unit.
    cmd_table_t t;
    t.fill("stale");
    cmd_table_init(t);
    const std::set<int> gaps = {29, 43, 44, 45, 46, 47, 48, 49, 58, 59, 72, 73, 74, 75, 76, 77, 78, 79, 91,
                                92, 93, 94, 95, 96, 97, 98, 99, 158, 159, 173, 174, 175, 176, 177, 178, 179, 190};
    for (int i = 0; i < cmd_table_size; ++i) {
        if (gaps.count(i)) EXPECT_EQ(t[i], "") << i;
        else EXPECT_EQ(t[i].rfind('$', 0), 0u) << i << " '" << t[i] << "'";
    }
    // Neighbours that differ only by their trailing blank or "?".
    EXPECT_EQ(t[10], "$board_id? ");
    EXPECT_EQ(t[12], "$boot?");
    EXPECT_EQ(t[70], "$pattern? ");
    EXPECT_EQ(t[71], "$pattern ");
    EXPECT_EQ(t[164], "$timing ");
    EXPECT_EQ(t[165], "$timing? ");
}

TEST(CommandLine, CommandWord) {
    const std::pair<std::string, std::string> cases[] = {
        {"$model?\r", "$model?"},
        {"$model? X1\r\n", "$model?"},
        {"model?\r", ""},
        {"", ""},
        {"$x", ""},
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
        {"$a 1,,3\r\n", "1", "None", "None"},
        {"$a 1,2,3,4\r\n", "1", "2", "3"},
        {"$a x y,z\r\n", "x y", "z", "None"},
        {"$a 5", "None", "None", "None"},
        {"$model?\r\n", "None", "None", "None"},
        {"$a ,2,3\r\n", "None", "None", "None"},
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
