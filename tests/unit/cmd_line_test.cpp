#include <gtest/gtest.h>

#include "link/cmd_line.h"

using namespace vexlan;

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
