// libFuzzer target: edid_info_update and edid_summary_build on arbitrary image bytes, once with
// edid_size = the input size and once with the size that byte 126 implies.
#include <algorithm>

#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace vexlan;
    mod_edid& st = fuzz::state();
    st.work = edid_info{};
    const std::size_t n = std::min<std::size_t>(size, edid_image_slots);
    std::copy_n(data, n, st.work.edid_image.begin());
    st.work.edid_size = static_cast<std::int16_t>(std::min<std::size_t>(size, 4096));
    fuzz::analyse_work(st);

    st.work.edid_size = static_cast<std::int16_t>((st.work.edid_image[126] + 1) * 128);
    const edid_info rec = fuzz::analyse_work(st);
    const bool bad_size = rec.edid_type == edid_type_invalid && rec.edid_status == edid_status_bad_size;
    fuzz::require(bad_size == (rec.edid_image[126] > 3), "the implied size is bad only past four blocks");
    fuzz::require(rec.edid_type >= 0 && rec.edid_type <= 3 && rec.edid_status >= 0 && rec.edid_status <= 2,
                  "type and status stay in range");
    return 0;
}
