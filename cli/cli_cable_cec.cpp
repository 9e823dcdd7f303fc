// vexlan-cli discover, cable start|stop|status|set, cec list|send|set|log, terminal.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstring>
#include <iostream>
#include <memory>

#include "cable_cec/cable_test.h"
#include "cable_cec/cec.h"
#include "cli_app.h"
#include "link/app_context.h"
#include "link/discovery.h"
#include "link/ports.h"
#include "link/tasks.h"
#include "terminal/terminal.h"

namespace vexlan {

namespace {

std::string trim_text(const std::string& s) {
    const auto a = s.find_first_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// ---- discover -------------------------------------------------------------------------------

struct discover_options {
    std::string target = std::string(discovery_default_host) + ":" + std::to_string(discovery_default_port);
    int local_port = discovery_default_local_port;
    double timeout_s = 2.0;
};

int run_discover(cli_env& env, const discover_options& o) {
    std::string host;
    std::uint16_t port = 0;
    if (const auto why = tcp_target_parse(o.target, discovery_default_port, host, port); !why.empty())
        return env.usage_error("--target: " + why);
    in_addr addr{};
    if (inet_pton(AF_INET, host.c_str(), &addr) != 1) return env.usage_error("--target: not an IPv4 address: " + host);
    if (o.timeout_s < 0 || o.timeout_s > 600) return env.usage_error("--timeout: 0..600 seconds");

    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return env.fail(exit_no_link, std::string("socket: ") + std::strerror(errno));
    struct closer {
        int fd;
        ~closer() { ::close(fd); }
    } guard{fd};
    const int one = 1;
    if (addr.s_addr == htonl(INADDR_BROADCAST)) setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &one, sizeof one);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<std::uint16_t>(o.local_port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) < 0)
        return env.fail(exit_no_link, "cannot receive on UDP port " + std::to_string(o.local_port) + ": " + std::strerror(errno));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    to.sin_addr = addr;
    const std::string request(discovery_request.begin(), discovery_request.end());
    if (::sendto(fd, request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) < 0)
        return env.fail(exit_no_link, "cannot send to " + o.target + ": " + std::strerror(errno));

    std::vector<discovery_row> rows;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(static_cast<long>(o.timeout_s * 1000));
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count();
        if (left <= 0) break;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        char buf[2048];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n < 0) continue;
        if (auto row = discovery_reply_parse(reinterpret_cast<const std::uint8_t*>(buf), static_cast<std::size_t>(n));
            row && rows.size() < discovery_rows_max)
            rows.push_back(*row);
    }
    if (env.json) {
        auto list = nlohmann::ordered_json::array();
        for (const auto& r : rows) list.push_back({{"ip", r.ip}, {"mac", r.mac}, {"name", latin1_utf8(r.name)}});
        env.json_print(list);
    } else {
        for (const auto& r : rows) env.out << r.ip << "  " << r.mac << "  " << printable(r.name) << "\n";
        if (rows.empty()) env.err << "vexlan-cli: discover: no unit answered\n";
    }
    return exit_ok;
}

// ---- cable ----------------------------------------------------------------------------------

int run_cable_status(cli_env& env) {
    if (const int code = env.link_unit(); code != exit_ok) return code;
    auto& ctx = env.ctx();
    ctx.cable.lab_cable_start.enabled = true;  // idle until the unit says otherwise
    int status = exit_ok;
    for (int entry : cable_poll_entries) {
        const cli_reply r = env.transact(ctx.link.cmd_table[static_cast<std::size_t>(entry)]);
        if (r.link_lost) return exit_no_link;
        if (r.result == 1) cable_reply_show(ctx, entry);
        else status = exit_refused;
    }
    const auto& C = ctx.cable;
    const bool running = cable_running(C);
    const int idx = C.cbo_cable_time_index;
    const std::string time = idx >= 0 ? trim_text(cable_time_items[static_cast<std::size_t>(idx)]) : "";
    if (env.json) {
        nlohmann::ordered_json j{{"level", latin1_utf8(C.lab_cable_level.caption)},
                                 {"running", running},
                                 {"result", latin1_utf8(C.lab_cable_result.caption)},
                                 {"time_code", idx >= 0 ? idx + 1 : 0},
                                 {"time", time},
                                 {"days", latin1_utf8(C.lab_cable_day.caption)},
                                 {"hours", latin1_utf8(C.lab_cable_hour.caption)},
                                 {"minutes", latin1_utf8(C.lab_cable_minute.caption)},
                                 {"seconds", latin1_utf8(C.lab_cable_second.caption)}};
        if (running && idx >= 0 && idx != cable_time_infinite) j["progress"] = C.pbar_value;
        env.json_print(j);
    } else {
        env.out << "level: " << printable(C.lab_cable_level.caption) << "\nstate: " << (running ? "running" : "idle")
                << "\nresult: " << printable(C.lab_cable_result.caption) << "\nrun time: " << time
                << "\nelapsed: " << printable(C.lab_cable_day.caption) << "d " << printable(C.lab_cable_hour.caption)
                << ":" << printable(C.lab_cable_minute.caption) << ":" << printable(C.lab_cable_second.caption) << "\n";
        if (running && idx >= 0 && idx != cable_time_infinite) env.out << "progress: " << C.pbar_value << "\n";
    }
    return status;
}

