// The options of the windowed application.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vexlan {

struct app_options {
    std::optional<std::string> app_dir;  // --app-dir DIR
    int unit_port = 23;                  // --unit-port N, else VEXLAN_UNIT_PORT, else 23
    bool unit_port_given = false;
    bool connect = false;                // --connect: open the remembered link at start
    std::string connect_ip;              // --connect-ip ADDR: Ethernet to ADDR at start
    std::string screenshot_dir;          // --screenshot DIR
    int start_page = -1;                 // --page N: open the window on page N (0..6)
    std::string serial_device;           // --serial-device PATH, else VEXLAN_SERIAL_DEVICE
    std::string discovery_host = "255.255.255.255";  // --discovery-target ADDR[:PORT]
    int discovery_port = 31001;
    int discovery_local_port = 31002;    // --discovery-port N (0: any free port)
    bool help = false;
    bool version = false;                // --version
    std::string error;                   // a bad option: the text to show
};

// Parses the arguments (argv[0] excluded); `env_unit_port` and `env_serial_device` are the
// environment values (null when unset). "--opt VALUE" and "--opt=VALUE" are both accepted.
app_options app_options_parse(const std::vector<std::string>& args, const char* env_unit_port,
                              const char* env_serial_device);

const char* app_usage();

}  // namespace vexlan
