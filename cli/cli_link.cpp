// vexlan-cli link, send LINE..., script FILE|-.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>

#include "cli_app.h"
#include "link/app_context.h"
#include "link/model_profile.h"

namespace vexlan {

namespace {

constexpr std::size_t script_line_limit = 64 * 1024;

// A command line must be one line: CR or LF inside would send several commands.
bool one_command_line(const std::string& line) { return line.find_first_of("\r\n") == std::string::npos; }

int run_link(cli_env& env)
{
    if (const int code = env.link_unit(); code != exit_ok) return code;
    const auto& profile = env.ctx().profile;
    if (env.json) {
        env.json_print({{"model", latin1_utf8(env.model)},
                        {"board_id", latin1_utf8(env.board_id)},
                        {"firmware", latin1_utf8(env.firmware)},
                        {"task_mode", latin1_utf8(env.task_mode)},
                        {"model_index", profile.model_index},
                        {"catalogue", catalogue_file_for(profile)}});
    } else {
        env.out << "model: " << printable(env.model) << "\nboard id: " << printable(env.board_id)
                << "\nfirmware: " << printable(env.firmware) << "\ntask mode: " << printable(env.task_mode)
                << "\nmodel index: " << profile.model_index << "\ncatalogue: " << catalogue_file_for(profile) << "\n";
    }
    return exit_ok;
}

// Sends each line in turn; the status is the worst seen: 1 when any was not accepted, 3 (and
// the rest unsent) when the link is lost.
int run_send(cli_env& env, const std::vector<std::string>& lines)
{
    for (const auto& line : lines)
        if (!one_command_line(line)) return env.usage_error("a LINE must not contain CR or LF: \"" + printable(line) + "\"");
    if (const int code = env.link_unit(); code != exit_ok) return code;
    int status = exit_ok;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const cli_reply r = env.transact(lines[i]);
        if (r.link_lost) {
            if (i + 1 < lines.size())
                env.fail(exit_no_link, std::to_string(lines.size() - i - 1) + " line(s) after it were not sent");
            return exit_no_link;
        }
        env.reply_print(r);
        if (r.result != 1) status = exit_refused;
    }
    return status;
}

// Reads one line of at most `limit` bytes (LF ends it, a CR before it is dropped). False at the
// end of input; `too_long` when the line went past the limit (the rest of it is skipped).
bool line_read(std::istream& in, std::string& line, bool& too_long)
{
    line.clear();
    too_long = false;
    char c;
    bool any = false;
    while (in.get(c)) {
        any = true;
        if (c == '\n') break;
        if (line.size() < script_line_limit)
            line.push_back(c);
        else
            too_long = true;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

int run_script(cli_env& env, const std::string& file)
{
    std::ifstream stream;
    std::istream* in = &std::cin;
    if (file != "-") {
        stream.open(file, std::ios::binary);
        if (!stream) return env.fail(exit_refused, file + ": cannot open for reading");
        in = &stream;
    }
    if (const int code = env.link_unit(); code != exit_ok) return code;
    int status = exit_ok;
    std::string line;
    bool too_long = false;
    for (long number = 1; line_read(*in, line, too_long); ++number) {
        std::size_t first = line.find_first_not_of(" \t");
        // Blank lines and lines starting with "#" are comments.
        if (first == std::string::npos || line[first] == '#') continue;
        if (too_long) {
            env.fail(exit_usage, file + ": line " + std::to_string(number) + " is longer than 64 KiB; not sent");
            status = std::max(status, static_cast<int>(exit_usage));
            continue;
        }
        const cli_reply r = env.transact(line);
        if (r.link_lost) return exit_no_link;
        env.json_print(env.reply_json(r));
        env.out.flush();
        if (r.result != 1 && status == exit_ok) status = exit_refused;
    }
    return status;
}

}  // namespace

void add_link_commands(CLI::App& app, cli_env& env)
{
    auto* link = app.add_subcommand("link", "ask the unit for model, board id, firmware and task mode; fails naming "
                                            "the query when one of them is not accepted");
    env.add_json_flag(link);
    link->callback([&env] {
        env.command = "link";
        env.status = run_link(env);
    });

    auto lines = std::make_shared<std::vector<std::string>>();
    auto* send = app.add_subcommand("send", "link, then send each LINE + CR in turn over the one link; prints each "
                                            "reply, its three parameters and the result code (exit 0 only when "
                                            "every result is 1)");
    send->add_option("LINE", *lines, "a command line, e.g. '$timing 12' (quote it)")->required();
    env.add_json_flag(send);
    send->callback([&env, lines] {
        env.command = "send";
        env.status = run_send(env, *lines);
    });

    auto file = std::make_shared<std::string>();
    auto* script = app.add_subcommand("script", "link, then send one command per line of FILE (\"-\" for standard "
                                                "input; blank lines and # comments skipped); prints one JSON object "
                                                "per command: line, reply, param1..3, result, ms");
    script->add_option("FILE", *file, "the script, or - for standard input")->required();
    script->callback([&env, file] {
        env.command = "script";
        env.status = run_script(env, *file);
    });
}

}  // namespace vexlan
