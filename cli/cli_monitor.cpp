// vexlan-cli monitor read|report|watch: the analyser monitor without the window.
#include <sys/time.h>

#include <chrono>
#include <csignal>
#include <ctime>
#include <map>
#include <memory>

#include "cli_app.h"
#include "link/app_context.h"
#include "link/file_io.h"
#include "link/model_profile.h"
#include "link/unit_link.h"
#include "monitor/monitor_fields.h"
#include "monitor/monitor_report.h"
#include "monitor/monitor_view.h"

namespace vexlan {

namespace {

using json = nlohmann::ordered_json;

volatile std::sig_atomic_t watch_stop = 0;
void on_stop_signal(int) { watch_stop = 1; }

// Links the unit and prepares the context as the window has it: task mode, model and firmware
// labels, the monitor's handlers.
int monitor_link(cli_env& env) {
    if (const int code = env.link_unit(); code != exit_ok) return code;
    auto& ctx = env.ctx();
    ctx.tasks.task_mode = task_mode_from_text(env.task_mode);
    if (ctx.tasks.task_mode < 0) ctx.tasks.task_mode = none_254;
    ctx.tasks.main_page = 4;
    ctx.view.lab_model.caption = model_caption(env.model, ctx.profile.board_variant);
    ctx.view.lab_fw_ver.caption = "FW: " + env.firmware;
    return exit_ok;
}

std::string query_of(const app_context& ctx, int entry) {
    std::string q = ctx.link.cmd_table[static_cast<std::size_t>(entry)];
    while (!q.empty() && q.back() == ' ') q.pop_back();
    return q;
}

json packet_json(const monitor_state& m) {
    json j = json::object();
    for (const auto& f : monitor_packet_fields(m)) {
        if (f.is_number) {
            j[f.name] = f.number;
            j[f.name + "_text"] = latin1_utf8(f.text);
        } else {
            j[f.name] = latin1_utf8(f.text);
        }
    }
    return j;
}

// One pass over the type's poll list through the status refresh. Returns the exit status.
int monitor_pass(cli_env& env, int type, std::map<std::string, std::string>& raw) {
    auto& ctx = env.ctx();
    for (int e : monitor_poll_entries(type, ctx.tasks.task_mode)) {
        const cli_reply r = env.transact(query_of(ctx, e));
        if (r.link_lost) return exit_no_link;
        if (r.result != 1) return env.fail(exit_refused, "no accepted reply to \"" + query_of(ctx, e) + "\" (" + result_text(r.result) + ")");
        raw[query_of(ctx, e)] = monitor_reply_value(ctx, e);
        monitor_reply_apply(ctx, e);
    }
    return exit_ok;
}

void monitor_type_set(app_context& ctx, int type) {
    ctx.monitor.monitor_page = type;
    monitor_form_set(ctx);
    monitor_poll_list_set(ctx, type);
}

int run_read(cli_env& env, int type) {
    if (const int code = monitor_link(env); code != exit_ok) return code;
    auto& ctx = env.ctx();
    monitor_type_set(ctx, type);
    std::map<std::string, std::string> raw;
    if (const int code = monitor_pass(env, type, raw); code != exit_ok) return code;
    const auto values = monitor_page_values(ctx.monitor, type);
    if (env.json) {
        json j;
        j["type"] = type;
        j["task_mode"] = latin1_utf8(env.task_mode);
        json v = json::object();
        for (const auto& nv : values) v[latin1_utf8(nv.name)] = latin1_utf8(nv.text);
        j["values"] = v;
        const json fields = packet_json(ctx.monitor);
        for (const auto& [k, val] : fields.items()) j[k] = val;
        json r = json::object();
        for (const auto& [q, val] : raw) r[latin1_utf8(q)] = latin1_utf8(val);
        j["raw"] = r;
        env.json_print(j);
    } else {
        for (const auto& nv : values) env.out << printable(nv.name) << " = " << printable(nv.text) << "\n";
    }
    return exit_ok;
}

// The report's lines as label/value pairs ("Source +5V   = on" -> "Source +5V": "on").
json report_sections_json(const std::string& text) {
    json sections = json::array();
    json cur;
    std::size_t pos = 0;
    while (pos < text.size()) {
        auto end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 2;
        if (line.rfind("========== Monitor ", 0) == 0) {
            if (!cur.is_null()) sections.push_back(cur);
            cur = json{{"title", line.substr(19)}, {"lines", json::object()}};
            continue;
        }
        const auto eq = line.find('=');
        if (cur.is_null() || eq == std::string::npos) continue;
        auto trim = [](std::string s) {
            const auto a = s.find_first_not_of(' ');
            const auto b = s.find_last_not_of(' ');
            return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
        };
        cur["lines"][latin1_utf8(trim(line.substr(0, eq)))] = latin1_utf8(trim(line.substr(eq + 1)));
    }
    if (!cur.is_null()) sections.push_back(cur);
    return sections;
}

int run_report(cli_env& env, const std::string& out_file) {
    if (const int code = monitor_link(env); code != exit_ok) return code;
    auto& ctx = env.ctx();
    auto& M = ctx.monitor;
    std::map<std::string, std::string> raw;
    M.on_report_reply = [&](int e) { raw[query_of(ctx, e)] = monitor_reply_value(ctx, e); };
    M.chk_mon_report = {true, true, true, true, true};
    cmd_monitor_report_click(ctx);
    M.on_report_reply = nullptr;
    if (!env.link_up()) return env.fail(exit_no_link, "the link was lost during the report");
    if (!M.report_shown) return env.fail(exit_refused, M.report_status.empty() ? "the report did not finish" : M.report_status);
    const std::string text = M.mon_report_text + "\r\n";
    if (!out_file.empty()) {
        const std::string err = write_file_atomic(out_file, text);
        if (!err.empty()) return env.fail(exit_refused, err);
    }
    if (env.json) {
        json j;
        j["model"] = latin1_utf8(env.model);
        j["firmware"] = latin1_utf8(env.firmware);
        j["task_mode"] = latin1_utf8(env.task_mode);
        j["sections"] = report_sections_json(M.mon_report_text);
        const json fields = packet_json(M);
        for (const auto& [k, val] : fields.items()) j[k] = val;
        json r = json::object();
        for (const auto& [q, val] : raw) r[latin1_utf8(q)] = latin1_utf8(val);
        j["raw"] = r;
        env.json_print(j);
    } else if (out_file.empty()) {
        env.out << text;
    }
    return exit_ok;
}

std::string stamp_now() {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    std::tm tm{};
    const std::time_t t = tv.tv_sec;
    localtime_r(&t, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
    char ms[24];
    std::snprintf(ms, sizeof ms, ".%03ld", static_cast<long>(tv.tv_usec / 1000));
    return std::string(buf) + ms;
}

// Polls the type's list at the 20 ms tick and prints each value when it changes. Runs until
// SIGINT/SIGTERM, or for `cycles` whole passes when cycles > 0.
int run_watch(cli_env& env, int type, int cycles) {
    if (const int code = monitor_link(env); code != exit_ok) return code;
    auto& ctx = env.ctx();
    monitor_type_set(ctx, type);
    const auto list = monitor_poll_entries(type, ctx.tasks.task_mode);
    if (list.empty()) return env.fail(exit_refused, "this monitor type polls nothing in the unit's task mode");
    watch_stop = 0;
    auto old_int = std::signal(SIGINT, on_stop_signal);
    auto old_term = std::signal(SIGTERM, on_stop_signal);
    std::map<std::string, std::string> shown;
    int status = exit_ok;
    for (int pass = 0; !watch_stop && (cycles <= 0 || pass < cycles); ++pass) {
        for (int e : list) {
            if (watch_stop) break;
            const cli_reply r = env.transact(query_of(ctx, e));
            if (r.link_lost) {
                status = exit_no_link;
                watch_stop = 1;
                break;
            }
            if (r.result == 1) monitor_reply_apply(ctx, e);
            for (const auto& nv : monitor_page_values(ctx.monitor, type)) {
                auto it = shown.find(nv.name);
                if (it != shown.end() && it->second == nv.text) continue;
                if (it == shown.end() && nv.text.empty()) continue;
                shown[nv.name] = nv.text;
                if (env.json)
                    env.json_print({{"time", stamp_now()}, {"name", latin1_utf8(nv.name)}, {"value", latin1_utf8(nv.text)}});
                else
                    env.out << stamp_now() << " " << printable(nv.name) << " = " << printable(nv.text) << "\n";
                env.out.flush();
            }
            // the poll tick: the next query 20 ms after this one ended
            ctx.ports.pump->wait_until(ctx.ports.clock->now_ms() + 20, [] { return watch_stop != 0; });
        }
    }
    std::signal(SIGINT, old_int);
    std::signal(SIGTERM, old_term);
    return status;
}

}  // namespace

void add_monitor_commands(CLI::App& app, cli_env& env) {
    auto* monitor = app.add_subcommand("monitor", "the analyser monitor: read a monitor type, take the monitor report, "
                                                  "watch values change");
    monitor->require_subcommand(1);

    auto type = std::make_shared<int>(0);
    auto* read = monitor->add_subcommand("read", "one pass over the poll list of a monitor type (0 System, 1 Video "
                                                 "Timing, 2 Audio Timing, 3 Packet, 4 HDCP & SCDC), decoded as the "
                                                 "page shows it; --json adds the decoded packet fields and the raw "
                                                 "reply of each query");
    read->add_option("--type", *type, "monitor type 0..4")->required()->check(CLI::Range(0, 4));
    env.add_json_flag(read);
    read->callback([&env, type] {
        env.command = "monitor read";
        env.status = run_read(env, *type);
    });

    auto out = std::make_shared<std::string>();
    auto* report = monitor->add_subcommand("report", "the monitor report of all five types, as the window saves it "
                                                     "(CR LF lines); --json gives its lines by section, the decoded "
                                                     "packet fields and the raw replies");
    report->add_option("--out", *out, "write the report to FILE instead of standard output");
    env.add_json_flag(report);
    report->callback([&env, out] {
        env.command = "monitor report";
        env.status = run_report(env, *out);
    });

    auto wtype = std::make_shared<int>(0);
    auto cycles = std::make_shared<int>(0);
    auto* watch = monitor->add_subcommand("watch", "poll a monitor type at the 20 ms tick and print each value when "
                                                   "it changes, with a time stamp (until Ctrl-C)");
    watch->add_option("--type", *wtype, "monitor type 0..4")->required()->check(CLI::Range(0, 4));
    watch->add_option("--cycles", *cycles, "stop after N passes over the list (0: until interrupted)")
        ->check(CLI::NonNegativeNumber);
    env.add_json_flag(watch);
    watch->callback([&env, wtype, cycles] {
        env.command = "monitor watch";
        env.status = run_watch(env, *wtype, *cycles);
    });
}

}  // namespace vexlan
