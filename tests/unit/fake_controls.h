// Fakes of the link controls (open a serial port by number, connect a TCP client) and a scripted
// unit, on top of the fakes in fake_ports.h. The TCP connect event comes from the fake time line,
// so a test decides whether a connection is made and when.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "fake_ports.h"
#include "link/app_context.h"
#include "link/lifecycle.h"
#include "link/tasks.h"
#include "link/transports.h"
#include "link/unit_link.h"

namespace vexlan::testing {

class fake_serial_control : public serial_control {
public:
    explicit fake_serial_control(fake_link& link) : link_(link) {}
    std::string open_port(int com_port) override {
        opened.push_back(com_port);
        if (fail) return "no such device";
        link_.open = true;
        return {};
    }
    void close() override {
        ++closes;
        link_.open = false;
    }
    bool fail = false;
    std::vector<int> opened;
    int closes = 0;

private:
    fake_link& link_;
};

class fake_tcp_control : public tcp_control {
public:
    fake_tcp_control(fake_world& w, fake_link& link, app_context& ctx) : w_(w), link_(link), ctx_(ctx) {}
    void connect_to(const std::string& host, int port) override {
        close();
        connects.emplace_back(host, port);
        state = 6;
        if (!accept) return;
        const auto id = attempt_;
        w_.after(5, [this, id] {
            if (id != attempt_ || state != 6) return;  // closed or restarted meanwhile
            state = 7;
            link_.open = true;
            wsk_connect_event(ctx_);
        });
    }
    void close() override { lose_silently(); }
    int state_code() const override { return state; }

    // The connection is lost without an event (only supervision can notice).
    void lose_silently() {
        ++attempt_;
        state = 0;
        link_.open = false;
    }
    // The far end closes the connection: the close event follows.
    void far_end_closes() {
        lose_silently();
        wsk_close_event(ctx_);
    }

    bool accept = true;
    int state = 0;
    std::vector<std::pair<std::string, int>> connects;

private:
    fake_world& w_;
    fake_link& link_;
    app_context& ctx_;
    std::uint64_t attempt_ = 0;
};

// A unit that answers the link queries, task mode switches and polls; scripted answers first.
struct fake_unit {
    std::string model = "MRV-410";
    std::string board = "0";
    std::string fw = "2.18.1";
    std::string task = "pattern";
    bool silent = false;           // answers nothing at all
    std::uint32_t delay = 5;
    std::map<std::string, std::string> answers;  // "word argument" or "word" -> reply parameters
    std::set<std::string> refused;               // command words answered "err"
    std::map<std::string, int> drop;             // "word argument" -> how many times to stay silent

    std::vector<reply_chunk> operator()(const std::string& line) {
        if (silent) return {};
        const std::string word = cmdstr_cmd_get(line);
        auto reply = [&](const std::string& params) { return fake_rig::reply(line, params, delay); };
        std::string key = line.substr(0, line.size() - 1);  // without the CR and trailing blanks
        while (!key.empty() && key.back() == ' ') key.pop_back();
        if (auto d = drop.find(key); d != drop.end() && d->second > 0) {
            --d->second;
            return {};
        }
        if (refused.count(word)) return reply("err");
        auto it = answers.find(key);
        if (it == answers.end()) it = answers.find(word);
        if (it != answers.end()) return reply(it->second);
        if (word == "$model?") return reply(model);
        if (word == "$board_id?") return reply(board);
        if (word == "$fwver?") return reply(fw);
        if (word == "$task_mode?") return reply(task);
        const auto arg = line.size() > word.size() + 1 ? line.substr(word.size() + 1, line.size() - word.size() - 2) : "";
        if (word == "$task_mode") {
            if (arg != "analyser" && arg != "pattern" && arg != "cable") return reply("err");
            task = arg;
            return reply(task);
        }
        if (word == "$cec_log_msg?") return reply(arg + ",0,");
        return reply("0");
    }
};

// Both links closed, no unit linked: the state after start-up.
struct link_rig : fake_rig {
    fake_serial_control serial_ctl{serial};
    fake_tcp_control tcp_ctl{world, tcp, ctx};
    fake_unit unit;

    explicit link_rig(int link_iface = 1) : fake_rig(link_iface, model_none) {
        ctx.controls = {&serial_ctl, &tcp_ctl};
        ctx.link.eth_connected = false;
        ctx.link.com_open = false;
        serial.open = false;
        tcp.open = false;
        ctx.life.app_dir = VEXLAN_DATA_DIR;
        tcp.unit = [this](const std::string& l) { return unit(l); };
        serial.unit = [this](const std::string& l) { return unit(l); };
        for (auto t : {timer_id::tim_rx, timer_id::tim_monitor, timer_id::tim_clock, timer_id::tim_eth})
            timers.set_interval(t, t == timer_id::tim_clock ? 100 : t == timer_id::tim_eth ? 7000 : 20);
    }
    // Linked over TCP to a unit of `model` in `task` mode, showing page `page`.
    link_rig(const std::string& model, const std::string& task, int page) : link_rig() { show(model, task, page); }

    // Connects over TCP to the unit and lets the connect event arrive.
    void connect_tcp(const std::string& ip = "127.0.0.1") {
        cbo_interface_change(ctx, 1);
        ctx.view.txt_eth_ip.caption = ip;
        cmd_eth_open_click(ctx);
        run_for(50);
    }

    // Connected and linked: the housekeeping tick links the unit.
    void connect_and_link(const std::string& ip = "127.0.0.1") {
        connect_tcp(ip);
        tim_clock_tick(ctx);
    }

    // Links a unit of `model` in `task` mode and shows page `page`.
    void show(const std::string& model, const std::string& task, int page) {
        unit.model = model;
        unit.task = task;
        connect_and_link();
        cmd_main_click(ctx, page);
    }
    // Runs `n` poll steps, each as tim_monitor fires it.
    void poll(int n) {
        for (int i = 0; i < n; ++i) {
            EXPECT_TRUE(timers.enabled(timer_id::tim_monitor)) << "step " << i;
            tim_monitor_tick(ctx);
        }
    }
};

}  // namespace vexlan::testing
