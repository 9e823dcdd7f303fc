#include "ui/app_options.h"

#include <charconv>

#include "link/ports.h"

namespace vexlan {

namespace {

bool port_parse(const std::string& text, int& port) {
    int v = 0;
    const auto* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, v);
    if (r.ec != std::errc() || r.ptr != end || v < 1 || v > 65535) return false;
    port = v;
    return true;
}

}  // namespace

const char* app_usage() {
    return "usage: vexlan [--app-dir DIR] [--unit-port N] [--connect | --connect-ip ADDR]\n"
           "              [--serial-device PATH]\n"
           "              [--discovery-target ADDR:PORT] [--discovery-port N]\n"
           "              [--screenshot DIR] [--page N] | --help | --version\n"
           "  --app-dir DIR         application directory (settings, catalogues, favourites, bmp/);\n"
           "                        default $XDG_DATA_HOME/vexlan, seeded from the installed defaults\n"
           "  --unit-port N         TCP port of the unit instead of 23 (also VEXLAN_UNIT_PORT)\n"
           "  --connect             open the remembered link at start\n"
           "  --connect-ip ADDR     choose Ethernet, put ADDR in the IP box and connect at start\n"
           "  --serial-device PATH  list PATH first, as COM1: (also VEXLAN_SERIAL_DEVICE)\n"
           "  --page N              open the window on page N (0 EDID .. 4 Monitor .. 6 CEC)\n"
           "  --discovery-target ADDR:PORT  where \"Find IP\" sends its request (default\n"
           "                        255.255.255.255:31001)\n"
           "  --discovery-port N    local port that receives the replies (default 31002, 0 any free)\n"
           "  --screenshot DIR      render the main window on each page into DIR/page<N>.png and exit;\n"
           "                        with --unit-port it first links the unit at 127.0.0.1\n";
}

app_options app_options_parse(const std::vector<std::string>& args, const char* env_unit_port,
                              const char* env_serial_device) {
    app_options o;
    if (env_unit_port && *env_unit_port) {
        if (!port_parse(env_unit_port, o.unit_port)) {
            o.error = std::string("VEXLAN_UNIT_PORT is not a port number: ") + env_unit_port;
            return o;
        }
        o.unit_port_given = true;
    }
    if (env_serial_device && *env_serial_device) o.serial_device = env_serial_device;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        std::string value;
        bool has_value = false;
        if (const auto eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = a.substr(eq + 1);
            a = a.substr(0, eq);
            has_value = true;
        }
        auto take = [&]() -> bool {
            if (has_value) return true;
            if (i + 1 >= args.size()) {
                o.error = a + " needs a value";
                return false;
            }
            value = args[++i];
            return true;
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--version") {
            o.version = true;
        } else if (a == "--connect") {
            o.connect = true;
        } else if (a == "--connect-ip") {
            if (!take()) return o;
            o.connect_ip = value;
            o.connect = true;
        } else if (a == "--app-dir") {
            if (!take()) return o;
            o.app_dir = value;
        } else if (a == "--unit-port") {
            if (!take()) return o;
            if (!port_parse(value, o.unit_port)) {
                o.error = "--unit-port: not a port number: " + value;
                return o;
            }
            o.unit_port_given = true;
        } else if (a == "--screenshot") {
            if (!take()) return o;
            o.screenshot_dir = value;
        } else if (a == "--page") {
            if (!take()) return o;
            if (value.size() != 1 || value[0] < '0' || value[0] > '6') {
                o.error = "--page: not a page number 0..6: " + value;
                return o;
            }
            o.start_page = value[0] - '0';
        } else if (a == "--discovery-target") {
            if (!take()) return o;
            std::uint16_t port = 0;
            const std::string err = tcp_target_parse(value, 31001, o.discovery_host, port);
            if (!err.empty()) {
                o.error = "--discovery-target: " + err;
                return o;
            }
            o.discovery_port = port;
        } else if (a == "--discovery-port") {
            if (!take()) return o;
            if (value == "0") o.discovery_local_port = 0;
            else if (!port_parse(value, o.discovery_local_port)) {
                o.error = "--discovery-port: not a port number: " + value;
                return o;
            }
        } else if (a == "--serial-device") {
            if (!take()) return o;
            o.serial_device = value;
        } else {
            o.error = "unknown option: " + args[i];
            return o;
        }
    }
    return o;
}

}  // namespace vexlan
