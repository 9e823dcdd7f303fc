// Transactions: result forms, retries and wait limits, reply ends, refusals, EDID data phases,
// overlapping actions; late replies (a reply that answers an earlier request is dropped and the
// wait goes on; error replies still end the transaction).
#include <gtest/gtest.h>

#include "fake_ports.h"
#include "link/reply_echo.h"

using namespace vexlan;
using namespace vexlan::testing;

TEST(Transaction, ResultCodesAndCaption) {
    // reply: empty for no reply at all
    struct row { std::string line, reply; int result; std::string p1, p2, p3, caption; rgb color; };
    const row rows[] = {
        {"$timing 1,2\r", "$timing 1,2\r\n", 1, "1", "2", "None", "Accepted", rgb_green},
        {"$timing 1,2\r", "$timing err\r\n", 3, "err", "None", "None", "Accepted", rgb_green},
        {"$timing 1\r", "$err\r\n", 3, "keep", "keep", "keep", "Accepted", rgb_green},
        {"$model?\r", "$model? MRV-410\r\n", 1, "MRV-410", "None", "None", "Accepted", rgb_green},
        {"$model?\r", "$model?\r\n", 1, "None", "None", "None", "Accepted", rgb_green},
        {"$model?\r", "$model? M\n\r", 1, "M", "None", "None", "Accepted", rgb_green},  // LF CR
        {"$timing 1\r", "", 2, "keep", "keep", "keep", "No response", rgb_red},
    };
    for (const auto& r : rows) {
        fake_rig rig;
        rig.ctx.link.rx_param1 = rig.ctx.link.rx_param2 = rig.ctx.link.rx_param3 = "keep";
        rig.tcp.answer_with(r.reply.empty() ? std::vector<reply_chunk>{} : std::vector<reply_chunk>{{3, r.reply}});
        SCOPED_TRACE(r.line + " / " + r.reply);
        const auto& L = rig.ctx.link;
        EXPECT_EQ(cmdtx_str(rig.ctx, r.line), r.result);
        EXPECT_EQ(std::tuple(L.cmd_result, L.rx_param1, L.rx_param2, L.rx_param3, L.lab_link.caption, L.lab_link.color),
                  std::tuple(r.result, r.p1, r.p2, r.p3, r.caption, r.color));
        EXPECT_FALSE(L.cmd_busy || L.busy_bar.visible);
        if (r.result != 2) { EXPECT_EQ(L.rx_line, r.reply); }
        EXPECT_TRUE(rig.dialogs.messages.empty());
    }
}

TEST(Transaction, SilentUnitGetsExactlyTwoIdenticalSendsAndWaitLimits) {
    struct row { int iface; std::string line; std::uint32_t per_send_ms; };  // (limit + 1) * 20 ms
    const row rows[] = {
        {1, "$timing 5\r", 161 * 20},  {0, "$timing 5\r", 161 * 20}, {0, "$boot?\r", 3 * 20},
        {1, "$boot?\r", 161 * 20},     {1, "$pattern 3\r", 501 * 20}, {0, "$pattern 3\r", 1501 * 20},
    };
    for (const auto& r : rows) {
        fake_rig rig(r.iface);
        rig.world.now = 0xFFFFF000u;  // the tick counter wraps during the wait
        const auto start = rig.world.now;
        EXPECT_EQ(cmdtx_str(rig.ctx, r.line), 2);
        auto& link = rig.link();
        SCOPED_TRACE(r.line + " iface " + std::to_string(r.iface));
        EXPECT_EQ(link.writes, (std::vector<std::string>{r.line, r.line}));
        ASSERT_EQ(link.write_times.size(), 2u);
        EXPECT_EQ(std::tuple(link.write_times[1] - start, rig.world.now - start), std::tuple(r.per_send_ms, 2 * r.per_send_ms));
        EXPECT_EQ(rig.ctx.link.lab_link.caption, "No response");
        if (r.iface == 0) {
            EXPECT_EQ(link.discards, 2);  // the receive buffer is emptied before each send
            EXPECT_FALSE(rig.timers.enabled(timer_id::tim_rx));
        }
    }
}

