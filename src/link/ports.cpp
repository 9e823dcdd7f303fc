#include "link/ports.h"

#include <cstdlib>

namespace vexlan {

std::string tcp_target_parse(const std::string& target, std::uint16_t default_port, std::string& host,
                             std::uint16_t& port) {
    host = target;
    port = default_port;
    const auto colon = target.rfind(':');
    if (colon == std::string::npos) return host.empty() ? "no host in '" + target + "'" : std::string();
    host = target.substr(0, colon);
    const std::string p = target.substr(colon + 1);
    char* end = nullptr;
    const long v = std::strtol(p.c_str(), &end, 10);
    if (p.empty() || *end || v < 1 || v > 65535) return "bad TCP port '" + p + "' in " + target;
    if (host.empty()) return "no host in '" + target + "'";
    port = static_cast<std::uint16_t>(v);
    return {};
}

}  // namespace vexlan
