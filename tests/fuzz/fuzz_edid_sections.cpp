// libFuzzer target: the decoded sections of the analysis tree on arbitrary bytes, with the
// input's own size (only those bytes may be read), and the invariants every text keeps.
#include <string>
#include <vector>

#include "edid/edid_sections.h"
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vexlan;
    // A copy of exactly `size` bytes, so that a read past the size is a heap overflow.
    const std::vector<std::uint8_t> image(data, data + size);
    const int n = static_cast<int>(size);
    static const char* const keys[] = {
        "block0_vendor",      "block0_basic",       "block0_color",       "block0_established",
        "block0_standard",    "block0_standard1",   "block0_standard2",   "block0_standard3",
        "block0_dt_mon",      "block0_descriptor1", "block0_descriptor2", "block0_descriptor3",
        "block0_descriptor4", "block0_binary",      "block1_root_false"};
    std::string whole;
    for (const char* key : keys) {
        const std::string text = edid_section_text(image.data(), n, key);
        fuzz::require(size == 0 ? text.empty() : !text.empty(), "every node has a text once there are bytes");
        fuzz::require(text.empty() || text.compare(text.size() - 2, 2, "\r\n") == 0, "texts end with CR LF");
        if (std::string(key) == "block0_dt_mon") whole = text;
    }
    std::string parts;
    for (int d = 1; d <= 4; ++d) {
        if (d > 1 && size > 0) parts += "\r\n";
        parts += edid_section_text(image.data(), n, "block0_descriptor" + std::to_string(d));
    }
    fuzz::require(parts == whole, "the four descriptors make the descriptor section");
    const edid_base_info info = edid_base_decode(image.data(), n);
    fuzz::require(info.manufacturer.size() == 3 && info.established.size() <= 17, "decoded fields stay in range");
    return 0;
}