// The unit ignores the first send and answers the second; or its reply to the first send
// arrives during the second wait and completes the transaction.
TEST(Transaction, RetryAfterDroppedReplyAndLateFirstReply) {
    for (const bool late : {false, true}) {
        fake_rig rig;
        int seen = 0;
        rig.tcp.unit = [&](const std::string& line) {
            if (late) return fake_rig::reply(line, "8", 3300);
            return ++seen == 1 ? std::vector<reply_chunk>{} : fake_rig::reply(line, "8");
        };
        EXPECT_EQ(cmdtx_str(rig.ctx, "$timing? 1\r"), 1) << late;
        EXPECT_EQ(std::tuple(rig.tcp.writes.size(), rig.ctx.link.rx_param1), std::tuple(2u, "8"));
        EXPECT_LT(rig.world.now, 3300u + 100u);
    }
}

TEST(Transaction, ReplyEndsWhenCrAndLfHaveBothArrivedInAnyOrderAndPieces) {
    const std::vector<std::vector<std::string>> splits = {
        {"$timing 4", ",2\r", "\n"}, {"$timing 4,2\n", "\r"}, {"$", "t", "iming 4,2", "\r", "\n"},
        {"$timing 4,2\r\nTRAILING"},
    };
    for (const auto& pieces : splits) {
        fake_rig rig;
        std::vector<reply_chunk> chunks;
        for (const auto& p : pieces) chunks.push_back({4, p});
        rig.tcp.answer_with(chunks);
        EXPECT_EQ(cmdtx_str(rig.ctx, "$timing 4,2\r"), 1);
        EXPECT_EQ(std::tuple(rig.ctx.link.rx_param1, rig.ctx.link.rx_param2.substr(0, 1), rig.tcp.writes.size()),
                  std::tuple("4", "2", 1u));
        // Bytes after the end of the reply are no part of it.
        EXPECT_EQ(rig.ctx.link.rx_line.find("TRAILING"), std::string::npos);
    }
}

TEST(Transaction, RefusedWithoutLinkOrUnit) {
    // Link down: nothing is sent, result 0, a message and "Not Linked" in red. The serial port
    // is down when closed, or open but not opened by the application (com_open clear).
    for (int down : {0, 1, 2}) {
        const int iface = down == 1 ? 1 : 0;
        fake_rig rig(iface);
        if (down == 0) rig.serial.open = false;
        else if (down == 1) rig.ctx.link.eth_connected = false;
        else rig.ctx.link.com_open = false;
        SCOPED_TRACE(down);
        EXPECT_EQ(cmdtx_str(rig.ctx, "$model?\r"), 0);
        EXPECT_TRUE(rig.link().writes.empty());
        EXPECT_EQ(rig.dialogs.messages,
                  std::vector<std::string>{iface == 0 ? "RS-232 is disconnected !" : "Ethernet is disconnected !."});
        EXPECT_EQ(rig.dialogs.icons, std::vector<msg_icon>{msg_icon::critical});
        EXPECT_EQ(std::tuple(rig.ctx.link.lab_link.caption, rig.ctx.link.lab_link.color), std::tuple("Not Linked", rgb_red));
        EXPECT_FALSE(rig.ctx.link.cmd_busy);
    }
    // No unit linked: only the three link queries pass, compared as whole lines.
    const std::pair<std::string, bool> lines[] = {
        {"$model?\r", true}, {"$board_id?\r", true}, {"$boot?\r", true},
        {"$fwver?\r", false}, {"$board_id? \r", false}, {"$model?\r\n", false},
    };
    for (const auto& [line, passes] : lines) {
        fake_rig rig(1, 254);
        rig.tcp.unit = [](const std::string& l) { return fake_rig::reply(l, "x"); };
        SCOPED_TRACE(line);
        EXPECT_EQ(cmdtx_str(rig.ctx, line), passes ? 1 : 2);
        EXPECT_EQ(rig.tcp.writes.size(), passes ? 1u : 0u);
        EXPECT_EQ(rig.dialogs.messages, passes ? std::vector<std::string>{} : std::vector<std::string>{"Do [Refresh] or [Link] first !"});
        EXPECT_EQ(rig.dialogs.icons, passes ? std::vector<msg_icon>{} : std::vector<msg_icon>{msg_icon::exclamation});
        if (!passes) { EXPECT_EQ(rig.ctx.link.lab_link.caption, "Not Linked"); }  // caption unchanged
    }
}

namespace {
// Sends `line` (an EDID read unless `edid` is false) to a unit that answers with `chunks`.
int send_answered(fake_rig& rig, std::vector<reply_chunk> chunks,
                  const std::string& line = "$edid_read d3,block0\r", bool edid = true) {
    rig.tcp.answer_with(std::move(chunks));
    rig.ctx.link.rx_edid_mode = edid;
    return cmdtx_str(rig.ctx, line);
}
}  // namespace

