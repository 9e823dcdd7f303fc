// vexlan-cli: the application's core without windows, for scripts and test labs.
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "edid/edid_cli.h"
#include "edid/edid_files.h"
#include "edid/edid_transfer.h"
#include "link/app_context.h"
#include "link/file_io.h"
#include "link/transaction.h"
#include "link/unit_link.h"
#include "posix_session.h"

using namespace vexlan;

namespace {

const char* usage_text =
    "usage: vexlan-cli (--tcp HOST[:PORT] | --serial DEVICE) COMMAND\n"
    "       vexlan-cli edid (analyze|facts|convert) ...\n"
    "\n"
    "Commands that talk to a unit:\n"
    "  link                      ask the unit for model, board id, firmware and task mode\n"
    "  send LINE                 link, then send LINE + CR; prints the reply, its three\n"
    "                            parameters and the result code (exit 0 only for result 1)\n"
    "  edid read SLOT [--out FILE]\n"
    "                            read an EDID store (sink_h, sink_v, d1..d10, c1..c10);\n"
    "                            FILE ending in .bin gets the bytes, .hex the text\n"
    "\n"
    "Link options:\n"
    "  --tcp HOST[:PORT]         TCP connection to the unit (port 23 when not given)\n"
    "  --serial DEVICE           serial port, 115200,N,8,1 (e.g. /dev/ttyUSB0)\n"
    "  --connect-timeout-ms MS   how long to wait for the TCP connection (default 3000)\n"
    "\n"
    "Result codes: 0 link down, 1 accepted, 2 no response or refused, 3 error reply.\n"
    "Exit status: 0 success, 1 the unit did not accept, 2 wrong usage, 3 no link.\n";

int fail_usage(const std::string& why) {
    std::fprintf(stderr, "vexlan-cli: %s\n(see vexlan-cli --help)\n", why.c_str());
    return 2;
}

std::string printable(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 32 || c == 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else out += static_cast<char>(c);
    }
    return out;
}

int run_link(app_context& ctx) {
    unit_identity f;
    if (!unit_identity_query(ctx, f)) {
        std::fprintf(stderr, "vexlan-cli: the unit did not answer \"$model?\" (result %d)\n", ctx.link.cmd_result);
        return 1;
    }
    std::printf("model: %s\nboard id: %s\nfirmware: %s\ntask mode: %s\nmodel index: %d\ncatalogue: %s\n",
                f.model.c_str(), f.board_id.c_str(), f.firmware.c_str(), f.task_mode.c_str(),
                ctx.profile.model_index, catalogue_file_for(ctx.profile).c_str());
    if (ctx.profile.model_index == model_none) {
        std::fprintf(stderr, "vexlan-cli: model \"%s\" is not a known unit\n", f.model.c_str());
        return 1;
    }
    return 0;
}

int run_send(app_context& ctx, const std::string& line) {
    unit_identity f;
    if (!unit_identity_query(ctx, f) || ctx.profile.model_index == model_none) {
        std::fprintf(stderr, "vexlan-cli: the unit could not be linked (model \"%s\")\n", f.model.c_str());
        return 1;
    }
    const std::string word = cmdstr_cmd_get(line + "\r");
    // "$help" and "$?" answer several lines ending with EOT, as in the command terminal.
    ctx.link.term_raw = word == "$help" || word == "$?";
    // The parameters printed are this command's: "None" unless its reply was split.
    ctx.link.rx_param1 = ctx.link.rx_param2 = ctx.link.rx_param3 = "None";
    const int result = cmdtx_str(ctx, line + "\r");
    ctx.link.term_raw = false;
    const auto& L = ctx.link;
    if (word == "$help" || word == "$?") {
        // a listing of several lines: shown as lines, without the EOT that ends it
        std::string text;
        for (char c : L.rx_line)
            if (c != '\r' && c != '\x04') text += c;
        std::printf("reply:\n%s%s", text.c_str(), text.empty() || text.back() == '\n' ? "" : "\n");
    } else {
        std::printf("reply: %s\n", printable(L.rx_line).c_str());
    }
    std::printf("param1: %s\nparam2: %s\nparam3: %s\nresult: %d\n", L.rx_param1.c_str(), L.rx_param2.c_str(),
                L.rx_param3.c_str(), result);
    return result == 1 ? 0 : 1;
}