int run_lines(cli_env& env, const std::vector<std::string>& lines) {
    if (const int code = env.link_unit(); code != exit_ok) return code;
    int status = exit_ok;
    for (const auto& line : lines) {
        const cli_reply r = env.transact(line);
        if (r.link_lost) return exit_no_link;
        env.reply_print(r);
        if (r.result != 1) return exit_refused;
    }
    return status;
}

// ---- CEC ------------------------------------------------------------------------------------

int run_cec_list(cli_env& env) {
    if (const int code = env.link_unit(); code != exit_ok) return code;
    auto& ctx = env.ctx();
    for (auto& box : ctx.cec.txt_cec_tx_msg) box.caption = "\x01";  // marks a slot not read
    cec_tx_msg_refresh(ctx);
    if (!env.link_up()) return env.fail(exit_no_link, "the link was lost");
    auto list = nlohmann::ordered_json::array();
    int status = exit_ok;
    for (int i = 0; i < cec_msg_count; ++i) {
        const std::string& text = ctx.cec.txt_cec_tx_msg[static_cast<std::size_t>(i)].caption;
        const bool read = text != "\x01";
        if (!read) status = exit_refused;
        if (env.json) list.push_back({{"n", i + 1}, {"text", read ? nlohmann::ordered_json(latin1_utf8(text)) : nullptr}});
        else env.out << i + 1 << ": " << (read ? printable(text) : std::string("(not read)")) << "\n";
    }
    if (env.json) env.json_print(list);
    return status;
}

int run_cec_log(cli_env& env) {
    if (const int code = env.link_unit(); code != exit_ok) return code;
    auto& ctx = env.ctx();
    int status = exit_ok;
    for (int n = 1; n <= cec_log_line_count; ++n) {
        const cli_reply r = env.transact(ctx.link.cmd_table[21] + std::to_string(n));
        if (r.link_lost) return exit_no_link;
        if (r.result == 1) cec_log_reply_show(ctx);
        else status = exit_refused;
    }
    if (env.json) {
        auto list = nlohmann::ordered_json::array();
        for (const auto& l : ctx.cec.cec_log_lines) list.push_back(latin1_utf8(l));
        env.json_print(list);
    } else {
        for (const auto& l : ctx.cec.cec_log_lines) env.out << printable(l) << "\n";
    }
    return status;
}

// ---- terminal -------------------------------------------------------------------------------

int run_terminal(cli_env& env, std::istream& in) {
    if (const int code = env.link_unit(); code != exit_ok) return code;
    auto& ctx = env.ctx();
    terminal_open(ctx);  // main_page is none: the terminal sends and shows
    std::size_t shown = ctx.link.term_text.size();
    auto show_new = [&] {
        const std::string& t = ctx.link.term_text;
        if (t.size() < shown) shown = 0;
        std::string fresh = t.substr(shown);
        shown = t.size();
        std::string out;
        for (char c : fresh)
            if (c != '\r') out += c;  // the visible line breaks are CR LF
        env.out << latin1_utf8(out);
        env.out.flush();
    };
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() > 64 * 1024) line.resize(64 * 1024);
        ctx.terminal.txt_tx_str.caption = line;
        cmd_tx_str_click(ctx);
        show_new();
        if (!env.link_up()) return env.fail(exit_no_link, "the link was lost");
    }
    if (shown && !ctx.link.term_text.empty() && ctx.link.term_text.back() != '\n') env.out << "\n";
    return exit_ok;
}

}  // namespace

