// The simulator's per-command faults and the output side of a link, in virtual time: reply
// rules, pacing at any baud rate, late replies, LF CR line ends and stray lines that never
// split a reply.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "sim_faults.h"
#include "sim_link.h"

namespace vexlan::sim {
namespace {

reply line(const std::string& text) { return reply{reply_kind::line, text + "\r\n"}; }

TEST(SimFaults, RulesMatchWordAndSubWordAndReplaceTheValue) {
    fault_rules f;
    command_rule r;
    std::string v;
    ASSERT_EQ(rule_parse("$pattern?=None", '=', r, v), "");
    f.replies.emplace_back(r, v);
    ASSERT_EQ(rule_parse("$source_detect? drmi=87 01 1A=x", '=', r, v), "");
    EXPECT_EQ(v, "87 01 1A=x");
    f.replies.emplace_back(r, v);
    ASSERT_EQ(rule_parse("$edid_read d1:250", ':', r, v), "");
    f.late.emplace_back(r, 0.25);
    for (const char* bad : {"pattern?=1", "=1", "$x", " $x:5"}) EXPECT_NE(rule_parse(bad, '=', r, v), "") << bad;

    struct row {
        const char* line;
        std::string want;   // reply after the rules; "" = unchanged
    } rows[] = {
        {"$pattern? ", "$pattern? None\r\n"},
        {"$source_detect? drmi", "$source_detect? drmi,87 01 1A=x\r\n"},
        {"$source_detect? avi", ""},
        {"$source_detect?  drmi ", "$source_detect? drmi,87 01 1A=x\r\n"},
        {"$pattern 3", ""},
    };
    for (const row& w : rows) {
        const command c{w.line, false, {}};
        const reply out = f.apply_reply(c, line("$orig 1"));
        EXPECT_EQ(out.bytes, w.want.empty() ? "$orig 1\r\n" : w.want) << w.line;
    }
    EXPECT_EQ(f.late_for(command{"$edid_read d1,block0", false, {}}), 0.25);   // first field
    EXPECT_EQ(f.late_for(command{"$edid_read d10,block0", false, {}}), 0);
    EXPECT_EQ(f.apply_reply(command{"$pattern? ", false, {}}, reply{}).kind, reply_kind::none);
}

// Drains the output in virtual time, waking when it asks to; returns what was written.
std::string drain(link_output& out, double& now, double until) {
    std::string wire;
    while (now < until) {
        double w = out.next_wake(now);
        if (w < 0) break;
        now += std::max(w, 0.0005);
        std::string_view b = out.writable(now);
        wire += b;
        out.consumed(b.size(), now);
    }
    return wire;
}

TEST(SimLink, PacingHoldsTheByteRateAtEveryBaudRate) {
    for (double baud : {300.0, 1200.0, 9600.0, 57600.0, 115200.0}) {
        link_output out(link_faults{}, baud / 10, false);
        out.start_flood();
        double now = 0;
        const std::string got = drain(out, now, 2.0);
        EXPECT_NEAR(got.size(), baud / 10 * 2, baud / 10 * 2 * 0.03 + 2) << baud;
        EXPECT_EQ(got.find_first_of("\r\n"), std::string::npos);
    }
}

TEST(SimLink, LateRepliesFragmentsAndStrayLinesNeverSplitALine) {
    std::mt19937 rng(7);
    link_faults f;
    f.fragment = f.garbage = f.lfcr = true;
    link_output out(f, 0, false);
    double now = 0;
    std::string wire;
    out.queue_reply(line("$late? 0"), "$late?", now, rng, 0.05, true);
    std::vector<std::string> logged;
    for (int i = 1; i <= 30; ++i) {
        out.queue_reply(line("$q? " + std::to_string(i)), "$q?", now, rng);
        while (!out.empty() && out.next_wake(now) >= 0) {
            now += std::max(out.next_wake(now), 0.0005);
            std::string_view b = out.writable(now);
            wire += b;
            if (auto done = out.consumed(b.size(), now)) logged.push_back(done->command + "|" + done->bytes);
            if (out.next_wake(now) > 0.002 && i < 30) break;   // the client's next command
        }
    }
    // Every line ends LF CR and is a reply or a stray line, whole; the late one is among them.
    std::vector<std::string> lines;
    std::size_t p = 0;
    for (std::size_t e; (e = wire.find("\n\r", p)) != std::string::npos; p = e + 2) lines.push_back(wire.substr(p, e - p));
    EXPECT_EQ(p, wire.size());
    int replies = 0;
    bool late_seen = false;
    for (const auto& l : lines) {
        if (l == "$late? 0") late_seen = true;
        else if (l.rfind("$q? ", 0) == 0) ++replies;
        else EXPECT_TRUE(l.empty() || l == "#heartbeat" || l == "$notice fan ok" || l == "~~") << l;
        EXPECT_EQ(l.find_first_of("\r\n"), std::string::npos) << l;
    }
    EXPECT_EQ(replies, 30);
    EXPECT_TRUE(late_seen);
    EXPECT_NE(lines.front(), "$late? 0");   // it did not hold up the others
    ASSERT_EQ(logged.size(), 31u);
    EXPECT_NE(std::find(logged.begin(), logged.end(), "$late?|$late? 0\n\r"), logged.end());
}

}  // namespace
}  // namespace vexlan::sim
