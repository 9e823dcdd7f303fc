// vexlan-cli: one CLI11 application; each subsystem registers its own subcommands from its own
// file (cli_link.cpp, cli_edid.cpp, cli_output.cpp, cli_monitor.cpp, cli_cable_cec.cpp) through
// the add_*_commands functions below, and shares the link and the printing helpers of cli_env.
//
// Exit status of every command: 0 success, 1 the unit did not accept (or a file could not be
// read, parsed or written), 2 wrong usage, 3 the link never came up or was lost (including a
// connection the unit closed).
//
// How to add a subcommand that talks to the unit (in your own cli_<subsystem>.cpp):
//
//   void add_output_commands(CLI::App& app, cli_env& env)
//   {
//       auto* sub = app.add_subcommand("timing", "select timing N of the catalogue");
//       auto n = std::make_shared<int>(0);
//       sub->add_option("N", *n, "1-based list position")->required()->check(CLI::PositiveNumber);
//       env.add_json_flag(sub);                       // --json, if the command prints a reply
//       sub->callback([&env, n] {
//           env.status = [&] {
//               if (const int code = env.link_unit(); code != exit_ok) return code;  // opened, linked
//               const cli_reply r = env.transact("$timing " + std::to_string(*n));
//               if (r.link_lost) return exit_no_link;                              // said on stderr
//               env.reply_print(r);                      // text, or one JSON object with --json
//               return r.result == 1 ? exit_ok : exit_refused;
//           }();
//       });
//   }
//
// Rules: print through env.out / env.err (tests capture them), never std::cout; JSON only through
// env.json_print (nlohmann, UTF-8, invalid bytes replaced); unit texts through latin1_utf8 first.
// A usage problem the parser cannot see: `env.status = env.usage_error("...")`.
#pragma once

#include <CLI/CLI.hpp>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace vexlan {

struct app_context;
class posix_session;

enum exit_code : int { exit_ok = 0, exit_refused = 1, exit_usage = 2, exit_no_link = 3 };

// One command's outcome as the transaction left it.
struct cli_reply {
    std::string line;       // the command as given, without CR
    std::string reply;      // the reply line as received (CR LF included when they came)
    std::string param1 = "None", param2 = "None", param3 = "None";
    int result = 0;         // cmd_result: 0 link down, 1 accepted, 2 no response/refused, 3 error reply
    std::uint32_t ms = 0;   // wall time of the transaction
    bool link_lost = false; // the link went down during or before it
};

struct cli_env {
    cli_env(std::ostream& out_stream, std::ostream& err_stream);
    ~cli_env();

    // link options (global, accepted before or after the subcommand)
    std::string tcp_target;
    std::string serial_device;
    int connect_timeout_ms = 3000;
    bool json = false;  // --json of the command that runs

    std::ostream& out;
    std::ostream& err;
    int status = exit_ok;     // the exit status the running command leaves
    std::string command;      // the subcommand path being run ("link", "edid read"), for messages

    // Opens the link from the options, discards stale bytes waiting on it and links the unit
    // ("$model?", "$board_id?", "$fwver?", "$task_mode?"). Returns exit_ok or the exit status,
    // having said why on err (naming the query that failed).
    int link_unit();
    // The identity the link read (valid after link_unit returned exit_ok).
    std::string model, board_id, firmware, task_mode;

    // The context of the opened link (link_unit first).
    app_context& ctx();
    // The link is open and up (false once the unit closed the connection or the port went away).
    bool link_up();

    // Sends one command line (CR added) through the transaction and returns its outcome. A lost
    // link is said on err once, naming the line.
    cli_reply transact(const std::string& line);

    // Prints a reply: as "reply: ..., param1..3, result" lines, or one JSON object with --json.
    void reply_print(const cli_reply& r);
    nlohmann::ordered_json reply_json(const cli_reply& r) const;

    // Prints one JSON value on one line (UTF-8; bytes that are not UTF-8 replaced).
    void json_print(const nlohmann::ordered_json& j);

    // Adds --json to a subcommand, bound to `json`.
    void add_json_flag(CLI::App* sub);

    // Says "vexlan-cli: <command>: <why>" on err and returns exit_usage.
    int usage_error(const std::string& why);
    // Says "vexlan-cli: <command>: <why>" on err and returns `code`.
    int fail(int code, const std::string& why);

private:
    std::unique_ptr<posix_session> session_;
};

// Bytes as the unit sends them (8-bit text) turned into UTF-8.
std::string latin1_utf8(const std::string& bytes);
// A reply or command line for one text line: CR, LF and other control bytes as \r, \n, \xNN.
std::string printable(const std::string& bytes);
// Texts of cmd_result codes, for messages.
const char* result_text(int result);

// Registration, one function per subsystem, each in its own file.
void add_link_commands(CLI::App& app, cli_env& env);       // cli_link.cpp: link, send, script
void add_edid_commands(CLI::App& app, cli_env& env);       // cli_edid.cpp: edid analyze|facts|convert|read
void add_output_commands(CLI::App& app, cli_env& env);     // cli_output.cpp
void add_monitor_commands(CLI::App& app, cli_env& env);    // cli_monitor.cpp
void add_cable_cec_commands(CLI::App& app, cli_env& env);  // cli_cable_cec.cpp (also discover, terminal)

// The whole program: parses `args` (argv[0] excluded), runs the command and returns the exit
// status. main() calls it with std::cout and std::cerr; tests with string streams.
int cli_run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vexlan
