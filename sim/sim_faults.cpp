#include "sim_faults.h"

#include "sim_commands.h"

namespace vexlan::sim {

std::string rule_parse(const std::string& spec, char sep, command_rule& rule, std::string& value) {
    std::size_t at = sep == '=' ? spec.find('=') : spec.rfind(sep);
    if (at == std::string::npos) return std::string("expects WORD[ SUB]") + sep + "VALUE";
    std::string left = trim(spec.substr(0, at));
    value = spec.substr(at + 1);
    if (left.empty() || left[0] != '$') return "the command word must start with $";
    std::size_t blank = left.find(' ');
    rule.word = left.substr(0, blank);
    rule.sub = blank == std::string::npos ? "" : trim(left.substr(blank + 1));
    if (value.find_first_of("\r\n") != std::string::npos) return "the text must not contain CR or LF";
    return "";
}

bool rule_matches(const command_rule& rule, const command& c) {
    std::string word = command_word(c.line);
    if (word != rule.word) return false;
    if (rule.sub.empty()) return true;
    std::string args = c.line.size() > word.size() ? trim(c.line.substr(word.size() + 1)) : "";
    return args == rule.sub || split_commas(args).front() == rule.sub;
}

reply fault_rules::apply_reply(const command& c, reply r) const {
    if (r.kind == reply_kind::none) return r;
    for (auto it = replies.rbegin(); it != replies.rend(); ++it) {
        if (!rule_matches(it->first, c)) continue;
        std::string text = it->first.sub.empty() ? it->second : it->first.sub + "," + it->second;
        return reply{reply_kind::line, it->first.word + " " + text + crlf};
    }
    return r;
}

namespace {
double delay_for(const std::vector<std::pair<command_rule, double>>& rules, const command& c) {
    for (auto it = rules.rbegin(); it != rules.rend(); ++it)
        if (rule_matches(it->first, c)) return it->second;
    return 0;
}
}  // namespace

double fault_rules::slow_for(const command& c) const { return delay_for(slow, c); }
double fault_rules::late_for(const command& c) const { return delay_for(late, c); }

}  // namespace vexlan::sim
