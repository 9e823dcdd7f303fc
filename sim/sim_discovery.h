// The simulator's discovery responder: answers the 4-byte discovery request on a UDP port of
// 127.0.0.1 with one reply datagram per simulated unit, well formed or in a chosen malformed
// variant.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vexlan::sim {

struct discovery_options {
    int udp_port = -1;                    // --udp-port N (0: any free port; -1: no responder)
    std::string name;                     // --name TEXT (default: the model text)
    std::string mac = "00:1A:2B:3C:4D:5E";  // --mac, the first unit's; later units count up
    std::string ip = "127.0.0.1";         // --ip, the first unit's; later units count up
    int units = 1;                        // --units N (1..64)
    std::string malformed;                // --udp-malformed KIND, "" = well formed
};

// Takes one option of the responder: true when `a` is one (then `error` may say what is wrong
// with its value). `value` reads the option's value.
bool discovery_option(const std::string& a, const std::function<bool(std::string&)>& value, discovery_options& o,
                      std::string& error);
extern const char* const discovery_usage;

// The reply datagrams to one request.
std::vector<std::string> discovery_replies(const discovery_options& o);

class discovery_responder {
public:
    ~discovery_responder();
    // Binds 127.0.0.1:udp_port; prints "udp N" on stdout. Returns "" or why it failed.
    std::string open(const discovery_options& o);
    int fd() const { return fd_; }
    // Reads every waiting datagram and answers each request to its sender.
    void on_readable(bool verbose);

private:
    discovery_options o_;
    int fd_ = -1;
};

}  // namespace vexlan::sim
