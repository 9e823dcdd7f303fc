// libFuzzer target: any bytes as a discovery reply datagram. The parser must stay inside the
// datagram (the address sanitizer sees every byte read), and a row it gives is well formed.
#include <arpa/inet.h>

#include <string>
#include <vector>

#include "fuzz_common.h"
#include "link/app_context.h"
#include "link/discovery.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vexlan;
    using fuzz::require;
    // an exact-size copy, so that a read past the end is a heap overflow the sanitizer reports
    std::vector<std::uint8_t> datagram(data, data + size);
    const auto row = discovery_reply_parse(datagram.data(), datagram.size());
    if (row) {
        in_addr address;
        require(inet_pton(AF_INET, row->ip.c_str(), &address) == 1, "the address is four decimal fields");
        require(row->mac.empty() || row->mac.size() == 17, "the MAC is absent or complete");
        require(row->name.size() <= discovery_name_max, "the name is bounded");
        for (char c : row->name) require(c >= 32 && c <= 126, "the name is printable");
        require(discovery_name_known(row->name), "the name is a known model");
    }
    require(size >= 2 || !row, "a row needs two bytes at least");

    // the same datagram arriving on the discovery socket adds at most one row
    static app_context* ctx = new app_context;
    if (ctx->discovery.rows.size() >= discovery_rows_max) ctx->discovery.rows.clear();
    const auto before = ctx->discovery.rows.size();
    wsk_discovery_data(*ctx, std::string(reinterpret_cast<const char*>(data), size));
    require(ctx->discovery.rows.size() == before + (row ? 1 : 0), "the socket adds the parsed row only");
    return 0;
}
