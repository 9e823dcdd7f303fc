// Per-command faults of the simulated unit: a reply text of its own ("--reply"), an answer that
// comes late but in order ("--slow") and one that comes late out of order ("--late").
// A rule names a command word and optionally its first argument ("$edid_manuf? d1").
#pragma once

#include <string>
#include <vector>

#include "sim_protocol.h"

namespace vexlan::sim {

struct command_rule {
    std::string word;   // "$pattern?"
    std::string sub;    // first argument, empty: any
};

// "WORD[ SUB]" + sep + VALUE. The word starts with "$"; the sub-word is the rest of the left
// side, trimmed. The split is at the first "=" (reply texts may contain "=") or at the last ":"
// (milliseconds). Returns an empty text when the rule is good, else why not.
std::string rule_parse(const std::string& spec, char sep, command_rule& rule, std::string& value);

// Does the command match? The sub-word, when given, must equal the command's arguments
// (trimmed) or their first comma-separated field.
bool rule_matches(const command_rule& rule, const command& c);

struct fault_rules {
    std::vector<std::pair<command_rule, std::string>> replies;
    std::vector<std::pair<command_rule, double>> slow;   // seconds
    std::vector<std::pair<command_rule, double>> late;   // seconds

    bool empty() const { return replies.empty() && slow.empty() && late.empty(); }

    // The reply with its parameter text replaced when a "--reply" rule matches (the last
    // matching rule wins); a command the unit does not answer (kind none) stays unanswered.
    // "WORD TEXT" for a rule without sub-word, "WORD SUB,TEXT" with one.
    reply apply_reply(const command& c, reply r) const;
    double slow_for(const command& c) const;   // 0 when no rule matches
    double late_for(const command& c) const;
};

}  // namespace vexlan::sim