TEST(Transaction, EdidReadDataPhase) {
    const std::string header = "$edid_read d3,block0\r\n";
    // A good header and exactly 386 data characters, arriving across several reads, with
    // bytes of a following read dropped.
    fake_rig rig;
    const std::string data = edid_data_phase(0x10);
    ASSERT_EQ(data.size(), 386u);
    EXPECT_EQ(send_answered(rig, {{2, header.substr(0, 7)}, {2, header.substr(7) + data.substr(0, 100)},
                                  {2, data.substr(100, 200)}, {2, data.substr(300) + "EXTRA"}}), 1);
    const auto& L = rig.ctx.link;
    EXPECT_EQ(std::tuple(L.rx_count, L.rx_data, L.rx_line, L.rx_param1, L.rx_param2),
              std::tuple(386, data, header, "d3", "block0"));
    // A data phase that stops short is no reply: the command is sent again. Error headers
    // without a data phase: ReplyEcho.EveryRuleDropsAReplyOfAnotherArgumentAndKeepsErrorForms.
    fake_rig cut;
    EXPECT_EQ(send_answered(cut, {{2, header + data.substr(0, 385)}}), 2);
    EXPECT_EQ(cut.tcp.writes.size(), 2u);
}

TEST(Transaction, EdidWritePayloadOverTcpAndSerial) {
    std::array<std::uint8_t, edid_image_bytes> image{};
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7);
    auto hex = [&](std::size_t from, std::size_t count) {  // "XX " for each byte of the image
        std::string s;
        for (auto i = from; i < from + count; ++i) s += edid_data_phase(image[i]).substr(0, 3);
        return s;
    };
    const std::string line = "$edid_write c2,block1\r\n";
    // One send over TCP, two pieces over RS-232.
    const std::vector<std::string> sends[] = {{line + hex(128, 64), hex(192, 64) + "\r"}, {line + hex(128, 128) + "\r"}};
    for (int iface : {0, 1}) {
        fake_rig rig(iface);
        rig.ctx.link.edid_write_image = &image;
        rig.link().answer_with({{3, line}});
        EXPECT_EQ(cmdtx_str(rig.ctx, line), 1);
        EXPECT_EQ(std::tuple(rig.link().writes, rig.ctx.link.rx_param1), std::tuple(sends[iface], "c2"));
    }
}

TEST(Transaction, TerminalRawReplyEndsAtEotAndRendersControlBytes) {
    for (bool raw : {true, false}) {  // without the raw flag the same reply ends at the first CR LF
        fake_rig rig;
        rig.ctx.link.term_visible = rig.ctx.link.term_raw = raw;
        rig.tcp.answer_with({{2, "$help\r\n$model?\r\n"}, {2, std::string("\x01\x1b") + "x\x04tail"}});
        EXPECT_EQ(cmdtx_str(rig.ctx, "$help\r"), 1);
        EXPECT_FALSE(rig.ctx.link.term_raw);
        EXPECT_EQ(rig.ctx.link.rx_line, raw ? std::string("$help\r\n$model?\r\n\x01\x1bx\x04") : "$help\r\n");
        if (raw) { EXPECT_EQ(rig.ctx.link.term_text, "$help<CR><LF>\r\n$model?<CR><LF>\r\n<1><1B>x<EOT>"); }
    }
    // A long terminal log is emptied before the next event adds to it.
    fake_rig full;
    full.ctx.link.term_visible = true;
    full.ctx.link.term_text = std::string(65531, 'a');
    full.tcp.unit = [](const std::string& l) { return fake_rig::reply(l, "1"); };
    EXPECT_EQ(cmdtx_str(full.ctx, "$timing? 1\r"), 1);
    EXPECT_EQ(full.ctx.link.term_text, "$timing? 1<CR><LF>\r\n");
    full.ctx.link.term_text = std::string(65530, 'a');
    EXPECT_EQ(cmdtx_str(full.ctx, "$timing? 1\r"), 1);
    EXPECT_EQ(full.ctx.link.term_text.size(), 65530u + 20u);
}

TEST(Transaction, BusyBarShowsWhileWaitingExceptDuringQuietPolls) {
    for (bool quiet : {false, true}) {
        fake_rig rig;
        rig.ctx.link.poll_quiet = quiet;
        int shown = 0;
        rig.ctx.link.on_busy_bar = [&] { shown += rig.ctx.link.busy_bar.visible ? 1 : 0; };
        rig.tcp.unit = [](const std::string& l) { return fake_rig::reply(l, "1", 95); };
        EXPECT_EQ(cmdtx_str(rig.ctx, "$timing? 1\r"), 1);
        EXPECT_EQ(shown > 0, !quiet);
    }
}

