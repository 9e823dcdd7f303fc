// What the command files of the protocol engine share: the context of one command, the reply
// builders, small text helpers and the command table entry. Each subsystem file adds its
// commands to the table through its add_<name>_commands function; sim_protocol.cpp builds the
// table in a fixed order and dispatches on it.
#pragma once

#include <cctype>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "sim_protocol.h"

namespace vexlan::sim {

inline const char* const crlf = "\r\n";

// Values go between "," separators and end at CR: keep those bytes out of them.
inline std::string clean(const std::string& v) {
    std::string s = v;
    for (char& c : s)
        if (c == ',' || c == '\r' || c == '\n' || c == '\x04') c = ' ';
    return s;
}

inline std::string line_of(const std::string& word, std::initializer_list<std::string> params) {
    std::string s = word;
    bool first = true;
    for (const auto& p : params) {
        s += first ? " " : ",";
        s += clean(p);
        first = false;
    }
    return s + crlf;
}

inline reply ok(const std::string& word, std::initializer_list<std::string> params) {
    return reply{reply_kind::line, line_of(word, params)};
}
inline reply err(const std::string& word, const char* what = "err") {
    return reply{reply_kind::line, word + " " + what + crlf};
}
inline reply unknown() { return reply{reply_kind::line, std::string("$err") + crlf}; }

inline std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    std::size_t b = s.find_last_not_of(' ');
    return s.substr(a, b - a + 1);
}

inline std::vector<std::string> split_commas(const std::string& s) {
    std::vector<std::string> out;
    std::size_t p = 0;
    for (;;) {
        std::size_t c = s.find(',', p);
        out.push_back(trim(s.substr(p, c == std::string::npos ? std::string::npos : c - p)));
        if (c == std::string::npos) break;
        p = c + 1;
    }
    return out;
}

// A whole decimal number without sign; -1 when the text is anything else.
inline long number_of(const std::string& s) {
    if (s.empty() || s.size() > 6) return -1;
    long v = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

inline std::string hex2(unsigned v) {
    static const char* d = "0123456789ABCDEF";
    return {d[(v >> 4) & 15], d[v & 15]};
}

inline int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

inline int family_of(const unit_state& u) { return u.family < 0 ? 0 : u.family; }

// A sink is at the output: its EDID answers and it is plugged in at the moment.
inline bool sink_attached(const unit_state& u) { return u.edid[0].present && u.sink_plugged; }

struct ctx {
    unit_state& u;
    const command& c;
    double now;
    std::string word;
    std::string args;   // text after the first blank, trimmed
};

// Families that have a command, as a bit set (bit n = family n).
constexpr unsigned fam0 = 1, fam1 = 2, fam2 = 4, all = fam0 | fam1 | fam2;

struct command_entry {
    std::string word;
    std::string args;   // for the "$help" listing
    std::string help;
    unsigned families;
    std::function<reply(ctx&)> fn;   // null for "$help" and "$?", which the dispatcher answers
};

// The whole table, built once in a fixed order (the "$help" listing follows it).
const std::vector<command_entry>& command_table();

// Subsystem files.
void add_system_commands(std::vector<command_entry>& t);          // sim_system.cpp
void add_output_commands(std::vector<command_entry>& t);          // sim_output.cpp: timing, pattern, motion text
void add_output_option_commands(std::vector<command_entry>& t);   // sim_output.cpp: output panel options
void add_edid_commands(std::vector<command_entry>& t);            // sim_edid.cpp
void add_analyser_commands(std::vector<command_entry>& t);        // sim_analyser.cpp
void add_cable_cec_commands(std::vector<command_entry>& t);       // sim_cable_cec.cpp

// Shared between subsystems (sim_output.cpp).
std::string timing_name(const unit_state& u);
bool output_scrambled(const unit_state& u);

}  // namespace vexlan::sim
