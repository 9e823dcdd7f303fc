// Fakes of the platform ports: a clock that moves only when the fake event pump advances it, a
// byte link whose far end is a scripted unit, timers and dialogs that record what they were told.
// A 6.4-second wait runs in microseconds, and an operator action can be injected at any moment.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "link/app_context.h"
#include "link/transaction.h"

namespace vexlan::testing {

// Scheduled events on a fake millisecond time line (times compare modulo 2^32).
struct fake_world {
    std::uint32_t now = 0;
    struct event { std::uint32_t at; std::uint64_t seq; std::function<void()> fn; };
    std::vector<event> queue;
    std::uint64_t seq = 0;

    void at(std::uint32_t t, std::function<void()> fn) { queue.push_back({t, seq++, std::move(fn)}); }
    void after(std::uint32_t dt, std::function<void()> fn) { at(now + dt, std::move(fn)); }

    static bool before(std::uint32_t a, std::uint32_t b) { return static_cast<std::int32_t>(a - b) < 0; }
    static bool due(std::uint32_t t, std::uint32_t now) { return !before(now, t); }
    // The earliest pending event (ties in the order scheduled), or queue.end().
    std::vector<event>::iterator earliest() {
        return std::min_element(queue.begin(), queue.end(), [](const event& a, const event& b) {
            return before(a.at, b.at) || (a.at == b.at && a.seq < b.seq);
        });
    }
    // Runs the earliest event if it is due now; false when there is none.
    bool run_one_due() {
        const auto best = earliest();
        if (best == queue.end() || !due(best->at, now)) return false;
        auto fn = std::move(best->fn);
        queue.erase(best);
        fn();
        return true;
    }
};

class fake_clock : public clock_port {
public:
    explicit fake_clock(fake_world& w) : w_(w) {}
    std::uint32_t now_ms() override { return w_.now; }

private:
    fake_world& w_;
};

// Runs due events; when none is due, moves the clock to the next event or the deadline.
class fake_pump : public event_pump {
public:
    explicit fake_pump(fake_world& w) : w_(w) {}
    void process_events() override { while (w_.run_one_due()) {} }
    void wait_until(std::uint32_t deadline, const std::function<bool()>& done) override {
        for (;;) {
            while (w_.run_one_due())
                if (done()) return;
            if (done() || fake_world::due(deadline, w_.now)) return;
            const auto next = w_.earliest();
            if (next == w_.queue.end() || !fake_world::before(next->at, deadline)) w_.now = deadline;
            else if (fake_world::before(w_.now, next->at)) w_.now = next->at;
        }
    }
    void post(std::function<void()> fn) override { w_.after(0, std::move(fn)); }

private:
    fake_world& w_;
};

// The far end of a fake link: a unit that answers each complete command with scripted chunks.
struct reply_chunk {
    std::uint32_t delay_ms;  // after the command was complete (or after the previous chunk)
    std::string bytes;
};

class fake_link : public byte_link {
public:
    explicit fake_link(fake_world& w) : w_(w) {}

    bool is_open() const override { return open; }
    bool probe() override { return open && !unplugged; }
    bool write(const std::string& bytes) override {
        writes.push_back(bytes);
        write_times.push_back(w_.now);
        pending_ += bytes;
        consume();
        return true;
    }
    std::size_t bytes_to_write() const override { return 0; }
    void wait_written(int) override {}
    void discard_input() override { ++discards; }
    std::size_t bytes_available() const override { return 0; }
    std::string read_all() override { return {}; }

    // Delivers bytes to the application now, as a data-arrival event would.
    void deliver(const std::string& bytes) {
        if (on_data) on_data(bytes);
    }
    // The unit answers every command with the same chunks.
    void answer_with(std::vector<reply_chunk> chunks) {
        unit = [c = std::move(chunks)](const std::string&) { return c; };
    }

