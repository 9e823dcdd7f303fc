#include "link/reply_echo.h"

#include <array>

namespace vexlan {

namespace {

constexpr std::array<echo_rule, 12> rules{{
    {"$source_detect?", 1},  // item word
    {"$sink_detect?", 1},
    {"$edid_manuf?", 1},     // "rx", "sink_h" or a store token
    {"$edid_model?", 1},
    {"$edid_native?", 1},
    {"$edid_type?", 1},
    {"$edid_name?", 1},      // store token
    {"$edid_name", 1},       // rename: store token, then the new name
    {"$edid_read", 2},       // store token and block token
    {"$edid_write", 2},
    {"$cec_msg_set?", 1},    // message number
    {"$cec_log_msg?", 1},    // log line number
}};

std::string trimmed(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    const auto b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

}  // namespace

std::span<const echo_rule> echo_rules() { return rules; }

std::vector<std::string> echo_expected(const std::string& line) {
    const auto word = cmdstr_cmd_get(line);
    for (const auto& r : echo_rules()) {
        if (r.word != word) continue;
        const auto p = cmdrx_param_get(line);
        const std::string* args[] = {&p.rx_param1, &p.rx_param2};
        std::vector<std::string> out;
        for (int i = 0; i < r.echoed && i < 2; ++i) {
            if (*args[i] == "None") break;
            out.push_back(trimmed(*args[i]));
        }
        return out;
    }
    return {};
}

bool echo_matches(const std::vector<std::string>& expected, const reply_params& p) {
    if (p.rx_param1.compare(0, 3, "err") == 0) return true;
    const std::string* got[] = {&p.rx_param1, &p.rx_param2};
    for (std::size_t i = 0; i < expected.size() && i < 2; ++i)
        if (trimmed(*got[i]) != expected[i]) return false;
    return true;
}

}  // namespace vexlan
