// libFuzzer target: the C-language HEX and BIN writers on arbitrary (hand-edited) window text.
// Either the text is refused with a reason and nothing, or the written file loads again with
// the same bytes in both formats.
#include <string_view>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vexlan;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const edid_write_result bin = edid_file_contents_build(text, edid_save_format::bin);
    const edid_write_result c_hex = edid_file_contents_build(text, edid_save_format::c_hex);
    fuzz::require(bin.ok == c_hex.ok, "both writers accept the same texts");
    if (!bin.ok) {
        fuzz::require(bin.bytes.empty() && !bin.error.empty(), "a refusal writes nothing and says why");
        return 0;
    }
    if (bin.bytes.empty() || bin.bytes.size() > static_cast<std::size_t>(edid_image_slots)) return 0;
    const edid_load_result back = edid_hex_load(c_hex.bytes);
    fuzz::require(back.ok, "C-language HEX loads again");
    fuzz::require(std::string_view(reinterpret_cast<const char*>(back.bytes.data()), back.bytes.size()) == bin.bytes,
                  "C-language HEX and BIN hold the same bytes");
    return 0;
}