TEST(Transaction, ClosingWritesWithoutWaiting) {
    fake_rig rig;
    rig.ctx.link.app_closing = true;
    rig.ctx.link.cmd_result = 9;
    cmdtx_str(rig.ctx, "$timing 1\r");
    // one write, no wait, no result
    EXPECT_EQ(std::tuple(rig.tcp.writes.size(), rig.world.now, rig.ctx.link.cmd_result, rig.ctx.link.lab_link.caption),
              std::tuple(1u, 0u, 9, "Not Linked"));
}

TEST(Transaction, HeldBytesStayWithinTheirCaps) {
    // A peer that floods a line without end: the wait runs its course (result 2 after two
    // sends) and the line never holds more than its cap.
    fake_rig rig;
    const std::string chunk(6000, 'x');
    std::size_t longest = 0;
    rig.tcp.on_data = [&](const std::string& b) {
        link_receive(rig.ctx, b);
        if (rig.ctx.link.wire) longest = std::max(longest, rig.ctx.link.wire->rx_line.size());
    };
    std::function<void()> flood = [&] {
        rig.tcp.deliver(chunk);
        rig.world.after(2, flood);
    };
    rig.world.after(1, flood);
    EXPECT_EQ(cmdtx_str(rig.ctx, "$timing? \r"), 2);
    EXPECT_EQ(rig.world.now, 2u * 161u * 20u);
    EXPECT_GT(longest, rx_line_limit - chunk.size());
    EXPECT_LE(longest, rx_line_limit);
    // Between transactions only the newest bytes are kept, up to their cap.
    rig.world.queue.clear();
    for (int i = 0; i < 30; ++i) rig.tcp.deliver(chunk);
    EXPECT_EQ(rig.ctx.link.rx_idle.size(), rx_idle_limit);
    rig.tcp.deliver(std::string(rx_idle_limit + 5, 'y'));
    EXPECT_EQ(rig.ctx.link.rx_idle, std::string(rx_idle_limit, 'y'));
    // ... and never taken for the next command's reply, not even a complete line.
    rig.tcp.deliver("$timing 9\r\n");
    rig.tcp.unit = [](const std::string& l) { return fake_rig::reply(l, "2"); };
    EXPECT_EQ(cmdtx_str(rig.ctx, "$timing? 1\r"), 1);
    EXPECT_EQ(rig.ctx.link.rx_param1, "2");
}

// An operator action that runs inside another transaction's wait (events keep running while a
// transaction waits) must never take that transaction's reply for its own.
TEST(Overlap, SecondCommandWaitsForThePendingReply) {
    for (int iface : {0, 1}) {
        fake_rig rig(iface);
        auto& link = rig.link();
        link.unit = [](const std::string& l) { return fake_rig::reply(l, l == "$cable_run?\r" ? "start" : "12", 30); };
        std::tuple<int, std::string, bool> inner{-1, "", false};  // result, parameter 1, outer busy
        rig.world.at(5, [&] {
            const int result = cmdtx_str(rig.ctx, "$timing 12\r");
            inner = {result, rig.ctx.link.rx_param1, rig.ctx.link.cmd_busy};  // the outer one still runs
        });
        const int outer_result = cmdtx_str(rig.ctx, "$cable_run?\r");
        EXPECT_EQ(link.writes, (std::vector<std::string>{"$cable_run?\r", "$timing 12\r"}));
        EXPECT_EQ(link.write_times.back(), 30u) << "sent before the first reply, or long after it";
        EXPECT_EQ(inner, std::tuple(1, "12", true));
        EXPECT_EQ(std::tuple(outer_result, rig.ctx.link.rx_param1, rig.ctx.link.rx_line, rig.ctx.link.cmd_busy),
                  std::tuple(1, "start", "$cable_run? start\r\n", false));
    }
}