int run_edid_read(app_context& ctx, const std::string& slot, const std::string& out) {
    unit_identity f;
    if (!unit_identity_query(ctx, f) || ctx.profile.model_index == model_none) {
        std::fprintf(stderr, "vexlan-cli: the unit could not be linked (model \"%s\")\n", f.model.c_str());
        return 1;
    }
    const auto r = edid_read_from_unit(ctx, slot);
    if (!r.ok) {
        std::fprintf(stderr, "vexlan-cli: EDID read of %s stopped after %d block(s): %s\n", slot.c_str(),
                     r.blocks_read, r.failure.c_str());
        return 1;
    }
    if (out.empty()) {
        std::fwrite(r.text.data(), 1, r.text.size(), stdout);
        std::printf("\n");
    } else {
        std::string bytes;
        const auto kind = edid_file_kind_of(out);
        if (kind == edid_file_kind::bin) {
            bytes.assign(reinterpret_cast<const char*>(r.image.data()), static_cast<std::size_t>(r.edid_size));
        } else if (kind == edid_file_kind::hex) {
            const auto built = edid_file_contents_build(r.text, edid_save_format::simple_hex);
            if (!built.ok) {
                std::fprintf(stderr, "vexlan-cli: %s\n", built.error.c_str());
                return 1;
            }
            bytes = built.bytes;
        } else {
            return fail_usage("--out FILE must end in .bin or .hex: " + out);
        }
        const auto err = write_file_atomic(out, bytes);
        if (!err.empty()) {
            std::fprintf(stderr, "vexlan-cli: %s\n", err.c_str());
            return 1;
        }
    }
    std::fprintf(stderr, "read %d block(s) of %s, %d bytes\n", r.blocks_read, slot.c_str(), r.edid_size);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0] == "--help" || args[0] == "-h") {
        std::fputs(usage_text, args.empty() ? stderr : stdout);
        std::fputs("\n", args.empty() ? stderr : stdout);
        std::fputs(edid_cli_usage().c_str(), args.empty() ? stderr : stdout);
        return args.empty() ? 2 : 0;
    }
    // The offline EDID subcommands need no unit.
    if (args[0] == "edid" && args.size() >= 2 && args[1] != "read") {
        return edid_cli_main(std::vector<std::string>(args.begin() + 1, args.end()), std::cout, std::cerr);
    }

    std::string tcp_target, serial_device;
    int connect_timeout_ms = 3000;
    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const auto& a = args[i];
        auto value = [&](const char* opt) -> std::string {
            if (i + 1 >= args.size()) throw std::runtime_error(std::string(opt) + " needs a value");
            return args[++i];
        };
        try {
            if (a == "--tcp") tcp_target = value("--tcp");
            else if (a == "--serial") serial_device = value("--serial");
            else if (a == "--connect-timeout-ms") connect_timeout_ms = std::stoi(value("--connect-timeout-ms"));
            else if (a.rfind("--", 0) == 0) return fail_usage("unknown option " + a);
            else break;
        } catch (const std::exception& e) {
            return fail_usage(e.what());
        }
    }
    if (i >= args.size()) return fail_usage("no command given");
    if (tcp_target.empty() == serial_device.empty()) return fail_usage("give exactly one of --tcp and --serial");
    const std::string command = args[i];
    std::vector<std::string> rest(args.begin() + static_cast<long>(i) + 1, args.end());
    std::string slot, out;
    if (command == "send") {
        if (rest.size() != 1) return fail_usage("send takes one LINE (quote it)");
    } else if (command == "edid") {
        if (rest.empty() || rest[0] != "read" || rest.size() < 2) return fail_usage("edid read SLOT [--out FILE]");
        slot = rest[1];
        for (std::size_t k = 2; k < rest.size(); ++k) {
            if (rest[k] == "--out" && k + 1 < rest.size()) out = rest[++k];
            else return fail_usage("unexpected argument " + rest[k]);
        }
    } else if (command == "link") {
        if (!rest.empty()) return fail_usage("link takes no arguments");
    } else {
        return fail_usage("unknown command " + command);
    }

    posix_session rig;
    const auto err = serial_device.empty() ? rig.open_tcp(tcp_target, connect_timeout_ms) : rig.open_serial(serial_device);
    if (!err.empty()) {
        std::fprintf(stderr, "vexlan-cli: %s\n", err.c_str());
        return 3;
    }
    if (command == "link") return run_link(rig.ctx);
    if (command == "send") return run_send(rig.ctx, rest[0]);
    return run_edid_read(rig.ctx, slot, out);
}
