// Replies that echo the request's arguments. A unit answers "$source_detect? 5v" with "5v" as
// parameter 1, "$edid_read d1,block0" with "d1" and "block0" as parameters 1 and 2, and so on.
// A reply of the same command word whose echo differs answers an earlier request of that word
// (a late reply): the receivers drop it and the wait goes on. Error forms ("$err", a parameter 1
// beginning with "err", "err_ddc") are never taken for late replies.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/cmd_line.h"

namespace vexlan {

struct echo_rule {
    std::string_view word;  // command word of the request, "?" included
    int echoed;             // leading arguments of the request that the reply repeats
};

// The commands whose replies echo their arguments, one entry per command word.
std::span<const echo_rule> echo_rules();

// The parameters a reply to `line` must carry first: empty when the command echoes nothing or
// the line has no argument.
std::vector<std::string> echo_expected(const std::string& line);

// Whether a reply with these parameters is the reply to a request expecting `expected`.
// An error form (parameter 1 beginning with "err") always is.
bool echo_matches(const std::vector<std::string>& expected, const reply_params& p);

}  // namespace vexlan