TEST(Overlap, LateReplyOfAnAbandonedCommandIsDropped) {
    fake_rig rig;
    int cable_sends = 0;
    rig.tcp.unit = [&](const std::string& line) {
        if (line == "$cable_run?\r") {
            const bool first = ++cable_sends == 1;
            return fake_rig::reply(line, first ? "late" : "stop", first ? 3300 : 5);
        }
        return fake_rig::reply(line, "12", 200);
    };
    std::tuple<std::uint32_t, int, std::string> inner{0, -1, ""};  // sent at, result, reply line
    rig.world.at(5, [&] {
        const int result = cmdtx_str(rig.ctx, "$timing 12\r");
        inner = {rig.tcp.write_times.back(), result, rig.ctx.link.rx_line};
    });
    const int outer_result = cmdtx_str(rig.ctx, "$cable_run?\r");

    // The action waited for the first command's wait to run out (161 steps), then sent.
    EXPECT_EQ(inner, std::tuple(161u * 20u, 1, "$timing 12\r\n"))
        << "the late reply of $cable_run? was taken";
    // The first command was sent a second time and got its own reply.
    EXPECT_EQ(rig.tcp.writes, (std::vector<std::string>{"$cable_run?\r", "$timing 12\r", "$cable_run?\r"}));
    EXPECT_EQ(std::tuple(outer_result, rig.ctx.link.rx_param1), std::tuple(1, "stop"));
}

// ---- late replies ---------------------------------------------------------------------

namespace {

const std::string data_phase = edid_data_phase(0xA5);

// The request, its own reply and late replies of the same word for one echo rule.
struct echo_case {
    std::string line, own;
    std::vector<std::string> late;
    bool edid_read;
};

echo_case case_for(const echo_rule& r) {
    const std::string w(r.word);
    echo_case c;
    c.edid_read = w == "$edid_read";
    const std::string tail = c.edid_read ? "\r\n" + data_phase : ",VAL\r\n";
    if (r.echoed == 2) {
        c.line = w + " d4,block1" + (w == "$edid_write" ? "\r\n" : "\r");
        c.own = w + " d4,block1" + (c.edid_read ? "\r\n" + data_phase : "\r\n");
        c.late = {w + " d3,block1" + tail, w + " d4,block0" + tail};
    } else {
        c.line = w + " a7\r";
        c.own = w + " a7,VAL\r\n";
        c.late = {w + " a6,VAL\r\n", w + "\r\n"};
    }
    return c;
}

}  // namespace

TEST(ReplyEcho, EveryRuleDropsAReplyOfAnotherArgumentAndKeepsErrorForms) {
    ASSERT_FALSE(echo_rules().empty());
    for (const auto& rule : echo_rules()) {
        const auto c = case_for(rule);
        const std::string w(rule.word);
        // Late replies first, then the own reply: the wait goes on past the late ones, no resend.
        std::vector<reply_chunk> chunks;
        for (const auto& l : c.late) chunks.push_back({3, l});
        chunks.push_back({3, c.own});
        fake_rig rig;
        EXPECT_EQ(send_answered(rig, chunks, c.line, c.edid_read), 1) << c.line;
        EXPECT_EQ(std::tuple(rig.tcp.writes.size(), rig.ctx.link.rx_param1, rig.ctx.link.rx_data),
                  std::tuple(1u, rule.echoed == 2 ? "d4" : "a7", c.edid_read ? data_phase : ""))
            << c.line;
        // Error forms end the transaction at once with result 3.
        std::vector<std::string> errors = {"$err\r\n", w + " err\r\n"};
        if (c.edid_read) errors.push_back("$edid_read err_ddc\r\n");
        for (const auto& e : errors) {
            fake_rig err;
            EXPECT_EQ(send_answered(err, {{3, e}}, c.line, c.edid_read), 3) << c.line << " / " << e;
            EXPECT_LT(err.world.now, 20u) << e;
        }
    }
    // Commands outside the table take any argument in their reply.
    EXPECT_TRUE(echo_expected("$timing 5\r").empty());
    EXPECT_TRUE(echo_expected("$edid_manuf? \r").empty());  // no argument: nothing to echo
}

TEST(ReplyEcho, LateReplyMarkerEndsWithTheNextOwnReply) {
    // "$fwver?" gets no reply; "$timing? 1" then gets its own: an "$fwver?" line arriving
    // during a later command is an answer to that command again (result 3 at once), not a late
    // reply to wait past.
    fake_rig rig;
    rig.tcp.unit = [](const std::string& line) {
        if (line == "$fwver?\r") return std::vector<reply_chunk>{};
        if (line == "$board_id?\r") return std::vector<reply_chunk>{{4, "$fwver? 1.0\r\n"}};
        return fake_rig::reply(line, "3", 4);
    };
    EXPECT_EQ(cmdtx_str(rig.ctx, "$fwver?\r"), 2);
    EXPECT_EQ(cmdtx_str(rig.ctx, "$timing? 1\r"), 1);
    const auto before = rig.world.now;
    EXPECT_EQ(cmdtx_str(rig.ctx, "$board_id?\r"), 3);
    EXPECT_LT(rig.world.now - before, 20u);
}