void add_cable_cec_commands(CLI::App& app, cli_env& env) {
    // discover
    auto dopt = std::make_shared<discover_options>();
    auto* discover = app.add_subcommand("discover", "send the discovery request and list the units that answer "
                                                    "(IP, MAC, model name); needs no link");
    discover->add_option("--target", dopt->target, "ADDR:PORT of the request (default 255.255.255.255:31001)");
    discover->add_option("--port", dopt->local_port, "local UDP port for the replies (default 31002, 0 any free)")
        ->check(CLI::Range(0, 65535));
    discover->add_option("--timeout", dopt->timeout_s, "seconds to collect replies (default 2)");
    env.add_json_flag(discover);
    discover->callback([&env, dopt] {
        env.command = "discover";
        env.status = run_discover(env, *dopt);
    });

    // cable
    auto* cable = app.add_subcommand("cable", "cable test of a second-family unit in cable task mode");
    cable->require_subcommand(1);
    auto* start = cable->add_subcommand("start", "start the test (\"$cable_run start\")");
    start->callback([&env] {
        env.command = "cable start";
        env.status = run_lines(env, {"$cable_run start"});
    });
    auto* stop = cable->add_subcommand("stop", "stop the test (\"$cable_run stop\")");
    stop->callback([&env] {
        env.command = "cable stop";
        env.status = run_lines(env, {"$cable_run stop"});
    });
    auto* status = cable->add_subcommand("status", "level, run state, result, run time, elapsed counters, progress");
    env.add_json_flag(status);
    status->callback([&env] {
        env.command = "cable status";
        env.status = run_cable_status(env);
    });
    auto code = std::make_shared<int>(0);
    auto level = std::make_shared<std::string>();
    auto* set = cable->add_subcommand("set", "choose the run time and/or the level");
    set->add_option("--time", *code, "run time code 1..7 (2, 5, 10, 15, 30 minutes, 1 hour, infinite)")
        ->check(CLI::Range(1, 7));
    set->add_option("--level", *level, "normal or strict")->check(CLI::IsMember({"normal", "strict"}));
    set->callback([&env, code, level] {
        env.command = "cable set";
        std::vector<std::string> lines;
        if (*code) lines.push_back("$cable_time " + std::to_string(*code));
        if (!level->empty()) lines.push_back("$cable_level " + *level);
        env.status = lines.empty() ? env.usage_error("give --time and/or --level") : run_lines(env, lines);
    });

    // cec
    auto* cec = app.add_subcommand("cec", "CEC messages stored in the unit and its CEC log");
    cec->require_subcommand(1);
    auto* list = cec->add_subcommand("list", "read the ten stored messages");
    env.add_json_flag(list);
    list->callback([&env] {
        env.command = "cec list";
        env.status = run_cec_list(env);
    });
    auto n = std::make_shared<int>(0);
    auto* send = cec->add_subcommand("send", "send stored message N");
    send->add_option("N", *n, "1..10")->required()->check(CLI::Range(1, 10));
    send->callback([&env, n] {
        env.command = "cec send";
        env.status = run_lines(env, {"$cec_msg_send " + std::to_string(*n)});
    });
    auto sn = std::make_shared<int>(0);
    auto text = std::make_shared<std::string>();
    auto* cset = cec->add_subcommand("set", "store TEXT as message N (at most 48 characters)");
    cset->add_option("N", *sn, "1..10")->required()->check(CLI::Range(1, 10));
    cset->add_option("TEXT", *text, "the message, e.g. \"40 04\"")->required();
    cset->callback([&env, sn, text] {
        env.command = "cec set";
        if (text->size() > cec_msg_max || text->find_first_of("\r\n") != std::string::npos)
            env.status = env.usage_error("TEXT: at most 48 characters on one line");
        else
            env.status = run_lines(env, {"$cec_msg_set " + std::to_string(*sn) + "," + *text});
    });
    auto* log = cec->add_subcommand("log", "read the twelve lines of the CEC log");
    env.add_json_flag(log);
    log->callback([&env] {
        env.command = "cec log";
        env.status = run_cec_log(env);
    });

    // terminal
    auto* term = app.add_subcommand("terminal", "type command lines (standard input, one per line) and see the "
                                                "bytes received as the terminal window shows them");
    term->callback([&env] {
        env.command = "terminal";
        env.status = run_terminal(env, std::cin);
    });
}

}  // namespace vexlan
