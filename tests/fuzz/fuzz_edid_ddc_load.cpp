// libFuzzer target: the DDC loader on arbitrary file contents, then the opened image analysed
// and saved by each writer.
#include <string_view>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    vexlan::fuzz::open_loaded(vexlan::edid_ddc_load(file));
    return 0;
}