    bool open = true;
    bool unplugged = false;  // the adapter of a serial port is gone: the probe fails
    std::vector<std::string> writes;
    std::vector<std::uint32_t> write_times;
    int discards = 0;
    std::vector<std::string> commands;  // complete command lines as the unit saw them
    std::function<void(const std::string&)> on_data;
    // Answers a complete command line (CR included; an "$edid_write" header with its payload).
    std::function<std::vector<reply_chunk>(const std::string&)> unit;

private:
    void consume() {
        for (;;) {
            // The length of the next complete command line: up to its CR, or for an EDID write
            // the header, 128 "XX " and the CR; 0 while it is incomplete (npos + 1 is 0).
            std::size_t need = pending_.find('\r') + 1;
            if (pending_.rfind("$edid_write", 0) == 0) {
                const auto hdr_end = pending_.find("\r\n");
                need = hdr_end == std::string::npos ? 0 : hdr_end + 2 + 128 * 3 + 1;
            }
            if (need == 0 || pending_.size() < need) return;
            const std::string cmd = pending_.substr(0, need);
            pending_.erase(0, need);
            commands.push_back(cmd);
            if (!unit) continue;
            std::uint32_t t = 0;
            for (auto& c : unit(cmd)) w_.after(t += c.delay_ms, [this, b = c.bytes] { deliver(b); });
        }
    }

    fake_world& w_;
    std::string pending_;
};

class fake_dialogs : public dialog_port {
public:
    msg_answer message_box(const std::string& text, msg_icon icon, msg_buttons b, const std::string&) override {
        messages.push_back(text);
        icons.push_back(icon);
        buttons.push_back(b);
        return answer;
    }
    std::vector<std::string> messages;
    std::vector<msg_icon> icons;
    std::vector<msg_buttons> buttons;
    msg_answer answer = msg_answer::ok;
};

// A linked unit on a fake link, ready for transactions.
struct fake_rig {
    fake_world world;
    fake_clock clock{world};
    fake_pump pump{world};
    fake_link tcp{world};
    fake_link serial{world};
    recorded_timers timers;
    fake_dialogs dialogs;
    app_context ctx;

    explicit fake_rig(int link_iface = 1, int model_index = 0) {
        ctx.ports = {&serial, &tcp, &clock, &pump, &timers, &dialogs};
        ctx.link.link_iface = link_iface;
        ctx.link.eth_connected = true;
        ctx.link.com_open = true;
        ctx.profile.model_index = model_index;
        tcp.on_data = [this](const std::string& b) { if (ctx.link.link_iface == 1) link_receive(ctx, b); };
        serial.on_data = [this](const std::string& b) { if (ctx.link.link_iface == 0) link_receive(ctx, b); };
    }
    fake_link& link() { return ctx.link.link_iface == 0 ? serial : tcp; }

    // Runs the fake time line for `ms` milliseconds.
    void run_for(std::uint32_t ms) { pump.wait_until(world.now + ms, [] { return false; }); }
    // The command lines the unit received over the link in use, from index `from` on.
    std::size_t mark() { return link().commands.size(); }
    std::vector<std::string> commands_since(std::size_t from) {
        auto& c = link().commands;
        return {c.begin() + static_cast<std::ptrdiff_t>(std::min(from, c.size())), c.end()};
    }
    // The command lines that `action` sends.
    template <class F> std::vector<std::string> sent_by(F&& action) {
        const auto from = mark();
        action();
        return commands_since(from);
    }

    // The unit echoes the command word and answers with `params` after `delay` ms.
    static std::vector<reply_chunk> reply(const std::string& line, const std::string& params, std::uint32_t delay = 5) {
        return {{delay, cmdstr_cmd_get(line) + " " + params + "\r\n"}};
    }
};

// An EDID data phase: 128 bytes from `first_byte` on, counting up, as "XX " hex and CR LF.
inline std::string edid_data_phase(int first_byte) {
    static const char digits[] = "0123456789ABCDEF";
    std::string d;
    for (int i = 0; i < 128; ++i) {
        const int v = (first_byte + i) & 255;
        d += {digits[v >> 4], digits[v & 15], ' '};
    }
    return d + "\r\n";
}

}  // namespace vexlan::testing
