#include "sim_discovery.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vexlan::sim {

namespace {

const char* const kinds[] = {"no-des", "des-first", "short-mac", "past-end", "unknown-types"};

bool parse_bytes(const std::string& text, char sep, int count, int base, std::vector<unsigned>& out) {
    out.clear();
    std::size_t p = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t e = i + 1 < count ? text.find(sep, p) : text.size();
        if (e == std::string::npos || e == p) return false;
        const std::string part = text.substr(p, e - p);
        char* end = nullptr;
        const long v = std::strtol(part.c_str(), &end, base);
        if (*end || v < 0 || v > 255 || part.size() > 3) return false;
        out.push_back(static_cast<unsigned>(v));
        p = e + 1;
    }
    return true;
}

std::string record(unsigned type, const std::string& value) {
    std::string r;
    r += static_cast<char>(type);
    r += static_cast<char>(value.size() & 255);
    return r + value;
}

std::string bytes_of(const std::vector<unsigned>& v) {
    std::string s;
    for (unsigned b : v) s += static_cast<char>(b);
    return s;
}

}  // namespace

const char* const discovery_usage =
    "Discovery (UDP on 127.0.0.1):\n"
    "  --udp-port N        answer the discovery request on this UDP port (0 picks a free\n"
    "                      port); prints \"udp N\" on stdout.\n"
    "  --name TEXT         model name in the replies (default: the --model text).\n"
    "  --mac AA:BB:..      MAC address of the first unit (default 00:1A:2B:3C:4D:5E).\n"
    "  --ip A.B.C.D        IP address of the first unit (default 127.0.0.1).\n"
    "  --units N           answer as N units (1..64), MAC and IP counting up.\n"
    "  --udp-malformed K   no-des, des-first, short-mac, past-end or unknown-types.\n";

bool discovery_option(const std::string& a, const std::function<bool(std::string&)>& value, discovery_options& o,
                      std::string& error) {
    std::string s;
    std::vector<unsigned> b;
    if (a == "--udp-port") {
        char* end = nullptr;
        const long n = value(s) ? std::strtol(s.c_str(), &end, 10) : -1;
        if (s.empty() || *end || n < 0 || n > 65535) error = "expects a port number 0..65535";
        else o.udp_port = static_cast<int>(n);
    } else if (a == "--name") {
        if (!value(o.name)) error = "expects a text";
    } else if (a == "--mac") {
        if (!value(s) || !parse_bytes(s, ':', 6, 16, b)) error = "expects six hex bytes joined by ':'";
        else o.mac = s;
    } else if (a == "--ip") {
        if (!value(s) || !parse_bytes(s, '.', 4, 10, b)) error = "expects an IPv4 address";
        else o.ip = s;
    } else if (a == "--units") {
        char* end = nullptr;
        const long n = value(s) ? std::strtol(s.c_str(), &end, 10) : 0;
        if (s.empty() || *end || n < 1 || n > 64) error = "expects 1..64";
        else o.units = static_cast<int>(n);
    } else if (a == "--udp-malformed") {
        bool known = false;
        if (value(s))
            for (const char* k : kinds) known = known || s == k;
        if (!known) error = "expects no-des, des-first, short-mac, past-end or unknown-types";
        else o.malformed = s;
    } else {
        return false;
    }
    return true;
}

std::vector<std::string> discovery_replies(const discovery_options& o) {
    std::vector<unsigned> mac, ip;
    if (!parse_bytes(o.mac, ':', 6, 16, mac) || !parse_bytes(o.ip, '.', 4, 10, ip)) return {};
    std::vector<std::string> out;
    for (int u = 0; u < o.units; ++u) {
        std::vector<unsigned> m = mac, a = ip;
        m[5] = (m[5] + static_cast<unsigned>(u)) & 255;
        a[3] = (a[3] + static_cast<unsigned>(u)) & 255;
        const std::string r_mac = record(2, bytes_of(m));
        const std::string r_ip = record(3, bytes_of(a));
        const std::string r_name = record(13, o.name.substr(0, 255));
        const std::string r_des = record(14, "Vexlan unit simulator");
        std::string d = std::string("\x02\x00", 2);
        const std::string& k = o.malformed;
        if (k.empty()) d += r_mac + r_ip + r_name + r_des;
        else if (k == "no-des") d += r_mac + r_ip + r_name;
        else if (k == "des-first") d += r_des + r_mac + r_ip + r_name;
        else if (k == "short-mac") d += record(2, bytes_of({m[0], m[1], m[2]})) + r_ip + r_name + r_des;
        else if (k == "past-end") d += r_mac + r_ip + r_name + std::string("\x0e\x40", 2) + "short";
        else if (k == "unknown-types")
            d += record(1, "x") + r_mac + record(99, std::string(10, '\0')) + r_ip + r_name + record(200, "") + r_des;
        out.push_back(d);
    }
    return out;
}

discovery_responder::~discovery_responder() {
    if (fd_ >= 0) ::close(fd_);
}

std::string discovery_responder::open(const discovery_options& o) {
    o_ = o;
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd_ < 0) return std::string("socket: ") + std::strerror(errno);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(o.udp_port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) < 0)
        return std::string("bind 127.0.0.1 (udp): ") + std::strerror(errno);
    socklen_t len = sizeof a;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
    std::printf("udp %d\n", ntohs(a.sin_port));
    std::fflush(stdout);
    return {};
}

void discovery_responder::on_readable(bool verbose) {
    char buf[2048];
    for (int n = 0; n < 64; ++n) {
        sockaddr_in from{};
        socklen_t len = sizeof from;
        const ssize_t got = ::recvfrom(fd_, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (got < 0) return;
        const bool request = got == 4 && std::memcmp(buf, "\x01\x00\xff\xff", 4) == 0;
        if (verbose)
            std::fprintf(stderr, "udp %s:%d %zd bytes%s\n", inet_ntoa(from.sin_addr), ntohs(from.sin_port), got,
                         request ? " (discovery request)" : "");
        if (!request) continue;
        for (const auto& d : discovery_replies(o_))
            ::sendto(fd_, d.data(), d.size(), 0, reinterpret_cast<sockaddr*>(&from), len);
    }
}

}  // namespace vexlan::sim
