// Command lines and replies: the command table, the command word of a line and the
// split of a reply line into its three parameters.
#pragma once

#include <array>
#include <string>

namespace vexlan {

constexpr int cmd_table_size = 191;
using cmd_table_t = std::array<std::string, cmd_table_size>;

// Fills the command prefixes at their fixed indices; unassigned indices stay empty.
void cmd_table_init(cmd_table_t& cmd_table);

// The command word of a line: "$" up to (not including) the first blank, CR or LF; empty when
// the line does not start with "$" or has none of them.
std::string cmdstr_cmd_get(const std::string& line);

struct reply_params {
    std::string rx_param1 = "None";
    std::string rx_param2 = "None";
    std::string rx_param3 = "None";
};

// Splits rx_line after its first blank at ",", CR or LF (parameters never hold a line end).
// An absent or empty parameter, and every one after it, is the text "None".
reply_params cmdrx_param_get(const std::string& rx_line);

}  // namespace vexlan
