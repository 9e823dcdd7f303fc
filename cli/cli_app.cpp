#include "cli_app.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include "link/app_context.h"
#include "link/cmd_line.h"
#include "link/model_profile.h"
#include "link/ports.h"
#include "link/transaction.h"
#include "posix_session.h"

#ifndef VEXLAN_VERSION
#define VEXLAN_VERSION "unknown"
#endif

namespace vexlan {

std::string latin1_utf8(const std::string& bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string printable(const std::string& s)
{
    std::string out;
    for (const unsigned char c : s) {
        if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 32 || c == 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

const char* result_text(int result)
{
    switch (result) {
    case 0: return "link down";
    case 1: return "accepted";
    case 2: return "no response or refused";
    case 3: return "error reply or reply to another command";
    default: return "unknown result";
    }
}

cli_env::cli_env(std::ostream& out_stream, std::ostream& err_stream) : out(out_stream), err(err_stream) {}
cli_env::~cli_env() = default;

app_context& cli_env::ctx() { return session_->ctx; }

bool cli_env::link_up()
{
    if (!session_ || !session_->link.is_open()) return false;
    const auto& L = session_->ctx.link;
    return L.link_iface == 0 ? L.com_open : L.eth_connected;
}

int cli_env::fail(int code, const std::string& why)
{
    err << "vexlan-cli: " << (command.empty() ? "" : command + ": ") << why << "\n";
    return code;
}

int cli_env::usage_error(const std::string& why) { return fail(exit_usage, why); }

void cli_env::add_json_flag(CLI::App* sub)
{
    sub->add_flag("--json", json, "print one JSON object per command instead of text lines");
}

void cli_env::json_print(const nlohmann::ordered_json& j)
{
    out << j.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n";
}

int cli_env::link_unit()
{
    if (session_ && session_->link.is_open() && ctx().profile.model_index != model_none) return exit_ok;
    if (tcp_target.empty() == serial_device.empty()) return usage_error("give exactly one of --tcp and --serial");
    if (!tcp_target.empty()) {
        std::string host;
        std::uint16_t port = 0;
        if (const auto why = tcp_target_parse(tcp_target, 23, host, port); !why.empty()) return usage_error("--tcp: " + why);
    }
    session_ = std::make_unique<posix_session>();
    const std::string why =
        serial_device.empty() ? session_->open_tcp(tcp_target, connect_timeout_ms) : session_->open_serial(serial_device);
    if (!why.empty()) return fail(exit_no_link, why);
    // Whatever waits on the link now (a previous client's replies, line noise) is no reply of ours.
    session_->link.discard_input();

    auto ask = [&](const char* query, std::string& into) -> int {
        const cli_reply r = transact(query);
        if (r.link_lost) return exit_no_link;
        if (r.result != 1)
            return fail(exit_refused, std::string("the unit did not accept \"") + query + "\" (result " +
                                          std::to_string(r.result) + ", " + result_text(r.result) + ")");
        into = r.param1;
        return exit_ok;
    };
    if (const int code = ask("$model?", model); code != exit_ok) return code;
    if (const int code = ask("$board_id?", board_id); code != exit_ok) return code;
    model_profile_update(ctx().profile, model, board_variant_from_reply(board_id));
    if (ctx().profile.model_index == model_none)
        return fail(exit_refused, "model \"" + printable(model) + "\" is not a known unit");
    if (const int code = ask("$fwver?", firmware); code != exit_ok) return code;
    if (const int code = ask("$task_mode?", task_mode); code != exit_ok) return code;
    return exit_ok;
}

cli_reply cli_env::transact(const std::string& line)
{
    cli_reply r;
    r.line = line;
    auto& L = ctx().link;
    if (!link_up()) {
        r.link_lost = true;
        fail(exit_no_link, "the link is down; \"" + printable(line) + "\" was not sent");
        return r;
    }
    const std::string word = cmdstr_cmd_get(line + "\r");
    // "$help" and "$?" answer several lines ending with EOT, as in the command terminal.
    L.term_raw = word == "$help" || word == "$?";
    L.rx_line.clear();
    L.rx_param1 = L.rx_param2 = L.rx_param3 = "None";
    const std::uint32_t start = session_->clock.now_ms();
    r.result = cmdtx_str(ctx(), line + "\r");
    r.ms = session_->clock.now_ms() - start;
    L.term_raw = false;
    if (r.result == 1 || r.result == 3) {
        // Only this command's own reply is reported; a wait that ended without one has none.
        r.reply = L.rx_line;
        r.param1 = L.rx_param1;
        r.param2 = L.rx_param2;
        r.param3 = L.rx_param3;
    }
    if (r.result == 0 || !link_up()) {
        r.link_lost = true;
        fail(exit_no_link, "the link was lost during \"" + printable(line) + "\" (the unit closed it or it went away)");
    }
    return r;
}

nlohmann::ordered_json cli_env::reply_json(const cli_reply& r) const
{
    std::string reply = r.reply;
    while (!reply.empty() && (reply.back() == '\r' || reply.back() == '\n')) reply.pop_back();
    return nlohmann::ordered_json{{"line", latin1_utf8(r.line)},     {"reply", latin1_utf8(reply)},
                          {"param1", latin1_utf8(r.param1)}, {"param2", latin1_utf8(r.param2)},
                          {"param3", latin1_utf8(r.param3)}, {"result", r.result},
                          {"ms", r.ms}};
}

void cli_env::reply_print(const cli_reply& r)
{
    if (json) {
        json_print(reply_json(r));
        return;
    }
    const std::string word = cmdstr_cmd_get(r.line + "\r");
    if (word == "$help" || word == "$?") {
        // a listing of several lines: shown as lines, without the EOT that ends it
        std::string text;
        for (const char c : r.reply)
            if (c != '\r' && c != '\x04') text += c;
        out << "reply:\n" << text << (text.empty() || text.back() == '\n' ? "" : "\n");
    } else {
        out << "reply: " << printable(r.reply) << "\n";
    }
    out << "param1: " << r.param1 << "\nparam2: " << r.param2 << "\nparam3: " << r.param3
        << "\nresult: " << r.result << "\n";
}

namespace {

// One line for every parse error: the parser's text with its line breaks folded.
std::string one_line(std::string text)
{
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

constexpr const char* footer =
    "Exit status: 0 success, 1 the unit did not accept (or a file could not be read, parsed or\n"
    "written), 2 wrong usage, 3 the link never came up or was lost (including a connection the\n"
    "unit closed).\n"
    "Result codes: 0 link down, 1 accepted, 2 no response or refused, 3 error reply.";

}  // namespace

int cli_run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)
{
    cli_env env(out, err);
    CLI::App app{"vexlan-cli: the application's core without windows, for scripts and test labs.",
                 "vexlan-cli"};
    app.set_version_flag("--version", std::string("vexlan-cli ") + VEXLAN_VERSION);
    app.footer(footer);
    app.fallthrough();  // link options may follow the subcommand
    auto* tcp = app.add_option("--tcp", env.tcp_target, "TCP connection to the unit, HOST[:PORT] (port 23 by default)");
    auto* serial = app.add_option("--serial", env.serial_device, "serial port, 115200,N,8,1 (e.g. /dev/ttyUSB0)");
    tcp->excludes(serial);
    app.add_option("--connect-timeout-ms", env.connect_timeout_ms, "how long to wait for the TCP connection")
        ->default_val(3000)
        ->check(CLI::Range(0, 3600000));

    add_link_commands(app, env);
    add_edid_commands(app, env);
    add_output_commands(app, env);
    add_monitor_commands(app, env);
    add_cable_cec_commands(app, env);

    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e, out, err);
        err << "vexlan-cli: " << one_line(e.what()) << " (see vexlan-cli --help)\n";
        return exit_usage;
    }
    if (app.get_subcommands().empty()) {
        err << app.help() << "vexlan-cli: no command given\n";
        return exit_usage;
    }
    return env.status;
}

}  // namespace vexlan
