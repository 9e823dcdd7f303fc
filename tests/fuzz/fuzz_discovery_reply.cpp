// libFuzzer target: any bytes as a discovery reply datagram. The parser must stay inside the
// datagram (the address sanitizer sees every byte read), and a row it gives is well formed.
#include <arpa/inet.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/app_context.h"
#include "link/discovery.h"

namespace {

void require(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vexlan;
    // an exact-size copy, so that a read past the end is a heap overflow the sanitizer reports
    std::vector<std::uint8_t> datagram(data, data + size);
    const auto row = discovery_reply_parse(datagram.data(), datagram.size());
    if (row) {
        in_addr address;
        require(inet_pton(AF_INET, row->ip.c_str(), &address) == 1);  // four decimal fields
        require(row->mac.empty() || row->mac.size() == 17);
        require(row->name.size() <= discovery_name_max);
        for (char c : row->name) require(c >= 32 && c <= 126);
        require(discovery_name_known(row->name));
    }
    require(size >= 2 || !row);

    // the same datagram arriving on the discovery socket adds at most one row
    static app_context* ctx = new app_context;
    if (ctx->discovery.rows.size() >= discovery_rows_max) ctx->discovery.rows.clear();
    const auto before = ctx->discovery.rows.size();
    wsk_discovery_data(*ctx, std::string(reinterpret_cast<const char*>(data), size));
    require(ctx->discovery.rows.size() == before + (row ? 1 : 0));
    return 0;
}
